#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <vector>

using namespace enginetest;

// End-to-end runs against a PostgreSQL source reached as "Oracle (ODBC)" with the prefix "VH.".
// run_pg_tests.sh starts the server and sets VH_PG_*; without them the suite has no instance.
namespace {

QString EnvValue(const char* name)
{
    return QProcessEnvironment::systemEnvironment().value(QLatin1String(name));
}

QProcessEnvironment Env()
{
    return OdbcEnvironment(EnvValue("VH_PG_ODBCSYSINI"), EnvValue("VH_PG_ODBCINI"));
}

QStringList Login(const QString& password = EnvValue("VH_PG_PASSWORD"))
{
    return {QStringLiteral("--dsn=") + EnvValue("VH_PG_DSN"),
            QStringLiteral("--user=") + EnvValue("VH_PG_USER"),
            QStringLiteral("--pwdencode=") + Encode(password)};
}

const QStringList kTriesToOracle{QStringLiteral("Trying Sybase ODBC with prefix."),
                                 QStringLiteral("Trying Oracle (ODBC) with prefix.")};

QStringList Lines(const ProgramResult& r, const char* tag)
{
    return r.HostLines().filter(
        QRegularExpression(QLatin1Char('^') + QLatin1String(tag) + QLatin1Char('\t')));
}

// The suite exists only where run_pg_tests.sh has started a server (VH_PG_DSN set).
std::vector<int> PgInstances()
{
    return EnvValue("VH_PG_DSN").isEmpty() || !HaveProgram() ? std::vector<int>{} : std::vector<int>{0};
}

class PgProgram : public ::testing::TestWithParam<int>
{
};

}  // namespace

TEST_P(PgProgram, TestCommandFindsTheSecondCombination)
{
    ProgramResult r = RunProgram(
        QStringList{QStringLiteral("test"), QStringLiteral("--group=connection")} + Login(), Env());
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.LogMessages(QStringLiteral("Trying ")), kTriesToOracle);
    EXPECT_EQ(r.HostLines(),
              (QStringList{QStringLiteral("inc_progress\tBeginning test..."),
                           QStringLiteral("inc_progress\tConnection Successful, using Oracle (ODBC) "
                                          "with prefix."),
                           QStringLiteral("test\tconnection\tsuccess\tConnection Successful")}));

    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=school"),
                               QStringLiteral("--school=999")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.LogMessages(QStringLiteral("Trying ")).size(), 4);
    EXPECT_EQ(Lines(r, "test"),
              QStringList{QStringLiteral("test\tschool\tfail\tValidate Connection Failed.")});
}

TEST_P(PgProgram, ListAnswers)
{
    ProgramResult r = RunProgram(
        QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=school")} + Login(), Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Lines(r, "school_list"),
              (QStringList{QStringLiteral("school_list\tschool\t100\tVarnholm High School (100)\t"),
                           QStringLiteral("school_list\tschool\t200\tLakeside Middle School (200)\t"),
                           QStringLiteral("school_list\tschool\t300\tNorth Ridge Elementary (300)\t")}));
    r = RunProgram(QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=teacher"),
                               QStringLiteral("--school=100")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Lines(r, "bridgelist"),
              (QStringList{QStringLiteral("bridgelist\tteacher\t501\tBerg, Karin (T501)\t"),
                           QStringLiteral("bridgelist\tteacher\t502\tDahl, Finn Ole\t"),
                           QStringLiteral("bridgelist\tteacher\t504\tHansen, Mira (T504)\t"),
                           QStringLiteral("bridgelist\tteacher\t505\tSolo (T505)\t")}));
    r = RunProgram(QStringList{QStringLiteral("params"), QStringLiteral("--paramkey=year"),
                               QStringLiteral("--school=100"), QStringLiteral("--district=7")} +
                       Login(),
                   Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Lines(r, "year_list"), (QStringList{QStringLiteral("year_list\tyear\t2014-2015\t2014-2015\t"),
                                                  QStringLiteral("year_list\tyear\t2015-16\t2015-2016\t")}));
}

TEST_P(PgProgram, RunAndAWrongPassword)
{
    const QString password = EnvValue("VH_PG_PASSWORD");
    const QString out = NewFolder(QStringLiteral("pgrun"));
    ProgramResult r = RunProgram(
        QStringList{QStringLiteral("run"), QStringLiteral("--school=100"), QStringLiteral("--path=") + out} +
            Login(),
        Env());
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(Lines(r, "inc_progress").first(),
              QStringLiteral("inc_progress\tConnection Successful, using Oracle (ODBC) with prefix."));
    EXPECT_TRUE(ReadText(out + QStringLiteral("/Data ExtractorStatus.tmp"))
                    .endsWith(QStringLiteral("\tSucceeded\tSucceeded\r\n")));
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/Varnholm.PDE")));
    const QString all = AllText(out);
    EXPECT_TRUE(all.contains(QStringLiteral(": Year:25\n")));
    EXPECT_TRUE(all.contains(QStringLiteral(": End Date: 06/10/2016\n")));
    EXPECT_FALSE((all + r.out + r.err).contains(password));

    // A wrong password: every combination fails, nothing claims success, no password anywhere.
    const QString wrong = QStringLiteral("not-") + password;
    r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=connection")} + Login(wrong),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.LogMessages(QStringLiteral("Trying ")).size(), 4);
    EXPECT_EQ(Lines(r, "test"),
              QStringList{QStringLiteral("test\tconnection\tfail\tValidate Connection Failed.")});
    EXPECT_FALSE((r.out + r.err).contains(password));

    const QString failed = NewFolder(QStringLiteral("pgfail"));
    r = RunProgram(QStringList{QStringLiteral("run"), QStringLiteral("--school=100"),
                               QStringLiteral("--path=") + failed} +
                       Login(wrong),
                   Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.ErrLines().contains(QStringLiteral("error\tExtraction Failed\tValidate Failed")));
    EXPECT_TRUE(ReadText(failed + QStringLiteral("/Data ExtractorStatus.tmp"))
                    .endsWith(QStringLiteral("\tFailed\tFailed on extraction.\r\n")));
    EXPECT_FALSE(QFileInfo::exists(failed + QStringLiteral("/Varnholm.PDE")));
    EXPECT_FALSE((AllText(failed) + r.out + r.err).contains(password));
}

TEST_P(PgProgram, BracedPasswordsAndTermsThatCannotBeRead)
{
    ASSERT_FALSE(EnvValue("VH_PG_BRACE_USER").isEmpty() || EnvValue("VH_PG_LIMITED_USER").isEmpty())
        << "run_pg_tests.sh sets up the extra logins";
    const auto login = [](const char* user, const char* password) {
        return QStringList{QStringLiteral("--dsn=") + EnvValue("VH_PG_DSN"),
                           QStringLiteral("--user=") + EnvValue(user),
                           QStringLiteral("--pwdencode=") + Encode(EnvValue(password))};
    };
    // A password holding ";", "}" and "{" reaches the server whole.
    const QString brace = EnvValue("VH_PG_BRACE_PASSWORD");
    ProgramResult r = RunProgram(QStringList{QStringLiteral("test"), QStringLiteral("--group=connection")} +
                                     login("VH_PG_BRACE_USER", "VH_PG_BRACE_PASSWORD"),
                                 Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Lines(r, "test"),
              QStringList{QStringLiteral("test\tconnection\tsuccess\tConnection Successful")});
    EXPECT_FALSE((r.out + r.err).contains(brace));

    // A login that may not read the terms: the year cannot be read, and the run fails with that
    // failure before anything of the earlier run is deleted.
    const QString out = NewFolder(QStringLiteral("pgyear"));
    const QStringList run{QStringLiteral("run"), QStringLiteral("--school=100"), QStringLiteral("--att"),
                          QStringLiteral("--path=") + out};
    r = RunProgram(run + Login(), Env());
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList updates = QDir(out).entryList(QStringList{QStringLiteral("Update *.PDU")}, QDir::Files);
    ASSERT_EQ(updates.size(), 1);
    ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/Attendance")));
    QFile cache(out + QStringLiteral("/Attendance/Attendance.db"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.write("cache");
    cache.close();
    const QString config = ReadText(out + QStringLiteral("/SchoolConfig.xml"));

    r = RunProgram(run + login("VH_PG_LIMITED_USER", "VH_PG_LIMITED_PASSWORD"), Env());
    EXPECT_EQ(r.code, 1);
    ASSERT_EQ(r.ErrLines().size(), 1) << r.err.toStdString();
    EXPECT_TRUE(r.ErrLines().first().startsWith(
        QStringLiteral("error\tExtraction Failed\tError Extracting School Year: ")))
        << r.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QStringList{QStringLiteral("Update *.PDU")}, QDir::Files), updates);
    EXPECT_EQ(ReadText(out + QStringLiteral("/Attendance/Attendance.db")), QStringLiteral("cache"));
    EXPECT_EQ(ReadText(out + QStringLiteral("/SchoolConfig.xml")), config);
    EXPECT_TRUE(ReadText(out + QStringLiteral("/Data ExtractorStatus.tmp"))
                    .endsWith(QStringLiteral("\tFailed\tFailed on extraction.\r\n")));
}

INSTANTIATE_TEST_SUITE_P(Pg, PgProgram, ::testing::ValuesIn(PgInstances()));
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PgProgram);
