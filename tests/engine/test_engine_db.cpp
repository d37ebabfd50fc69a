// The engine in process: the pick of the school year, the run parameters that reach SQL text, and
// on the test data sources the connection search, the school year, the list answers and the
// toolkit's own data files.

#include "EngineTestEnv.h"
#include "EngineTestSupport.h"
#include "ExtractKit.h"
#include "ParamRules.h"
#include "SchoolYearWalk.h"

#include "XDateTime.h"
#include "XException.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using enginetest::kOneSchoolDsn;
using enginetest::kTestDsn;

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

// Feeds both records as the query would; answers how many were read.
int Walk(SchoolYearWalk& walk)
{
    for (int i = 0; i < 2; ++i) {
        if (walk.Add(kYears[i].id, D(kYears[i].first), D(kYears[i].last)))
            return i + 1;
    }
    return 2;
}

}  // namespace

TEST(SchoolYearWalk, PicksTheYearOfToday)
{
    const struct
    {
        const char* today;
        int read;  // records read before the walk stopped
        bool finish;
        const char* id;
        const char* start;
        const char* end;
    } cases[] = {
        {"2014-10-01", 2, false, "24", "2014-08-19", "2015-06-09"},  // the year that holds today
        {"2013-08-20", 1, false, "23", "2013-08-20", "2014-06-10"},  // stops at the first record
        {"2013-01-01", 2, true, "24", "2014-08-19", "2015-06-09"},   // before every year: the last record
        {"2014-07-01", 2, false, "23", "2013-08-20", "2014-06-10"},  // between two: the one that began last
        {"2020-01-01", 2, false, "24", "2014-08-19", "2015-06-09"},  // after every year
    };
    for (const auto& c : cases) {
        SchoolYearWalk walk(D(c.today));
        EXPECT_EQ(Walk(walk), c.read) << c.today;
        EXPECT_EQ(walk.Finish(), c.finish) << c.today;
        EXPECT_STREQ(walk.YearId().CStr(), c.id) << c.today;
        EXPECT_EQ(walk.Start(), D(c.start)) << c.today;
        EXPECT_EQ(walk.End(), D(c.end)) << c.today;
    }

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

TEST(ParamRules, AltSchoolNumbersAreCleanedSplitAndDeduplicated)
{
    EXPECT_EQ(CleanAltSchoolNumbers("'101', 102 ,101"), (QStringList{"101", "102"}));
    EXPECT_EQ(CleanAltSchoolNumbers("\"7\",\t\r\n,8,,7, 8 "), (QStringList{"7", "8"}));
    EXPECT_TRUE(CleanAltSchoolNumbers(QString()).isEmpty());
    EXPECT_TRUE(CleanAltSchoolNumbers(" , '' ,").isEmpty());
    // Blanks inside a number join its digits; a blank is not a separator.
    EXPECT_EQ(CleanAltSchoolNumbers("1 2,3"), (QStringList{"12", "3"}));
    EXPECT_EQ(CleanAltSchoolField(" 'Alt\tSchool\"\n "), "AltSchool");
}

TEST(ParamRules, PlainNumbers)
{
    EXPECT_TRUE(IsPlainNumber("0012"));
    for (const char* bad : {"", "-1", "+1", "1.5", "12a", " 12", "1e3"})
        EXPECT_FALSE(IsPlainNumber(QLatin1String(bad))) << bad;
    EXPECT_FALSE(IsPlainNumber(QString::fromUtf8("\xd9\xa1\xd9\xa2")));  // Arabic-Indic digits
}

TEST(ParamRules, ValuesThatWouldReachSqlAreChecked)
{
    QString key;
    QString message;
    ParamMap good{{"school", "100"},      {"district", "7"},     {"altschool", "'101', 102"},
                  {"teacher", "teacher"}, {"year", "2014-2015"}, {"altschfield", "it's free text"}};
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

// The search over the four combinations, a missing data source, a school the source does not hold
// and a school number that is not a number are answered end to end (SqliteProgram.TestCommand*).
TEST(ConnectionSearch, BlankLoginValuesLeaveOneMissingLinePerAttempt)
{
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    QString result;

    // One missing line per attempt, for the first blank key only.
    ParamMap params = LoginParams(kTestDsn);
    params.insert("pwd", QString());
    params.insert("dsn", QString());
    EXPECT_FALSE(engine.ValidateConnection(params, result));
    EXPECT_EQ(result, "Validate Connection Failed.");
    EXPECT_EQ(reports.missing.size(), 4);
    EXPECT_EQ(reports.missing.removeDuplicates(), 3);
    EXPECT_EQ(reports.missing, QStringList{"pwd: pwd missing or blank."});
    EXPECT_TRUE(reports.Texts("Trying ").isEmpty());
    EXPECT_EQ(reports.Find("Validate Connection Failed."), "7||Validate Connection Failed.");
    EXPECT_FALSE(reports.Contains("s3cret-pw"));
}

TEST(SchoolYear, WalkOverTermsWithAFixedToday)
{
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    engine.SetLogin(kTestDsn);
    engine.SetSchool("10");

    engine.SetFixedNow(XDateTime(D("2014-10-01"), XTime(0)));
    // The pick itself: SchoolYearWalk; here the records come from the Terms table.
    EXPECT_STREQ(engine.GetCurrentSchoolYear().CStr(), "24");
    EXPECT_EQ(engine.GetYearStart(), D("2014-08-19"));
    EXPECT_FALSE(engine.IsConnected());

    // Before every year record: the last one, with the default-year warning.
    reports.Clear();
    engine.SetFixedNow(XDateTime(D("2013-01-01"), XTime(0)));
    EXPECT_STREQ(engine.GetCurrentSchoolYear().CStr(), "24");
    EXPECT_EQ(reports.Find("Using a default year from the last entry in the table."),
              "4|ExpEngine::GetCurrentYear|Using a default year from the last entry in the table.");

    // No year record for the school.
    reports.Clear();
    engine.SetSchool("20");
    EXPECT_TRUE(engine.GetCurrentSchoolYear().IsEmpty());
    EXPECT_TRUE(engine.GetYearStart().IsEmpty());
    EXPECT_EQ(reports.Find("Warning: Final year is blank, information may not appear correct."),
              "4|ExpEngine::GetCurrentYear|Warning: Final year is blank, information may not appear "
              "correct.");

    // No Terms table: an empty year, never an exception.
    reports.Clear();
    engine.SetLogin(kOneSchoolDsn);
    engine.SetSchool("30");
    EXPECT_TRUE(engine.GetCurrentSchoolYear().IsEmpty());
    EXPECT_EQ(reports.Find("Error Extracting School Year."), "7||Error Extracting School Year.");
}

TEST(ListAnswers, MissingSourceTables)
{
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    QList<ExpEngine::BridgeListEntry> list;
    QString error;

    // A source without Calendar: the table is required, so the year list fails.
    ParamMap one = LoginParams(kOneSchoolDsn, "30");
    one.insert("district", "9");
    EXPECT_FALSE(engine.LoadSchoolYearList(one, list, error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(reports.Find("Table does not exist : Calendar"),
              "2|ODBCDataAccess::AddTable|Table does not exist : Calendar");
    EXPECT_EQ(reports.Find("School Year List Failed."), "3||School Year List Failed.");
    // Teachers is added as optional: its absence is the loader's own failure.
    reports.Clear();
    EXPECT_FALSE(engine.LoadBridgeList(one, "teacher", list, error));
    EXPECT_EQ(error, "Teacher List Failed, can't find staff tables");
    EXPECT_EQ(reports.Find(error), "3|ExpEngine::LoadBridgeList|" + error);
}

// An extractor that writes its own data file: the file takes its name only when the table ends
// normally; a failure while its lines are written leaves neither the file nor its partial copy.
TEST(ExtractKit, OwnDataFileIsWholeOrAbsent)
{
    const QString folder = enginetest::NewFolder("own-file");
    TestEngine engine;
    engine.SetOutputFolder(folder.toUtf8().constData());
    {
        FileExtract f(engine, "Whole", "Whole.pef");
        f.WriteLine({"a\r\nb", "c"});
    }
    QFile whole(QDir(folder).filePath("Whole.pef"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    EXPECT_EQ(whole.readAll(), QByteArray("a  b\tc\r\n"));

    EXPECT_THROW(
        {
            FileExtract f(engine, "Broken", "Broken.pef");
            f.WriteLine({"first"});
            throw XException("read failed", 0);
        },
        XException);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Whole.pef"});
}
