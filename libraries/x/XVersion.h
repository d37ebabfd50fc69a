#pragma once

// XVersion: a version number.

#include "XString.h"

// A version number of up to four dotted parts ("7.5.0.0"); missing parts count as 0.
class XVersion
{
public:
    XVersion();
    XVersion(const char* text);
    XVersion(const XString& text) : XVersion(text.CStr()) {}

    void Set(const char* text);
    bool IsEmpty() const { return m_count == 0; }
    int Part(int index) const { return index >= 0 && index < 4 ? m_parts[index] : 0; }
    // The parts that were given, joined by ".".
    XString ToString() const;

    int Compare(const XVersion& other) const;
    bool operator==(const XVersion& other) const { return Compare(other) == 0; }
    bool operator!=(const XVersion& other) const { return Compare(other) != 0; }
    bool operator<(const XVersion& other) const { return Compare(other) < 0; }

private:
    int m_parts[4];
    int m_count;
};
