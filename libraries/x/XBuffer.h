#pragma once

// XBuffer: a growable byte block.

#include <cstddef>

// A byte block with a length and a grow step.
class XBuffer
{
public:
    explicit XBuffer(size_t growStep = 50);
    XBuffer(const void* bytes, size_t length);
    XBuffer(const XBuffer& other);
    XBuffer(XBuffer&& other) noexcept;
    ~XBuffer();

    XBuffer& operator=(const XBuffer& other);
    XBuffer& operator=(XBuffer&& other) noexcept;

    size_t Length() const { return m_len; }
    bool IsEmpty() const { return m_len == 0; }
    const unsigned char* Data() const { return m_data; }
    // Address of the byte at offset (caller keeps offset below the length).
    unsigned char* At(size_t offset) { return m_data + offset; }
    const unsigned char* At(size_t offset) const { return m_data + offset; }
    // The bytes from offset to the end (grow step 50); empty when offset is not below the length.
    XBuffer Mid(size_t offset) const;

    void Append(const void* bytes, size_t length);
    void Assign(const void* bytes, size_t length);
    void Clear() { m_len = 0; }

private:
    void Reserve(size_t capacity);

    unsigned char* m_data;
    size_t m_len;
    size_t m_cap;
    size_t m_grow;
};
