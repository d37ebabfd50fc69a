// Attendance update runs, one after another, on a source that the test fills with dates relative
// to the day it runs (SQLite and PostgreSQL): the windows around today and the school year's
// ends, the overlap days, re-runs, changed and deleted codes, a configuration change, runs that
// fail while caching or while marking rows, and the attendance code file that is written once.
#include "AttendanceSource.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>

using namespace enginetest;

namespace {

const QDate kToday = QDate::currentDate();

QString Us(int days)
{
    return kToday.addDays(days).toString("MM/dd/yyyy");
}

// School 100: the current year from 40 days ago to 200 days ahead, last year before it.
// School 200: the current year ended 20 days ago.
// clang-format off
const std::vector<AttRecord> kRows = {
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

void FillSchool(ChangeableSource& live)
{
    FillAttendanceSource(live,
                         {{1, 100, 26, "Last year", -400, -41},
                          {2, 100, 27, "This year", -40, 200},
                          {3, 200, 27, "Ridge year", -120, -20}},
                         kRows);
}

// The line of the update file for a record, with its code (empty: deleted in the source).
QString RecordLine(const AttRecord& r, const QString& code)
{
    const char* const sections[] = {"", "501", "502", "601"};
    return QString("%1\t%2\t%3\t%4\t\t\t\t\t\t")
        .arg(r.student)
        .arg(Us(r.days), r.meeting ? QLatin1String(sections[r.schedule]) : QString(), code);
}

QString Line(int id, const QString& code)
{
    return RecordLine(FindRecord(kRows, id), code);
}

// Stores the attendance records in the reverse order of their ids: SQLite copies them back in
// that order; PostgreSQL writes a new version of each row, the highest id first.
void ReversePhysicalOrder(ChangeableSource& live)
{
    const QString att = live.Table("Attendance");
    if (!live.pg) {
        live.Exec("CREATE TABLE Attendance_Copy AS SELECT * FROM Attendance");
        live.Exec("DELETE FROM Attendance");
        live.Exec("INSERT INTO Attendance SELECT * FROM Attendance_Copy ORDER BY ID DESC");
        live.Exec("DROP TABLE Attendance_Copy");
        return;
    }
    for (const QString& id :
         live.Column(QString("SELECT CAST(ID AS VARCHAR(12)) FROM %1 ORDER BY ID DESC").arg(att)))
        live.Exec(QString("UPDATE %1 SET ID = ID WHERE ID = %2").arg(att, id));
}

// Lists compare as their lines, so that a failure shows them.
std::string Text(const QStringList& lines)
{
    return lines.join('\n').toStdString();
}

QStringList Lines(std::initializer_list<int> ids)
{
    QStringList lines;
    for (int id : ids)
        lines << Line(id, QString::number(FindRecord(kRows, id).code));
    lines.sort();
    return lines;
}

// The job texts of the cache windows: seven days each, the next starting on the previous end
// day, the last one ending on the earlier of today and the year's last day.
QStringList Windows(const char* title, int first, int last)
{
    const int limit = last < 0 ? last : 0;
    QStringList lines;
    for (int start = first;; start += 6) {
        lines << QString("inc_progress\tReading %1 (%2 to %3)...")
                     .arg(title, Us(start), Us(std::min(start + 6, limit)));
        if (start + 6 > limit)
            return lines;
    }
}

QStringList WindowLines(const ProgramResult& r, const char* title)
{
    return r.HostLines().filter(QString("\tReading %1 (").arg(title));
}

class AttendanceRuns : public LiveAttendanceTest
{
protected:
    AttendanceRuns() : LiveAttendanceTest("attendance-runs") {}
    void Fill(ChangeableSource& source) override { FillSchool(source); }

    // An update run of both attendance tables; new is the update file it wrote (empty: none).
    ProgramResult Run(const QString& school = "100")
    {
        // A file of the same name (same second) after the old one went counts as new.
        QMap<QString, QDateTime> before;
        for (const QString& name : UpdateFiles(out))
            before[name] = QFileInfo(QDir(out).filePath(name)).lastModified();
        QProcessEnvironment env = live->env;
        if (clockDays != 0 || countWrites) {
            env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
            env.insert("VH_FAULT_CLOCK_DAYS", QString::number(clockDays));
        }
        if (countWrites)
            env.insert("VH_COUNT_CACHE_WRITES", out + ".writes");
        ProgramResult r = RunProgram(
            QStringList{"run", "--att", "--dsn=" + live->dsn, "--path=" + out, "--school=" + school,
                        QString("--filterdaily=") + (dailyFlag ? "true" : "false"),
                        QString("--filterperiod=") + (periodFlag ? "true" : "false")} +
                live->login,
            env);
        written.clear();
        for (const QString& name : UpdateFiles(out)) {
            if (before.value(name) != QFileInfo(QDir(out).filePath(name)).lastModified())
                written << name;
        }
        return r;
    }
    QMap<QString, QStringList> Written()
    {
        EXPECT_EQ(written.size(), 1) << written.join(' ').toStdString();
        return written.isEmpty() ? QMap<QString, QStringList>()
                                 : UpdateSections(QDir(out).filePath(written.first()));
    }
    QString Cache() const { return out + "/Attendance/Attendance.db"; }
    // The update date that SchoolConfig.xml records, as "YYYY-MM-DD".
    QString UpdateDate() const
    {
        const QString xml = ReadText(out + "/SchoolConfig.xml");
        const int start = xml.indexOf("<UpdateDate>") + 12;
        return start < 12 ? QString() : xml.mid(start, xml.indexOf("</UpdateDate>") - start);
    }
    // newcode and oldcode of a cached row.
    QString Codes(const char* table, int id)
    {
        const AttRecord& r = FindRecord(kRows, id);
        const QStringList codes = SqliteRows(
            Cache(), QString("SELECT COALESCE(newcode, 'NULL') || '/' || COALESCE(oldcode, 'NULL') FROM %1 "
                             "WHERE stdkey = '%2' AND attdate = '%3'")
                         .arg(QLatin1String(table))
                         .arg(r.student)
                         .arg(Iso(r.days)));
        return codes.join(',');
    }

    // The rows that the runs since the last call gave SQLite to store, per cache table.
    std::string Writes()
    {
        const QString text = ReadText(out + ".writes").trimmed();
        QFile::remove(out + ".writes");
        return text.toStdString();
    }

    // Every line of the sections of the update file that the last run wrote.
    QStringList SentLines()
    {
        QStringList lines;
        for (const QStringList& section : Written())
            lines << section;
        return lines;
    }

    QStringList written;
    int clockDays = 0;                         // the program's clock is this many days off
    bool countWrites = false;                  // the runs count their cache writes (Writes)
    bool dailyFlag = true, periodFlag = true;  // the attendance flags of the runs
};

const QString kDaily = "Cached Daily Attendance";
const QString kPeriod = "Cached Period Attendance";

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
    live->Exec(QString("DELETE FROM %1 WHERE ID = 5").arg(live->Table("Attendance")));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList{Line(4, "7"), Line(5, QString())}));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    r = Run();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));

    // The attendance table missing for a run: the cached rows stay as they were, nothing goes out.
    live->Exec(QString("ALTER TABLE %1 RENAME TO Attendance_Away").arg(live->Table("Attendance")));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    live->Exec(QString("ALTER TABLE %1 RENAME TO Attendance").arg(live->Table("Attendance_Away")));
    r = Run();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));

    // Another school in the same folder: the history starts afresh, the old update files go, and
    // the windows end on that school's last day.
    r = Run("200");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.LogMessages("Bridge Configuration Changed.").size() == 1);
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
    daily << Line(3, "8") << Line(4, "7");
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
    SqliteRows(Cache(), QString("CREATE TRIGGER fault BEFORE UPDATE ON PERIOD_ATT WHEN NEW.attdate = '%1' "
                                "AND NEW.newcode <> '' BEGIN SELECT RAISE(ABORT, 'injected fault'); END")
                            .arg(Iso(-1)));
    ProgramResult r = Run();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("injected fault") &&
                r.err.contains("while caching attendance table [PERIOD_ATT]"))
        << r.err.toStdString();
    EXPECT_EQ(written, QStringList());
    EXPECT_EQ(Codes("DAILY_ATT", 4), "7/3");    // cached, not marked
    EXPECT_EQ(Codes("PERIOD_ATT", 12), "1/1");  // a finished window
    EXPECT_EQ(Codes("PERIOD_ATT", 13), "2/2");  // the failed window: not read, so not emptied
    EXPECT_EQ(Codes("PERIOD_ATT", 14), "3/3");

    SqliteRows(Cache(), "DROP TRIGGER fault");
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QMap<QString, QStringList> pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList{Line(4, "7")}));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList{Line(13, "9")}));

    // Marking fails at one row: the run fails, with no update file and no row marked; the next
    // run sends every change once.
    SetCode(*live, 4, 1);
    SetCode(*live, 5, 2);
    SetCode(*live, 6, 3);
    SqliteRows(Cache(), QString("CREATE TRIGGER fault BEFORE UPDATE OF oldcode ON DAILY_ATT WHEN "
                                "NEW.attdate = '%1' BEGIN SELECT RAISE(ABORT, 'injected fault'); END")
                            .arg(Iso(-3)));
    r = Run();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("SQLite Attendance: Could not export the attendance history: injected fault"))
        << r.err.toStdString();
    EXPECT_EQ(AllText(out).count("CreateStudentDailyAttendanceFromDB Error: "), 1);
    EXPECT_EQ(written, QStringList());
    EXPECT_EQ(Codes("DAILY_ATT", 4), "1/7");
    EXPECT_EQ(Codes("DAILY_ATT", 5), "2/1");
    EXPECT_EQ(Codes("DAILY_ATT", 6), "3/2");
    SqliteRows(Cache(), "DROP TRIGGER fault");
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QStringList second = Written().value(kDaily);
    second.sort();
    QStringList changed{Line(4, "1"), Line(5, "2"), Line(6, "3")};
    changed.sort();
    EXPECT_EQ(Text(second), Text(changed));
}

TEST_P(AttendanceRuns, AWrongClockNeverSendsAnExistingRowAsDeleted)
{
    ASSERT_EQ(Run().code, 0);
    EXPECT_EQ(UpdateDate(), Iso(0));

    // A day behind: today's rows are not read, so they are not deleted; the date stays.
    SetCode(*live, 5, 4);
    clockDays = -1;
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QMap<QString, QStringList> pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList{Line(5, "4")}));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    EXPECT_EQ(UpdateDate(), Iso(0));

    // A day ahead: tomorrow's record is read and sent.
    clockDays = 1;
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(Lines({7})));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    EXPECT_EQ(UpdateDate(), Iso(1));

    // Corrected: tomorrow is not read, so its record is not deleted; the windows start by today
    // less the overlap, and the recorded date does not move back.
    clockDays = 0;
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    EXPECT_EQ(WindowLines(r, "Student Daily Attendance").value(0),
              QString("inc_progress\tReading Student Daily Attendance (%1 to %2)...").arg(Us(-14), Us(-8)));
    EXPECT_EQ(UpdateDate(), Iso(1));

    // The following runs send each change once, tomorrow's when its day is read.
    SetCode(*live, 4, 9);
    SetCode(*live, 13, 8);
    SetCode(*live, 7, 5);
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList{Line(4, "9")}));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList{Line(13, "8")}));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    clockDays = 1;
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList{Line(7, "5")}));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
}

TEST_P(AttendanceRuns, RecordsOfOneRowGiveTheSameCodeWhateverTheirOrder)
{
    // A second daily record of student 1001 ten days ago, and a second meeting of section 502
    // of student 1002 five days ago: of each pair, the record with the higher id counts. Every
    // meeting is read twice (two bell schedules).
    const AttRecord daily{9, 1001, 100, -10, 5, false, 0, 0};
    const AttRecord meeting{16, 1002, 100, -5, 4, true, 2, 1};
    InsertAttendance(*live, daily);
    InsertAttendance(*live, meeting);
    const QString bells = live->Table("Bell_Schedule"), items = live->Table("Bell_Schedule_Items");
    live->Exec(QString("INSERT INTO %1 VALUES (3, 100, 27, 'Late start')").arg(bells));
    live->Exec(QString("INSERT INTO %1 VALUES (4, 3, 1), (5, 3, 2)").arg(items));
    countWrites = true;
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // The records of a row are stored as one row, once per window that reads their day: daily
    // days -40, -30, -10 (which ends one window and starts the next), -3 and today; meetings on
    // days -20, -5 and -1 and today.
    EXPECT_EQ(Writes(), "DAILY_ATT 6 PERIOD_ATT 4");
    QMap<QString, QStringList> pdu = Written();
    QStringList expected = Lines({2, 3, 5, 6});
    expected << RecordLine(daily, "5");
    expected.sort();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(expected));
    expected = Lines({11, 13, 14});
    expected << RecordLine(meeting, "4");
    expected.sort();
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(expected));

    // The same records in the reverse physical order: no change, and no sort in the source. The
    // overlap days hold three daily rows (days -10, -3 and today) and three period rows (days -5,
    // -1 and today).
    ReversePhysicalOrder(*live);
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Writes(), "DAILY_ATT 3 PERIOD_ATT 3");
    pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(QStringList()));
    const QStringList statements = AllText(out).split('\n').filter("= 'ATT_Mode");
    EXPECT_GT(statements.size(), 0);
    EXPECT_EQ(statements.filter("att.ID").size(), statements.size());
    EXPECT_EQ(statements.filter("'ATT_ModeMeeting'").size(), statements.size() / 2) << Text(statements);
    EXPECT_EQ(statements.filter("ORDER BY").size(), 0) << Text(statements);
    live->Exec(QString("DELETE FROM %1 WHERE ID > 3").arg(items));
    live->Exec(QString("DELETE FROM %1 WHERE ID = 3").arg(bells));
}

TEST_P(AttendanceRuns, AWindowWithoutPeriodRecordsStillSendsAPeriodRecordAsDeleted)
{
    // A month ago: no meeting of the year lies in the days read, until one is added.
    clockDays = -30;
    ASSERT_EQ(Run().code, 0);
    const AttRecord meeting{31, 1001, 100, -33, 2, true, 1, 1};
    InsertAttendance(*live, meeting);
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(Written().value(kPeriod)), Text(QStringList{RecordLine(meeting, "2")}));

    live->Exec(QString("DELETE FROM %1 WHERE ID = 31").arg(live->Table("Attendance")));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(Written().value(kPeriod)), Text(QStringList{RecordLine(meeting, QString())}));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(SentLines()), Text(QStringList()));
}

TEST_P(AttendanceRuns, RunsWithOtherFlagsSendEveryRecordOnce)
{
    QStringList sent;
    auto runAt = [&](int days, bool withDaily, bool withPeriod) {
        clockDays = days;
        dailyFlag = withDaily;
        periodFlag = withPeriod;
        ProgramResult r = Run();
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return SentLines();
    };
    // A daily-only history that a month later also reads period attendance: the period table is
    // read from the beginning of the year, as a first run reads it.
    sent << runAt(-30, true, false) << runAt(-5, true, false);
    QStringList periodOnce = runAt(0, true, true);
    EXPECT_TRUE(Text(periodOnce).find(Text(Lines({11}))) != std::string::npos) << Text(periodOnce);
    sent << periodOnce;

    // A meeting dated after the last period read, while daily-only runs go on for weeks; then a
    // daily record while period-only runs go on.
    const AttRecord meeting{32, 1002, 100, 5, 3, true, 2, 2};
    InsertAttendance(*live, meeting);
    sent << runAt(10, true, false) << runAt(20, true, false) << runAt(30, true, true);
    const AttRecord day{33, 1001, 100, 35, 4, false, 0, 0};
    InsertAttendance(*live, day);
    sent << runAt(40, false, true) << runAt(50, false, true) << runAt(60, true, true)
         << runAt(60, true, true);

    QStringList expected = Lines({2, 3, 4, 5, 6, 7, 11, 12, 13, 14, 15});
    expected << RecordLine(meeting, "3") << RecordLine(day, "4");
    expected.sort();
    sent.sort();
    EXPECT_EQ(Text(sent), Text(expected));
}

TEST_P(AttendanceRuns, AMissingAttendanceTableLeavesTheUpdateDateForTheNextRun)
{
    clockDays = -30;
    ASSERT_EQ(Run().code, 0);
    EXPECT_EQ(UpdateDate(), Iso(-30));

    // The table is missing for a run twenty days later: nothing is read, the date stays.
    live->Exec(QString("ALTER TABLE %1 RENAME TO Attendance_Away").arg(live->Table("Attendance")));
    clockDays = -10;
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QMap<QString, QStringList> pdu = Written();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(QStringList()));
    EXPECT_EQ(UpdateDate(), Iso(-30));
    EXPECT_EQ(r.LogMessages("The update date stays at ").size(), 1) << r.out.toStdString();

    // Restored: the next run reads from the recorded date less the overlap, and sends the
    // change made during the gap as well as the new days.
    live->Exec(QString("ALTER TABLE %1 RENAME TO Attendance").arg(live->Table("Attendance_Away")));
    SetCode(*live, 3, 6);
    clockDays = 0;
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pdu = Written();
    QStringList daily = Lines({4, 5, 6});
    daily << Line(3, "6");
    daily.sort();
    EXPECT_EQ(Text(pdu.value(kDaily)), Text(daily));
    EXPECT_EQ(Text(pdu.value(kPeriod)), Text(Lines({11, 12, 13, 14})));
    EXPECT_EQ(UpdateDate(), Iso(0));
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
    const DataSource& source = GetParam();
    const QString folder = NewFolder(QString("attcodes-") + source.name);
    auto run = [&](const char* mode) {
        return RunProgram(QStringList{"run", mode, "--dsn=" + source.Dsn("vh_golden_attendance_codes"),
                                      "--path=" + folder, "--school=100", "--filterdaily=true"} +
                              source.Login(),
                          source.Env());
    };
    ProgramResult r = run("--all");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(UpdateFiles(folder).size(), 1);
    const QString path = folder + "/AttCodes.pef";
    QString text = ReadText(path);
    ASSERT_TRUE(text.contains("\r\n3\tT\tTardy\tN\t0\t1\r\n"));

    // The user's own values stay, whatever the database says.
    text.replace("\r\n3\tT\tTardy\tN\t0\t1\r\n", "\r\n3\tT\tLate\tY\t0\t1\r\n");
    WriteText(path, text.toUtf8());
    QFile::remove(folder + "/Varnholm.PDE");
    r = run("--demo");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(ReadText(path), text);
    EXPECT_TRUE(ReadText(folder + "/Varnholm.PDE").contains("#include \"AttCodes.pef\""));
    EXPECT_EQ(UpdateFiles(folder).size(), 1);

    QFile::remove(folder + "/Varnholm.PDE");
    r = run("--att");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(UpdateFiles(folder).size(), 2);
    EXPECT_FALSE(QFile::exists(folder + "/Varnholm.PDE"));
    EXPECT_EQ(ReadText(path), text);
}

INSTANTIATE_ON_BOTH_SOURCES(AttendanceRuns);
INSTANTIATE_ON_BOTH_SOURCES(AttendanceCodeFile);

}  // namespace
