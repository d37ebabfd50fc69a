#pragma once

// XDate: a date as a day number.

#include <cstdint>

#include "XString.h"

// A day number counted from 1600-01-01 (day 0); -1 is the empty date.
// Token patterns (letters in either case): DD day, MM month, MMM month name (3 characters),
// MMMM or more the whole month name, YYYY year, YY its last two digits; other characters are copied.
class XDate
{
public:
    static const int32_t Empty = -1;
    static const int32_t Day1900 = 109573;  // 1900-01-01
    static const int32_t Day1899 = 109571;  // 1899-12-30, OLE day 0

    XDate() : m_day(Empty) {}
    explicit XDate(int32_t day) : m_day(day < 0 ? Empty : day) {}
    // Parses the text by the pattern; the empty date when it does not parse.
    // A two-digit year falls into the hundred years from 79 years before the current year to 20 after.
    XDate(const char* pattern, const char* text);
    XDate(const XString& pattern, const XString& text) : XDate(pattern.CStr(), text.CStr()) {}

    int32_t GetDay() const { return m_day; }
    void SetDay(int32_t day) { m_day = day < 0 ? Empty : day; }
    bool IsEmpty() const { return m_day < 0; }
    void Clear() { m_day = Empty; }

    // Sets the date from year, month and day; false (and empty) when they are not a valid date from 1600 on.
    bool SetYMD(int year, int month, int day);
    // Year, month (1-12) and day (1-31); all 0 for the empty date.
    void GetYMD(int* year, int* month, int* day) const;
    int Year() const;
    int Month() const;
    int DayOfMonth() const;

    void SetToday();
    static XDate Today();

    // 0.0 gives the empty date; otherwise the day of the whole part (OLE day 0 is 1899-12-30).
    void FromOleDate(double oleDate);

    XString Format(const char* pattern) const;
    XString Format(const XString& pattern) const { return Format(pattern.CStr()); }
    // "YYYY-MM-DD", empty for the empty date.
    XString ToISO() const;
    // Sets the date from "YYYY-MM-DD"; answers false (and empty) when it does not parse.
    bool FromISO(const char* text);
    bool FromISO(const XString& text) { return FromISO(text.CStr()); }

    // Day arithmetic; the empty date stays empty.
    XDate AddDays(int32_t days) const;
    // Number of days from other to this date (0 when either is empty).
    int32_t DaysSince(const XDate& other) const;

    bool operator==(const XDate& other) const { return m_day == other.m_day; }
    bool operator!=(const XDate& other) const { return m_day != other.m_day; }
    // The empty date comes before every other date.
    bool operator<=(const XDate& other) const { return m_day <= other.m_day; }
    bool operator>=(const XDate& other) const { return m_day >= other.m_day; }
    bool operator<(const XDate& other) const { return m_day < other.m_day; }
    bool operator>(const XDate& other) const { return m_day > other.m_day; }

    // Day number of a valid calendar date (no check).
    static int32_t DayNumber(int year, int month, int day);
    static bool IsValidYMD(int year, int month, int day);
    // Full month name (1-12) from the C library's locale.
    static const char* MonthName(int month);
    // The century for a two-digit year, by the window around the current year.
    static int ExpandTwoDigitYear(int yy);

private:
    int32_t m_day;
};
