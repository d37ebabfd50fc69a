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

const QStringList kAllTries{QStringLiteral("Trying Sybase ODBC with prefix."),
                            QStringLiteral("Trying Oracle (ODBC) with prefix."),
                            QStringLiteral("Trying Oracle (ODBC) without prefix."),
                            QStringLiteral("Trying Sybase ODBC without prefix.")};

QStringList Entries(const QList<ExpEngine::BridgeListEntry>& list)
{
    QStringList out;
    for (const auto& entry : list)
        out << entry.id + QLatin1Char('=') + entry.name;
    return out;
}

}  // namespace

TEST(ConnectionSearch, FindsTheSqliteSourceUnderTheFourthCombination)
{
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    QString result;
    ASSERT_TRUE(engine.ValidateConnection(LoginParams(kTestDsn), result));
    EXPECT_EQ(result, QStringLiteral("Connection Successful"));
    EXPECT_EQ(reports.Texts(QStringLiteral("Trying ")), kAllTries);
    EXPECT_EQ(
        reports.Find(QStringLiteral("Connection Successful, using Sybase ODBC without prefix.")),
        QStringLiteral("5|ExpEngine::ValidateDBConnection|Connection Successful, using Sybase ODBC without "
                       "prefix."));
    EXPECT_EQ(engine.GetDatabaseType(), 15);
    EXPECT_FALSE(engine.SchemaPrefix());
    EXPECT_TRUE(reports.missing.isEmpty());
    EXPECT_FALSE(reports.AnyContains(QStringLiteral("s3cret-pw")));

    // The school test goes the same way.
    reports.Clear();
    EXPECT_TRUE(engine.ValidateSchoolNumber(LoginParams(kTestDsn, "20"), result));
    EXPECT_EQ(reports.Find(QStringLiteral("Validating School Number...")),
              QStringLiteral("7|ExpEngine::ValidateSchoolNumber|Validating School Number..."));
}

TEST(ConnectionSearch, FailuresLeaveTheirLines)
{
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    QString result;

    // Blank login values: one missing line per attempt, for the first blank key only.
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
    EXPECT_EQ(engine.GetDatabaseType(), 15);
    EXPECT_FALSE(engine.SchemaPrefix());

    // A data source that does not exist.
    reports.Clear();
    EXPECT_FALSE(engine.ValidateConnection(LoginParams("no_such_dsn"), result));
    EXPECT_EQ(reports.Texts(QStringLiteral("Trying ")), kAllTries);
    reports.missing.removeDuplicates();
    EXPECT_EQ(reports.missing, QStringList{QStringLiteral("dsn: dsn datasource does not exist.")});
    EXPECT_EQ(result, QStringLiteral("Validate Connection Failed."));

    // A school the source does not hold.
    reports.Clear();
    EXPECT_FALSE(engine.ValidateSchoolNumber(LoginParams(kTestDsn, "99"), result));
    EXPECT_EQ(reports.Texts(QStringLiteral("Trying ")), kAllTries);
    EXPECT_FALSE(reports.Find(QStringLiteral("School List Returned 0 Schools.")).isEmpty());
    EXPECT_EQ(reports.Find(QStringLiteral("Validate School Number Failed...")),
              QStringLiteral("3|ExpEngine::ValidateSchoolNumber|Validate School Number Failed..."));

    // A school number that is not a number never reaches a statement.
    reports.Clear();
    EXPECT_FALSE(engine.ValidateSchoolNumber(LoginParams(kTestDsn, "10 OR 1=1"), result));
    EXPECT_TRUE(reports.Texts(QStringLiteral("Trying ")).isEmpty());
    EXPECT_EQ(reports.errors,
              QStringList{QStringLiteral("school: School number must be a plain number: 10 OR 1=1")});
    EXPECT_EQ(result, QStringLiteral("School number must be a plain number: 10 OR 1=1"));
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
    EXPECT_STREQ(engine.GetCurrentSchoolYear().CStr(), "24");
    EXPECT_EQ(engine.GetYearStart(), D("2014-08-19"));
    EXPECT_EQ(engine.GetYearEnd(), D("2015-06-09"));
    EXPECT_EQ(reports.Find(QStringLiteral("Today's Date:10/01/2014")),
              QStringLiteral("7||Today's Date:10/01/2014"));
    EXPECT_EQ(reports.Find(QStringLiteral("Year:24")), QStringLiteral("7||Year:24"));
    EXPECT_FALSE(reports.Find(QStringLiteral("Start Date: 08/19/2014")).isEmpty());
    EXPECT_FALSE(reports.Find(QStringLiteral("End Date: 06/09/2015")).isEmpty());
    EXPECT_TRUE(
        reports.Find(QStringLiteral("Using a default year from the last entry in the table.")).isEmpty());
    EXPECT_FALSE(engine.IsConnected());

    // Before every year record: the last one, with the default-year warning.
    reports.Clear();
    engine.SetFixedNow(XDateTime(D("2013-01-01"), XTime(0)));
    EXPECT_STREQ(engine.GetCurrentSchoolYear().CStr(), "24");
    EXPECT_EQ(
        reports.Find(QStringLiteral("Using a default year from the last entry in the table.")),
        QStringLiteral("4|ExpEngine::GetCurrentYear|Using a default year from the last entry in the table."));

    // Between two years: the year that began last, ID and dates alike.
    engine.SetFixedNow(XDateTime(D("2014-07-01"), XTime(0)));
    EXPECT_STREQ(engine.GetCurrentSchoolYear().CStr(), "23");
    EXPECT_EQ(engine.GetYearStart(), D("2013-08-20"));
    EXPECT_EQ(engine.GetYearEnd(), D("2014-06-10"));

    // No year record for the school.
    reports.Clear();
    engine.SetSchool("20");
    EXPECT_TRUE(engine.GetCurrentSchoolYear().IsEmpty());
    EXPECT_TRUE(engine.GetYearStart().IsEmpty());
    EXPECT_FALSE(
        reports.Find(QStringLiteral("Using a default year from the last entry in the table.")).isEmpty());
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

TEST(ListAnswers, SchoolsDistrictsYearsAndTeachers)
{
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    QList<ExpEngine::BridgeListEntry> list;
    QString error;

    ASSERT_TRUE(engine.LoadSchoolList(LoginParams(kTestDsn, nullptr), list, error));
    EXPECT_EQ(Entries(list), (QStringList{QStringLiteral("10=Ten Oaks School"), QStringLiteral("20=20")}));
    ASSERT_TRUE(engine.LoadSchoolList(LoginParams(kTestDsn, "20"), list, error));
    EXPECT_EQ(Entries(list), QStringList{QStringLiteral("20=20")});

    ASSERT_TRUE(engine.LoadSchoolDistrictList(LoginParams(kTestDsn), list, error));
    EXPECT_EQ(Entries(list), (QStringList{QStringLiteral("5=District"), QStringLiteral("5=District")}));
    ASSERT_TRUE(engine.LoadSchoolDistrictList(LoginParams(kOneSchoolDsn, "30"), list, error));
    EXPECT_EQ(Entries(list), QStringList{QStringLiteral("9=Default District")});

    // The year list needs a district as well.
    reports.Clear();
    EXPECT_FALSE(engine.LoadSchoolYearList(LoginParams(kTestDsn), list, error));
    EXPECT_EQ(error, QStringLiteral("district missing or blank."));
    EXPECT_EQ(reports.missing, QStringList{QStringLiteral("district: district missing or blank.")});
    ParamMap params = LoginParams(kTestDsn);
    params.insert(QStringLiteral("district"), QStringLiteral("5"));
    ASSERT_TRUE(engine.LoadSchoolYearList(params, list, error));
    EXPECT_EQ(Entries(list),
              (QStringList{QStringLiteral("2014-15=2014-2015"), QStringLiteral("2015=2015-2016")}));
    params.insert(QStringLiteral("school"), QStringLiteral("40"));
    ASSERT_TRUE(engine.LoadSchoolYearList(params, list, error));
    EXPECT_TRUE(list.isEmpty());

    // Teachers: active ones of the school, those without a last name last.
    ASSERT_TRUE(engine.LoadBridgeList(LoginParams(kTestDsn), QStringLiteral("teacher"), list, error));
    EXPECT_EQ(Entries(list), (QStringList{QStringLiteral("1=Smith, Ann (12)"),
                                          QStringLiteral("2=Smith, Ann Lee"), QStringLiteral("3=Zed (7)")}));
    EXPECT_FALSE(engine.LoadBridgeList(LoginParams(kTestDsn), QStringLiteral("staff"), list, error));
    EXPECT_EQ(error, QStringLiteral("This bridge is not set up for this type of paramkey: staff"));

    // A source without Calendar: the table is required, so the year list fails.
    reports.Clear();
    error.clear();
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
    EXPECT_EQ(reports.Find(QStringLiteral("Table does not exist : Teachers")),
              QStringLiteral("8|ODBCDataAccess::AddTable|Table does not exist : Teachers"));
    EXPECT_EQ(reports.Find(error), QStringLiteral("3|ExpEngine::LoadBridgeList|") + error);

    // A value that is not a plain number ends the answer before any connection.
    reports.Clear();
    EXPECT_FALSE(engine.LoadSchoolList(LoginParams(kTestDsn, "1;"), list, error));
    EXPECT_EQ(error, QStringLiteral("School number must be a plain number: 1;"));
    EXPECT_TRUE(reports.Texts(QStringLiteral("Trying ")).isEmpty());
    EXPECT_TRUE(reports.errors.isEmpty());
    EXPECT_FALSE(reports.AnyContains(QStringLiteral("s3cret-pw")));
}

TEST(Engine, ConstructionAndSmallOperations)
{
    TestEngine engine;
    EXPECT_EQ(engine.GetDatabaseType(), 15);
    EXPECT_EQ(engine.GetOptions(), 3u);
    EXPECT_FALSE(engine.SchemaPrefix());
    EXPECT_EQ(engine.GetQueryTries(), 5);
    EXPECT_STREQ(engine.GetDateFormat().CStr(), "mm/dd/yyyy");
    EXPECT_EQ(engine.GetQtDateFormat(), QStringLiteral("MM/dd/yyyy"));
    EXPECT_EQ(engine.GetProgressSize(1), 1 + 5 + 53);
    EXPECT_EQ(engine.GetProgressSize(2), 1 + 5 + 1 + 1);
    EXPECT_STREQ(ExpEngine::QualifyTableName("Schools", true).CStr(), "VH.Schools");
    EXPECT_STREQ(ExpEngine::QualifyTableName("Schools", false).CStr(), "Schools");
    EXPECT_EQ(engine.Handles().studentKey, nullptr);
    EXPECT_TRUE(engine.GetYearStart().IsEmpty());
    ExpEngine::DeleteLookupEntries(nullptr);
    engine.ClearLookupTables();
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
    Reports reports;
    reports.Attach(engine);
    engine.DeletePDEFiles(folder.toUtf8().constData());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("CustomFieldConfig.pde"), QStringLiteral("Students.pef"),
                           QStringLiteral("notes.txt")}));
    EXPECT_EQ(reports.Texts(QStringLiteral("Deleting : ")).size(), 2);
    EXPECT_EQ(reports.Find(QStringLiteral("Deleting : ") + folder + QStringLiteral("/other.pde")),
              QStringLiteral("8|ExpEngine::DeletePDEFiles|Deleting : ") + folder +
                  QStringLiteral("/other.pde"));
}
