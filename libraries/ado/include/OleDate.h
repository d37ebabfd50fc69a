#pragma once

// OLE automation dates from and to their parts.

#include <cstdint>

namespace ado {

// OLE automation dates: days since 1899-12-30 00:00 as a double. The whole part is
// the day (negative before 1899-12-30) and the absolute value of the fraction is the
// time of day, so 1899-12-29 06:00 is -1.25.
struct DateTimeParts
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::uint32_t nanosecond = 0;
};

constexpr double kOleDateMin = -657434.0;         // 0100-01-01
constexpr double kOleDateMax = 2958465.99999999;  // 9999-12-31 23:59:59.999

// False when the parts are not a valid date and time, or lie outside years 100..9999.
bool PartsToOleDate(const DateTimeParts& parts, double& date);

// Splits an OLE date; the time is rounded to the nearest millisecond.
// False for NaN and values outside the OLE range.
bool OleDateToParts(double date, DateTimeParts& parts);

// Days from 1899-12-30 to the given civil date (proleptic Gregorian), and back.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

}  // namespace ado
