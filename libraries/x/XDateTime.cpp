// A date with a time of day, and the current time.

#include "XDateTime.h"

#include <ctime>

#include "XTokenFormat.h"

void XDateTime::SetNow()
{
    struct timespec ts;
    struct tm local;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0 || !localtime_r(&ts.tv_sec, &local)) {
        m_date.Clear();
        m_time.Clear();
        return;
    }
    m_date.SetYMD(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    m_time.Set(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
               (int)(ts.tv_nsec / 1000000));
}

void XDateTime::FromOleDate(double oleDate)
{
    m_date.FromOleDate(oleDate);
    m_time.FromOleTime(oleDate);
}

XString XDateTime::Format(const char* pattern) const
{
    if (IsEmpty())
        return XString();
    return FormatDateTimeTokens(pattern, &m_date, &m_time);
}
