// Dates as day numbers: parts, parsing and token formatting.

#include "XDate.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <ctime>
#include <langinfo.h>

#include "XTokenFormat.h"

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = (int)(doy - (153 * mp + 2) / 5 + 1);
    const int m = (int)(mp < 10 ? mp + 3 : mp - 9);
    *year = (int)(y + (m <= 2));
    *month = m;
    *day = d;
}

const int64_t kEpoch1600 = DaysFromCivil(1600, 1, 1);
const int kMinYear = 1600;
const int kMaxYear = 9999;

int CurrentYear()
{
    time_t now = time(nullptr);
    struct tm local;
    if (!localtime_r(&now, &local))
        return 2000;
    return local.tm_year + 1900;
}

// Reads between minDigits and maxDigits decimal digits.
bool ReadDigits(const char*& t, int minDigits, int maxDigits, int* value)
{
    int n = 0, v = 0;
    while (n < maxDigits && t[n] >= '0' && t[n] <= '9') {
        v = v * 10 + (t[n] - '0');
        ++n;
    }
    if (n < minDigits)
        return false;
    t += n;
    *value = v;
    return true;
}

size_t MatchNoCase(const char* text, const char* word, size_t wordLen)
{
    if (wordLen == 0)
        return 0;
    for (size_t k = 0; k < wordLen; ++k) {
        if (!text[k] || std::toupper((unsigned char)text[k]) != std::toupper((unsigned char)word[k]))
            return 0;
    }
    return wordLen;
}

// Month by its name (whole) or its first three characters; the longest match wins.
bool ReadMonthName(const char*& t, bool whole, int* month)
{
    size_t best = 0;
    for (int m = 1; m <= 12; ++m) {
        const char* name = XDate::MonthName(m);
        size_t len = whole ? std::strlen(name) : Utf8PrefixBytes(name, 3);
        size_t got = MatchNoCase(t, name, len);
        if (got > best) {
            best = got;
            *month = m;
        }
    }
    if (best == 0)
        return false;
    t += best;
    return true;
}

}  // namespace

bool XDate::IsValidYMD(int year, int month, int day)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1)
        return false;
    int last = kDays[month - 1];
    if (month == 2 && (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)))
        last = 29;
    return day <= last;
}

int32_t XDate::DayNumber(int year, int month, int day)
{
    return (int32_t)(DaysFromCivil(year, month, day) - kEpoch1600);
}

int XDate::ExpandTwoDigitYear(int yy)
{
    const int lowest = CurrentYear() - 79;
    return lowest + ((yy - lowest) % 100 + 100) % 100;
}

const char* XDate::MonthName(int month)
{
    static const char* const kEnglish[12] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
    if (month < 1 || month > 12)
        return "";
    const char* name = nl_langinfo((nl_item)(MON_1 + month - 1));
    return name && *name ? name : kEnglish[month - 1];
}

XDate::XDate(const char* pattern, const char* text) : m_day(Empty)
{
    if (!pattern || !text)
        return;
    int year = -1, month = -1, day = -1;
    const char* t = text;
    size_t i = 0;
    while (pattern[i]) {
        const char c = (char)std::toupper((unsigned char)pattern[i]);
        size_t n = 1;
        while (pattern[i + n] && std::toupper((unsigned char)pattern[i + n]) == c)
            ++n;
        bool ok = true;
        if (c == 'D' && n == 2) {
            ok = ReadDigits(t, 1, 2, &day);
        } else if (c == 'M' && n == 2) {
            ok = ReadDigits(t, 1, 2, &month);
        } else if (c == 'M' && n >= 3) {
            ok = ReadMonthName(t, n >= 4, &month);
        } else if (c == 'Y' && n == 4) {
            ok = ReadDigits(t, 4, 4, &year);
        } else if (c == 'Y' && n == 2) {
            ok = ReadDigits(t, 2, 2, &year);
            if (ok)
                year = ExpandTwoDigitYear(year);
        } else {
            // Anything else must stand in the text as it stands in the pattern.
            for (size_t k = 0; k < n && ok; ++k) {
                if (!*t || std::toupper((unsigned char)*t) != std::toupper((unsigned char)pattern[i + k]))
                    ok = false;
                else
                    ++t;
            }
        }
        if (!ok)
            return;
        i += n;
    }
    if (IsValidYMD(year, month, day))
        m_day = DayNumber(year, month, day);
}

bool XDate::SetYMD(int year, int month, int day)
{
    if (!IsValidYMD(year, month, day)) {
        m_day = Empty;
        return false;
    }
    m_day = DayNumber(year, month, day);
    return true;
}

void XDate::GetYMD(int* year, int* month, int* day) const
{
    int y = 0, m = 0, d = 0;
    if (m_day >= 0)
        CivilFromDays(kEpoch1600 + m_day, &y, &m, &d);
    if (year)
        *year = y;
    if (month)
        *month = m;
    if (day)
        *day = d;
}

int XDate::Year() const
{
    int y;
    GetYMD(&y, nullptr, nullptr);
    return y;
}

int XDate::Month() const
{
    int m;
    GetYMD(nullptr, &m, nullptr);
    return m;
}

int XDate::DayOfMonth() const
{
    int d;
    GetYMD(nullptr, nullptr, &d);
    return d;
}

void XDate::SetToday()
{
    time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        SetYMD(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    else
        m_day = Empty;
}

XDate XDate::Today()
{
    XDate d;
    d.SetToday();
    return d;
}

void XDate::FromOleDate(double oleDate)
{
    m_day = Empty;
    // The whole part is the day; the fraction (of either sign) is the time of that day.
    if (oleDate == 0.0 || !std::isfinite(oleDate) || std::fabs(oleDate) > 3.0e6)
        return;
    const double day = std::trunc(oleDate) + Day1899;
    if (day >= 0 && day <= DayNumber(kMaxYear, 12, 31))
        m_day = (int32_t)day;
}

XString XDate::Format(const char* pattern) const
{
    if (IsEmpty())
        return XString();
    return FormatDateTimeTokens(pattern, this, nullptr);
}

XString XDate::ToISO() const
{
    return Format("YYYY-MM-DD");
}

bool XDate::FromISO(const char* text)
{
    *this = XDate("YYYY-MM-DD", text);
    return !IsEmpty();
}

XDate XDate::AddDays(int32_t days) const
{
    if (IsEmpty())
        return XDate();
    return XDate(m_day + days);
}

int32_t XDate::DaysSince(const XDate& other) const
{
    if (IsEmpty() || other.IsEmpty())
        return 0;
    return m_day - other.m_day;
}
