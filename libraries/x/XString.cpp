// 8-bit text: building, comparing, searching, trimming and numbers.

#include "XString.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "XException.h"

namespace {

size_t SafeLen(const char* text)
{
    return text ? std::strlen(text) : 0;
}

// isspace, with the ASCII answers (the same in every locale) taken without a call.
bool IsSpace(unsigned char c)
{
    if (c < 0x80)
        return c == ' ' || (c >= '\t' && c <= '\r');
    return std::isspace(c) != 0;
}

}  // namespace

XString::XString(const char* text) : XString()
{
    SetBytes(text, SafeLen(text));
}

XString::XString(const XString& other) : XString()
{
    SetBytes(other.m_buf, other.m_len);
}

XString::XString(char c) : XString()
{
    SetBytes(&c, 1);
}

XString::XString(int value) : XString()
{
    Format(16, "%d", value);
}

XString::XString(unsigned value) : XString()
{
    Format(16, "%u", value);
}

XString::XString(long value) : XString()
{
    Format(32, "%ld", value);
}

XString::XString(unsigned long value) : XString()
{
    Format(32, "%lu", value);
}

XString::XString(long long value) : XString()
{
    Format(32, "%lld", value);
}

XString::XString(unsigned long long value) : XString()
{
    Format(32, "%llu", value);
}

XString::XString(float value, int decimals) : XString((double)value, decimals) {}

XString::XString(double value, int decimals) : XString()
{
    if (decimals < 0)
        decimals = 0;
    int n = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    if (n > 0)
        Format((size_t)n + 1, "%.*f", decimals, value);
}

void XString::Reserve(size_t capacity)
{
    if (capacity <= Capacity())
        return;
    const bool local = IsLocal();
    size_t want = local ? 2 * (kLocalChars + 1) : m_cap;
    while (want < capacity) {
        if (want > ((size_t)-1) / 2) {
            want = capacity;
            break;
        }
        want *= 2;
    }
    if (want == (size_t)-1)
        throw XException(local ? "Failed to allocate memory." : "Failed to reallocate memory.");
    char* buf = static_cast<char*>(local ? std::malloc(want + 1) : std::realloc(m_buf, want + 1));
    if (!buf)
        throw XException(local ? "Failed to allocate memory." : "Failed to reallocate memory.");
    if (local)
        std::memcpy(buf, m_local, m_len + 1);
    m_buf = buf;
    m_cap = want;
}

void XString::SetBytes(const char* bytes, size_t length)
{
    if (!bytes || length == 0) {
        m_len = 0;
        m_buf[0] = '\0';
        return;
    }
    if (bytes >= m_buf && bytes <= m_buf + m_len) {
        // Source inside our own buffer: shifting is enough.
        std::memmove(m_buf, bytes, length);
    } else {
        Reserve(length);
        std::memcpy(m_buf, bytes, length);
    }
    m_len = length;
    m_buf[m_len] = '\0';
}

XString& XString::operator=(const char* text)
{
    SetBytes(text, SafeLen(text));
    return *this;
}

XString& XString::operator=(const XString& other)
{
    if (this != &other)
        SetBytes(other.m_buf, other.m_len);
    return *this;
}

XString& XString::operator=(XString&& other) noexcept
{
    if (this != &other) {
        if (!IsLocal())
            std::free(m_buf);
        m_buf = m_local;
        Steal(other);
    }
    return *this;
}

XString& XString::Assign(const char* bytes, size_t length)
{
    SetBytes(bytes, length);
    return *this;
}

XString& XString::Append(const char* bytes, size_t length)
{
    if (!bytes || length == 0)
        return *this;
    if (length > ((size_t)-1) - m_len - 1)
        throw XException("Failed to reallocate memory.");
    if (m_len + length > Capacity()) {
        if (bytes >= m_buf && bytes <= m_buf + m_len) {
            size_t offset = (size_t)(bytes - m_buf);
            Reserve(m_len + length);
            bytes = m_buf + offset;
        } else {
            Reserve(m_len + length);
        }
    }
    std::memmove(m_buf + m_len, bytes, length);
    m_len += length;
    m_buf[m_len] = '\0';
    return *this;
}

XString& XString::operator+=(const char* text)
{
    return Append(text, SafeLen(text));
}

XString& XString::operator+=(const XString& other)
{
    return Append(other.m_buf, other.m_len);
}

XString& XString::operator+=(char c)
{
    return Append(&c, 1);
}

XString operator+(const XString& a, const XString& b)
{
    XString result(a);
    result += b;
    return result;
}

XString operator+(const XString& a, const char* b)
{
    XString result(a);
    result += b;
    return result;
}

XString operator+(const char* a, const XString& b)
{
    XString result(a);
    result += b;
    return result;
}

bool XString::operator==(const char* text) const
{
    return std::strcmp(CStr(), text ? text : "") == 0;
}

bool XString::operator!=(const char* text) const
{
    return !(*this == text);
}

int XString::CompareNoCase(const char* text) const
{
    return StrCmpNoCase(CStr(), text);
}

int XString::CompareFn(const XString* a, const XString* b)
{
    const char* p = a ? a->CStr() : "";
    const char* q = b ? b->CStr() : "";
    while (*p && *p == *q) {
        ++p;
        ++q;
    }
    return (int)(signed char)*p - (int)(signed char)*q;
}

XString XString::Left(size_t n) const
{
    XString result;
    result.SetBytes(m_buf, n < m_len ? n : m_len);
    return result;
}

XString XString::Mid(size_t start) const
{
    XString result;
    if (start < m_len)
        result.SetBytes(m_buf + start, m_len - start);
    return result;
}

XString XString::Mid(size_t start, size_t end) const
{
    XString result;
    if (end > m_len)
        end = m_len;
    if (start < end)
        result.SetBytes(m_buf + start, end - start);
    return result;
}

XString& XString::Truncate(size_t n)
{
    if (n < m_len) {
        m_len = n;
        m_buf[m_len] = '\0';
    }
    return *this;
}

size_t XString::Find(char c) const
{
    const void* p = std::memchr(m_buf, c, m_len);
    return p ? (size_t)(static_cast<const char*>(p) - m_buf) : m_len;
}

bool XString::Contains(const char* text) const
{
    if (!text)
        return false;
    return std::strstr(CStr(), text) != nullptr;
}

XString XString::Quoted() const
{
    XString result;
    result.Reserve(m_len + 2);
    result += '"';
    result += *this;
    result += '"';
    return result;
}

XString XString::SingleQuoted() const
{
    XString result;
    result.Reserve(m_len + 2);
    result += '\'';
    result += *this;
    result += '\'';
    return result;
}

XString& XString::Format(size_t bufferSize, const char* format, ...)
{
    if (bufferSize == 0 || !format) {
        SetBytes(nullptr, 0);
        return *this;
    }
    // Small results are printed on the stack.
    char stackBuf[256];
    const bool onStack = bufferSize <= sizeof stackBuf;
    char* buf = onStack ? stackBuf : static_cast<char*>(std::malloc(bufferSize));
    if (!buf)
        throw XException("Failed to allocate memory.");
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf, bufferSize, format, args);
    va_end(args);
    size_t len = 0;
    if (n > 0)
        len = (size_t)n < bufferSize ? (size_t)n : bufferSize - 1;
    try {
        SetBytes(buf, len);
    } catch (...) {
        if (!onStack)
            std::free(buf);
        throw;
    }
    if (!onStack)
        std::free(buf);
    return *this;
}

bool XString::IsDigits() const
{
    for (size_t i = 0; i < m_len; ++i)
        if (m_buf[i] < '0' || m_buf[i] > '9')
            return false;
    return true;
}

bool XString::IsNumber() const
{
    bool point = false;
    for (size_t i = 0; i < m_len; ++i) {
        char c = m_buf[i];
        if (c == '.') {
            if (point)
                return false;
            point = true;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

int XString::ToInt() const
{
    // As atoi reads it, without its undefined overflow: clamp to the int range.
    errno = 0;
    long v = std::strtol(CStr(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return (int)v;
}

float XString::ToFloat() const
{
    return (float)std::atof(CStr());
}

double XString::ToDouble() const
{
    return std::atof(CStr());
}

XString& XString::Trim()
{
    size_t start = 0, end = m_len;
    while (start < end && IsSpace((unsigned char)m_buf[start]))
        ++start;
    while (end > start && IsSpace((unsigned char)m_buf[end - 1]))
        --end;
    if (start > 0 || end < m_len)
        SetBytes(m_buf + start, end - start);
    return *this;
}

XString& XString::TrimRightChars(const char* set)
{
    if (!set || !*set)
        return *this;
    size_t end = m_len;
    while (end > 0 && std::strchr(set, m_buf[end - 1]))
        --end;
    return Truncate(end);
}

XString& XString::RemoveChars(const char* set)
{
    if (!set || !*set || m_len == 0)
        return *this;
    if (!set[1]) {
        // One character (strchr also matches a NUL byte): nothing to do unless either occurs.
        const char c = set[0];
        size_t i = 0;
        while (i < m_len && m_buf[i] != c && m_buf[i] != '\0')
            ++i;
        if (i == m_len)
            return *this;
    }
    size_t out = 0;
    for (size_t i = 0; i < m_len; ++i)
        if (!std::strchr(set, m_buf[i]))
            m_buf[out++] = m_buf[i];
    return Truncate(out);
}

XString& XString::RemoveCharRange(int low, int high)
{
    size_t out = 0;
    for (size_t i = 0; i < m_len; ++i) {
        int c = (signed char)m_buf[i];
        if (c < low || c > high)
            m_buf[out++] = m_buf[i];
    }
    return Truncate(out);
}

XString& XString::Remove(const char* text)
{
    size_t n = SafeLen(text);
    if (n == 0 || m_len < n)
        return *this;
    size_t out = 0, i = 0;
    while (i < m_len) {
        if (i + n <= m_len && std::memcmp(m_buf + i, text, n) == 0) {
            i += n;
        } else {
            m_buf[out++] = m_buf[i++];
        }
    }
    return Truncate(out);
}

XString& XString::Replace(char from, char to)
{
    for (size_t i = 0; i < m_len; ++i)
        if (m_buf[i] == from)
            m_buf[i] = to;
    return *this;
}

XString& XString::MakeUpper()
{
    for (size_t i = 0; i < m_len; ++i)
        m_buf[i] = (char)std::toupper((unsigned char)m_buf[i]);
    return *this;
}

size_t StrLen(const char* text)
{
    return SafeLen(text);
}

char* StrCopy(char* target, const char* source)
{
    if (!target)
        return target;
    if (!source) {
        target[0] = '\0';
        return target;
    }
    return std::strcpy(target, source);
}

int StrCmpNoCase(const char* a, const char* b)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a ? a : "");
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b ? b : "");
    for (;; ++p, ++q) {
        int x = std::toupper(*p), y = std::toupper(*q);
        if (x != y || x == 0)
            return x - y;
    }
}

int StrCmpNoCasePrefix(const char* text, const char* prefix)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    const unsigned char* q = reinterpret_cast<const unsigned char*>(prefix ? prefix : "");
    for (; *q; ++p, ++q) {
        int x = std::toupper(*p), y = std::toupper(*q);
        if (x != y)
            return x - y ? x - y : 1;
    }
    return 0;
}
