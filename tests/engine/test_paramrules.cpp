// Cleaning and checking of the run parameters that reach SQL text.

#include "ParamRules.h"

#include <gtest/gtest.h>

TEST(ParamRules, AltSchoolNumbersAreCleanedSplitAndDeduplicated)
{
    EXPECT_EQ(CleanAltSchoolNumbers(QStringLiteral("'101', 102 ,101")),
              (QStringList{QStringLiteral("101"), QStringLiteral("102")}));
    EXPECT_EQ(CleanAltSchoolNumbers(QStringLiteral("\"7\",\t\r\n,8,,7, 8 ")),
              (QStringList{QStringLiteral("7"), QStringLiteral("8")}));
    EXPECT_TRUE(CleanAltSchoolNumbers(QString()).isEmpty());
    EXPECT_TRUE(CleanAltSchoolNumbers(QStringLiteral(" , '' ,")).isEmpty());
    // Blanks inside a number join its digits; a blank is not a separator.
    EXPECT_EQ(CleanAltSchoolNumbers(QStringLiteral("1 2,3")),
              (QStringList{QStringLiteral("12"), QStringLiteral("3")}));
    EXPECT_EQ(CleanAltSchoolField(QStringLiteral(" 'Alt\tSchool\"\n ")), QStringLiteral("AltSchool"));
}

TEST(ParamRules, PlainNumbers)
{
    EXPECT_TRUE(IsPlainNumber(QStringLiteral("0012")));
    for (const char* bad : {"", "-1", "+1", "1.5", "12a", " 12", "1e3"})
        EXPECT_FALSE(IsPlainNumber(QLatin1String(bad))) << bad;
    EXPECT_FALSE(IsPlainNumber(QString::fromUtf8("\xd9\xa1\xd9\xa2")));  // Arabic-Indic digits
}

TEST(ParamRules, ValuesThatWouldReachSqlAreChecked)
{
    QString key;
    QString message;
    ParamMap good{{QStringLiteral("school"), QStringLiteral("100")},
                  {QStringLiteral("district"), QStringLiteral("7")},
                  {QStringLiteral("altschool"), QStringLiteral("'101', 102")},
                  {QStringLiteral("teacher"), QStringLiteral("teacher")},
                  {QStringLiteral("year"), QStringLiteral("2014-2015")},
                  {QStringLiteral("altschfield"), QStringLiteral("it's free text")}};
    EXPECT_TRUE(CheckQueryParams(good, key, message)) << message.toStdString();
    EXPECT_TRUE(CheckQueryParams(ParamMap(), key, message));

    const struct
    {
        const char* key;
        const char* value;
    } bad[] = {{"school", "100 OR 1=1"}, {"school", "1'"},  {"district", "7;"},    {"altschool", "101,10x"},
               {"teacher", "O'Brien"},   {"year", "24'--"}, {"year", "2014\n2015"}};
    for (const auto& b : bad) {
        ParamMap params = good;
        params.insert(QLatin1String(b.key), QLatin1String(b.value));
        key.clear();
        EXPECT_FALSE(CheckQueryParams(params, key, message)) << b.key << "=" << b.value;
        EXPECT_EQ(key, QLatin1String(b.key));
        EXPECT_FALSE(message.isEmpty());
    }
}
