// A growable byte block.

#include "XBuffer.h"

#include <cstdlib>
#include <cstring>

#include "XException.h"

XBuffer::XBuffer(size_t growStep) : m_data(nullptr), m_len(0), m_cap(0), m_grow(growStep ? growStep : 1) {}

XBuffer::XBuffer(const void* bytes, size_t length) : XBuffer(50)
{
    Assign(bytes, length);
}

XBuffer::XBuffer(const XBuffer& other) : XBuffer(other.m_grow)
{
    Assign(other.m_data, other.m_len);
}

XBuffer::XBuffer(XBuffer&& other) noexcept
    : m_data(other.m_data), m_len(other.m_len), m_cap(other.m_cap), m_grow(other.m_grow)
{
    other.m_data = nullptr;
    other.m_len = other.m_cap = 0;
}

XBuffer::~XBuffer()
{
    std::free(m_data);
}

XBuffer& XBuffer::operator=(const XBuffer& other)
{
    if (this != &other) {
        m_grow = other.m_grow;
        Assign(other.m_data, other.m_len);
    }
    return *this;
}

XBuffer& XBuffer::operator=(XBuffer&& other) noexcept
{
    if (this != &other) {
        std::free(m_data);
        m_data = other.m_data;
        m_len = other.m_len;
        m_cap = other.m_cap;
        m_grow = other.m_grow;
        other.m_data = nullptr;
        other.m_len = other.m_cap = 0;
    }
    return *this;
}

void XBuffer::Reserve(size_t capacity)
{
    if (capacity <= m_cap)
        return;
    // Grow by whole steps, but at least geometrically so that appends stay linear.
    size_t want = m_cap + m_grow;
    if (want < m_cap * 2)
        want = m_cap * 2;
    if (want < capacity)
        want = capacity;
    unsigned char* data = static_cast<unsigned char*>(std::realloc(m_data, want));
    if (!data)
        throw XException(m_data ? "Failed to reallocate memory." : "Failed to allocate memory.");
    m_data = data;
    m_cap = want;
}

void XBuffer::Assign(const void* bytes, size_t length)
{
    m_len = 0;
    Append(bytes, length);
}

void XBuffer::Append(const void* bytes, size_t length)
{
    if (!bytes || length == 0)
        return;
    if (length > (size_t)-1 - m_len)
        throw XException("Failed to reallocate memory.");
    const unsigned char* src = static_cast<const unsigned char*>(bytes);
    if (m_data && src >= m_data && src < m_data + m_len) {
        size_t offset = (size_t)(src - m_data);
        Reserve(m_len + length);
        src = m_data + offset;
    } else {
        Reserve(m_len + length);
    }
    std::memmove(m_data + m_len, src, length);
    m_len += length;
}

XBuffer XBuffer::Mid(size_t offset) const
{
    XBuffer result(50);
    if (offset < m_len)
        result.Append(m_data + offset, m_len - offset);
    return result;
}
