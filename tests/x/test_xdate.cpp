// Dates and times: day numbers, tokens and the parsing of the patterns the program reads.

#include <gtest/gtest.h>

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
    EXPECT_TRUE(XDate("YYYY", "2024").IsEmpty());  // no month or day
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
