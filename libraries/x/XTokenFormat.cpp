// The date and time token formatter.

#include "XTokenFormat.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "XDate.h"
#include "XTime.h"

namespace {

void AppendNumber(XString& out, int value, int width)
{
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%0*d", width, value);
    if (n > 0)
        out.Append(buf, (size_t)n < sizeof buf ? (size_t)n : sizeof buf - 1);
}

}  // namespace

size_t Utf8PrefixBytes(const char* text, size_t n)
{
    size_t i = 0;
    while (text[i] && n > 0) {
        ++i;
        while ((text[i] & 0xC0) == 0x80)
            ++i;
        --n;
    }
    return i;
}

XString FormatDateTimeTokens(const char* pattern, const XDate* date, const XTime* time)
{
    XString out;
    if (!pattern)
        return out;
    const bool twelveHour = time && std::strstr(pattern, "AA") != nullptr;
    int year = 0, month = 0, day = 0;
    if (date)
        date->GetYMD(&year, &month, &day);

    size_t i = 0;
    while (pattern[i]) {
        const char c = (char)std::toupper((unsigned char)pattern[i]);
        size_t n = 1;
        while (pattern[i + n] && std::toupper((unsigned char)pattern[i + n]) == c)
            ++n;
        const size_t runStart = i;
        i += n;
        bool handled = true;

        if (date && c == 'D' && n >= 2) {
            for (; n >= 2; n -= 2)
                AppendNumber(out, day, 2);
        } else if (date && c == 'M' && n >= 2) {
            const char* name = XDate::MonthName(month);
            if (n >= 4)
                out += name;
            else if (n == 3)
                out.Append(name, Utf8PrefixBytes(name, 3));
            else
                AppendNumber(out, month, 2);
            n = 0;
        } else if (date && c == 'Y' && n >= 2) {
            for (; n >= 4; n -= 4)
                AppendNumber(out, year, 4);
            if (n >= 2) {
                AppendNumber(out, year % 100, 2);
                n -= 2;
            }
        } else if (time && c == 'H' && n >= 2) {
            int hour = time->Hour();
            if (twelveHour) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            // Zero-padded only at the end of the pattern or before a letter.
            const bool pad = !pattern[i] || std::isalpha((unsigned char)pattern[i]);
            for (; n >= 2; n -= 2)
                AppendNumber(out, hour, pad ? 2 : 1);
        } else if (time && c == 'N' && n >= 2) {
            for (; n >= 2; n -= 2)
                AppendNumber(out, time->Minute(), 2);
        } else if (time && c == 'S' && n >= 2) {
            for (; n >= 2; n -= 2)
                AppendNumber(out, time->Second(), 2);
        } else if (time && c == 'L' && n >= 3) {
            for (; n >= 3; n -= 3)
                AppendNumber(out, time->Millisecond(), 3);
        } else if (time && c == 'A' && n >= 2) {
            for (; n >= 2; n -= 2)
                out += time->Hour() < 12 ? "AM" : "PM";
        } else {
            handled = false;
        }
        // What is left of a run (or a run that is no token) is copied as it stands.
        if (!handled)
            out.Append(pattern + runStart, n);
        else if (n > 0)
            out.Append(pattern + i - n, n);
    }
    return out;
}
