// Version numbers: parts and comparison.

#include "XVersion.h"

#include <cstdio>

XVersion::XVersion() : m_parts{0, 0, 0, 0}, m_count(0) {}

XVersion::XVersion(const char* text) : XVersion()
{
    Set(text);
}

void XVersion::Set(const char* text)
{
    m_parts[0] = m_parts[1] = m_parts[2] = m_parts[3] = 0;
    m_count = 0;
    if (!text)
        return;
    const char* p = text;
    while (*p && m_count < 4) {
        if (*p < '0' || *p > '9')
            break;
        long value = 0;
        while (*p >= '0' && *p <= '9') {
            if (value < 100000000)
                value = value * 10 + (*p - '0');
            ++p;
        }
        m_parts[m_count++] = (int)value;
        if (*p != '.')
            break;
        ++p;
    }
}

XString XVersion::ToString() const
{
    XString text;
    for (int i = 0; i < m_count; ++i) {
        if (i > 0)
            text += '.';
        text += XString(m_parts[i]);
    }
    return text;
}

int XVersion::Compare(const XVersion& other) const
{
    for (int i = 0; i < 4; ++i) {
        if (m_parts[i] != other.m_parts[i])
            return m_parts[i] < other.m_parts[i] ? -1 : 1;
    }
    return 0;
}
