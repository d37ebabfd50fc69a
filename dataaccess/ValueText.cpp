// Fast texts of numbers, dates and times for the per-record path.

#include "ValueText.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace valuetext {

namespace {

char* TwoDigits(char* p, int value)
{
    *p++ = static_cast<char>('0' + value / 10);
    *p++ = static_cast<char>('0' + value % 10);
    return p;
}

// Whether the pattern is "mm/dd/yyyy" in any case (as an upper-casing comparison finds).
bool IsMonthDayYear(const char* pattern)
{
    for (const char* q = "MM/DD/YYYY"; *q; ++pattern, ++q) {
        char c = *pattern;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != *q)
            return false;
    }
    return *pattern == '\0';
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

// printf's "%.Nf" of a finite double below 2^53 in magnitude with 0 to 9 decimals, from the exact
// binary value (ties to even). Answers the length written to out (at most 36), or 0 when the
// value or the decimals need the general formatter.
size_t QuickFixed(double value, int decimals, char* out)
{
    static const uint64_t kPowers[] = {1,      10,      100,      1000,      10000,
                                       100000, 1000000, 10000000, 100000000, 1000000000};
    if (decimals < 0 || decimals > 9)
        return 0;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
    const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
    if (exponent > 1075)
        return 0;  // 2^53 and above, infinities and NaN
    // value = mantissa * 2^-shift
    const uint64_t mantissa = exponent == 0 ? fraction : fraction | (uint64_t(1) << 52);
    const int shift = exponent == 0 ? 1074 : 1075 - exponent;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPowers[decimals];
    unsigned __int128 units = 0;  // value * 10^decimals, rounded
    if (shift == 0) {
        units = scaled;
    } else if (shift < 128) {
        units = scaled >> shift;
        const unsigned __int128 rest = scaled - (units << shift);
        const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
        if (rest > half || (rest == half && (units & 1) != 0))
            ++units;
    }  // else below half a unit: rounds to 0
    uint64_t whole, part;
    if ((units >> 64) == 0) {
        whole = static_cast<uint64_t>(units) / kPowers[decimals];
        part = static_cast<uint64_t>(units) % kPowers[decimals];
    } else {
        whole = static_cast<uint64_t>(units / kPowers[decimals]);
        part = static_cast<uint64_t>(units % kPowers[decimals]);
    }
    char* p = out;
    if (bits >> 63)
        *p++ = '-';
    p = std::to_chars(p, p + 20, whole).ptr;
    if (decimals > 0) {
        *p++ = '.';
        for (int i = decimals - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + part % 10);
            part /= 10;
        }
        p += decimals;
    }
    return static_cast<size_t>(p - out);
}

}  // namespace

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
    char quick[48];
    const size_t length = QuickFixed(value, decimals, quick);
    if (length > 0) {
        XString text;
        text.Assign(quick, length);
        return text;
    }
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
    char quick[48];
    size_t length = QuickFixed(value, 4, quick);
    if (length > 0) {
        // Always has a decimal point: drop trailing zeros, then the point.
        while (quick[length - 1] == '0')
            --length;
        if (quick[length - 1] == '.')
            --length;
        XString text;
        text.Assign(quick, length);
        return text;
    }
    XString text = Fixed(value, 4);
    if (text.Find('.') < text.Length()) {
        text.TrimRightChars("0");
        text.TrimRightChars(".");
    }
    return text;
}

bool DefaultDate(const XDate& date, const XString& pattern, XString& out)
{
    if (date.IsEmpty() || (pattern != "mm/dd/yyyy" && !IsMonthDayYear(pattern.CStr())))
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

}  // namespace valuetext
