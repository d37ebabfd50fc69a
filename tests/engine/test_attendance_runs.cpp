// Attendance update runs, one after another, on a source that the test fills with dates relative
// to the day it runs (SQLite and PostgreSQL): the windows around today and the school year's
// ends, the overlap days, re-runs, changed and deleted codes, a configuration change, runs that
// fail while caching or while marking rows, and the attendance code file that is written once.
#include "DataSources.h"
#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include "Connection.h"
#include "Recordset.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcessEnvironment>
#include <QSet>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

using namespace enginetest;

namespace {

QString Env(const char* name)
{
    return QProcessEnvironment::systemEnvironment().value(QLatin1String(name));
}

const QDate kToday = QDate::currentDate();

QString Iso(int days)
{
    return kToday.addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
}

QString Us(int days)
{
    return kToday.addDays(days).toString(QStringLiteral("MM/dd/yyyy"));
}

// Runs one statement on an SQLite file; the first column of its rows as text (NULL as "NULL").
QStringList Sqlite(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    QStringList values;
    int rc = sqlite3_open(path.toUtf8().constData(), &db);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(st, 0);
        values << (text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QStringLiteral("NULL"));
        rc = SQLITE_OK;
    }
    const std::string error = sqlite3_errmsg(db);
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(error + " in: " + sql.toStdString());
    return values;
}

// A source this test may write to, reached by the program through its own data source name.
class Live
{
public:
    virtual ~Live() = default;
    virtual void Exec(const QString& sql) = 0;
    // The table name as the statements of this source write it.
    virtual QString Table(const char* name) const = 0;
    QString dsn;
    QProcessEnvironment env;
    QStringList login;
};

// A copy of the hand-made school's SQLite file with an odbc.ini of its own.
class SqliteLive : public Live
{
public:
    explicit SqliteLive(const QString& school)
    {
        const QString folder = NewFolder(QStringLiteral("source-") + school);
        m_path = folder + QStringLiteral("/source.db");
        QFile::copy(QStringLiteral(VH_TESTDATA_DIR "/golden-") + school + QStringLiteral(".db"), m_path);
        QFile ini(folder + QStringLiteral("/odbc.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write((QStringLiteral("[vh_live]\nDriver=SQLite3\nDatabase=") + m_path +
                       QStringLiteral("\nNoCreat=1\nStepAPI=1\n"))
                          .toUtf8());
        dsn = QStringLiteral("vh_live");
        env = OdbcEnvironment(QStringLiteral(VH_TESTDATA_DIR), ini.fileName());
        login = QStringList{QStringLiteral("--user=demo"),
                            QStringLiteral("--pwdencode=") + Encode(QStringLiteral("demo"))};
    }
    void Exec(const QString& sql) override { Sqlite(m_path, sql); }
    QString Table(const char* name) const override { return QLatin1String(name); }

private:
    QString m_path;
};

// The hand-made school's own database on the server of run_pg_tests.sh (schema vh).
class PgLive : public Live
{
public:
    explicit PgLive(const QString& school)
    {
        dsn = QStringLiteral("vh_golden_") + school + QStringLiteral("_pg");
        env = OdbcEnvironment(Env("VH_PG_ODBCSYSINI"), Env("VH_PG_ODBCINI"));
        login = QStringList{QStringLiteral("--user=") + Env("VH_PG_USER"),
                            QStringLiteral("--pwdencode=") + Encode(Env("VH_PG_PASSWORD"))};
        // The driver manager reads the server's ini files only while connecting.
        struct Swap
        {
            QByteArray sysIni = qgetenv("ODBCSYSINI"), ini = qgetenv("ODBCINI");
            ~Swap()
            {
                qputenv("ODBCSYSINI", sysIni);
                qputenv("ODBCINI", ini);
            }
        } swap;
        qputenv("ODBCSYSINI", Env("VH_PG_ODBCSYSINI").toUtf8());
        qputenv("ODBCINI", Env("VH_PG_ODBCINI").toUtf8());
        m_connection.Open(
            ("DSN=" + dsn + ";UID=" + Env("VH_PG_USER") + ";PWD=" + Env("VH_PG_PASSWORD")).toStdString());
    }
    void Exec(const QString& sql) override
    {
        ado::Recordset statement;
        statement.Open(sql.toStdString(), m_connection);
    }
    QString Table(const char* name) const override { return QStringLiteral("vh.") + QLatin1String(name); }

private:
    ado::Connection m_connection;
};

std::unique_ptr<Live> MakeLive(const DataSource& source, const QString& school)
{
    if (source.pg)
        return std::unique_ptr<Live>(new PgLive(school));
    return std::unique_ptr<Live>(new SqliteLive(school));
}

// One attendance record; days count from today; a meeting has a CC row (schedule) and a period.
struct Att
{
    int id, student, school, days, code;
    bool meeting;
    int schedule, period;
};

// School 100: the current year from 40 days ago to 200 days ahead, last year before it.
// School 200: the current year ended 20 days ago.
// clang-format off
const Att kRows[] = {
    {1, 1001, 100, -41, 1, false, 0, 0},  // before the year's first day
    {2, 1001, 100, -40, 1, false, 0, 0},  // the first day
    {3, 1002, 100, -30, 2, false, 0, 0},
    {4, 1001, 100, -10, 3, false, 0, 0},
    {5, 1002, 100, -3, 1, false, 0, 0},
    {6, 1001, 100, 0, 2, false, 0, 0},    // today
    {7, 1002, 100, 1, 1, false, 0, 0},    // tomorrow
    {8, 1003, 100, -5, 1, false, 0, 0},   // an inactive student
    {11, 1001, 100, -20, 3, true, 1, 1},
    {12, 1002, 100, -5, 1, true, 2, 2},
    {13, 1001, 100, -1, 2, true, 1, 2},
    {14, 1002, 100, 0, 3, true, 2, 1},
    {15, 1001, 100, 2, 1, true, 1, 1},
    {21, 2001, 200, -121, 1, false, 0, 0},
    {22, 2001, 200, -120, 1, false, 0, 0},  // school 200's first day
    {23, 2001, 200, -20, 2, false, 0, 0},   // and its last
    {24, 2001, 200, -19, 1, false, 0, 0},
    {25, 2001, 200, -20, 2, true, 3, 1},
};
// clang-format on

const Att& Row(int id)
{
    for (const Att& row : kRows) {
        if (row.id == id)
            return row;
    }
    throw std::logic_error("no such row");
}

void FillSchool(Live& live)
{
    const QString terms = live.Table("Terms");
    const QString att = live.Table("Attendance");
    live.Exec(QStringLiteral("DROP TABLE IF EXISTS ") + terms);
    live.Exec(
        QStringLiteral("CREATE TABLE ") + terms +
        QStringLiteral(" (ID INTEGER, SchoolID INTEGER, YearID INTEGER, Name VARCHAR(40), FirstDay DATE, "
                       "LastDay DATE, IsYearRec INTEGER)"));
    live.Exec(
        QStringLiteral("INSERT INTO %1 VALUES (1, 100, 26, 'Last year', '%2', '%3', 1), "
                       "(2, 100, 27, 'This year', '%4', '%5', 1), (3, 200, 27, 'Ridge year', '%6', '%7', 1)")
            .arg(terms, Iso(-400), Iso(-41), Iso(-40), Iso(200), Iso(-120), Iso(-20)));
    live.Exec(QStringLiteral("DROP TABLE IF EXISTS ") + att);
    live.Exec(
        QStringLiteral("CREATE TABLE ") + att +
        QStringLiteral(" (ID INTEGER, StudentID INTEGER, SchoolID INTEGER, YearID INTEGER, ATT_Date DATE, "
                       "Attendance_CodeID INTEGER, ATT_Mode_Code VARCHAR(20), CCID INTEGER, PeriodID "
                       "INTEGER)"));
    for (const Att& r : kRows) {
        live.Exec(QStringLiteral("INSERT INTO %1 VALUES (%2, %3, %4, 27, '%5', %6, '%7', %8, %9)")
                      .arg(att)
                      .arg(r.id)
                      .arg(r.student)
                      .arg(r.school)
                      .arg(Iso(r.days))
                      .arg(r.code)
                      .arg(r.meeting ? QStringLiteral("ATT_ModeMeeting") : QStringLiteral("ATT_ModeDaily"))
                      .arg(r.meeting ? QString::number(r.schedule) : QStringLiteral("NULL"))
                      .arg(r.meeting ? QString::number(r.period) : QStringLiteral("NULL")));
    }
}

void SetCode(Live& live, int id, int code)
{
    live.Exec(QStringLiteral("UPDATE %1 SET Attendance_CodeID = %2 WHERE ID = %3")
                  .arg(live.Table("Attendance"))
                  .arg(code)
                  .arg(id));
}

// The line of the update file for a record, with its code (empty: deleted in the source).
QString Line(int id, const QString& code)
{
    const Att& r = Row(id);
    const char* const sections[] = {"", "501", "502", "601"};
    return QStringLiteral("%1\t%2\t%3\t%4\t\t\t\t\t\t")
        .arg(r.student)
        .arg(Us(r.days), r.meeting ? QLatin1String(sections[r.schedule]) : QString(), code);
}

// Lists compare as their lines, so that a failure shows them.
std::string Text(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n')).toStdString();
}

QStringList Lines(std::initializer_list<int> ids)
{
    QStringList lines;
    for (int id : ids)
        lines << Line(id, QString::number(Row(id).code));
    lines.sort();
    return lines;
}

// The job texts of the cache windows: seven days each, the next starting on the previous end
// day, the last one ending on the earlier of today and the year's last day.
QStringList Windows(const char* title, int first, int last)
{
    const int limit = last < 0 ? last : 0;
    QStringList lines;
    for (int start = first;;) {
        const int end = start + 6;
        if (end > limit) {
            lines << QStringLiteral("inc_progress\tReading %1 (%2 to %3)...")
                         .arg(QLatin1String(title), Us(start), Us(limit));
            return lines;
        }
        lines << QStringLiteral("inc_progress\tReading %1 (%2 to %3)...")
                     .arg(QLatin1String(title), Us(start), Us(end));
        start = end;
    }
}

QStringList WindowLines(const ProgramResult& r, const char* title)
{
    return r.HostLines().filter(QStringLiteral("\tReading %1 (").arg(QLatin1String(title)));
}

QStringList UpdateFiles(const QString& folder)
{
    return QDir(folder).entryList(QStringList{QStringLiteral("Update *.PDU")}, QDir::Files, QDir::Name);
}

// The data lines of each section of an update file, sorted.
QMap<QString, QStringList> Sections(const QString& path)
{
    QMap<QString, QStringList> sections;
    QString title;
    bool titles = false;
    for (const QString& line : ReadText(path).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QStringLiteral("// Cached "))) {
            title = line.mid(3);
            sections[title];
            titles = true;
        } else if (titles) {
            titles = false;
        } else if (line == QLatin1String("*")) {
            title.clear();
        } else if (!title.isEmpty()) {
            sections[title] << line;
        }
    }
    for (QStringList& lines : sections)
        lines.sort();
    return sections;
}

class AttendanceRuns : public ::testing::TestWithParam<DataSource>
{
protected:
    void SetUp() override
    {
        if (!HaveProgram())
            GTEST_SKIP() << "no program";
        live = MakeLive(GetParam(), QStringLiteral("attendance_live"));
        FillSchool(*live);
        out = NewFolder(QStringLiteral("attendance-runs-") + GetParam().name);
    }

    // An update run of both attendance tables; new is the update file it wrote (empty: none).
    ProgramResult Run(const QString& school = QStringLiteral("100"))
    {
        // A file of the same name (same second) after the old one went counts as new.
        QMap<QString, QDateTime> before;
        for (const QString& name : UpdateFiles(out))
            before[name] = QFileInfo(QDir(out).filePath(name)).lastModified();
        ProgramResult r = RunProgram(
            QStringList{QStringLiteral("run"), QStringLiteral("--att"), QStringLiteral("--dsn=") + live->dsn,
                        QStringLiteral("--path=") + out, QStringLiteral("--school=") + school,
                        QStringLiteral("--filterdaily=true"), QStringLiteral("--filterperiod=true")} +
                live->login,
            live->env);
        written.clear();
        for (const QString& name : UpdateFiles(out)) {
            if (before.value(name) != QFileInfo(QDir(out).filePath(name)).lastModified())
                written << name;
        }
        return r;
    }
    QMap<QString, QStringList> Written()
    {
        EXPECT_EQ(written.size(), 1) << written.join(QLatin1Char(' ')).toStdString();
        return written.isEmpty() ? QMap<QString, QStringList>()
                                 : Sections(QDir(out).filePath(written.first()));
    }
    QString Cache() const { return out + QStringLiteral("/Attendance/Attendance.db"); }
    // newcode and oldcode of a cached row.
    QString Codes(const char* table, int id)
    {
        const Att& r = Row(id);
        const QStringList codes = Sqlite(
            Cache(),
            QStringLiteral("SELECT COALESCE(newcode, 'NULL') || '/' || COALESCE(oldcode, 'NULL') FROM %1 "
                           "WHERE stdkey = '%2' AND attdate = '%3'")
                .arg(QLatin1String(table))
                .arg(r.student)
                .arg(Iso(r.days)));
        return codes.join(QLatin1Char(','));
    }

    std::unique_ptr<Live> live;
    QString out;
    QStringList written;
};

const QString kDaily = QStringLiteral("Cached Daily Attendance");
const QString kPeriod = QStringLiteral("Cached Period Attendance");

TEST_P(AttendanceRuns, ExportOnlyWhatChangedAndStartAfreshOnANewConfiguration)
{
    // The first run reads the whole year up to today and exports every record of it.
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(WindowLines(r, "Student Daily Attendance")),
              Text(Windows("Student Daily Attendance", -40, 200)));
    EXPECT_EQ(Text(WindowLines(r, "Student Period Attendance")),
              Text(Windows("Student Period Attendance", -40, 200)));
    QMap<QString, QStringList> pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(Lines({2, 3, 4, 5, 6})));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(Lines({11, 12, 13, 14})));

    // Again with no change: the overlap days are read again, nothing is exported.
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(WindowLines(r, "Student Daily Attendance")),
              Text(Windows("Student Daily Attendance", -14, 200)));
    pdu = Written();
    EXPECT_EQ(pdu.keys(), (QStringList{kDaily, kPeriod}));
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));

    // A changed code in the overlap goes out, one older than the overlap does not; a deleted
    // record goes out with an empty code.
    SetCode(*live, 4, 7);
    SetCode(*live, 3, 8);
    live->Exec(QStringLiteral("DELETE FROM %1 WHERE ID = 5").arg(live->Table("Attendance")));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList{Line(4, QStringLiteral("7")), Line(5, QString())}));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    r = Run();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));

    // The attendance table missing for a run: the cached rows stay as they were, nothing goes out.
    live->Exec(QStringLiteral("ALTER TABLE %1 RENAME TO Attendance_Away").arg(live->Table("Attendance")));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    live->Exec(QStringLiteral("ALTER TABLE %1 RENAME TO Attendance").arg(live->Table("Attendance_Away")));
    r = Run();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));

    // Another school in the same folder: the history starts afresh, the old update files go, and
    // the windows end on that school's last day.
    r = Run(QStringLiteral("200"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.LogMessages(QStringLiteral("Bridge Configuration Changed.")).size() == 1);
    EXPECT_EQ(Text(UpdateFiles(out)), Text(written));
    EXPECT_EQ(Text(WindowLines(r, "Student Daily Attendance")),
              Text(Windows("Student Daily Attendance", -120, -20)));
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(Lines({22, 23})));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(Lines({25})));

    // And back: the whole year of school 100 again, with the code that the overlap missed.
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    QStringList daily = Lines({2, 6});
    daily << Line(3, QStringLiteral("8")) << Line(4, QStringLiteral("7"));
    daily.sort();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(daily));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(Lines({11, 12, 13, 14})));
}

TEST_P(AttendanceRuns, AFailedRunNeverMarksRowsThatNoFinishedFileHolds)
{
    ASSERT_EQ(Run().code, 0);

    // Caching fails in the last window of period attendance: the finished windows stay cached,
    // the failed one is not, and nothing is exported or marked.
    SetCode(*live, 4, 7);
    SetCode(*live, 13, 9);
    Sqlite(Cache(), QStringLiteral("CREATE TRIGGER fault BEFORE UPDATE ON PERIOD_ATT WHEN NEW.attdate = '%1' "
                                   "AND NEW.newcode <> '' BEGIN SELECT RAISE(ABORT, 'injected fault'); END")
                        .arg(Iso(-1)));
    ProgramResult r = Run();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("injected fault")) &&
                r.err.contains(QStringLiteral("while caching attendance table [PERIOD_ATT]")))
        << r.err.toStdString();
    EXPECT_EQ(written, QStringList());
    EXPECT_EQ(Codes("DAILY_ATT", 4), QStringLiteral("7/3"));    // cached, not marked
    EXPECT_EQ(Codes("PERIOD_ATT", 12), QStringLiteral("1/1"));  // a finished window
    EXPECT_EQ(Codes("PERIOD_ATT", 13), QStringLiteral("/2"));   // the failed window
    EXPECT_EQ(Codes("PERIOD_ATT", 14), QStringLiteral("/3"));

    Sqlite(Cache(), QStringLiteral("DROP TRIGGER fault"));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QMap<QString, QStringList> pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList{Line(4, QStringLiteral("7"))}));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList{Line(13, QStringLiteral("9"))}));

    // Marking fails at one row: every row marked is in the finished file; the rows left pending
    // go out with the next run.
    SetCode(*live, 4, 1);
    SetCode(*live, 5, 2);
    SetCode(*live, 6, 3);
    Sqlite(Cache(), QStringLiteral("CREATE TRIGGER fault BEFORE UPDATE OF oldcode ON DAILY_ATT WHEN "
                                   "NEW.attdate = '%1' BEGIN SELECT RAISE(ABORT, 'injected fault'); END")
                        .arg(Iso(-3)));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(AllText(out).count(QStringLiteral("CreateStudentDailyAttendanceFromDB Error: ")), 1);
    const QStringList first = Written().value(kDaily);
    const QSet<QString> changed{Line(4, QStringLiteral("1")), Line(5, QStringLiteral("2")),
                                Line(6, QStringLiteral("3"))};
    QSet<QString> pending;
    for (int id : {4, 5, 6}) {
        const QStringList codes = Codes("DAILY_ATT", id).split(QLatin1Char('/'));
        ASSERT_EQ(codes.size(), 2);
        const QString line = Line(id, codes[0]);
        EXPECT_TRUE(changed.contains(line)) << line.toStdString();
        if (codes[0] != codes[1])
            pending << line;
        else
            EXPECT_TRUE(first.contains(line)) << "marked, not in the file: " << line.toStdString();
    }
    EXPECT_TRUE(pending.contains(Line(5, QStringLiteral("2"))));
    Sqlite(Cache(), QStringLiteral("DROP TRIGGER fault"));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList second = Written().value(kDaily);
    EXPECT_EQ(QSet<QString>(second.begin(), second.end()), pending);
    EXPECT_EQ(QSet<QString>(first.begin(), first.end()) + pending, changed);
}

// The attendance code file belongs to the user once written; the modes decide which files a
// run writes.
class AttendanceCodeFile : public ::testing::TestWithParam<DataSource>
{
};

TEST_P(AttendanceCodeFile, IsWrittenOnceAndTheModesChooseTheFiles)
{
    if (!HaveProgram())
        GTEST_SKIP() << "no program";
    std::unique_ptr<Live> codes = MakeLive(GetParam(), QStringLiteral("attendance_codes"));
    const QString folder = NewFolder(QStringLiteral("attcodes-") + GetParam().name);
    auto run = [&](const char* mode) {
        return RunProgram(QStringList{QStringLiteral("run"), QLatin1String(mode),
                                      QStringLiteral("--dsn=") + codes->dsn,
                                      QStringLiteral("--path=") + folder, QStringLiteral("--school=100"),
                                      QStringLiteral("--filterdaily=true")} +
                              codes->login,
                          codes->env);
    };
    ProgramResult r = run("--all");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(UpdateFiles(folder).size(), 1);
    const QString path = folder + QStringLiteral("/AttCodes.pef");
    QString text = ReadText(path);
    ASSERT_TRUE(text.contains(QStringLiteral("\r\n3\tT\tTardy\tN\t0\t1\r\n")));

    // The user's own values stay, whatever the database says.
    text.replace(QStringLiteral("\r\n3\tT\tTardy\tN\t0\t1\r\n"),
                 QStringLiteral("\r\n3\tT\tLate\tY\t0\t1\r\n"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();
    QFile::remove(folder + QStringLiteral("/Varnholm.PDE"));
    r = run("--demo");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(ReadText(path), text);
    EXPECT_TRUE(ReadText(folder + QStringLiteral("/Varnholm.PDE"))
                    .contains(QStringLiteral("#include \"AttCodes.pef\"")));
    EXPECT_EQ(UpdateFiles(folder).size(), 1);

    QFile::remove(folder + QStringLiteral("/Varnholm.PDE"));
    r = run("--att");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(UpdateFiles(folder).size(), 2);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/Varnholm.PDE")));
    EXPECT_EQ(ReadText(path), text);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, AttendanceRuns, ::testing::ValuesIn(DataSources(false)), DataSourceName);
INSTANTIATE_TEST_SUITE_P(Pg, AttendanceRuns, ::testing::ValuesIn(DataSources(true)), DataSourceName);
INSTANTIATE_TEST_SUITE_P(Sqlite, AttendanceCodeFile, ::testing::ValuesIn(DataSources(false)), DataSourceName);
INSTANTIATE_TEST_SUITE_P(Pg, AttendanceCodeFile, ::testing::ValuesIn(DataSources(true)), DataSourceName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(AttendanceRuns);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(AttendanceCodeFile);

}  // namespace
