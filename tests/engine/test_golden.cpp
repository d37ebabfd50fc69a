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
// In every case each record of every data file and update section keeps to its title line.
#include "DataSources.h"

#include <QDir>
#include <QFile>

using namespace enginetest;

namespace {

struct Case
{
    const char* name;    // folder under tests/golden/expected
    const char* school;  // hand-made school: folder under tests/golden/schools
    QStringList args;
};

// The cases; a new family adds its expected files to these folders.
const Case kCases[] = {
    {"structure", "structure", {"--demo", "--school=100"}},
    {"structure_bare", "structure_bare", {"--demo", "--school=100"}},
    {"structure_inactive", "structure", {"--demo", "--school=100", "--inactivedate=11/01/2026"}},
    {"structure_alt", "structure", {"--demo", "--school=100", "--altschool=200"}},
    {"attendance_codes", "attendance_codes", {"--demo", "--school=100"}},
    {"attendance", "attendance", {"--att", "--school=100", "--filterdaily=true", "--filterperiod=true"}},
    {"attendance_bigkeys", "attendance_bigkeys",
     {"--att", "--school=100", "--filterdaily=true", "--filterperiod=true"}},
    {"attendance_daily", "attendance", {"--att", "--school=100", "--filterdaily=true"}},
    {"attendance_none", "attendance", {"--att", "--school=100"}},
    {"attendance_bare", "attendance_bare", {"--school=100", "--filterdaily=true", "--filterperiod=true"}},
    {"conduct", "conduct", {"--demo", "--school=100", "--filterconductdate=true"}},
    {"conduct_bigkeys", "conduct_bigkeys", {"--demo", "--school=100", "--filterconductdate=true"}},
    {"conduct_nodate", "conduct", {"--demo", "--school=100"}},
    {"conduct_inactive", "conduct", {"--demo", "--school=100", "--inactivedate=09/01/2026"}},
    {"conduct_noyear", "conduct_noyear", {"--demo", "--school=100", "--filterconductdate=true"}},
    {"conduct_bare", "conduct_bare", {"--demo", "--school=100", "--filterconductdate=true"}},
    {"staff", "staff", {"--demo", "--school=100", "--filterstaff=true"}},
    {"staff_inactive", "staff", {"--demo", "--school=100", "--inactivedate=11/01/2026"}},
    {"staff_bus", "staff_bus", {"--demo", "--school=100"}},
    {"staff_missing", "staff_missing", {"--demo", "--school=100"}},
    {"students", "students", {"--demo", "--school=100", "--filterstudent=true"}},
    {"students_alt", "students", {"--demo", "--school=100", "--inactivedate=09/01/2026", "--altschool=200"}},
    {"students_min", "students_min", {"--demo", "--school=100", "--filterextraconduct=true"}},
    {"dirty", "dirty", {"--demo", "--school=100", "--filterstudent=true"}},
};

// The file's bytes; a missing file is not an empty one.
QByteArray Bytes(const QString& path)
{
    return QFile::exists(path) ? ReadBytes(path) : QByteArray("<missing>");
}

// Expected text with LF line ends, as the output's CR LF lines.
QByteArray WithCrLf(const QByteArray& text)
{
    QByteArray out = text;
    out.replace("\n", "\r\n");
    return out;
}

QStringList SortedLines(const QByteArray& crlfText)
{
    QStringList lines = QString::fromUtf8(crlfText).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    lines.sort();
    return lines;
}

class Golden : public ::testing::TestWithParam<std::tuple<DataSource, Case>>
{
};

TEST_P(Golden, WritesTheExpectedFiles)
{
    ASSERT_TRUE(HaveProgram());
    const DataSource& source = std::get<0>(GetParam());
    const Case& c = std::get<1>(GetParam());
    const QDir expectedRoot(VH_GOLDEN_EXPECTED);
    const QString out = NewFolder(QString("golden-%1-%2").arg(source.name, c.name));
    const ProgramResult r = RunProgram(
        QStringList{"run", "--dsn=" + source.Dsn(QString("vh_golden_") + c.school), "--path=" + out} +
            source.Login() + c.args,
        source.Env());
    ASSERT_EQ(r.code, 0) << r.err.toStdString() << r.out.right(3000).toStdString();

    const QDir expected(expectedRoot.filePath(c.name));
    const QStringList names = expected.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty()) << "no expected files in " << expected.path().toStdString();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray want = Bytes(expected.filePath(name));
        if (name == "absent.txt") {
            const QStringList mains = QDir(out).entryList(QStringList{"*.PDE"}, QDir::Files);
            const QByteArray main = mains.isEmpty() ? QByteArray() : Bytes(QDir(out).filePath(mains.first()));
            for (const QByteArray& file : want.split('\n')) {
                if (!file.isEmpty()) {
                    EXPECT_FALSE(QFile::exists(QDir(out).filePath(QString::fromUtf8(file))))
                        << file.toStdString();
                    EXPECT_FALSE(main.contains("include \"" + file + "\""))
                        << "in the main file: " << file.toStdString();
                }
            }
        } else if (name == "log.txt") {
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
        } else if (name.endsWith(".lines")) {
            EXPECT_EQ(SortedLines(Bytes(QDir(out).filePath(name.chopped(6)))), SortedLines(WithCrLf(want)));
        } else if (name.endsWith(".blocks")) {
            const QStringList got =
                QString::fromUtf8(Bytes(QDir(out).filePath(name.chopped(7)))).split("\r\n");
            int at = 0;
            for (const QString& block : QString::fromUtf8(want).split("\n\n", Qt::SkipEmptyParts)) {
                const QStringList lines = block.split('\n', Qt::SkipEmptyParts);
                int found = -1;
                for (int i = at; found < 0 && i + lines.size() <= got.size(); ++i) {
                    if (got.mid(i, lines.size()) == lines)
                        found = i;
                }
                EXPECT_GE(found, 0) << "block not found (in order):\n" << block.toStdString();
                if (found >= 0)
                    at = found + lines.size();
            }
        } else if (name == "Update.PDU") {
            const QStringList updates = UpdateFiles(out);
            ASSERT_EQ(updates.size(), 1) << updates.join(' ').toStdString();
            EXPECT_EQ(WithoutTimeStamps(Bytes(QDir(out).filePath(updates.first()))).toStdString(),
                      WithoutTimeStamps(WithCrLf(want)).toStdString());
        } else {
            QByteArray got = Bytes(QDir(out).filePath(name));
            QByteArray wanted = WithCrLf(want);
            if (name.endsWith(".PDE")) {
                got = WithoutTimeStamps(got);
                wanted = WithoutTimeStamps(wanted);
            }
            EXPECT_EQ(got.toStdString(), wanted.toStdString());
        }
    }
    EXPECT_EQ(BrokenRecords(out).join('\n').toStdString(), "");
}

// A run that fails after ContactCustom.pef was opened (a folder stands where the next data file
// goes) leaves the earlier file as it was and no temporary file; the next run writes it again.
class GoldenFault : public ::testing::TestWithParam<DataSource>
{
};

TEST_P(GoldenFault, FailedRunLeavesContactCustomWhole)
{
    ASSERT_TRUE(HaveProgram());
    const DataSource& source = GetParam();
    const QString out = NewFolder(QString("golden-fault-%1").arg(source.name));
    const QStringList args = QStringList{"run", "--dsn=" + source.Dsn("vh_golden_dirty"), "--path=" + out,
                                         "--demo", "--school=100", "--filterstudent=true"} +
                             source.Login();
    const QString contacts = QDir(out).filePath("ContactCustom.pef");
    ProgramResult r = RunProgram(args, source.Env());
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QByteArray whole = ReadBytes(contacts);
    ASSERT_EQ(whole, "Contact 1\t1001\tContact\tcnt1_LNAME\tLund\tNOFORMAT\r\n");

    const QString blocked = QDir(out).filePath("StudentCustom.pef");
    ASSERT_TRUE(QFile::remove(blocked));
    ASSERT_TRUE(QDir().mkdir(blocked));
    r = RunProgram(args, source.Env());
    EXPECT_EQ(r.code, 1) << r.out.right(2000).toStdString();
    EXPECT_TRUE(r.err.contains("StudentCustom.pef")) << r.err.toStdString();
    EXPECT_EQ(Status(out), kFailedRun);
    EXPECT_EQ(ReadBytes(contacts), whole);
    EXPECT_EQ(QDir(out).entryList(QStringList{"*.partial"}, QDir::Files | QDir::Dirs).join(' ').toStdString(), "");

    // Without an earlier file the failed run leaves none.
    ASSERT_TRUE(QFile::remove(contacts));
    r = RunProgram(args, source.Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFile::exists(contacts));

    ASSERT_TRUE(QDir().rmdir(blocked));
    r = RunProgram(args, source.Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(ReadBytes(contacts), whole);
}

INSTANTIATE_ON_BOTH_SOURCES(GoldenFault);

// A calendar day whose date cannot be read (SQLite keeps the text 2026-09-31 in a DATE column) has
// no line in Calendar.pef, and the log names it; PostgreSQL refuses to store such a date.
class GoldenDates : public ::testing::TestWithParam<DataSource>
{
};

TEST_P(GoldenDates, ACalendarDayWithoutAReadableDateIsLeftOut)
{
    ASSERT_TRUE(HaveProgram());
    const DataSource& source = GetParam();
    ChangeableSource school(source, "golden-structure.db", source.Dsn("vh_golden_structure"));
    const QString bad =
        QString("UPDATE %1 SET Date_Value = '2026-09-31' WHERE ID = 2").arg(school.Table("Calendar_Day"));
    if (source.pg) {
        EXPECT_ANY_THROW(school.Exec(bad));
        return;
    }
    school.Exec(bad);
    const QString out = NewFolder("golden-dates");
    const ProgramResult r = RunProgram(
        QStringList{"run", "--dsn=" + school.dsn, "--path=" + out, "--demo", "--school=100"} + school.login,
        school.env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString() << r.out.right(3000).toStdString();
    // The school's calendar without day 2 (08/18/2026).
    QByteArray want = WithCrLf(Bytes(QDir(VH_GOLDEN_EXPECTED).filePath("structure/Calendar.pef")));
    ASSERT_TRUE(want.contains("\tCalendar\t08/18/2026\tB\t1\t1\t1\t\r\n"));
    want.replace("\tCalendar\t08/18/2026\tB\t1\t1\t1\t\r\n", "");
    EXPECT_EQ(Bytes(QDir(out).filePath("Calendar.pef")).toStdString(), want.toStdString());
    EXPECT_EQ(r.LogMessages(QString()).filter("Calendar_Day").join('\n').toStdString(),
              "Calendar: the day 2 of Calendar_Day (school 100) has a Date_Value that cannot be read; the "
              "day is left out.");
}

INSTANTIATE_ON_BOTH_SOURCES(GoldenDates);

std::string CaseName(const ::testing::TestParamInfo<std::tuple<DataSource, Case>>& info)
{
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, Golden,
                         ::testing::Combine(::testing::ValuesIn(DataSources(false)),
                                            ::testing::ValuesIn(kCases)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Pg, Golden,
                         ::testing::Combine(::testing::ValuesIn(DataSources(true)),
                                            ::testing::ValuesIn(kCases)),
                         CaseName);

}  // namespace
