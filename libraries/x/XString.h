#pragma once

// XString: the library's 8-bit text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// 8-bit text with a length and a NUL-terminated buffer, copied by value. Short texts live
// inside the object; longer ones on the heap. A null C text counts as the empty text
// everywhere one is accepted.
class XString
{
public:
    XString() noexcept : m_buf(m_local), m_len(0) { m_local[0] = '\0'; }
    XString(const char* text);
    XString(const XString& other);
    XString(XString&& other) noexcept : XString() { Steal(other); }
    explicit XString(char c);
    explicit XString(int value);
    explicit XString(unsigned value);
    explicit XString(long value);
    explicit XString(unsigned long value);
    explicit XString(long long value);
    explicit XString(unsigned long long value);
    // Fixed-point with the given number of decimals, as printf writes it.
    XString(float value, int decimals);
    XString(double value, int decimals);
    ~XString()
    {
        if (!IsLocal())
            std::free(m_buf);
    }

    XString& operator=(const char* text);
    XString& operator=(const XString& other);
    XString& operator=(XString&& other) noexcept;
    // Replaces the text with the given bytes (null or 0: empty).
    XString& Assign(const char* bytes, size_t length);

    XString& operator+=(const char* text);
    XString& operator+=(const XString& other);
    XString& operator+=(char c);
    XString& Append(const char* bytes, size_t length);

    bool operator==(const char* text) const;
    bool operator!=(const char* text) const;
    bool operator==(const XString& other) const { return *this == other.CStr(); }
    bool operator!=(const XString& other) const { return *this != other.CStr(); }

    // 0 when equal ignoring case, else the difference of the first differing upper-cased characters.
    int CompareNoCase(const char* text) const;
    // Compare function for sorted vectors: bytes compared as signed characters.
    static int CompareFn(const XString* a, const XString* b);

    const char* CStr() const { return m_buf; }
    size_t Length() const { return m_len; }
    bool IsEmpty() const { return m_len == 0; }
    // Address of the character at index (caller keeps index below the length).
    char* At(size_t index) { return m_buf + index; }
    const char* At(size_t index) const { return m_buf + index; }

    XString Left(size_t n) const;
    XString Mid(size_t start) const;
    XString Mid(size_t start, size_t end) const;
    XString& Truncate(size_t n);

    // Index of the first occurrence, or the length when there is none.
    size_t Find(char c) const;
    bool Contains(const char* text) const;

    XString Quoted() const;
    XString SingleQuoted() const;

    // Formats into a buffer of bufferSize bytes, then cuts to the printed length.
    XString& Format(size_t bufferSize, const char* format, ...) __attribute__((format(printf, 3, 4)));

    bool IsDigits() const;
    bool IsNumber() const;
    int ToInt() const;
    float ToFloat() const;
    double ToDouble() const;

    XString& Trim();
    XString& TrimRightChars(const char* set);
    XString& RemoveChars(const char* set);
    // Removes every character whose code, as a signed byte, lies from low to high.
    XString& RemoveCharRange(int low, int high);
    XString& Remove(const char* text);
    XString& Replace(char from, char to);
    XString& MakeUpper();

private:
    // Characters held without a heap buffer.
    static constexpr size_t kLocalChars = 23;

    bool IsLocal() const { return m_buf == m_local; }
    size_t Capacity() const { return IsLocal() ? kLocalChars : m_cap; }
    void Reserve(size_t capacity);
    void SetBytes(const char* bytes, size_t length);
    // Takes other's text and leaves it empty.
    void Steal(XString& other) noexcept
    {
        if (other.IsLocal()) {
            std::memcpy(m_local, other.m_local, sizeof m_local);
            m_buf = m_local;
        } else {
            m_buf = other.m_buf;
            m_cap = other.m_cap;
            other.m_buf = other.m_local;
        }
        m_len = other.m_len;
        other.m_len = 0;
        other.m_local[0] = '\0';
    }

    char* m_buf;  // m_local or a heap block of m_cap + 1 bytes
    size_t m_len;
    union
    {
        size_t m_cap;
        char m_local[kLocalChars + 1];
    };
};

XString operator+(const XString& a, const XString& b);
XString operator+(const XString& a, const char* b);
XString operator+(const char* a, const XString& b);

// The same operations on plain C texts (null counts as empty).
size_t StrLen(const char* text);
char* StrCopy(char* target, const char* source);
int StrCmpNoCase(const char* a, const char* b);
// 0 when text begins with prefix, ignoring case; non-zero otherwise.
int StrCmpNoCasePrefix(const char* text, const char* prefix);
