// The end of the update pass and the attendance history under faults, on SQLite and on
// PostgreSQL: the disk fills up just as the sent rows are marked, the program is killed just
// before or just after those marks, the power fails after them, the history file is deleted or
// emptied, another program holds the history's write lock from before the run or as the export
// begins or reads the history through a commit, the history's folder fails or refuses its syncs,
// a commit answers an error although it was made; and every commit that wrote is followed by a
// sync of the history's folder.
#include "AttendanceSource.h"
#include "FaultRuns.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

using namespace enginetest;

namespace {

const QDate kToday = QDate::currentDate();

// Attendance records of school 100, days counted from today; a meeting has a schedule row (CC 1 is
// section 501, CC 2 section 502) and a period.
// clang-format off
const std::vector<AttRecord> kRecords = {
    {1, 1001, 100, -9, 1, false, 0, 0},
    {2, 1002, 100, -9, 2, false, 0, 0},
    {3, 1001, 100, -6, 3, false, 0, 0},
    {4, 1002, 100, -4, 1, false, 0, 0},
    {5, 1001, 100, -2, 2, false, 0, 0},
    {11, 1001, 100, -5, 1, true, 1, 1},
    {12, 1002, 100, -3, 2, true, 2, 2},
};
// clang-format on

// The school year of school 100 runs from 40 days ago to 200 days ahead; school 200's ended 20
// days ago.
void FillSchool(ChangeableSource& live)
{
    FillAttendanceSource(live, {{1, 100, 27, "This year", -40, 200}, {2, 200, 27, "Ridge year", -120, -20}},
                         kRecords);
}

// The line of the update file for a record with a code: student, date, section (empty for a day
// record), code, and six empty fields.
QString Line(int id, int code)
{
    const AttRecord& r = FindRecord(kRecords, id);
    return QString("%1\t%2\t%3\t%4\t\t\t\t\t\t")
        .arg(r.student)
        .arg(kToday.addDays(r.days).toString("MM/dd/yyyy"), r.meeting ? QString::number(500 + r.schedule) : "")
        .arg(code);
}

// Every record with its code in the source now.
QStringList Everything()
{
    QStringList lines;
    for (const AttRecord& r : kRecords)
        lines << Line(r.id, r.code);
    return lines;
}

std::string Text(QStringList lines)
{
    lines.sort();
    return lines.join('\n').toStdString();
}

// How the log begins a wait for another program's lock on the history.
const char kWaitBegins[] = "Waiting for another program's lock on the attendance history";

// The log files of a folder from their ends when it was made: whether a text was written to them
// since. The program writes each log line to its file at once.
class LogTail
{
public:
    explicit LogTail(const QString& folder) : m_folder(folder)
    {
        for (const QFileInfo& file : Files())
            m_from.insert(file.fileName(), file.size());
    }
    bool Says(const char* text) const
    {
        for (const QFileInfo& file : Files()) {
            QFile log(file.filePath());
            if (log.open(QIODevice::ReadOnly) && log.seek(m_from.value(file.fileName(), 0)) &&
                log.readAll().contains(text))
                return true;
        }
        return false;
    }

private:
    QFileInfoList Files() const { return QDir(m_folder).entryInfoList({"Varnholm-*.log"}, QDir::Files); }

    QString m_folder;
    QMap<QString, qint64> m_from;
};

class HistoryFaults : public LiveAttendanceTest
{
protected:
    HistoryFaults() : LiveAttendanceTest("history-faults") {}
    void Fill(ChangeableSource& source) override { FillSchool(source); }

    // The next run sends these lines, the one after it nothing; and every change went out once:
    // the first run's lines and the changes.
    void ExpectSentOnce(const QStringList& next, const QStringList& changes)
    {
        ProgramResult r = Run();
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(Text(lines), Text(next));
        r = Run();
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(Text(lines), Text({}));
        EXPECT_EQ(Text(sent), Text(Everything() + changes));
    }

    // An update run of both attendance tables (or of those the flags name); fault is the preloaded
    // fault of the update file (empty: none), faults the other preloaded faults by variable. The
    // attendance lines of the update file it wrote, if any, go into lines.
    ProgramResult Run(const char* mode = "--att", const QString& fault = QString(),
                      const QString& school = "100",
                      const QStringList& flags = {"--filterdaily=true", "--filterperiod=true"},
                      const QMap<QString, QString>& faults = {})
    {
        QProcessEnvironment env = live->env;
        if (!fault.isEmpty() || !faults.isEmpty())
            env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
        if (!fault.isEmpty()) {
            env.insert("VH_FAULT_UPDATE_FILE", fault);
            env.insert("VH_FAULT_PAUSE_FILE", PauseFile());
        }
        for (auto it = faults.begin(); it != faults.end(); ++it)
            env.insert(it.key(), it.value());
        const QStringList before = UpdateFiles(out);
        const ProgramResult r =
            RunProgram(QStringList{"run", mode, "--dsn=" + live->dsn, "--path=" + out, "--school=" + school} +
                           flags + live->login,
                       env);
        lines.clear();
        newFiles.clear();
        for (const QString& name : UpdateFiles(out)) {
            if (before.contains(name))
                continue;
            newFiles << name;
            for (const QStringList& section : UpdateSections(QDir(out).filePath(name)))
                lines << section;
        }
        sent << lines;
        return r;
    }
    void SetCode(int id, int code) { enginetest::SetCode(*live, id, code); }
    QString Cache() const { return out + "/Attendance/Attendance.db"; }
    QString Config() const { return out + "/SchoolConfig.xml"; }
    QString PauseFile() const { return out + ".pause"; }
    // How long another program holds the history's lock once it took it.
    enum class Hold
    {
        UntilTheRunWaits,  // until the run's log says that it waits for the lock
        ThroughTheRun,     // until the run has ended
    };
    // An update run that stops at the pause point (as its export begins, or as it reads its first
    // window), while another program (this one) runs the SQL on the history and holds the lock it
    // took.
    struct HeldRun
    {
        ProgramResult run;
        QByteArray history;  // the history's bytes when it was taken
    };
    HeldRun RunWithHistoryHeld(Hold hold, const char* pause = "pause-export",
                               const char* take = "BEGIN IMMEDIATE")
    {
        QFile::remove(PauseFile());
        std::atomic<bool> done{false};
        std::atomic<bool> locked{false};
        HeldRun held;
        const LogTail log(out);
        std::thread holder([&] {
            while (!done && !QFile::exists(PauseFile()))
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (done)
                return;
            // Read before the lock is taken: closing another descriptor of the file would drop it.
            held.history = ReadBytes(Cache());
            sqlite3* db = nullptr;
            if (sqlite3_open(Cache().toUtf8().constData(), &db) == SQLITE_OK &&
                sqlite3_exec(db, take, nullptr, nullptr, nullptr) == SQLITE_OK)
                locked = true;
            QFile::remove(PauseFile());
            while (!done && !(hold == Hold::UntilTheRunWaits && log.Says(kWaitBegins)))
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
        held.run = Run("--att", pause);
        done = true;
        holder.join();
        EXPECT_TRUE(locked);
        return held;
    }
    ProgramResult RunWithHistoryLocked(Hold hold) { return RunWithHistoryHeld(hold).run; }
    // Runs of both tables whose folder operations the preloaded library records for LosePower.
    ProgramResult RunRecorded(const char* fault = "", const QMap<QString, QString>& more = {})
    {
        QMap<QString, QString> faults = more;
        faults.insert("VH_POWER_LOG", PowerLog());
        return Run("--att", fault, "100", {"--filterdaily=true", "--filterperiod=true"}, faults);
    }
    QString PowerLog() const { return out + ".power"; }
    // The lines of the power record of a run whose kind is the kind and whose path ends with the
    // text; the record starts afresh.
    int CountRecorded(const QString& kind, const QString& end)
    {
        int count = 0;
        for (const QByteArray& line : ReadBytes(PowerLog()).split('\n')) {
            const QStringList fields = QString::fromUtf8(line).split('\t');
            count += fields.size() >= 2 && fields[0] == kind && fields[1].endsWith(end);
        }
        ForgetRecord();
        return count;
    }
    // For each removal of the history's journal in the power record (one per commit that wrote),
    // what came next in the history's folder: "sync" when the folder was synced before anything
    // else happened there, else that operation ("create": the next commit's journal), or "none";
    // separated by spaces. The record starts afresh.
    std::string AfterJournalRemovals()
    {
        const QString folder = QFileInfo(Cache()).canonicalPath();
        const QString journal = folder + "/Attendance.db-journal";
        QStringList after;
        bool waiting = false;
        for (const QByteArray& line : ReadBytes(PowerLog()).split('\n')) {
            const QStringList fields = QString::fromUtf8(line).split('\t');
            if (fields.size() < 2)
                continue;
            const bool inFolder = fields[0] == "sync"
                                      ? fields[1] == folder
                                      : QFileInfo(fields[1]).path() == folder ||
                                            (fields.size() >= 3 && QFileInfo(fields[2]).path() == folder);
            if (!inFolder)
                continue;
            if (waiting)
                after << fields[0];
            waiting = fields[0] == "unlink" && fields[1] == journal;
        }
        if (waiting)
            after << "none";
        ForgetRecord();
        return after.join(' ').toStdString();
    }
    void ForgetRecord()
    {
        QFile::remove(PowerLog());
        QDir aside(PowerLog() + ".aside");
        for (const QString& name : aside.entryList(QDir::Files))
            aside.remove(name);
    }
    // The waits for another program's lock that a run logged, and the ends of the run's wait.
    static int Waits(const ProgramResult& r) { return r.LogMessages(kWaitBegins).size(); }
    static int WaitsRanOut(const ProgramResult& r)
    {
        return r.LogMessages("Another program held the attendance history through the run's whole wait").size();
    }
    // The code of each row in the last update file, by name, that holds it: what the import
    // program keeps.
    QMap<QString, QString> LastCodes() const
    {
        QMap<QString, QString> codes;
        for (const QString& line : LinesInFolder())
            codes[line.section('\t', 0, 2)] = line.section('\t', 3, 3);
        return codes;
    }
    // The attendance lines of every update file in the folder.
    QStringList LinesInFolder() const
    {
        QStringList all;
        for (const QString& name : UpdateFiles(out))
            all << AttendanceLines(QDir(out).filePath(name));
        return all;
    }
    // A run that failed with the error and left no update file, no unfinished file and the
    // recorded update date as it was.
    void ExpectFailed(const ProgramResult& r, const QString& error, const QByteArray& config)
    {
        EXPECT_EQ(r.code, 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("error\tExtraction Failed\t") && r.err.contains(error))
            << r.err.toStdString();
        EXPECT_EQ(Status(out), kFailedRun);
        EXPECT_EQ(newFiles, QStringList());
        EXPECT_TRUE(QDir(out).entryList(QStringList{"*.partial"}, QDir::Files).isEmpty());
        EXPECT_EQ(ReadBytes(Config()), config);
    }

    QStringList newFiles;  // update files of the last run
    QStringList lines;     // attendance lines of the last run
    QStringList sent;      // attendance lines of every run
};

TEST_P(HistoryFaults, AFullDiskWhenTheSentRowsAreMarkedLeavesNoUpdateFile)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text(Everything()));

    SetCode(3, 7);
    SetCode(11, 8);
    const QByteArray config = ReadBytes(Config());
    r = Run("--att", "full");
    ExpectFailed(r, "SQLite Attendance: Could not mark the exported rows: database or disk is full", config);
    // The rows are cached with their new codes and still wait to be sent.
    EXPECT_EQ(SqliteRows(Cache(), QString("SELECT newcode || '/' || oldcode FROM DAILY_ATT WHERE attdate = '%1' "
                                          "AND stdkey = '1001'")
                                      .arg(Iso(-6))),
              QStringList{"7/3"});

    ExpectSentOnce({Line(3, 7), Line(11, 8)}, {Line(3, 7), Line(11, 8)});
}

TEST_P(HistoryFaults, AKillAtTheEndOfTheUpdateFileSendsEveryChangeOnce)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    // Killed with the whole update file on the disk, before its rows were marked sent: the next
    // run removes the file and sends the change.
    SetCode(4, 9);
    r = Run("--att", "kill-before-marks");
    EXPECT_EQ(r.code, -2);
    EXPECT_EQ(newFiles, QStringList());
    EXPECT_EQ(QDir(out).entryList(QStringList{"*.partial"}, QDir::Files).size(), 1);
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(4, 9)}));
    EXPECT_EQ(newFiles.size(), 1);

    // Killed after the marks, before the file took its name: the next run gives it its name and
    // sends the change no more.
    SetCode(5, 7);
    r = Run("--att", "kill-after-marks");
    EXPECT_EQ(r.code, -2);
    EXPECT_EQ(newFiles, QStringList());
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(newFiles.size(), 2);
    EXPECT_EQ(Text(lines), Text({Line(5, 7)}));
    EXPECT_EQ(r.LogMessages("Gave the update file " + newFiles.first() + " of an earlier run its name.").size(),
              1);
    EXPECT_TRUE(QDir(out).entryList(QStringList{"*.partial"}, QDir::Files).isEmpty());

    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({}));
    EXPECT_EQ(Text(sent), Text(Everything() + QStringList{Line(4, 9), Line(5, 7)}));
}

TEST_P(HistoryFaults, ADeletedOrEmptiedHistoryFailsTheRunAndDeletesNothing)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    SetCode(5, 8);
    QByteArray config = ReadBytes(Config());
    const QByteArray history = ReadBytes(Cache());
    ASSERT_FALSE(history.isEmpty());
    // A line or two for the host; what to do is in the log.
    const auto message = [&](const QString& how) {
        return "The attendance history " + Cache() + " " + how +
               ", but SchoolConfig.xml records attendance updates up to " + kToday.toString("MM/dd/yyyy") +
               ". Nothing was deleted; the log says how to go on.";
    };
    const auto expectHowTo = [&](const ProgramResult& run, const QString& how) {
        EXPECT_EQ(
            run.LogMessages("The attendance history " + Cache() + " " + how +
                            ". Restore the file from a backup and run again; or, to start the attendance "
                            "history afresh, delete SchoolConfig.xml from the output folder: the next run "
                            "then sends the attendance of the whole school year again.")
                .size(),
            1)
            << run.out.right(3000).toStdString();
    };

    // Deleted: the run fails before it writes anything, and the file is not made anew.
    ASSERT_TRUE(QFile::rename(Cache(), Cache() + ".saved"));
    r = Run();
    ExpectFailed(r, message("is missing"), config);
    expectHowTo(r, "is missing");
    EXPECT_FALSE(QFile::exists(Cache()));
    EXPECT_FALSE(r.out.contains("Reading Student Daily Attendance"));

    // A run that reads no attendance needs no history: it goes on, and leaves the update date.
    r = Run("--att", QString(), "100", {});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(newFiles.size(), 1);
    EXPECT_EQ(Text(lines), Text({}));
    EXPECT_TRUE(ReadBytes(Config()).contains("<UpdateDate>" + Iso(0).toUtf8() + "</UpdateDate>"));
    QFile::remove(Cache());
    config = ReadBytes(Config());

    // Emptied.
    WriteText(Cache(), QByteArray());
    r = Run();
    ExpectFailed(r, message("is empty"), config);
    EXPECT_EQ(QFileInfo(Cache()).size(), 0);

    // Replaced by a valid history without tables, and one whose period table was dropped: only
    // the tables that the run's flags read count, and nothing of the file is changed.
    QFile::remove(Cache());
    SqliteRows(Cache(), "PRAGMA user_version = 1");
    const QByteArray bare = ReadBytes(Cache());
    ASSERT_FALSE(bare.isEmpty());
    r = Run();
    ExpectFailed(r, message("has no table DAILY_ATT"), config);
    expectHowTo(r, "has no table DAILY_ATT");
    EXPECT_EQ(ReadBytes(Cache()), bare);
    // The same while another program holds the history's lock as the run begins: the check
    // waits for it instead of leaving the tables to be made anew.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(Cache().toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release([db] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
        r = Run();
        release.join();
        ExpectFailed(r, message("has no table DAILY_ATT"), config);
        EXPECT_EQ(ReadBytes(Cache()), bare);
    }
    QFile::remove(Cache());
    ASSERT_TRUE(QFile::copy(Cache() + ".saved", Cache()));
    SqliteRows(Cache(), "DROP TABLE PERIOD_ATT");
    const QByteArray dropped = ReadBytes(Cache());
    r = Run();
    ExpectFailed(r, message("has no table PERIOD_ATT"), config);
    EXPECT_EQ(ReadBytes(Cache()), dropped);

    // Restored: the run goes on from where the history stood.
    QFile::remove(Cache());
    ASSERT_TRUE(QFile::rename(Cache() + ".saved", Cache()));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(5, 8)}));

    // Another school in the folder starts afresh, history or not.
    QFile::remove(Cache());
    r = Run("--att", QString(), "200");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.LogMessages("Bridge Configuration Changed.").size(), 1);
    EXPECT_TRUE(QFile::exists(Cache()));

    // A history that never held period attendance is not one that lost it: a run that adds the
    // period flag goes on and makes the table; once made, a dropped table is gone again.
    r = Run("--att", QString(), "100", {"--filterdaily=true"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.LogMessages("Bridge Configuration Changed.").size(), 1);
    EXPECT_FALSE(SqliteRows(Cache(), "SELECT name FROM sqlite_master WHERE name = 'PERIOD_ATT'").contains("PERIOD_ATT"));
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(SqliteRows(Cache(), "SELECT name FROM sqlite_master WHERE name = 'PERIOD_ATT'").contains("PERIOD_ATT"));
    config = ReadBytes(Config());
    SqliteRows(Cache(), "DROP TABLE PERIOD_ATT");
    r = Run();
    ExpectFailed(r, message("has no table PERIOD_ATT"), config);
}

TEST_P(HistoryFaults, AWriteLockOfAnotherProgramIsWaitedForOrFailsTheRun)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    // Held as the export begins until the run waits for it: the run then goes on and sends the
    // change.
    SetCode(3, 7);
    r = RunWithHistoryLocked(Hold::UntilTheRunWaits);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(3, 7)}));

    EXPECT_EQ(Waits(r), 1);
    EXPECT_EQ(WaitsRanOut(r), 0);

    // Held longer than the run waits: it fails after its one wait, and sends nothing and marks
    // nothing.
    SetCode(11, 8);
    const QByteArray config = ReadBytes(Config());
    r = RunWithHistoryLocked(Hold::ThroughTheRun);
    ExpectFailed(r, "SQLite Attendance: Could not export the attendance history: database is locked", config);
    EXPECT_EQ(Waits(r), 1);
    EXPECT_EQ(WaitsRanOut(r), 1);

    SetCode(4, 9);
    ExpectSentOnce({Line(11, 8), Line(4, 9)}, {Line(3, 7), Line(11, 8), Line(4, 9)});
}

TEST_P(HistoryFaults, APowerLossAfterTheMarksOrAfterTheRenameSendsEveryChangeOnce)
{
    ASSERT_TRUE(QDir().mkpath(PowerLog() + ".aside"));
    ProgramResult r = RunRecorded();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    LosePower(PowerLog());

    // Right after a good run: its update file has its name and the marks stay.
    SetCode(3, 7);
    r = RunRecorded();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(3, 7)}));
    LosePower(PowerLog());

    // Killed at the first write of SchoolConfig.xml's temporary file: the update date stays, the
    // marks of the named file too.
    SetCode(11, 8);
    const QByteArray config = ReadBytes(Config());
    r = RunRecorded("", {{"VH_FAULT_STATUS", "kill-config"}});
    EXPECT_EQ(r.code, -2);
    EXPECT_EQ(Text(lines), Text({Line(11, 8)}));
    LosePower(PowerLog());
    EXPECT_EQ(ReadBytes(Config()), config);

    // Killed as the update file takes its name, its rows marked: the next run names it.
    SetCode(4, 9);
    r = RunRecorded("kill-after-marks");
    EXPECT_EQ(r.code, -2);
    EXPECT_EQ(newFiles, QStringList());
    LosePower(PowerLog());
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(newFiles.size(), 2);
    EXPECT_EQ(
        r.LogMessages("Gave the update file " + newFiles.first() + " of an earlier run its name.").size(), 1);
    EXPECT_EQ(Text(lines), Text({Line(4, 9)}));

    // Killed just after its name, before the folder was synced: the name goes with the power, and
    // the next run gives it again.
    SetCode(5, 7);
    r = RunRecorded("kill-after-rename");
    EXPECT_EQ(r.code, -2);
    ASSERT_EQ(newFiles.size(), 1);
    const QString named = newFiles.first();
    EXPECT_GE(LosePower(PowerLog()), 1);
    EXPECT_EQ(QDir(out).entryList(QStringList{"*.PDU.partial"}, QDir::Files),
              QStringList{named + ".partial"});
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.LogMessages("Gave the update file " + named + " of an earlier run its name.").size(), 1);
    EXPECT_EQ(Text(lines), Text({Line(5, 7)}));

    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({}));
    EXPECT_EQ(Text(LinesInFolder()),
              Text(Everything() + QStringList{Line(3, 7), Line(11, 8), Line(4, 9), Line(5, 7)}));
}

TEST_P(HistoryFaults, AReaderHoldingTheHistoryThroughACommitFailsTheRunAfterOneWait)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QByteArray config = ReadBytes(Config());
    // Another program's read transaction, held until the run ends: the commit waits for its end.
    const char* const read = "BEGIN; SELECT COUNT(*) FROM sqlite_master";
    const Hold hold = Hold::ThroughTheRun;

    // Through the commit of the attendance read: the run fails after the one wait, and the read
    // is not committed.
    SetCode(3, 7);
    HeldRun held = RunWithHistoryHeld(hold, "pause-cache", read);
    ExpectFailed(held.run,
                 "Failed with error [database is locked] while caching attendance table [DAILY_ATT]", config);
    EXPECT_EQ(Waits(held.run), 1);
    EXPECT_EQ(WaitsRanOut(held.run), 1);
    EXPECT_EQ(ReadBytes(Cache()), held.history);

    // Through the commit of the marks.
    SetCode(11, 8);
    held = RunWithHistoryHeld(hold, "pause-export", read);
    ExpectFailed(held.run, "SQLite Attendance: Could not mark the exported rows: database is locked", config);
    EXPECT_EQ(Waits(held.run), 1);
    EXPECT_EQ(WaitsRanOut(held.run), 1);
    EXPECT_EQ(ReadBytes(Cache()), held.history);

    ExpectSentOnce({Line(3, 7), Line(11, 8)}, {Line(3, 7), Line(11, 8)});
}

TEST_P(HistoryFaults, ALockHeldFromBeforeTheRunIsWaitedForOnce)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    SetCode(3, 7);
    SetCode(11, 8);
    const QByteArray config = ReadBytes(Config());

    // Held through the whole run: the run meets the history at its start, as it names its update
    // file and as it reads the attendance, and waits at the first only.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Cache().toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    r = Run();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ExpectFailed(r, "SQLite Attendance: database is locked", config);
    EXPECT_EQ(Waits(r), 1) << r.out.toStdString();
    EXPECT_EQ(WaitsRanOut(r), 1);

    ExpectSentOnce({Line(3, 7), Line(11, 8)}, {Line(3, 7), Line(11, 8)});
}

TEST_P(HistoryFaults, AFailedSyncOfTheHistorysFolderLosesNoChange)
{
    ASSERT_TRUE(QDir().mkpath(PowerLog() + ".aside"));
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // The syncs of the history's folder in a steady run, SQLite's own included.
    SetCode(3, 20);
    r = RunRecorded();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const int syncs = CountRecorded("sync", "/Attendance");
    ASSERT_GE(syncs, 3);
    QStringList changes = {Line(3, 20)};
    QMap<int, int> codes = {{3, 20}};

    // Each of them failing with an I/O error in turn, a daily and a period record changed: a run
    // goes on with a warning, or, where the marks' sync failed, keeps its update file under its
    // temporary name and fails; the next run sends what is left, and gives that file its name.
    int failed = 0;
    const int ids[] = {1, 2, 4, 5};
    for (int n = 1; n <= syncs; ++n) {
        const int day = ids[n % 4], meeting = n % 2 ? 11 : 12;
        SetCode(day, 20 + n);
        SetCode(meeting, 40 + n);
        changes << Line(day, 20 + n) << Line(meeting, 40 + n);
        codes[day] = 20 + n;
        codes[meeting] = 40 + n;
        r = Run("--att", QString(), "100", {"--filterdaily=true", "--filterperiod=true"},
                {{"VH_FAULT_FOLDER_SYNC", QString("%1:EIO").arg(n)}});
        if (r.code != 0) {
            ++failed;
            EXPECT_TRUE(r.err.contains("its name: the folder of the attendance history could not be synced. Its "
                                       "rows are marked sent; the next run gives it its name."))
                << n << ": " << r.err.toStdString();
            EXPECT_EQ(QDir(out).entryList(QStringList{"*.PDU.partial"}, QDir::Files).size(), 1);
        }
        r = Run();
        ASSERT_EQ(r.code, 0) << n << ": " << r.err.toStdString();
    }
    EXPECT_EQ(failed, 1);
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({}));
    EXPECT_EQ(Text(sent), Text(Everything() + changes));
    QMap<QString, QString> source;
    for (const AttRecord& record : kRecords) {
        const QString line = Line(record.id, codes.value(record.id, record.code));
        source[line.section('\t', 0, 2)] = line.section('\t', 3, 3);
    }
    EXPECT_TRUE(LastCodes() == source);
}

TEST_P(HistoryFaults, EveryCommitOfTheHistoryIsFollowedByASyncOfItsFolder)
{
    ASSERT_TRUE(QDir().mkpath(PowerLog() + ".aside"));
    // The first run writes five commits: the set-up of each table, the windows of each table,
    // the marks.
    ProgramResult r = RunRecorded();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(AfterJournalRemovals(), "sync sync sync sync sync");

    // A steady run, a daily and a period record changed: the set-ups write nothing; the windows of
    // the daily table, those of the period table and the marks are each followed by the sync, so
    // that a power loss cannot bring back a journal that rolls a commit back.
    SetCode(3, 7);
    SetCode(11, 8);
    r = RunRecorded();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(3, 7), Line(11, 8)}));
    EXPECT_EQ(AfterJournalRemovals(), "sync sync sync");

    // Daily attendance alone: its windows, then the marks.
    SetCode(4, 9);
    r = Run("--att", QString(), "100", {"--filterdaily=true"}, {{"VH_POWER_LOG", PowerLog()}});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(4, 9)}));
    EXPECT_EQ(AfterJournalRemovals(), "sync sync");
}

TEST_P(HistoryFaults, AFolderThatRefusesSyncsStillRunsAndSendsEveryChangeOnce)
{
    // As some mounted shares answer: every sync of the history's folder is refused.
    const QMap<QString, QString> refused = {{"VH_FAULT_FOLDER_SYNC", "1:EINVAL:always"}};
    const QStringList both = {"--filterdaily=true", "--filterperiod=true"};
    ProgramResult r = Run("--att", QString(), "100", both, refused);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text(Everything()));
    SetCode(3, 7);
    SetCode(11, 8);
    r = Run("--att", QString(), "100", both, refused);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(3, 7), Line(11, 8)}));
    EXPECT_TRUE(r.LogMessages("The last commit of the attendance history may not outlive").isEmpty());

    // The same folder failing every sync with an I/O error: the marks' file waits for the next run.
    SetCode(4, 9);
    r = Run("--att", QString(), "100", both, {{"VH_FAULT_FOLDER_SYNC", "1:EIO:always"}});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.LogMessages("The last commit of the attendance history may not outlive").isEmpty());
    r = Run("--att", QString(), "100", both, refused);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({Line(4, 9)}));
    r = Run("--att", QString(), "100", both, refused);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({}));
    EXPECT_EQ(Text(sent), Text(Everything() + QStringList{Line(3, 7), Line(11, 8), Line(4, 9)}));
}

TEST_P(HistoryFaults, ACommitThatAnswersAnErrorButWasMadeSendsEveryChangeOnce)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // Each of a steady run's three commits (daily, period, marks) in turn removes its journal but
    // answers an I/O error: a commit of the read attendance fails the run (its rows wait to be
    // sent); the marks' commit is looked up, found made, and the update file takes its name.
    QStringList changes;
    for (int n = 1; n <= 3; ++n) {
        SetCode(2, 20 + n);
        SetCode(12, 40 + n);
        changes << Line(2, 20 + n) << Line(12, 40 + n);
        r = Run("--att", QString(), "100", {"--filterdaily=true", "--filterperiod=true"},
                {{"VH_FAULT_JOURNAL_REMOVAL", QString::number(n)}});
        const int lookedUp = r.LogMessages("The commit of the marks answered \"disk I/O error\", but the "
                                           "attendance history holds them with the update file ")
                                 .size();
        EXPECT_EQ(lookedUp, n == 3 ? 1 : 0);
        EXPECT_EQ(r.code, n == 3 ? 0 : 1) << r.err.toStdString();
        EXPECT_EQ(Text(lines), Text(n == 3 ? QStringList{Line(2, 23), Line(12, 43)} : QStringList{}));
        ASSERT_EQ(Run().code, 0);
    }
    r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Text(lines), Text({}));
    EXPECT_EQ(Text(sent), Text(Everything() + changes));
}

TEST_P(HistoryFaults, AFailedCheckOfAHistoryTableFailsTheRunAndTheNextRunSendsTheChanges)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    // The second check of DAILY_ATT, the one of the export, cannot read the history.
    SetCode(3, 7);
    SetCode(11, 8);
    const QByteArray config = ReadBytes(Config());
    r = Run("--att", QString(), "100", {"--filterdaily=true", "--filterperiod=true"},
            {{"VH_FAULT_HISTORY_CHECK", "DAILY_ATT:2"}});
    ExpectFailed(r, "SQLite Attendance: Could not check whether the table DAILY_ATT exists: ", config);
    EXPECT_FALSE(r.out.contains("does not exist, skipping")) << r.out.toStdString();

    ExpectSentOnce({Line(3, 7), Line(11, 8)}, {Line(3, 7), Line(11, 8)});
}

TEST_P(HistoryFaults, AStopBurstWhileTheCacheIsReadEndsTheRunOnce)
{
    ProgramResult r = Run();
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    SetCode(3, 7);
    // Paused as it reads its first window, while the cache's writer thread lives, the run gets four
    // stop signals at once: it ends once, as a failed run, ten times out of ten.
    QProcessEnvironment env = live->env;
    env.insert("VH_FAULT_UPDATE_FILE", "pause-cache");
    const QRegularExpression stopped("^error\tExtraction Failed\tThe run was stopped by signal "
                                     "(1 \\(SIGHUP|2 \\(SIGINT|3 \\(SIGQUIT|15 \\(SIGTERM)\\)\\.$");
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        bool paused = false;
        r = RunPausedAtSql(
            QStringList{"run", "--att", "--dsn=" + live->dsn, "--path=" + out, "--school=100",
                        "--filterdaily=true", "--filterperiod=true"} +
                live->login,
            env, QString(), PauseFile(),
            [](pid_t pid) {
                for (const int signal : {SIGTERM, SIGQUIT, SIGHUP, SIGINT})
                    kill(pid, signal);
            },
            paused);
        ASSERT_TRUE(paused);
        EXPECT_EQ(r.code, 1);
        ASSERT_EQ(r.ErrLines().size(), 1) << r.err.toStdString();
        EXPECT_TRUE(stopped.match(r.ErrLines().at(0)).hasMatch()) << r.err.toStdString();
        EXPECT_EQ(Status(out), kFailedRun);
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
    }
    ExpectSentOnce({Line(3, 7)}, {Line(3, 7)});
}

INSTANTIATE_ON_BOTH_SOURCES(HistoryFaults);

}  // namespace
