#include "ValueText.h"

#include <charconv>
#include <cstring>

namespace valuetext {

namespace {

char* TwoDigits(char* p, int value)
{
    *p++ = static_cast<char>('0' + value / 10);
    *p++ = static_cast<char>('0' + value % 10);
    return p;
}

// "MM/DD/YYYY" into p (10 characters); false outside the years 1000 to 9999.
bool MonthDayYear(const XDate& date, char* p)
{
    int year = 0, month = 0, day = 0;
    date.GetYMD(&year, &month, &day);
    if (year < 1000 || year > 9999)
        return false;
    p = TwoDigits(p, month);
    *p++ = '/';
    p = TwoDigits(p, day);
    *p++ = '/';
    TwoDigits(TwoDigits(p, year / 100), year % 100);
    return true;
}

} // namespace

XString Integer(long long value)
{
    char buffer[24];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    XString text;
    text.Assign(buffer, static_cast<size_t>(r.ptr - buffer));
    return text;
}

XString Fixed(double value, int decimals)
{
    char buffer[400];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    XString text;
    if (r.ec == std::errc())
        text.Assign(buffer, static_cast<size_t>(r.ptr - buffer));
    else
        text.Format(sizeof buffer, "%.*f", decimals, value);
    return text;
}

XString Real(double value)
{
    XString text = Fixed(value, 4);
    if (text.Find('.') < text.Length()) {
        text.TrimRightChars("0");
        text.TrimRightChars(".");
    }
    return text;
}

bool DefaultDate(const XDate& date, const XString& pattern, XString& out)
{
    if (date.IsEmpty() || (pattern != "mm/dd/yyyy" && pattern.CompareNoCase("mm/dd/yyyy") != 0))
        return false;
    char buffer[10];
    if (!MonthDayYear(date, buffer))
        return false;
    out.Assign(buffer, sizeof buffer);
    return true;
}

bool DefaultDateTime(const XDateTime& value, const XString& pattern, XString& out)
{
    if (value.IsEmpty() || (pattern != "mm/dd/yyyy HH:NN:SS AA" && pattern != "MM/DD/YYYY HH:NN:SS AA"))
        return false;
    char buffer[32];
    if (!MonthDayYear(value.GetDate(), buffer))
        return false;
    char* p = buffer + 10;
    *p++ = ' ';
    const XTime& time = value.GetTime();
    int hour = time.Hour() % 12;
    if (hour == 0)
        hour = 12;
    if (hour >= 10)
        *p++ = '1';
    *p++ = static_cast<char>('0' + hour % 10);
    *p++ = ':';
    p = TwoDigits(p, time.Minute());
    *p++ = ':';
    p = TwoDigits(p, time.Second());
    *p++ = ' ';
    *p++ = time.Hour() < 12 ? 'A' : 'P';
    *p++ = 'M';
    out.Assign(buffer, static_cast<size_t>(p - buffer));
    return true;
}

} // namespace valuetext
