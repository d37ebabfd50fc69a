#include "EngineTestEnv.h"
#include "EngineTestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using enginetest::kTestDsn;

namespace {

ParamMap RunParams(const QString& folder)
{
    ParamMap params = LoginParams(kTestDsn);
    params.insert(QStringLiteral("path"), folder);
    params.insert(QStringLiteral("appShortName_"), QStringLiteral("Varnholm"));
    params.insert(QStringLiteral("logSchema"), QStringLiteral("false"));
    return params;
}

QStringList Files(const QString& folder, const char* pattern)
{
    return QDir(folder).entryList(QStringList{QLatin1String(pattern)}, QDir::Files | QDir::CaseSensitive,
                                  QDir::Name);
}

}  // namespace

TEST(Driver, FullPassInDemoMode)
{
    const QString folder = enginetest::NewFolder(QStringLiteral("demo"));
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    ParamMap params = RunParams(folder);
    params.insert(QStringLiteral("filterstudent"), QStringLiteral("TRUE"));
    params.insert(QStringLiteral("filterstaff"), QStringLiteral("true"));
    params.insert(QStringLiteral("altschool"), QStringLiteral("'101', 102 ,101"));
    params.insert(QStringLiteral("altschfield"), QStringLiteral(" 'AltSch' "));
    QString result;
    ASSERT_TRUE(engine.BeginExecute(params, 1, result)) << result.toStdString();
    EXPECT_EQ(result, QStringLiteral("Execute completed successfully."));

    EXPECT_EQ(reports.Find(QStringLiteral("Execute Starting")),
              QStringLiteral("7|ExpEngine::Execute|Execute Starting"));
    EXPECT_EQ(reports.Texts(QStringLiteral("Including ")),
              (QStringList{QStringLiteral("Including Student Custom Fields: No"),
                           QStringLiteral("Including Extra Staff Info: Yes"),
                           QStringLiteral("Including Student Conduct Custom Fields: No"),
                           QStringLiteral("Including Student Fees: Yes"),
                           QStringLiteral("Including Daily Attendance: No"),
                           QStringLiteral("Including Period Attendance: No")}));
    EXPECT_FALSE(reports.Find(QStringLiteral("School Year: 24")).isEmpty());
    EXPECT_FALSE(reports.Find(QStringLiteral("School Number: 10")).isEmpty());
    EXPECT_FALSE(reports.Find(QStringLiteral("District Number: ")).isEmpty());
    EXPECT_FALSE(reports.Find(QStringLiteral("Alt School Number: 101,102")).isEmpty());
    EXPECT_FALSE(reports.Find(QStringLiteral("Alt School Field: AltSch")).isEmpty());
    EXPECT_EQ(reports.Find(QStringLiteral("UserName: u")),
              QStringLiteral("9|ExpEngine::Execute|UserName: u"));
    EXPECT_EQ(reports.Find(QStringLiteral("DSN: vh_test")),
              QStringLiteral("9|ExpEngine::Execute|DSN: vh_test"));
    EXPECT_EQ(reports.Find(QStringLiteral("InactiveDate: ")),
              QStringLiteral("9|ExpEngine::Execute|InactiveDate: "));
    EXPECT_EQ(reports.Texts(QStringLiteral("Skipping ")),
              (QStringList{QStringLiteral("Skipping Student Demographics: Custom..."),
                           QStringLiteral("Skipping Student Demographics: Contacts Custom..."),
                           QStringLiteral("Skipping Conduct Outcome: Custom...")}));
    EXPECT_FALSE(reports.Find(QStringLiteral("Export complete.")).isEmpty());
    EXPECT_FALSE(reports.AnyContains(QStringLiteral("s3cret-pw")));

    EXPECT_EQ(engine.GetAltSchoolNumbers().size(), 2u);
    EXPECT_STREQ(engine.GetAltSchoolField().CStr(), "AltSch");
    EXPECT_FALSE(engine.IncludeStudentCustom());
    EXPECT_TRUE(engine.IncludeExtraStaff());
    EXPECT_EQ(Files(folder, "*.PDE"), QStringList{QStringLiteral("Varnholm.PDE")});
    EXPECT_TRUE(Files(folder, "*.PDU").isEmpty());
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/SchoolConfig.xml")));
}

TEST(Driver, UpdatePassWithoutAttendanceFlags)
{
    const QString folder = enginetest::NewFolder(QStringLiteral("att"));
    TestEngine engine;
    Reports reports;
    reports.Attach(engine);
    QString result;
    ASSERT_TRUE(engine.BeginExecute(RunParams(folder), 2, result)) << result.toStdString();
    EXPECT_EQ(reports.Texts(QStringLiteral("Skipping ")),
              (QStringList{QStringLiteral("Skipping Student Daily Attendance..."),
                           QStringLiteral("Skipping Student Period Attendance...")}));
    EXPECT_EQ(reports.Texts(QStringLiteral("Finished Creating Attendance at: ")).size(), 1);
    EXPECT_TRUE(Files(folder, "*.PDE").isEmpty());
    EXPECT_EQ(Files(folder, "Update *.PDU").size(), 1);
}

TEST(Driver, RefusesBadInputBeforeAnyQuery)
{
    const struct
    {
        const char* key;
        const char* value;
        const char* error;
    } cases[] = {
        {"school", "", "school: school missing or blank."},
        {"school", "10'--", "school: School number must be a plain number: 10'--"},
        {"altschool", "101, 1 0 2x", "altschool: Alternative school numbers must be plain numbers: 102x"},
        {"inactivedate", "yesterday",
         "inactivedate: Inactive date is not a date in the form mm/dd/yyyy: yesterday"},
    };
    for (const auto& c : cases) {
        const QString folder = enginetest::NewFolder(QStringLiteral("bad"));
        TestEngine engine;
        Reports reports;
        reports.Attach(engine);
        ParamMap params = RunParams(folder);
        params.insert(QLatin1String(c.key), QLatin1String(c.value));
        QString result;
        EXPECT_FALSE(engine.BeginExecute(params, 3, result)) << c.key;
        EXPECT_EQ(result, QStringLiteral("Validate Failed"));
        EXPECT_EQ(reports.errors, QStringList{QLatin1String(c.error)});
        EXPECT_TRUE(reports.Texts(QStringLiteral("Trying ")).isEmpty());
        EXPECT_TRUE(reports.Texts(QStringLiteral("Starting PDE Writer")).isEmpty());
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty()) << c.key;
    }
}
