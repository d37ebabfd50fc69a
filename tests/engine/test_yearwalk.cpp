// The pick of the current school year from year records.

#include "SchoolYearWalk.h"

#include <gtest/gtest.h>

namespace {

XDate D(const char* iso)
{
    XDate date;
    date.FromISO(iso);
    return date;
}

struct Year
{
    const char* id;
    const char* first;
    const char* last;
};

const Year kYears[] = {{"23", "2013-08-20", "2014-06-10"}, {"24", "2014-08-19", "2015-06-09"}};

// Feeds the records as the query would and answers how many were read.
int Walk(SchoolYearWalk& walk, const Year* years, int count)
{
    int read = 0;
    for (int i = 0; i < count; ++i) {
        ++read;
        if (walk.Add(years[i].id, D(years[i].first), D(years[i].last)))
            break;
    }
    return read;
}

}  // namespace

TEST(SchoolYearWalk, PicksTheYearThatHoldsToday)
{
    SchoolYearWalk walk(D("2014-10-01"));
    EXPECT_EQ(Walk(walk, kYears, 2), 2);
    EXPECT_FALSE(walk.Finish());
    EXPECT_STREQ(walk.YearId().CStr(), "24");
    EXPECT_EQ(walk.Start(), D("2014-08-19"));
    EXPECT_EQ(walk.End(), D("2015-06-09"));

    SchoolYearWalk first(D("2013-08-20"));
    EXPECT_EQ(Walk(first, kYears, 2), 1);  // stops at the first record
    EXPECT_FALSE(first.Finish());
    EXPECT_STREQ(first.YearId().CStr(), "23");
}

TEST(SchoolYearWalk, EdgesOfTheWalk)
{
    // Before every year: the last record is taken.
    SchoolYearWalk early(D("2013-01-01"));
    Walk(early, kYears, 2);
    EXPECT_TRUE(early.Finish());
    EXPECT_STREQ(early.YearId().CStr(), "24");
    EXPECT_EQ(early.Start(), D("2014-08-19"));

    // Between two years: the year that began last, with its own ID.
    SchoolYearWalk summer(D("2014-07-01"));
    Walk(summer, kYears, 2);
    EXPECT_FALSE(summer.Finish());
    EXPECT_STREQ(summer.YearId().CStr(), "23");
    EXPECT_EQ(summer.Start(), D("2013-08-20"));
    EXPECT_EQ(summer.End(), D("2014-06-10"));

    // After every year: the last year that began.
    SchoolYearWalk late(D("2020-01-01"));
    Walk(late, kYears, 2);
    EXPECT_FALSE(late.Finish());
    EXPECT_STREQ(late.YearId().CStr(), "24");

    // No records: nothing at all.
    SchoolYearWalk none(D("2014-10-01"));
    EXPECT_TRUE(none.Finish());
    EXPECT_TRUE(none.YearId().IsEmpty());
    EXPECT_TRUE(none.Start().IsEmpty());
    EXPECT_TRUE(none.End().IsEmpty());

    // A record without a first day never counts as begun.
    SchoolYearWalk blank(D("2014-10-01"));
    EXPECT_FALSE(blank.Add("9", XDate(), D("2015-01-01")));
    EXPECT_TRUE(blank.Finish());
    EXPECT_STREQ(blank.YearId().CStr(), "9");
}
