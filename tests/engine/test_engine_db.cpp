// The engine in process on the test data sources: the connection search, the school year, the
// list answers and the removal of old main files.

#include "EngineTestEnv.h"
#include "EngineTestSupport.h"

#include "XDateTime.h"

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

}  // namespace

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
    params.insert(QStringLiteral("pwd"), QString());
    params.insert(QStringLiteral("dsn"), QString());
    EXPECT_FALSE(engine.ValidateConnection(params, result));
    EXPECT_EQ(result, QStringLiteral("Validate Connection Failed."));
    EXPECT_EQ(reports.missing.size(), 4);
    EXPECT_EQ(reports.missing.removeDuplicates(), 3);
    EXPECT_EQ(reports.missing, QStringList{QStringLiteral("pwd: pwd missing or blank.")});
    EXPECT_TRUE(reports.Texts(QStringLiteral("Trying ")).isEmpty());
    EXPECT_EQ(reports.Find(QStringLiteral("Validate Connection Failed.")),
              QStringLiteral("7||Validate Connection Failed."));
    EXPECT_FALSE(reports.AnyContains(QStringLiteral("s3cret-pw")));
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
    EXPECT_EQ(
        reports.Find(QStringLiteral("Using a default year from the last entry in the table.")),
        QStringLiteral("4|ExpEngine::GetCurrentYear|Using a default year from the last entry in the table."));

    // No year record for the school.
    reports.Clear();
    engine.SetSchool("20");
    EXPECT_TRUE(engine.GetCurrentSchoolYear().IsEmpty());
    EXPECT_TRUE(engine.GetYearStart().IsEmpty());
    EXPECT_EQ(
        reports.Find(QStringLiteral("Warning: Final year is blank, information may not appear correct.")),
        QStringLiteral("4|ExpEngine::GetCurrentYear|Warning: Final year is blank, information may not appear "
                       "correct."));

    // No Terms table: an empty year, never an exception.
    reports.Clear();
    engine.SetLogin(kOneSchoolDsn);
    engine.SetSchool("30");
    EXPECT_TRUE(engine.GetCurrentSchoolYear().IsEmpty());
    EXPECT_EQ(reports.Find(QStringLiteral("Error Extracting School Year.")),
              QStringLiteral("7||Error Extracting School Year."));
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
    one.insert(QStringLiteral("district"), QStringLiteral("9"));
    EXPECT_FALSE(engine.LoadSchoolYearList(one, list, error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(reports.Find(QStringLiteral("Table does not exist : Calendar")),
              QStringLiteral("2|ODBCDataAccess::AddTable|Table does not exist : Calendar"));
    EXPECT_EQ(reports.Find(QStringLiteral("School Year List Failed.")),
              QStringLiteral("3||School Year List Failed."));
    // Teachers is added as optional: its absence is the loader's own failure.
    reports.Clear();
    EXPECT_FALSE(engine.LoadBridgeList(one, QStringLiteral("teacher"), list, error));
    EXPECT_EQ(error, QStringLiteral("Teacher List Failed, can't find staff tables"));
    EXPECT_EQ(reports.Find(error), QStringLiteral("3|ExpEngine::LoadBridgeList|") + error);
}

TEST(Engine, DeletePDEFilesKeepsTheCustomFieldConfig)
{
    const QString folder = enginetest::NewFolder(QStringLiteral("pde"));
    for (const char* name :
         {"Varnholm.PDE", "other.pde", "CustomFieldConfig.pde", "notes.txt", "Students.pef"}) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    TestEngine engine;
    engine.DeletePDEFiles(folder.toUtf8().constData());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("CustomFieldConfig.pde"), QStringLiteral("Students.pef"),
                           QStringLiteral("notes.txt")}));
}
