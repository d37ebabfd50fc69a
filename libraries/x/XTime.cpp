// Times of day in milliseconds: parts, parsing and token formatting.

#include "XTime.h"

#include <cmath>
#include <ctime>

#include "XTokenFormat.h"

bool XTime::Set(int hour, int minute, int second, int ms)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || ms < 0 ||
        ms > 999) {
        m_ms = Empty;
        return false;
    }
    m_ms = ((hour * 60 + minute) * 60 + second) * 1000 + ms;
    return true;
}

void XTime::SetNow()
{
    struct timespec ts;
    struct tm local;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0 || !localtime_r(&ts.tv_sec, &local)) {
        m_ms = Empty;
        return;
    }
    Set(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, (int)(ts.tv_nsec / 1000000));
}

void XTime::FromOleTime(double oleDate)
{
    m_ms = Empty;
    if (oleDate == 0.0 || !std::isfinite(oleDate))
        return;
    // The fraction counts forward from midnight whatever the sign of the day.
    double whole;
    const double fraction = std::fabs(std::modf(oleDate, &whole));
    long long ms = std::llround(fraction * MsPerDay);
    if (ms >= MsPerDay)
        ms = MsPerDay - 1;
    m_ms = (int32_t)ms;
}

XString XTime::Format(const char* pattern) const
{
    if (IsEmpty())
        return XString();
    return FormatDateTimeTokens(pattern, nullptr, this);
}
