#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    // Only the test line carries the answer.
    EXPECT_TRUE(r.ErrLines().isEmpty()) << r.err.toStdString();
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
        QStringList{QStringLiteral("run"), QStringLiteral("--school=100"), QStringLiteral("--path=") + out,
                    QStringLiteral("--filterstudent=true"), QStringLiteral("--filterextraconduct=true")} +
            Login(),
        Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QStringList host = r.HostLines();
    ASSERT_GE(host.size(), 5);
    EXPECT_EQ(host.mid(0, 2),
              (QStringList{QStringLiteral("start_progress\t61"),
                           QStringLiteral("inc_progress\tConnection Successful, using Sybase ODBC "
                                          "without prefix.")}));
    EXPECT_EQ(host.mid(host.size() - 3),
              (QStringList{QStringLiteral("inc_progress\tExport complete."), QStringLiteral("end_progress"),
                           QStringLiteral("bridge_complete")}));
    // Every data file of the full pass (the sample's students have no bus route in their main
    // record, so the bus tables are written; its consequence-type table writes no file).
    EXPECT_EQ(
        MaskNames(FileNames(out)),
        QStringLiteral("AttCodes.pef|BellSchedule.pef|Bins.pef|BridgeStatus.tmp|Calendar.pef|"
                       "ConductCustom.pef|ConductInType.pef|ConductIncident.pef|"
                       "ConductIncidentSubTypes.pef|ConductOutType.pef|ConductOutcome.pef|"
                       "ConductOutcomeSubType.pef|ContactCustom.pef|Courses.pef|CustomFieldConfig.pde|"
                       "Data ExtractorStatus.tmp|Days.pef|DisciplineAlert.pef|FeeCredit.pef|FeeDebit.pef|"
                       "Fees.pef|GradeScores.pef|LunchBalance.pef|LunchTransaction.pef|MedCondTypes.pef|"
                       "MedHistTypes.pef|MedicalCodes.txt|OtherAlert.pef|Payments.pef|Periods.pef|"
                       "Rooms.pef|SchoolConfig.xml|SectionSchedule.pef|Sections.pef|Staff.pef|"
                       "StaffCustom.pef|StaffMedHist.pef|StuMedCond.pef|StudentBusIn.pef|"
                       "StudentBusOut.pef|StudentCustom.pef|StudentDoctor.pef|StudentEmerg1.pef|"
                       "StudentEmerg2.pef|StudentGrades.pef|StudentLegal.pef|StudentMedHist.pef|"
                       "StudentMedImmun.pef|StudentPhysAddr.pef|StudentSched.pef|StudentTransport.pef|"
                       "Students.pef|Students2.pef|TermYear.pef|Terms.pef|Tumbles.pef|Update <ts>.PDU|"
                       "Varnholm-100-<date>.log|Varnholm.PDE|finished_bridge.tmp"));
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
    // Representative rows of the twenty: a header, the login, the school list, a text and a flag.
    const QStringList lines = r.HostLines();
    ASSERT_EQ(lines.size(), 20);
    EXPECT_EQ(lines[0], c + QStringLiteral("dsnheader\tData Source Name and Login Information\theader\t\t"));
    EXPECT_EQ(lines[2],
              c + QStringLiteral("dsn\tODBC DSN\tdatasource_list\tName of DSN from existing Data Source\t"));
    EXPECT_EQ(lines[4],
              c + QStringLiteral("pwdencode\tPassword\tpassword\tPassword  corresponding to ODBC DSN\t"));
    EXPECT_EQ(
        lines[7],
        s + QStringLiteral("school\tSchool Number\tschool_list\tChoose the School or Building number for "
                           "your school\t"));
    EXPECT_EQ(lines[11],
              s + QStringLiteral("altschfield\tAlt. Field Name\tedit\tIf this is an Alternative School enter "
                                 "custom field name as defined in the DB\t"));
    EXPECT_EQ(lines[19],
              s + QStringLiteral("filterperiod\tAtt (Period)\tflag\tLeave checked to include period "
                                 "attendance.\t"));

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

// ---------------------------------------------------------------- failures, files and input

namespace {

QString Status(const QString& folder)
{
    return MaskStatus(ReadText(folder + QStringLiteral("/Data ExtractorStatus.tmp")));
}

const QString kFailedRun = QStringLiteral("<date>\tFailed\tFailed on extraction.\r\n");

QString FallbackFolder()
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("HOME")) +
           QStringLiteral("/Documents/Tamberlyn Software/Logs");
}

QStringList AttRun(const QString& folder, const QStringList& login = Login())
{
    return QStringList{QStringLiteral("run"), QStringLiteral("--school=100"), QStringLiteral("--att"),
                       QStringLiteral("--path=") + folder} +
           login;
}

void ExecSql(const QString& db, const QStringList& statements)
{
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &handle), SQLITE_OK);
    for (const QString& sql : statements)
        EXPECT_EQ(sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sql.toStdString() << ": " << sqlite3_errmsg(handle);
    sqlite3_close(handle);
}

// A copy of the sample school as a data source of its own.
struct SourceCopy
{
    QString db;
    QProcessEnvironment env;
};

SourceCopy CopySource(const QString& dsn, const QStringList& statements)
{
    const QString folder = NewFolder(dsn);
    SourceCopy copy{folder + QStringLiteral("/school.db"), QProcessEnvironment()};
    EXPECT_TRUE(QFile::copy(kOdbcFolder + QStringLiteral("/school.db"), copy.db));
    ExecSql(copy.db, statements);
    QFile ini(folder + QStringLiteral("/odbc.ini"));
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write((QLatin1Char('[') + dsn + QStringLiteral("]\nDriver=SQLite3\nDatabase=") + copy.db +
               QStringLiteral("\nNoCreat=1\nStepAPI=1\n"))
                  .toUtf8());
    ini.close();
    copy.env = OdbcEnvironment(kOdbcFolder, ini.fileName());
    return copy;
}

void WriteText(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every file under the folder with its content.
QMap<QString, QString> Snapshot(const QString& folder)
{
    QMap<QString, QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, ReadText(path));
    }
    return files;
}

bool Finished(const QString& updateFile)
{
    return QRegularExpression(QStringLiteral("\r\n// End Time: [^\r\n]+\r\n$"))
        .match(ReadText(updateFile))
        .hasMatch();
}

}  // namespace

TEST(SqliteProgram, FailedRunsReportTheirOwnFailure)
{
    REQUIRE_PROGRAM();
    // A failure after the connection search reaches the host with its own text; a folder that has
    // the name of the run configuration is not the run's to delete.
    QString out = NewFolder(QStringLiteral("own-text"));
    ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/SchoolConfig.xml/kept")));
    ProgramResult r = RunProgram(AttRun(out), Env());
    const QString failure = QStringLiteral("Failed with error [Can't open non-file: ") + out +
                            QStringLiteral("/SchoolConfig.xml] while writing file [SchoolConfig.xml]");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{QStringLiteral("error\tExtraction Failed\t") + failure});
    EXPECT_TRUE(AllText(out).contains(QStringLiteral("SISConfig::commandRun: ") + failure));
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/SchoolConfig.xml/kept")));
    EXPECT_EQ(Status(out), kFailedRun);

    // However a run fails, its status file says so in the same words.
    const struct
    {
        QStringList args;
        QString err;
    } cases[] = {
        {{QStringLiteral("--pwdencode=zz")},
         QStringLiteral("error\tpwdencode\tpwdencode is not valid hexadecimal text.")},
        {{QStringLiteral("--log=loud")}, QStringLiteral("error\tlog\tUnknown log target: loud")},
        {{QStringLiteral("--validate=+3")},
         QStringLiteral("error\tvalidate\tvalidate must be a number from 0 to 255.")},
        {{QStringLiteral("--validate= 3")},
         QStringLiteral("error\tvalidate\tvalidate must be a number from 0 to 255.")},
    };
    for (const auto& c : cases) {
        out = NewFolder(QStringLiteral("fail-text"));
        r = RunProgram(QStringList{QStringLiteral("run"), QStringLiteral("--school=100"),
                                   QStringLiteral("--path=") + out} +
                           c.args,
                       Env());
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.ErrLines(), QStringList{c.err});
        EXPECT_EQ(Status(out), kFailedRun) << c.args.join(' ').toStdString();
    }
}

TEST(SqliteProgram, AYearThatCannotBeReadChangesNothing)
{
    REQUIRE_PROGRAM();
    SourceCopy source = CopySource(QStringLiteral("vh_year"), {});
    const QStringList login{QStringLiteral("--dsn=vh_year"), QStringLiteral("--user=u"),
                            QStringLiteral("--pwdencode=") + Encode(kPassword)};
    const QString out = NewFolder(QStringLiteral("year"));
    ProgramResult r = RunProgram(AttRun(out, login), source.env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList updates = FileNames(out).filter(QStringLiteral(".PDU"));
    ASSERT_EQ(updates.size(), 1);
    WriteText(out + QStringLiteral("/Attendance/Attendance.db"), "cache");
    const QString config = ReadText(out + QStringLiteral("/SchoolConfig.xml"));

    // The year cannot be read: the run fails before the writer starts, and deletes nothing.
    ExecSql(source.db, {QStringLiteral("ALTER TABLE Terms RENAME TO TermsGone")});
    r = RunProgram(AttRun(out, login), source.env);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              QStringList{QStringLiteral(
                  "error\tExtraction Failed\tError Extracting School Year: Table does not exist : Terms")});
    EXPECT_EQ(FileNames(out).filter(QStringLiteral(".PDU")), updates);
    EXPECT_EQ(ReadText(out + QStringLiteral("/Attendance/Attendance.db")), QStringLiteral("cache"));
    EXPECT_EQ(ReadText(out + QStringLiteral("/SchoolConfig.xml")), config);
    EXPECT_EQ(Status(out), kFailedRun);

    // The next good run finds the same configuration.
    ExecSql(source.db, {QStringLiteral("ALTER TABLE TermsGone RENAME TO Terms")});
    r = RunProgram(AttRun(out, login), source.env);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(FileNames(out).filter(QStringLiteral(".PDU")).size(), 2);
    EXPECT_TRUE(FileNames(out).filter(QStringLiteral(".PDU")).contains(updates.first()));
    EXPECT_EQ(ReadText(out + QStringLiteral("/Attendance/Attendance.db")), QStringLiteral("cache"));
}

TEST(SqliteProgram, UpdateFilesOfTheirOwnAndOneRunAtATime)
{
    REQUIRE_PROGRAM();
    const QString out = NewFolder(QStringLiteral("quick"));
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(RunProgram(AttRun(out), Env()).code, 0);
    const QStringList updates =
        FileNames(out).filter(QRegularExpression(QStringLiteral("^Update \\d{14}\\.PDU$")));
    EXPECT_EQ(updates.size(), 6) << updates.join(' ').toStdString();
    for (const QString& name : updates)
        EXPECT_TRUE(Finished(out + QLatin1Char('/') + name)) << name.toStdString();

    // While another run holds the folder, a second one fails and touches none of its files.
    const QMap<QString, QString> before = Snapshot(out);
    QDir(FallbackFolder()).removeRecursively();
    const int held = ::open(QFile::encodeName(out).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const ProgramResult r = RunProgram(AttRun(out), Env());
    ::close(held);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              QStringList{QStringLiteral("error\tpath\tAnother run is using the output folder: ") + out});
    EXPECT_EQ(Snapshot(out), before);
    EXPECT_EQ(Status(FallbackFolder()), kFailedRun);
}

TEST(SqliteProgram, WritesThatFailAreReported)
{
    REQUIRE_PROGRAM();
    // A closed output, a host that stops reading, a file-size limit: the run ends normally, failed.
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const struct
    {
        const char* script;
        const char* failure;
    } cases[] = {
        {"exec 1>&-; exec \"$@\"", "Could not write to standard output: Bad file descriptor"},
        {"\"$@\" | true; exit ${PIPESTATUS[0]}", "Could not write to standard output: Broken pipe"},
        {"ulimit -f 1; exec \"$@\"", "Could not write the log file %1/Varnholm-100-%2.log: File too large"},
    };
    for (const auto& c : cases) {
        const QString out = NewFolder(QStringLiteral("write"));
        const ProgramResult r = RunThrough(QLatin1String(c.script), AttRun(out), Env());
        EXPECT_EQ(r.code, 1) << c.script;
        EXPECT_EQ(r.ErrLines(), QStringList{QStringLiteral("error\tExtraction Failed\t") +
                                            QString::fromLatin1(c.failure).arg(out, today)})
            << c.script;
        EXPECT_EQ(Status(out), kFailedRun) << c.script;
        EXPECT_EQ(ReadText(out + QStringLiteral("/finished_bridge.tmp")), QStringLiteral("finished\r\n"));
    }

    // A full disk while the update pass writes: no update file, empty or not, under its name.
    const QString out = NewFolder(QStringLiteral("full"));
    ProgramResult r =
        RunThrough(QStringLiteral("ulimit -f 1; exec \"$@\""),
                   AttRun(out) << QStringLiteral("--filterdaily=true") << QStringLiteral("--log=off"), Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              QStringList{QStringLiteral("error\tExtraction Failed\tSQLite Attendance: disk I/O error")});
    EXPECT_TRUE(FileNames(out).filter(QStringLiteral(".PDU")).isEmpty())
        << FileNames(out).join(' ').toStdString();
    EXPECT_TRUE(FileNames(out).filter(QStringLiteral(".partial")).isEmpty());
    EXPECT_EQ(Status(out), kFailedRun);

    // The next good run writes one whole update file and removes what a broken run left.
    WriteText(out + QStringLiteral("/SchoolConfig.xml.tmp"), "<School");
    WriteText(out + QStringLiteral("/Students.pef.partial"), "1001\t");
    r = RunProgram(AttRun(out), Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList updates = FileNames(out).filter(QStringLiteral(".PDU"));
    ASSERT_EQ(updates.size(), 1);
    EXPECT_TRUE(Finished(out + QLatin1Char('/') + updates.first()));
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/SchoolConfig.xml.tmp")));
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/Students.pef.partial")));
}

TEST(SqliteProgram, AFolderWithoutRoomForNewFilesStillGetsTheResult)
{
    REQUIRE_PROGRAM();
    // Only the status and finished files of an earlier good run can be written in the folder.
    const bool root = ::geteuid() == 0;
    if (root && !QFileInfo::exists(QStringLiteral("/usr/bin/setpriv")))
        GTEST_SKIP() << "no setpriv to run as another user";
    QTemporaryDir base(QDir::tempPath() + QStringLiteral("/vh-folder-XXXXXX"));
    const QString out = base.filePath(QStringLiteral("out"));
    const QString home = base.filePath(QStringLiteral("home"));
    const QString runtime = base.filePath(QStringLiteral("runtime"));
    for (const QString& folder : {out, home, runtime})
        ASSERT_TRUE(QDir().mkpath(folder));
    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                     QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                     QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const auto readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                          QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    QFile(base.path()).setPermissions(readable | QFileDevice::WriteOwner);
    QFile(home).setPermissions(all);
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(runtime).constData(), 65534, 65534), 0);
    }
    QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString status = out + QStringLiteral("/Data ExtractorStatus.tmp");
    const QString finished = out + QStringLiteral("/finished_bridge.tmp");
    WriteText(status, "2026/01/01 10:00:00\tSucceeded\tSucceeded\r\n");
    WriteText(finished, "finished\r\n");
    QFile(status).setPermissions(all);
    QFile(finished).setPermissions(all);
    QFile(out).setPermissions(readable);

    QProcessEnvironment env = Env();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    const ProgramResult r =
        RunThrough(root ? QStringLiteral("exec setpriv --reuid=65534 --regid=65534 --clear-groups -- \"$@\"")
                        : QStringLiteral("exec \"$@\""),
                   AttRun(out), env);
    QFile(out).setPermissions(readable | QFileDevice::WriteOwner);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.ErrLines().contains(
        QStringLiteral("error\tpath\tCould not create or write the output folder: ") + out))
        << r.err.toStdString();
    EXPECT_EQ(Status(out), kFailedRun);
    EXPECT_EQ(ReadText(finished), QStringLiteral("finished\r\n"));
    EXPECT_EQ(Status(home + QStringLiteral("/Documents/Tamberlyn Software/Logs")), kFailedRun);
}

TEST(SqliteProgram, TheOutputFolderIsOneFolderNamedByText)
{
    REQUIRE_PROGRAM();
    // Blanks around the folder are not part of it: every file of the run goes into the one folder.
    const QString work = NewFolder(QStringLiteral("work"));
    const QString out = NewFolder(QStringLiteral("blanks"));
    ProgramResult r =
        RunThrough(QStringLiteral("exec \"$@\""),
                   QStringList{QStringLiteral("run"), QStringLiteral("--school=100"), QStringLiteral("--att"),
                               QStringLiteral("--path= ") + out + QLatin1Char(' ')} +
                       Login(),
                   Env(), work);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(MaskNames(FileNames(out)),
              QStringLiteral("BridgeStatus.tmp|Data ExtractorStatus.tmp|SchoolConfig.xml|Update <ts>.PDU|"
                             "Varnholm-100-<date>.log|finished_bridge.tmp"));
    EXPECT_TRUE(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());

    // A folder name that is not text: a clear error, and no folder of another name.
    const QString parent = NewFolder(QStringLiteral("not-text"));
    QProcessEnvironment env = Env();
    env.insert(QStringLiteral("PARENT"), parent);
    QDir(FallbackFolder()).removeRecursively();
    r = RunThrough(
        QStringLiteral("exec \"$@\" \"--path=$(printf '%s/bad\\377' \"$PARENT\")\""),
        QStringList{QStringLiteral("run"), QStringLiteral("--school=100"), QStringLiteral("--att")} + Login(),
        env);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{QStringLiteral(
                                "error\tpath\tpath is not valid text: it holds bytes that are not UTF-8.")});
    EXPECT_TRUE(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    EXPECT_EQ(Status(FallbackFolder()), kFailedRun);
}

TEST(SqliteProgram, InputReachesConnectionsAndLogsSafely)
{
    REQUIRE_PROGRAM();
    // A password cannot add an attribute to the connection: the school list comes from the data
    // source's own database, not from another file.
    const QString other = NewFolder(QStringLiteral("other")) + QStringLiteral("/other.db");
    ExecSql(other,
            {QStringLiteral("CREATE TABLE Schools (ID INTEGER, School_Number INTEGER, Name VARCHAR(60), "
                            "District_Number INTEGER)"),
             QStringLiteral("INSERT INTO Schools VALUES (1, 777, 'Elsewhere', 7)")});
    ProgramResult r =
        RunProgram({QStringLiteral("params"), QStringLiteral("--paramkey=school"),
                    QStringLiteral("--dsn=vh_school"), QStringLiteral("--user=u"),
                    QStringLiteral("--pwdencode=") + Encode(QStringLiteral("x;Database=") + other + ';')},
                   Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.HostLines().filter(QRegularExpression(QStringLiteral("^school_list"))).value(0),
              QStringLiteral("school_list\tschool\t100\tVarnholm High School (100)\t"));
    EXPECT_FALSE(r.out.contains(QStringLiteral("Elsewhere")));

    // A short password hides only itself: the other words stay readable.
    const QString shortPassword = QStringLiteral("Eng");
    QString out = NewFolder(QStringLiteral("short"));
    r = RunProgram(AttRun(out, {QStringLiteral("--dsn=vh_school"), QStringLiteral("--user=u"),
                                QStringLiteral("--pwdencode=") + Encode(shortPassword)}),
                   Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QString all = AllText(out) + r.out + r.err;
    EXPECT_TRUE(all.contains(QStringLiteral("ExpEngine::Execute: Execute Starting")));
    EXPECT_FALSE(all.contains(QStringLiteral("********")));
    EXPECT_FALSE(all.contains(QRegularExpression(QStringLiteral("\\bEng\\b"))));
    EXPECT_FALSE(all.contains(Encode(shortPassword)));

    // The school value reaches the log file's name without its control characters.
    out = NewFolder(QStringLiteral("control"));
    r = RunProgram(QStringList{QStringLiteral("run"), QStringLiteral("--school=10\n0"),
                               QStringLiteral("--path=") + out} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(MaskNames(FileNames(out)).contains(QStringLiteral("|Varnholm-10_0-<date>.log|")))
        << FileNames(out).join('|').toStdString();
}

TEST(SqliteProgram, ValuesAreTakenAsGiven)
{
    REQUIRE_PROGRAM();
    // Text longer than its column declares is read whole.
    SourceCopy source =
        CopySource(QStringLiteral("vh_long"),
                   {QStringLiteral("UPDATE Schools SET Name = replace(hex(zeroblob(1500)), '0', 'N') "
                                   "WHERE School_Number = 100")});
    ProgramResult r = RunProgram({QStringLiteral("params"), QStringLiteral("--paramkey=school"),
                                  QStringLiteral("--dsn=vh_long"), QStringLiteral("--user=u"),
                                  QStringLiteral("--pwdencode=") + Encode(kPassword)},
                                 source.env);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.HostLines().filter(QRegularExpression(QStringLiteral("^school_list"))).value(0),
              QStringLiteral("school_list\tschool\t100\t") + QString(3000, QLatin1Char('N')) +
                  QStringLiteral(" (100)\t"));

    // The year list needs a district, but not a number: it is no part of the query.
    r = RunProgram(QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=year"),
                               QStringLiteral("--school=100"), QStringLiteral("--district=North")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.HostLines().filter(QRegularExpression(QStringLiteral("^year_list"))),
              (QStringList{QStringLiteral("year_list\tyear\t2014-2015\t2014-2015\t"),
                           QStringLiteral("year_list\tyear\t2015-16\t2015-2016\t")}));

    // Many alternative school numbers take hardly longer to clean than a few (each run then stops
    // for the missing school).
    qint64 elapsed[2] = {0, 0};
    for (int count : {1000, 22000}) {
        QStringList numbers;
        for (int i = 1; i <= count; ++i)
            numbers << QString::number(i);
        QElapsedTimer timer;
        timer.start();
        r = RunProgram(QStringList{QStringLiteral("run"),
                                   QStringLiteral("--path=") + NewFolder(QStringLiteral("alt")),
                                   QStringLiteral("--altschool=") + numbers.join(QLatin1Char(','))} +
                           Login(),
                       Env());
        elapsed[count > 1000] = timer.elapsed();
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.ErrLines().contains(QStringLiteral("error\tschool\tschool missing or blank.")))
            << r.err.toStdString();
    }
    EXPECT_LT(elapsed[1], elapsed[0] + 300) << elapsed[0] << " ms, then " << elapsed[1] << " ms";
}
