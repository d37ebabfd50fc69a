// The small record types, school-year texts, text helpers and phone numbers.

#include <gtest/gtest.h>

#include <vector>

#include "LookupEntry.h"
#include "PhoneNumber.h"
#include "SISExpCustomFieldList.h"
#include "SISSchoolYear.h"
#include "StringHelpers.h"
#include "XStringPair.h"

TEST(Records, PairsAndLookupEntriesSortByKeyAndDeleteCleanly)
{
    XVector<XStringPair>* pairs = new XVector<XStringPair>(5, XStringPair::CompareFn);
    pairs->Add(new XStringPair("b", "2"));
    pairs->Add(new XStringPair("a", "1"));
    pairs->Add(new XStringPair("\xE9", "high byte sorts first as a signed char"));
    XStringPair probe("a", "");
    ASSERT_NE(pairs->Search(&probe), nullptr);
    EXPECT_STREQ(pairs->Search(&probe)->value.CStr(), "1");
    EXPECT_STREQ(pairs->At(0)->key.CStr(), "\xE9");
    DeleteStringPairs(pairs);
    EXPECT_EQ(pairs->Count(), 0u);
    DeleteStringPairs(nullptr);
    delete pairs;

    LookupEntry entry("10", "Home\tRoom\r\nA", "Na\nme", "7");
    EXPECT_STREQ(entry.description.CStr(), "Home Room  A");
    EXPECT_STREQ(entry.name.CStr(), "Na me");
    EXPECT_STREQ(entry.fileNumber.CStr(), "7");
    LookupEntry key("10");
    EXPECT_EQ(LookupEntry::CompareFn(&entry, &key), 0);
    EXPECT_TRUE(key.description.IsEmpty());
}

TEST(Records, SchoolYearDisplayText)
{
    struct Case
    {
        const char* text;
        const char* display;
    } cases[] = {
        {"2015", "2015-2016"},    {"2015-16", "2015-2016"},     {"2015-2016", "2015-2016"},
        {"15-16", "2015-2016"},   {"99-00", "1999-2000"},       {"24", "2024-2025"},
        {"25", "1925-1926"},      {"26", "1926-1927"},          {"20151", "20151"},
        {"201", "201"},           {"2015-1", "2015-1"},         {"2015-161", "2015-161"},
        {"2015-16x", "2015-16x"}, {"Year A", "Year A"},         {"", ""},
        {"2015/16", "2015-2016"}, {"2015-20160", "2015-20160"},
    };
    for (const Case& c : cases) {
        SISSchoolYear year(c.text);
        year.parse(2024);  // window: below 25 is 20xx
        EXPECT_STREQ(year.GetDisplayText().CStr(), c.display) << c.text;
        EXPECT_STREQ(year.GetText().CStr(), c.text);
    }

    // A two-digit second year with the digits of the year after the first is that year, on either
    // side of a century; any other is read through the window as a first year is, so a slip shows as
    // typed. In 2026 the window ends below 27; in 2099 it ends below 0, so every other is 19xx.
    const struct
    {
        int clock;
        std::vector<Case> cases;
    } clocks[] = {
        {2026,
         {{"2026-27", "2026-2027"},
          {"2025-26", "2025-2026"},
          {"2015", "2015-2016"},
          {"1999-00", "1999-2000"},
          {"2099-00", "2099-2100"},
          {"2100-01", "2100-2101"},
          {"26-27", "2026-2027"},
          {"27-28", "1927-1928"},
          {"2026/27", "2026-2027"},
          {"2026-2027", "2026-2027"},
          {"2015-14", "2015-2014"},
          {"2015-13", "2015-2013"},
          {"2026-24", "2026-2024"},
          {"2026-26", "2026-2026"},
          {"2026-00", "2026-2000"},
          {"1999-99", "1999-1999"},
          {"2027-25", "2027-2025"},
          {"1927-26", "1927-2026"},
          {"2028-26", "2028-2026"}}},
        {2099,
         {{"2099-00", "2099-2100"},
          {"2100-01", "2100-2101"},
          {"2026-27", "2026-2027"},
          {"1999-00", "1999-2000"},
          {"2015-14", "2015-1914"},
          {"2026-24", "2026-1924"},
          {"99-00", "1999-2000"},
          {"00-01", "1900-1901"}}},
    };
    for (const auto& at : clocks) {
        for (const Case& c : at.cases) {
            SISSchoolYear year(c.text);
            year.parse(at.clock);
            EXPECT_STREQ(year.GetDisplayText().CStr(), c.display) << c.text << " in " << at.clock;
        }
    }
}

TEST(Records, PhoneNumbers)
{
    struct Case
    {
        const char* text;
        const char* formatted;
    } cases[] = {
        {"5551234", "555-1234"},
        {"(555) 123-4567", "555 123-4567"},
        {"15551234567", "+1-555-123-4567"},
        {"445551234567", "+44 555 123-4567"},
        {"12345551234567", "+1234 555 123-4567"},
        {"12345678", "12345678"},
        {"555-123-4567 ext 12", "555 123-4567 x12"},
        {"5551234x7", "555-1234 x7"},
        {"", ""},
    };
    for (const Case& c : cases) {
        XString problem("stale");
        EXPECT_STREQ(PhoneNumber::format(c.text, problem).CStr(), c.formatted) << c.text;
        EXPECT_TRUE(problem.IsEmpty()) << c.text;
    }
    XString problem;
    EXPECT_STREQ(PhoneNumber::format("12345", problem).CStr(), "12345");
    EXPECT_STREQ(problem.CStr(),
                 "Phone number: 12345, cannot parse into right format.  This means that the phone "
                 "number in your database is not in phone number format.");
    EXPECT_STREQ(PhoneNumber::format("call me", problem).CStr(), "call me");
    EXPECT_FALSE(problem.IsEmpty());
}

TEST(Records, CustomFieldListsRefuseDuplicatesAndShareFields)
{
    SISExpCustomFieldList list("CustomFieldConfig.pde", "User-Defined Fields", "StudentCustom.pef", true);
    list.AddCustomField("HomePhone", "Home Phone", "#customcomfield", "PHONE", 0);
    list.AddCustomField("Locker", "Locker", "#customhiddenfield", "NOFORMAT");
    list.AddCustomField("HomePhone", "Other", "#custombasicfield", "NOFORMAT", 0);
    list.AddCustomField("", "Nothing", "#custombasicfield", "NOFORMAT");
    list.AddCustomField(nullptr, "Nothing", "#custombasicfield", "NOFORMAT");
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_STREQ(list.At(0)->caption.CStr(), "Home Phone");

    {
        SISExpCustomFieldList copy(list);
        copy.AddCustomField("LunchBalance", "Lunch Balance", "#customschoolfield", "MONEY", 1);
        EXPECT_EQ(copy.At(0), list.At(0));  // the same field object
        EXPECT_EQ(copy.Count(), 3u);
        EXPECT_STREQ(copy.GetHeader().fileName.CStr(), "StudentCustom.pef");
    }  // the copy goes; the original's fields stay valid
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_STREQ(list.IncludeText().CStr(), "// User-Defined Fields\r\n"
                                            "#customcomfield \"HomePhone\" \"Home Phone\" \"PHONE\"\r\n"
                                            "//#customhiddenfield \"Locker\" \"Locker\" \"NOFORMAT\"\r\n");
}

TEST(Records, CustomFieldNamesWrittenAlikeAreOneField)
{
    EXPECT_STREQ(SISExpCustomField::WrittenText("Q\"uote\"d\r\n\tx").CStr(), "Q'uote'd  x");
    SISExpCustomFieldList list("CustomFieldConfig.pde", "User-Defined Fields", "StudentCustom.pef", true);
    list.AddCustomField("Q\"uote\"d", "Say \"hi\"", "#customhiddenfield", "NOFORMAT", 0);
    list.AddCustomField("Q'uote'd", "Other", "#custombasicfield", "NOFORMAT", 0);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_TRUE(list.Contains("Q'uote'd"));
    EXPECT_FALSE(list.Contains("Q'uote"));
    // The other name is answered once, and never for the name itself.
    EXPECT_STREQ(list.NewClash("Q\"uote\"d").CStr(), "");
    EXPECT_STREQ(list.NewClash("Q'uote'd").CStr(), "Q\"uote\"d");
    EXPECT_STREQ(list.NewClash("Q'uote'd").CStr(), "");
    EXPECT_STREQ(list.NewClash("Plain").CStr(), "");
    EXPECT_STREQ(list.IncludeText().CStr(), "// User-Defined Fields\r\n"
                                            "#customhiddenfield \"Q'uote'd\" \"Say 'hi'\" \"NOFORMAT\"\r\n");
}
