// Dates and times: day numbers, tokens, parsing, the two-digit year window and OLE values.

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "XDate.h"
#include "XDateTime.h"
#include "XTime.h"

namespace {

XDate Ymd(int y, int m, int d)
{
    XDate date;
    EXPECT_TRUE(date.SetYMD(y, m, d));
    return date;
}

XTime Hms(int h, int n, int s, int ms = 0)
{
    XTime time;
    EXPECT_TRUE(time.Set(h, n, s, ms));
    return time;
}

int ThisYear()
{
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

}  // namespace

TEST(XDate, DayNumbersAndEmptyDate)
{
    EXPECT_EQ(Ymd(1600, 1, 1).GetDay(), 0);
    EXPECT_EQ(Ymd(1900, 1, 1).GetDay(), 109573);
    EXPECT_EQ(Ymd(1899, 12, 30).GetDay(), 109571);
    EXPECT_EQ(Ymd(2024, 9, 3).GetDay(), 155109);
    XDate back(155109);
    EXPECT_EQ(back.Year(), 2024);
    EXPECT_EQ(back.Month(), 9);
    EXPECT_EQ(back.DayOfMonth(), 3);

    XDate empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.GetDay(), -1);
    EXPECT_STREQ(empty.Format("mm/dd/yyyy").CStr(), "");
    EXPECT_STREQ(empty.ToISO().CStr(), "");
    // The empty date comes before every other date and equals another empty date.
    EXPECT_TRUE(empty <= Ymd(1600, 1, 1));
    EXPECT_FALSE(empty >= Ymd(1600, 1, 1));
    EXPECT_TRUE(empty <= XDate() && empty >= XDate() && empty == XDate());
    EXPECT_TRUE(Ymd(2024, 9, 3) >= Ymd(2024, 9, 2));

    XDate invalid;
    EXPECT_FALSE(invalid.SetYMD(2023, 2, 29));
    EXPECT_FALSE(invalid.SetYMD(1599, 12, 31));
    EXPECT_TRUE(invalid.IsEmpty());
    EXPECT_EQ(Ymd(2024, 2, 28).AddDays(2), Ymd(2024, 3, 1));
    EXPECT_EQ(Ymd(2024, 3, 1).DaysSince(Ymd(2023, 3, 1)), 366);
    EXPECT_TRUE(XDate().AddDays(5).IsEmpty());
}

TEST(XDate, ParseByPattern)
{
    EXPECT_EQ(XDate("mm/dd/yyyy", "09/03/2024"), Ymd(2024, 9, 3));
    EXPECT_EQ(XDate("MM/DD/YYYY", "9/3/2024"), Ymd(2024, 9, 3));
    EXPECT_EQ(XDate("YYYYMMDD", "20240903"), Ymd(2024, 9, 3));
    EXPECT_EQ(XDate("DD-MMM-YYYY", "03-sep-2024"), Ymd(2024, 9, 3));
    EXPECT_EQ(XDate("MMMM DD YYYY", "February 29 2024"), Ymd(2024, 2, 29));
    XDate iso;
    EXPECT_TRUE(iso.FromISO("2000-02-29"));
    EXPECT_EQ(iso, Ymd(2000, 2, 29));

    // Anything that does not parse is the empty date.
    for (const char* bad : {"", "2024-13-01", "2024-02-30", "2100-02-29", "abcd-ef-gh", "2024-09",
                            "2024/09/03", "1599-12-31", "20-09-03", "2024-9"}) {
        EXPECT_TRUE(XDate("YYYY-MM-DD", bad).IsEmpty()) << bad;
        EXPECT_FALSE(iso.FromISO(bad)) << bad;
    }
    EXPECT_TRUE(XDate("YYYY-MM-DD", nullptr).IsEmpty());
    EXPECT_TRUE(XDate(nullptr, "2024-09-03").IsEmpty());
    EXPECT_TRUE(XDate("DD-MMM-YYYY", "03-Sex-2024").IsEmpty());
    EXPECT_TRUE(XDate("YYYY", "2024").IsEmpty());  // no month or day
}

TEST(XDate, TwoDigitYearWindow)
{
    // The hundred years from 79 years before this year to 20 years after it.
    const int year = ThisYear();
    const int latest = year + 20, earliest = year - 79;
    char text[16];
    snprintf(text, sizeof text, "01/02/%02d", latest % 100);
    EXPECT_EQ(XDate("MM/DD/YY", text).Year(), latest);
    snprintf(text, sizeof text, "01/02/%02d", earliest % 100);
    EXPECT_EQ(XDate("MM/DD/YY", text).Year(), earliest);
    snprintf(text, sizeof text, "01/02/%02d", year % 100);
    EXPECT_EQ(XDate("MM/DD/YY", text).Year(), year);
    EXPECT_EQ(XDate::ExpandTwoDigitYear((latest + 1) % 100), earliest);
}

TEST(XDate, OleDates)
{
    XDate d(5);
    d.FromOleDate(0.0);
    EXPECT_TRUE(d.IsEmpty());
    d.FromOleDate(1.0);
    EXPECT_EQ(d, Ymd(1899, 12, 31));
    d.FromOleDate(45538.75);
    EXPECT_EQ(d, Ymd(2024, 9, 3));
    d.FromOleDate(2.0);
    EXPECT_EQ(d, Ymd(1900, 1, 1));
    // Before 1899-12-30 the whole part is the day and the fraction the time of that day,
    // so -1.25 is 1899-12-29 06:00 and -0.5 is 1899-12-30 12:00.
    d.FromOleDate(-1.25);
    EXPECT_EQ(d, Ymd(1899, 12, 29));
    d.FromOleDate(-0.5);
    EXPECT_EQ(d, Ymd(1899, 12, 30));
    // Values outside the calendar and non-numbers give the empty date.
    for (double bad : {-200000.0, 1e12, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        d.FromOleDate(bad);
        EXPECT_TRUE(d.IsEmpty()) << bad;
    }
}

TEST(XTime, FormatTokensAndHourRule)
{
    const XTime t = Hms(9, 5, 7, 7);
    // Upper-case AA: 12-hour clock; a one-digit hour is padded only at the end or before a letter.
    EXPECT_STREQ(t.Format("HH:NN:SS AA").CStr(), "9:05:07 AM");
    EXPECT_STREQ(t.Format("HHNNSS").CStr(), "090507");
    EXPECT_STREQ(t.Format("NN:HH").CStr(), "05:09");
    EXPECT_STREQ(t.Format("hh:nn:ss.lll").CStr(), "9:05:07.007");
    EXPECT_STREQ(Hms(0, 0, 0).Format("HH:NN:SS AA").CStr(), "12:00:00 AM");
    EXPECT_STREQ(Hms(12, 30, 0).Format("HH:NN:SS AA").CStr(), "12:30:00 PM");
    EXPECT_STREQ(Hms(23, 59, 59).Format("HH:NN:SS AA").CStr(), "11:59:59 PM");
    // Without an upper-case AA the hour counts 0 to 23.
    EXPECT_STREQ(Hms(13, 0, 0).Format("HH:NN aa").CStr(), "13:00 PM");
    EXPECT_STREQ(Hms(0, 1, 2).Format("hh:nn:ss").CStr(), "0:01:02");
    EXPECT_STREQ(XTime().Format("HH:NN").CStr(), "");
    EXPECT_STREQ(t.Format("YYYY-MM-DD").CStr(), "YYYY-MM-DD");  // date letters are not time tokens
}

TEST(XTime, OleTimes)
{
    XTime t(5);
    t.FromOleTime(0.0);
    EXPECT_TRUE(t.IsEmpty());
    t.FromOleTime(45538.5);
    EXPECT_EQ(t.GetMs(), 43200000);
    t.FromOleTime(45538.0);
    EXPECT_EQ(t.GetMs(), 0);  // midnight, not empty
    t.FromOleTime(45538.0 + (9 * 3600 + 5 * 60 + 7) / 86400.0);
    EXPECT_STREQ(t.Format("HH:NN:SS").CStr(), "9:05:07");
    t.FromOleTime(-1.25);
    EXPECT_EQ(t.GetMs(), 6 * 3600000);
    EXPECT_TRUE(XTime(-5).IsEmpty());
    EXPECT_TRUE(XTime(86400000).IsEmpty());
}
