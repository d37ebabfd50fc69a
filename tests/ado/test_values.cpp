// Decimals, OLE dates and variants.

#include "AdoTestSupport.h"
#include "Decimal.h"
#include "OleDate.h"
#include "Variant.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ado;

namespace {

Decimal Parse(const std::string& text)
{
    Decimal d;
    EXPECT_TRUE(Decimal::FromString(text, d)) << text;
    return d;
}

}  // namespace

TEST(Decimal, ParsesSignScaleAndExponent)
{
    Decimal d = Parse("-15.00");
    EXPECT_TRUE(d.IsNegative());
    EXPECT_EQ(d.scale, 2);
    EXPECT_EQ(d.lo64, 1500u);
    EXPECT_EQ(d.hi32, 0u);
    EXPECT_EQ(d.ToString(), "-15.00");
    EXPECT_DOUBLE_EQ(d.ToDouble(), -15.0);

    EXPECT_EQ(Parse("  3.00 ").ToString(), "3.00");
    EXPECT_EQ(Parse("+0.5").ToString(), "0.5");
    EXPECT_EQ(Parse(".25").ToString(), "0.25");
    EXPECT_EQ(Parse("1.5E+3").ToString(), "1500");
    EXPECT_EQ(Parse("125e-4").ToString(), "0.0125");
    EXPECT_EQ(Parse("-0.000").scale, 3);
    EXPECT_TRUE(Parse("-0.000").IsZero());

    // The largest 96-bit magnitude, and the step above it.
    Decimal max = Parse("79228162514264337593543950335");
    EXPECT_EQ(max.hi32, 0xFFFFFFFFu);
    EXPECT_EQ(max.lo64, 0xFFFFFFFFFFFFFFFFull);
    Decimal d2;
    EXPECT_FALSE(Decimal::FromString("79228162514264337593543950336", d2));
    // Too many fraction digits are rounded away, half away from zero.
    EXPECT_EQ(Parse("0.33333333333333333333333333335555").ToString(), "0.3333333333333333333333333334");
    EXPECT_EQ(Parse("-1.00000000000000000000000000005").ToString(), "-1.0000000000000000000000000001");

    for (const char* bad : {"", "-", ".", "1.2.3", "12a", "1e", "e5", "--1"})
        EXPECT_FALSE(Decimal::FromString(bad, d2)) << bad;
}

TEST(OleDate, CivilDatesAndTimes)
{
    EXPECT_DOUBLE_EQ(Ole(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(Ole(1899, 12, 31), 1.0);
    EXPECT_DOUBLE_EQ(Ole(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(Ole(1900, 3, 1), 61.0);  // no 1900-02-29 in the Gregorian calendar
    EXPECT_DOUBLE_EQ(Ole(2024, 9, 3), 45538.0);
    EXPECT_DOUBLE_EQ(Ole(2024, 9, 3, 6), 45538.25);
    EXPECT_DOUBLE_EQ(Ole(1899, 12, 30, 18), 0.75);
    // Before 1899-12-30 the time still counts forward from midnight: the fraction is subtracted.
    EXPECT_DOUBLE_EQ(Ole(1899, 12, 29, 6), -1.25);
    EXPECT_DOUBLE_EQ(Ole(1899, 12, 28, 12), -2.5);
    EXPECT_DOUBLE_EQ(Ole(100, 1, 1), kOleDateMin);

    DateTimeParts p;
    ASSERT_TRUE(OleDateToParts(-1.25, p));
    EXPECT_EQ(p.year, 1899);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
    ASSERT_TRUE(OleDateToParts(Ole(2024, 2, 29, 23, 59, 59, 250000000), p));
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.second, 59);
    EXPECT_EQ(p.nanosecond, 250000000u);
    // A hair before midnight rounds to the next day.
    ASSERT_TRUE(OleDateToParts(1.0 - 1e-10, p));
    EXPECT_EQ(p.day, 31);
    EXPECT_EQ(p.hour, 0);
    ASSERT_TRUE(OleDateToParts(-1.0 - (1.0 - 1e-10), p));
    EXPECT_EQ(p.day, 30);
    EXPECT_EQ(p.hour, 0);

    EXPECT_FALSE(OleDateToParts(std::nan(""), p));
    EXPECT_FALSE(OleDateToParts(3e6, p));
    DateTimeParts bad;
    double date = 0;
    bad.year = 2023;
    bad.month = 2;
    bad.day = 29;
    EXPECT_FALSE(PartsToOleDate(bad, date));
    bad.year = 99;
    bad.day = 1;
    EXPECT_FALSE(PartsToOleDate(bad, date));
    bad.year = 2000;
    bad.hour = 24;
    EXPECT_FALSE(PartsToOleDate(bad, date));

    int y = 0, m = 0, d = 0;
    for (std::int64_t days : {-657434LL, -1LL, 0LL, 59LL, 60LL, 45538LL, 2958465LL}) {
        CivilFromDays(days, y, m, d);
        EXPECT_EQ(DaysFromCivil(y, m, d), days);
    }
}
