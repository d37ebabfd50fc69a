#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace enginetest;

// End-to-end runs against a PostgreSQL source reached as "Oracle (ODBC)" with the prefix "VH.".
// run_pg_tests.sh starts the server and sets VH_PG_*; without them these tests are skipped.
namespace {

QString EnvValue(const char* name)
{
    return QProcessEnvironment::systemEnvironment().value(QLatin1String(name));
}

#define REQUIRE_PG()                                                                                         \
    if (!HaveProgram() || EnvValue("VH_PG_DSN").isEmpty())                                                   \
    GTEST_SKIP() << "no PostgreSQL server (run_pg_tests.sh starts one)"

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

}  // namespace

TEST(PgProgram, TestCommandFindsTheSecondCombination)
{
    REQUIRE_PG();
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

TEST(PgProgram, ListAnswers)
{
    REQUIRE_PG();
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

TEST(PgProgram, RunAndAWrongPassword)
{
    REQUIRE_PG();
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
