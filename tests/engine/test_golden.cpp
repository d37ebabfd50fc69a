// Golden files: a whole run over a small hand-made school, every written file compared with an
// expected file under tests/golden/expected/<case>/, on SQLite and on PostgreSQL.
//
// In an expected folder:
//   <file>          compared byte for byte (lines end in CR LF in the output, LF here); in the
//                   main file the time-stamp lines are left out of the comparison
//   <file>.lines    the file's lines compared as a set (tables without an order)
//   <file>.blocks   blocks of lines (separated by empty lines) that stand in the file as whole
//                   consecutive lines, in this order (other lines may stand between blocks);
//                   for a main file that other families' tables share
//   absent.txt      files that must not be written nor included by the main file
//   log.txt         messages that the run must log, in this order (other lines may stand between)
//   Update.PDU      the run's one "Update <time stamp>.PDU" file, without its time-stamp lines
#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

struct Source
{
    const char* name;    // the test's name
    const char* suffix;  // of the data source names: vh_golden_<school><suffix>
    QStringList (*login)();
};

struct Case
{
    const char* name;    // folder under tests/golden/expected
    const char* school;  // hand-made school: folder under tests/golden/schools
    QStringList args;
};

QString Env(const char* name)
{
    return QProcessEnvironment::systemEnvironment().value(QLatin1String(name));
}

QStringList SqliteLogin()
{
    return {QStringLiteral("--user=demo"), QStringLiteral("--pwdencode=") + Encode(QStringLiteral("demo"))};
}

QStringList PgLogin()
{
    return {QStringLiteral("--user=") + Env("VH_PG_USER"),
            QStringLiteral("--pwdencode=") + Encode(Env("VH_PG_PASSWORD"))};
}

// The cases; a new family adds its expected files to these folders.
const Case kCases[] = {
    {"structure", "structure", {QStringLiteral("--demo"), QStringLiteral("--school=100")}},
    {"structure_bare", "structure_bare", {QStringLiteral("--demo"), QStringLiteral("--school=100")}},
    {"structure_inactive",
     "structure",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--inactivedate=11/01/2026")}},
    {"structure_alt",
     "structure",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--altschool=200")}},
    {"attendance_codes", "attendance_codes", {QStringLiteral("--demo"), QStringLiteral("--school=100")}},
    {"attendance",
     "attendance",
     {QStringLiteral("--att"), QStringLiteral("--school=100"), QStringLiteral("--filterdaily=true"),
      QStringLiteral("--filterperiod=true")}},
    {"attendance_daily",
     "attendance",
     {QStringLiteral("--att"), QStringLiteral("--school=100"), QStringLiteral("--filterdaily=true")}},
    {"attendance_none", "attendance", {QStringLiteral("--att"), QStringLiteral("--school=100")}},
    {"attendance_bare",
     "attendance_bare",
     {QStringLiteral("--school=100"), QStringLiteral("--filterdaily=true"),
      QStringLiteral("--filterperiod=true")}},
    {"conduct",
     "conduct",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--filterconductdate=true")}},
    {"conduct_nodate", "conduct", {QStringLiteral("--demo"), QStringLiteral("--school=100")}},
    {"conduct_inactive",
     "conduct",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--inactivedate=09/01/2026")}},
    {"conduct_noyear",
     "conduct_noyear",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--filterconductdate=true")}},
    {"conduct_bare",
     "conduct_bare",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--filterconductdate=true")}},
    {"staff",
     "staff",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--filterstaff=true")}},
    {"staff_inactive",
     "staff",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--inactivedate=11/01/2026")}},
    {"staff_bus", "staff_bus", {QStringLiteral("--demo"), QStringLiteral("--school=100")}},
    {"staff_missing", "staff_missing", {QStringLiteral("--demo"), QStringLiteral("--school=100")}},
    {"students",
     "students",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--filterstudent=true")}},
    {"students_alt",
     "students",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--inactivedate=09/01/2026"),
      QStringLiteral("--altschool=200")}},
    {"students_min",
     "students_min",
     {QStringLiteral("--demo"), QStringLiteral("--school=100"), QStringLiteral("--filterextraconduct=true")}},
};

// run_pg_tests.sh sets VH_PG_DSN and runs the Pg instances; a plain ctest run has SQLite only.
std::vector<Source> Sources(bool pg)
{
    const bool havePg = !Env("VH_PG_DSN").isEmpty();
    if (pg != havePg)
        return {};
    if (pg)
        return {{"PostgreSQL", "_pg", &PgLogin}};
    return {{"SQLite", "", &SqliteLogin}};
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Expected text with LF line ends, as the output's CR LF lines.
QByteArray WithCrLf(const QByteArray& text)
{
    QByteArray out = text;
    out.replace("\n", "\r\n");
    return out;
}

QByteArray WithoutTimeStamps(const QByteArray& text)
{
    QByteArray out;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("// Created: ") || line.startsWith("// Start Time: ") ||
            line.startsWith("// End Time: "))
            continue;
        out += line + '\n';
    }
    out.chop(1);
    return out;
}

QStringList SortedLines(const QByteArray& crlfText)
{
    QStringList lines = QString::fromUtf8(crlfText).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    lines.sort();
    return lines;
}

class Golden : public ::testing::TestWithParam<std::tuple<Source, Case>>
{
};

TEST_P(Golden, WritesTheExpectedFiles)
{
    ASSERT_TRUE(HaveProgram());
    const Source& source = std::get<0>(GetParam());
    const Case& c = std::get<1>(GetParam());
    const QProcessEnvironment env =
        source.suffix[0]
            ? OdbcEnvironment(Env("VH_PG_ODBCSYSINI"), Env("VH_PG_ODBCINI"))
            : OdbcEnvironment(QStringLiteral(VH_TESTDATA_DIR), QStringLiteral(VH_TESTDATA_DIR "/odbc.ini"));
    const QDir expectedRoot(QStringLiteral(VH_GOLDEN_EXPECTED));
    {
        const QString out = NewFolder(QStringLiteral("golden-%1-%2").arg(source.name, c.name));
        const QString dsn = QStringLiteral("vh_golden_") + c.school + source.suffix;
        const ProgramResult r = RunProgram(QStringList{QStringLiteral("run"), QStringLiteral("--dsn=") + dsn,
                                                       QStringLiteral("--path=") + out} +
                                               source.login() + c.args,
                                           env);
        ASSERT_EQ(r.code, 0) << r.err.toStdString() << r.out.right(3000).toStdString();

        const QDir expected(expectedRoot.filePath(QLatin1String(c.name)));
        const QStringList names = expected.entryList(QDir::Files, QDir::Name);
        ASSERT_FALSE(names.isEmpty()) << "no expected files in " << expected.path().toStdString();
        for (const QString& name : names) {
            SCOPED_TRACE(name.toStdString());
            const QByteArray want = ReadBytes(expected.filePath(name));
            if (name == QLatin1String("absent.txt")) {
                const QStringList mains =
                    QDir(out).entryList(QStringList{QStringLiteral("*.PDE")}, QDir::Files);
                const QByteArray main =
                    mains.isEmpty() ? QByteArray() : ReadBytes(QDir(out).filePath(mains.first()));
                for (const QByteArray& file : want.split('\n')) {
                    if (!file.isEmpty()) {
                        EXPECT_FALSE(QFile::exists(QDir(out).filePath(QString::fromUtf8(file))))
                            << file.toStdString();
                        EXPECT_FALSE(main.contains("include \"" + file + "\""))
                            << "in the main file: " << file.toStdString();
                    }
                }
            } else if (name == QLatin1String("log.txt")) {
                const QStringList logged = r.LogMessages(QString());
                int at = 0;
                for (const QByteArray& line : want.split('\n')) {
                    if (line.isEmpty())
                        continue;
                    const int found = logged.indexOf(QString::fromUtf8(line), at);
                    EXPECT_GE(found, 0) << "not logged (in order): " << line.toStdString();
                    if (found >= 0)
                        at = found + 1;
                }
            } else if (name.endsWith(QLatin1String(".lines"))) {
                const QString file = name.chopped(6);
                EXPECT_EQ(SortedLines(ReadBytes(QDir(out).filePath(file))), SortedLines(WithCrLf(want)));
            } else if (name.endsWith(QLatin1String(".blocks"))) {
                const QStringList got = QString::fromUtf8(ReadBytes(QDir(out).filePath(name.chopped(7))))
                                            .split(QStringLiteral("\r\n"));
                int at = 0;
                for (const QString& block :
                     QString::fromUtf8(want).split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
                    const QStringList lines = block.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                    int found = -1;
                    for (int i = at; found < 0 && i + lines.size() <= got.size(); ++i) {
                        if (got.mid(i, lines.size()) == lines)
                            found = i;
                    }
                    EXPECT_GE(found, 0) << "block not found (in order):\n" << block.toStdString();
                    if (found >= 0)
                        at = found + lines.size();
                }
            } else if (name == QLatin1String("Update.PDU")) {
                const QStringList updates =
                    QDir(out).entryList(QStringList{QStringLiteral("Update *.PDU")}, QDir::Files);
                ASSERT_EQ(updates.size(), 1) << updates.join(QLatin1Char(' ')).toStdString();
                EXPECT_EQ(WithoutTimeStamps(ReadBytes(QDir(out).filePath(updates.first()))).toStdString(),
                          WithoutTimeStamps(WithCrLf(want)).toStdString());
            } else {
                QByteArray got = ReadBytes(QDir(out).filePath(name));
                QByteArray wanted = WithCrLf(want);
                if (name.endsWith(QLatin1String(".PDE"))) {
                    got = WithoutTimeStamps(got);
                    wanted = WithoutTimeStamps(wanted);
                }
                EXPECT_EQ(got.toStdString(), wanted.toStdString());
            }
        }
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Source, Case>>& info)
{
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, Golden,
                         ::testing::Combine(::testing::ValuesIn(Sources(false)), ::testing::ValuesIn(kCases)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Pg, Golden,
                         ::testing::Combine(::testing::ValuesIn(Sources(true)), ::testing::ValuesIn(kCases)),
                         CaseName);

}  // namespace
