#pragma once

// XDateTime: a date and a time of day.

#include "XDate.h"
#include "XTime.h"

// A date and a time of day.
class XDateTime
{
public:
    XDateTime() {}
    XDateTime(const XDate& date, const XTime& time) : m_date(date), m_time(time) {}

    void Set(const XDate& date, const XTime& time)
    {
        m_date = date;
        m_time = time;
    }
    void SetNow();
    // Both parts from one OLE date.
    void FromOleDate(double oleDate);

    const XDate& GetDate() const { return m_date; }
    const XTime& GetTime() const { return m_time; }
    XDate& Date() { return m_date; }
    XTime& Time() { return m_time; }
    bool IsEmpty() const { return m_date.IsEmpty() || m_time.IsEmpty(); }

    // Date tokens and time tokens of one pattern; the empty text when either part is empty.
    XString Format(const char* pattern) const;
    XString Format(const XString& pattern) const { return Format(pattern.CStr()); }

    bool operator==(const XDateTime& other) const { return m_date == other.m_date && m_time == other.m_time; }
    bool operator!=(const XDateTime& other) const { return !(*this == other); }

private:
    XDate m_date;
    XTime m_time;
};
