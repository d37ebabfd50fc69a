#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

#ifdef VH_TESTDATA_DIR
const QString kOdbcFolder = QStringLiteral(VH_TESTDATA_DIR);
#else
const QString kOdbcFolder;
#endif
const QString kPassword = QStringLiteral("s3cret-pw");

#define REQUIRE_PROGRAM()                                                                                    \
    if (!HaveProgram() || kOdbcFolder.isEmpty())                                                             \
    GTEST_SKIP() << "the program or the sample data source is not built"

QProcessEnvironment Env()
{
    return OdbcEnvironment(kOdbcFolder, kOdbcFolder + QStringLiteral("/odbc.ini"));
}

QStringList Login(const QString& dsn = QStringLiteral("vh_school"))
{
    return {QStringLiteral("--dsn=") + dsn, QStringLiteral("--user=u"),
            QStringLiteral("--pwdencode=") + Encode(kPassword)};
}

const QStringList kTriesToSqlite{QStringLiteral("Trying Sybase ODBC with prefix."),
                                 QStringLiteral("Trying Oracle (ODBC) with prefix."),
                                 QStringLiteral("Trying Oracle (ODBC) without prefix."),
                                 QStringLiteral("Trying Sybase ODBC without prefix.")};

QString MaskNames(QStringList names)
{
    for (QString& name : names) {
        name.replace(QRegularExpression(QStringLiteral("^Update \\d{14}\\.PDU$")),
                     QStringLiteral("Update <ts>.PDU"));
        name.replace(QRegularExpression(QStringLiteral("-\\d{4}-\\d{2}-\\d{2}\\.log$")),
                     QStringLiteral("-<date>.log"));
    }
    return names.join(QLatin1Char('|'));
}

QString MaskStatus(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\\t")),
                        QStringLiteral("<date>\t"));
}

}  // namespace

TEST(SqliteProgram, TestCommandFindsTheFourthCombination)
{
    REQUIRE_PROGRAM();
    ProgramResult r = RunProgram(
        QStringList{QStringLiteral("test"), QStringLiteral("--group=connection")} + Login(), Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.LogMessages(QStringLiteral("Trying ")), kTriesToSqlite);
    EXPECT_EQ(r.HostLines(),
              (QStringList{QStringLiteral("inc_progress\tBeginning test..."),
                           QStringLiteral("inc_progress\tConnection Successful, using Sybase ODBC "
                                          "without prefix."),
                           QStringLiteral("test\tconnection\tsuccess\tConnection Successful")}));
    EXPECT_EQ(r.err, QString());

    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=school"),
                               QStringLiteral("--school=200")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.HostLines().last(), QStringLiteral("test\tschool\tsuccess\tConnection Successful"));

    // A school the source does not hold.
    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=school"),
                               QStringLiteral("--school=999")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.LogMessages(QStringLiteral("Trying ")), kTriesToSqlite);
    EXPECT_EQ(r.HostLines().last(), QStringLiteral("test\tschool\tfail\tValidate Connection Failed."));

    // Any other group.
    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=students")} + Login(), Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              QStringList{QStringLiteral("error\tGroup Undefined\tGroup is undefined, there is a problem "
                                         "with the bridge, please report this problem to Tamberlyn "
                                         "Support.")});
}

TEST(SqliteProgram, TestCommandRefusesBadInput)
{
    REQUIRE_PROGRAM();
    // A school number that is not a plain number never reaches a statement.
    ProgramResult r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=school"),
                                             QStringLiteral("--school=100 OR 1=1")} +
                                     Login(),
                                 Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.LogMessages(QStringLiteral("Trying ")).isEmpty());
    EXPECT_EQ(r.ErrLines(),
              QStringList{QStringLiteral("error\tschool\tSchool number must be a plain number: 100 OR 1=1")});
    EXPECT_EQ(r.HostLines().last(),
              QStringLiteral("test\tschool\tfail\tSchool number must be a plain number: 100 OR 1=1"));

    // A data source that does not exist: one missing line, four tries.
    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=connection")} +
                       Login(QStringLiteral("no_such_source")),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.LogMessages(QStringLiteral("Trying ")), kTriesToSqlite);
    EXPECT_EQ(r.ErrLines(), QStringList{QStringLiteral("missing\tdsn\tdsn datasource does not exist.")});
    EXPECT_EQ(r.HostLines().last(), QStringLiteral("test\tconnection\tfail\tValidate Connection Failed."));

    // A server that is down answers at once, with no hang.
    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=connection")} +
                       Login(QStringLiteral("vh_pg_down")),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.LogMessages(QStringLiteral("Trying ")).size(), 4);
    EXPECT_EQ(r.HostLines().last(), QStringLiteral("test\tconnection\tfail\tValidate Connection Failed."));
    EXPECT_FALSE((r.out + r.err).contains(kPassword));
}

TEST(SqliteProgram, ListAnswers)
{
    REQUIRE_PROGRAM();
    ProgramResult r = RunProgram(
        QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=school")} + Login(), Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.HostLines().filter(QRegularExpression(QStringLiteral("^school_list"))),
              (QStringList{QStringLiteral("school_list\tschool\t100\tVarnholm High School (100)\t"),
                           QStringLiteral("school_list\tschool\t200\tLakeside Middle School (200)\t"),
                           QStringLiteral("school_list\tschool\t300\tNorth Ridge Elementary (300)\t")}));

    r = RunProgram(QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=teacher"),
                               QStringLiteral("--school=100")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.HostLines().filter(QRegularExpression(QStringLiteral("^bridgelist"))),
              (QStringList{QStringLiteral("bridgelist\tteacher\t501\tBerg, Karin (T501)\t"),
                           QStringLiteral("bridgelist\tteacher\t502\tDahl, Finn Ole\t"),
                           QStringLiteral("bridgelist\tteacher\t504\tHansen, Mira (T504)\t"),
                           QStringLiteral("bridgelist\tteacher\t505\tSolo (T505)\t")}));

    r = RunProgram(QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=year"),
                               QStringLiteral("--school=100"), QStringLiteral("--district=7")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.HostLines().filter(QRegularExpression(QStringLiteral("^year_list"))),
              (QStringList{QStringLiteral("year_list\tyear\t2014-2015\t2014-2015\t"),
                           QStringLiteral("year_list\tyear\t2015-16\t2015-2016\t")}));

    // The year list needs the district.
    r = RunProgram(QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=year"),
                               QStringLiteral("--school=100")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), (QStringList{QStringLiteral("missing\tdistrict\tdistrict missing or blank."),
                                         QStringLiteral("error\tyear\tdistrict missing or blank.")}));

    // A teacher list for a school number that is not a plain number.
    r = RunProgram(QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=teacher"),
                               QStringLiteral("--school=1'")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              QStringList{QStringLiteral("error\tteacher\tSchool number must be a plain number: 1'")});
}

TEST(SqliteProgram, RunLeavesImportAndStatusFiles)
{
    REQUIRE_PROGRAM();
    const QString out = NewFolder(QStringLiteral("run"));
    ProgramResult r = RunProgram(
        QStringList{QStringLiteral("run"), QStringLiteral("--school=100"), QStringLiteral("--path=") + out} +
            Login(),
        Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_EQ(r.HostLines(),
              (QStringList{QStringLiteral("start_progress\t61"),
                           QStringLiteral("inc_progress\tConnection Successful, using Sybase ODBC "
                                          "without prefix."),
                           QStringLiteral("inc_progress\tSkipping Student Demographics: Custom..."),
                           QStringLiteral("inc_progress\tSkipping Student Demographics: Contacts "
                                          "Custom..."),
                           QStringLiteral("inc_progress\tSkipping Conduct Outcome: Custom..."),
                           QStringLiteral("inc_progress\tSkipping Student Daily Attendance..."),
                           QStringLiteral("inc_progress\tSkipping Student Period Attendance..."),
                           QStringLiteral("inc_progress\tExport complete."), QStringLiteral("end_progress"),
                           QStringLiteral("bridge_complete")}));
    EXPECT_EQ(
        MaskNames(FileNames(out)),
        QStringLiteral("BridgeStatus.tmp|CustomFieldConfig.pde|Data ExtractorStatus.tmp|SchoolConfig.xml|"
                       "Update <ts>.PDU|Varnholm-100-<date>.log|Varnholm.PDE|finished_bridge.tmp"));
    EXPECT_EQ(MaskStatus(ReadText(out + QStringLiteral("/Data ExtractorStatus.tmp"))),
              QStringLiteral("<date>\tSucceeded\tSucceeded\r\n"));
    EXPECT_EQ(ReadText(out + QStringLiteral("/finished_bridge.tmp")), QStringLiteral("finished\r\n"));

    const QString all = AllText(out);
    EXPECT_TRUE(all.contains(QStringLiteral(": Year:25\n")));
    EXPECT_TRUE(all.contains(QStringLiteral(": Start Date: 08/20/2015\n")));
    EXPECT_TRUE(all.contains(QStringLiteral("ExpEngine::Execute: School Year: 25\n")));
    EXPECT_TRUE(all.contains(QStringLiteral("ExpEngine::Execute: DSN: vh_school\n")));
    EXPECT_FALSE(all.contains(kPassword));
    EXPECT_FALSE(all.contains(Encode(kPassword)));
    EXPECT_FALSE((r.out + r.err).contains(kPassword));
}

TEST(SqliteProgram, FailedRunsClaimNoSuccess)
{
    REQUIRE_PROGRAM();
    const struct
    {
        QStringList args;
        QStringList errLines;
    } cases[] = {
        {QStringList{QStringLiteral("--school=100;DROP TABLE Schools")} + Login(),
         {QStringLiteral("error\tschool\tSchool number must be a plain number: 100;DROP TABLE Schools"),
          QStringLiteral("error\tExtraction Failed\tValidate Failed")}},
        {QStringList{QStringLiteral("--school=100"), QStringLiteral("--altschool='101', 10 2a")} + Login(),
         {QStringLiteral("error\taltschool\tAlternative school numbers must be plain numbers: 102a"),
          QStringLiteral("error\tExtraction Failed\tValidate Failed")}},
        {QStringList{QStringLiteral("--school=100")} + Login(QStringLiteral("no_such_source")),
         {QStringLiteral("missing\tdsn\tdsn datasource does not exist."),
          QStringLiteral("error\tExtraction Failed\tValidate Failed")}},
        {QStringList{QStringLiteral("--school=999")} + Login(),
         {QStringLiteral("error\tExtraction Failed\tValidate Failed")}},
        {QStringList{QStringLiteral("--school=100"), QStringLiteral("--dsn=vh_school"),
                     QStringLiteral("--user=u"), QStringLiteral("--pwdencode=")},
         {}},
    };
    for (const auto& c : cases) {
        const QString out = NewFolder(QStringLiteral("failed"));
        ProgramResult r =
            RunProgram(QStringList{QStringLiteral("run"), QStringLiteral("--path=") + out} + c.args, Env());
        const std::string label = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.code, 1) << label;
        if (!c.errLines.isEmpty())
            EXPECT_EQ(r.ErrLines(), c.errLines) << label;
        else
            EXPECT_FALSE(r.ErrLines().filter(QStringLiteral("pwd")).isEmpty()) << label;
        EXPECT_EQ(MaskStatus(ReadText(out + QStringLiteral("/Data ExtractorStatus.tmp"))),
                  QStringLiteral("<date>\tFailed\tFailed on extraction.\r\n"))
            << label;
        const QString names = MaskNames(FileNames(out));
        EXPECT_FALSE(names.contains(QStringLiteral(".PDE")) || names.contains(QStringLiteral(".PDU")) ||
                     names.contains(QStringLiteral("SchoolConfig.xml")))
            << label << ": " << names.toStdString();
        EXPECT_FALSE(
            ReadText(out + QStringLiteral("/BridgeStatus.tmp")).contains(QStringLiteral("Succeeded")))
            << label;
        EXPECT_FALSE((AllText(out) + r.out + r.err).contains(kPassword)) << label;
    }
}

TEST(SqliteProgram, BridgeDeclarationsAndDefaults)
{
    REQUIRE_PROGRAM();
    ProgramResult r = RunProgram(QStringList{QStringLiteral("params")}, Env());
    EXPECT_EQ(r.code, 0);
    const QString c = QStringLiteral("params\tconnection\t");
    const QString s = QStringLiteral("params\tschool\t");
    EXPECT_EQ(
        r.HostLines(),
        (QStringList{
            c + QStringLiteral("dsnheader\tData Source Name and Login Information\theader\t\t"),
            c + QStringLiteral(
                    "dsnlabel\tPlease enter the Data Source Name of the ODBC Data Source that you set "
                    "up to connect to the SMS Database\tlabel\t\t"),
            c + QStringLiteral("dsn\tODBC DSN\tdatasource_list\tName of DSN from existing Data Source\t"),
            c + QStringLiteral("user\tUsername\tedit\tUsername corresponding to ODBC DSN\t"),
            c + QStringLiteral("pwdencode\tPassword\tpassword\tPassword  corresponding to ODBC DSN\t"),
            s + QStringLiteral("schoolheader\tSchool Information\theader\t\t"),
            s + QStringLiteral("schoollabel\tPlease select the School Number of this school:\tlabel\t\t"),
            s + QStringLiteral("school\tSchool Number\tschool_list\tChoose the School or Building number for "
                               "your school\t"),
            s + QStringLiteral("altschoollabel\tSome Alternative Schools enroll students in another school.  "
                               "Enter the Building/School number of the school where the students are "
                               "enrolled:\tlabel\t\t"),
            s + QStringLiteral(
                    "altschool\tAlt School\tedit\tIf this is an Alternative School enter the School "
                    "or Building Number where  the students are enrolled\t"),
            s + QStringLiteral(
                    "altschoolfieldlabel\tFor Alternative School enter the custom field name as found "
                    "in Varnholm:\tlabel\t\t"),
            s + QStringLiteral(
                    "altschfield\tAlt. Field Name\tedit\tIf this is an Alternative School enter custom "
                    "field name as defined in the DB\t"),
            s + QStringLiteral("exportheader\tExport Filters\theader\t\t"),
            s + QStringLiteral(
                    "exportlabel\tThe flags below indicate if you want to include extra information in "
                    "the extract; Uncheck a given flag to exclude that information.\tlabel\t\t"),
            s + QStringLiteral(
                    "filterstudent\tExtra Student\tflag\tLeave checked to include all extra student "
                    "information.\t"),
            s + QStringLiteral("filterstaff\tExtra Staff\tflag\tLeave checked to include all extra staff "
                               "members.\t"),
            s + QStringLiteral("filterextraconduct\tConduct Custom\tflag\tLeave checked to include all extra "
                               "conduct information.\t"),
            s + QStringLiteral("filterconductdate\tCurrent Conduct\tflag\tCheck to only include current year "
                               "conduct information.\t"),
            s + QStringLiteral(
                    "filterdaily\tAtt (Daily)\tflag\tLeave checked to include daily attendance.\t"),
            s + QStringLiteral("filterperiod\tAtt (Period)\tflag\tLeave checked to include period "
                               "attendance.\t")}));

    r = RunProgram(QStringList{QStringLiteral("version")}, Env());
    EXPECT_EQ(r.HostLines(), QStringList{QStringLiteral("version\t3.3.2.0\t2.03.0097")});

    // The group "school" needs the school switch and the connection group.
    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=school")} + Login(), Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.LogMessages(QStringLiteral("Trying ")).isEmpty());
    EXPECT_FALSE(r.ErrLines().filter(QRegularExpression(QStringLiteral("^missing\tschool\t"))).isEmpty())
        << r.err.toStdString();

    // Suggested settings from the configuration file; an absent attribute gives an empty value.
    const QString folder = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_DATA_HOME")) +
                           QStringLiteral("/Quenmark/Varnholm");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile config(folder + QStringLiteral("/QMConfig.xml"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
    config.write("<Config SISImportFolder=\"/srv/import\" SISUserName=\"clerk\" SISPassword=\"6869\" "
                 "SchoolNumber=\"100\"/>\n");
    config.close();
    r = RunProgram(QStringList{QStringLiteral("defaults")}, Env());
    config.remove();
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(
        r.HostLines(),
        (QStringList{QStringLiteral("start_setting"), QStringLiteral("setting\tdefault\tpath\t/srv/import"),
                     QStringLiteral("setting\tconnection\tdsn\t"),
                     QStringLiteral("setting\tconnection\tuser\tclerk"),
                     QStringLiteral("setting\tconnection\tpwdencode\t6869"),
                     QStringLiteral("setting\tschool\tschool\t100"), QStringLiteral("end_setting")}));
}
