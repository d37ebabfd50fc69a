// OLE automation dates from and to their parts.

#include "OleDate.h"

#include <cmath>

namespace ado {

namespace {

// Days from 1970-01-01 (H. Hinnant's civil-date algorithms).
std::int64_t DaysFromEpoch(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

const std::int64_t kOleEpoch = DaysFromEpoch(1899, 12, 30);

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day)
{
    return DaysFromEpoch(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpoch;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day)
{
    const std::int64_t z = days + kOleEpoch + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(y + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

bool PartsToOleDate(const DateTimeParts& p, double& date)
{
    if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 ||
        p.second < 0 || p.second > 59 || p.nanosecond > 999999999u)
        return false;
    const std::int64_t days = DaysFromCivil(p.year, p.month, p.day);
    const double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second + p.nanosecond / 1e9) / 86400.0;
    date = days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
    return true;
}

bool OleDateToParts(double date, DateTimeParts& parts)
{
    if (std::isnan(date) || date <= kOleDateMin - 1.0 || date > kOleDateMax)
        return false;
    std::int64_t days = static_cast<std::int64_t>(date);  // toward zero
    double fraction = std::fabs(date - static_cast<double>(days));
    std::int64_t ms = std::llround(fraction * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += 1;  // time runs forward within the day, also before 1899-12-30
    }
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    if (y < 100 || y > 9999)
        return false;
    parts.year = y;
    parts.month = m;
    parts.day = d;
    parts.hour = static_cast<int>(ms / 3600000);
    parts.minute = static_cast<int>(ms / 60000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.nanosecond = static_cast<std::uint32_t>(ms % 1000) * 1000000u;
    return true;
}

}  // namespace ado
