// Faults in the middle of real runs over the sample school, on SQLite and on PostgreSQL: each ends
// in a clear error, exit code 1, the status "Failed" and no file under a final name that claims to
// be complete; the next run succeeds and every attendance change goes out exactly once. And runs
// over an unchanged source repeat themselves.
#include "FaultRuns.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

#include <memory>

using namespace enginetest;

namespace {

class Faults : public FaultRuns
{
};

TEST_P(Faults, EndClearlyAndTheNextRunSendsEveryChangeOnce)
{
    FirstFullRun();
    if (HasFatalFailure())
        return;
    const QMap<QString, QByteArray> complete = ImportFiles(out);

    // A source table without a column that its extractor needs.
    Change(0);
    const QString att = school->Table("Attendance");
    school->Exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN Attendance_CodeID TO CodeGone").arg(att));
    ExpectFailedRun("--att", "Attendance_CodeID");
    school->Exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN CodeGone TO Attendance_CodeID").arg(att));
    ExpectGoodRun();

    // A corrupt attendance cache, then the cache restored.
    Change(1);
    const QString cache = out + "/Attendance/Attendance.db";
    const QByteArray cacheBytes = ReadBytes(cache);
    WriteText(cache, QByteArray(8192, 'x'));
    ExpectFailedRun("--att", "SQLite Attendance: file is not a database");
    WriteText(cache, cacheBytes);
    ExpectGoodRun();

    // A corrupt run configuration, then the configuration restored: nothing was deleted.
    Change(2);
    const QString config = out + "/SchoolConfig.xml";
    const QByteArray configBytes = ReadBytes(config);
    const QByteArray cacheNow = ReadBytes(cache);
    WriteText(config, configBytes.left(configBytes.size() / 2));
    ExpectFailedRun("--att", "SchoolConfig.xml cannot be read");
    EXPECT_EQ(ReadBytes(cache), cacheNow);
    WriteText(config, configBytes);
    ExpectGoodRun();

    // A source without its Students table: every run that reads it fails before the import files,
    // the update files, the attendance cache or the run configuration change; with the table back
    // the next run sends the change.
    Change(6);
    {
        const QByteArray cacheBefore = ReadBytes(cache);
        const QByteArray configBefore = ReadBytes(config);
        const auto dataFiles = [&] {
            QMap<QString, QByteArray> files = ImportFiles(out);
            for (const QString& name : files.keys()) {
                if (name.endsWith(".txt"))
                    files.remove(name);
            }
            return files;
        };
        const QMap<QString, QByteArray> filesBefore = dataFiles();
        ASSERT_TRUE(filesBefore.contains("Students.pef"));
        school->Exec(QStringLiteral("ALTER TABLE %1 RENAME TO StudentsAway").arg(school->Table("Students")));
        ExpectFailedRun("--att", "Table does not exist : Students");
        ExpectFailedRun("--all", "Table does not exist : Students");
        school->Exec(QStringLiteral("ALTER TABLE %1 RENAME TO Students").arg(school->Table("StudentsAway")));
        EXPECT_EQ(ReadBytes(cache), cacheBefore);
        EXPECT_EQ(ReadBytes(config), configBefore);
        EXPECT_TRUE(dataFiles() == filesBefore);
        ExpectGoodRun();
    }

    // The file system fills up while a data file of a full run is written: the main file and the
    // unfinished data file are not there, the data files that are there are whole.
    Change(3);
    for (const QString& name : complete.keys())
        QFile::remove(QDir(out).filePath(name));
    ExpectFailedRun("--all", ".pef] with query: SELECT ", "ulimit -f 8; exec \"$@\"", {"--log=off"});
    const QMap<QString, QByteArray> partial = ImportFiles(out);
    EXPECT_FALSE(partial.contains("Varnholm.PDE"));
    EXPECT_LT(partial.size(), complete.size());
    for (auto it = partial.begin(); it != partial.end(); ++it)
        EXPECT_EQ(it.value(), complete.value(it.key())) << it.key().toStdString();
    ExpectGoodRun("--all");
    const QMap<QString, QByteArray> again = ImportFiles(out);
    ASSERT_EQ(again.keys(), complete.keys());
    for (auto it = again.begin(); it != again.end(); ++it)
        EXPECT_EQ(WithoutTimeStamps(it.value()), WithoutTimeStamps(complete.value(it.key())))
            << it.key().toStdString();

    // The output folder goes away while the run waits for another program's lock on the
    // attendance cache.
    Change(4);
    {
        sqlite3* lock = nullptr;
        ASSERT_EQ(sqlite3_open(cache.toUtf8().constData(), &lock), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(lock, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        const QStringList before = UpdateFiles(out);
        QDir(FallbackFolder()).removeRecursively();
        QProcess run;
        run.setProcessEnvironment(school->env);
        run.start(kProgram, Args("--att", out));
        QString output;
        while (!output.contains("Waiting for another program's lock on the attendance history") &&
               run.waitForReadyRead(20000))
            output += QString::fromUtf8(run.readAllStandardOutput());
        const QString moved = out + ".away";
        const bool gone = QDir().rename(out, moved);
        WriteText(out, "not a folder");
        sqlite3_exec(lock, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(lock);
        ASSERT_TRUE(run.waitForFinished(60000));
        ProgramResult r;
        r.code = run.exitCode();
        r.out = output + QString::fromUtf8(run.readAllStandardOutput());
        r.err = QString::fromUtf8(run.readAllStandardError());
        QFile::remove(out);
        ASSERT_TRUE(gone && QDir().rename(moved, out));
        EXPECT_EQ(r.code, 1);
        // The run waits for the history as it starts, and fails where it writes its update file.
        EXPECT_EQ(r.LogMessages("Waiting for another program's lock on the attendance history").size(), 1);
        EXPECT_TRUE(r.err.startsWith("error\tExtraction Failed\t") &&
                    r.err.contains("while writing file [Update "))
            << r.err.toStdString();
        EXPECT_EQ(Status(FallbackFolder()), kFailedRun);
        EXPECT_EQ(UpdateFiles(out), before);
        ExpectGoodRun();
    }

    // The server ends the run's connection while it reads the attendance table, row by row slowly.
    if (GetParam().pg) {
        Change(5);
        const QStringList before = UpdateFiles(out);
        school->Exec("ALTER TABLE vh.attendance RENAME TO attendance_real");
        school->Exec("CREATE FUNCTION vh.slow_row() RETURNS boolean LANGUAGE plpgsql VOLATILE AS "
                     "'BEGIN PERFORM pg_sleep(0.002); RETURN true; END'");
        school->Exec(QStringLiteral(
            "CREATE VIEW vh.attendance AS SELECT * FROM vh.attendance_real WHERE vh.slow_row()"));
        QProcess run;
        run.setProcessEnvironment(school->env);
        run.start(kProgram, Args("--att", out));
        // Until the read is ended or the run is over; the count (two minutes at least) only guards
        // against a hang.
        int ended = 0;
        for (int i = 0; i < 1200 && !ended && !run.waitForFinished(100); ++i) {
            ended = school
                        ->Column("SELECT CAST(pg_terminate_backend(pid) AS VARCHAR(5)) FROM "
                                 "pg_stat_activity WHERE datname = current_database() AND "
                                 "wait_event = 'PgSleep' AND pid <> pg_backend_pid()")
                        .size();
        }
        ASSERT_TRUE(run.state() == QProcess::NotRunning || run.waitForFinished(60000));
        school->Exec("DROP VIEW vh.attendance");
        school->Exec("DROP FUNCTION vh.slow_row()");
        school->Exec("ALTER TABLE vh.attendance_real RENAME TO attendance");
        EXPECT_EQ(ended, 1);
        ProgramResult r;
        r.code = run.exitCode();
        r.out = QString::fromUtf8(run.readAllStandardOutput());
        r.err = QString::fromUtf8(run.readAllStandardError());
        Collect(before);
        ExpectFailed(r, "terminating connection", before);
        ExpectGoodRun();
    }

    ExpectEveryChangeSentOnce();
}

TEST_P(Faults, AStopSignalEndsTheRunAsFailedAndTheNextRunSendsEveryChangeOnce)
{
    FirstFullRun();
    if (HasFatalFailure())
        return;
    const struct
    {
        const char* mode;
        const char* line;
        int nth;
        int signal;
        const char* name;
    } points[] = {
        // Full runs: during the lookups and between extractors.
        {"--all", "Reading General Codes...", 1, SIGTERM, "SIGTERM"},
        {"--all", "Reading Student Demographics: Main...", 1, SIGINT, "SIGINT"},
        {"--all", "Reading Staff Demographics...", 1, SIGHUP, "SIGHUP"},
        // Update runs: a lookup, the daily pass, between the passes and the period pass.
        {"--att", "Reading Student Inclusion...", 1, SIGQUIT, "SIGQUIT"},
        {"--att", "Reading Student Daily Attendance (", 2, SIGTERM, "SIGTERM"},
        {"--att", "Reading Student Period Attendance...", 1, SIGTERM, "SIGTERM"},
        {"--att", "Reading Student Period Attendance (", 2, SIGINT, "SIGINT"},
    };
    const QString config = out + "/SchoolConfig.xml";
    // Rounds of their own: the PostgreSQL school is shared with the test above.
    int round = 8;
    for (const auto& point : points) {
        SCOPED_TRACE(std::string(point.mode) + " at " + point.line + " on " + point.name);
        Change(round++);
        const QStringList before = UpdateFiles(out);
        const QByteArray configBefore = ReadBytes(config);
        bool signalled = false;
        const ProgramResult r = RunSignalledAt(point.mode, point.line, point.nth, {point.signal}, signalled);
        ASSERT_TRUE(signalled) << r.out.right(2000).toStdString();
        const QString stopped =
            QString("The run was stopped by signal %1 (%2).").arg(point.signal).arg(point.name);
        ExpectFailed(r, stopped, before);
        // The stop reaches the run as itself: no handler on the way made another failure of it.
        EXPECT_EQ(r.LogMessages("Caught Exception: ").join('\n').toStdString(),
                  ("Caught Exception: " + stopped).toStdString());
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
        EXPECT_EQ(ReadBytes(config), configBefore);
        ExpectGoodRun(point.mode);
    }

    // A stop that comes while a catalogue query asks whether a column of Students exists: the log
    // says the stop, not a check that failed.
    Change(round++);
    {
        const QStringList before = UpdateFiles(out);
        bool paused = false;
        const ProgramResult r = RunPausedAtSql(
            Args("--att", out), school->env, "= UPPER('Students') AND UPPER(", out + ".pause",
            [](pid_t pid) { ::kill(pid, SIGTERM); }, paused);
        ASSERT_TRUE(paused);
        Collect(before);
        const QString stopped = "The run was stopped by signal 15 (SIGTERM).";
        ExpectFailed(r, stopped, before);
        EXPECT_EQ(r.LogMessages("Caught Exception: ").join('\n').toStdString(),
                  ("Caught Exception: " + stopped).toStdString());
        const QStringList logs = QDir(out).entryList({"Varnholm-100-*.log"}, QDir::Files);
        ASSERT_EQ(logs.size(), 1);
        const QString log = ReadText(QDir(out).filePath(logs.first()));
        const QString thisRun = log.mid(log.lastIndexOf("ExpEngine::Execute: Execute Starting"));
        EXPECT_TRUE(thisRun.contains("BeginExecute: Caught Exception: " + stopped)) << thisRun.toStdString();
        EXPECT_FALSE(thisRun.contains("Could not check whether")) << thisRun.toStdString();
        EXPECT_FALSE((r.out + r.err).contains("Could not check whether")) << r.out.toStdString();
        ExpectGoodRun();
    }

    // A second signal ends the run at once, as a crash does (another thread of the run may still
    // log a line meanwhile): the run's unfinished files are left to the next run.
    Change(round++);
    const QStringList before = UpdateFiles(out);
    bool signalled = false;
    const ProgramResult r =
        RunSignalledAt("--att", "Reading Student Daily Attendance (", 1, {SIGTERM, SIGHUP}, signalled);
    ASSERT_TRUE(signalled);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("error\tExtraction Failed\tThe run was stopped by signal "))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(
        QRegularExpression("\nlog\tCritical     \t[0-9:]{8}\tSISConfig::commandRun\tThe run was "
                           "stopped by signal \\d+ \\(SIG[A-Z]+\\)\\.\n")))
        << r.out.right(500).toStdString();
    EXPECT_EQ(Status(out), kFailedRun);
    EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
    EXPECT_EQ(UpdateFiles(out), before);
    ExpectGoodRun();

    ExpectEveryChangeSentOnce();
}

TEST_P(Faults, AStopWhileTheConnectionSearchReadsTheSchoolListStopsTheRun)
{
    // The stop comes while the school list of the way that works is read (SQLite: the fourth way,
    // without the prefix; PostgreSQL: the second, with it): the search tries no further way, and the
    // run ends as stopped, not as a connection that failed.
    const bool pg = GetParam().pg;
    ExpectGoodRun();
    const QStringList before = UpdateFiles(out);
    const QByteArray config = ReadBytes(out + "/SchoolConfig.xml");
    bool paused = false;
    const ProgramResult r = RunPausedAtSql(
        Args("--att", out), school->env, pg ? "FROM VH.Schools sch" : "FROM Schools sch", out + ".pause",
        [](pid_t pid) { ::kill(pid, SIGTERM); }, paused);
    ASSERT_TRUE(paused);
    const QString stopped = "The run was stopped by signal 15 (SIGTERM).";
    ExpectFailed(r, stopped, before);
    EXPECT_EQ(r.LogMessages("Caught Exception: ").join('\n').toStdString(),
              ("Caught Exception: " + stopped).toStdString());
    EXPECT_EQ(r.LogMessages("Trying ").size(), pg ? 2 : 4);
    const QString search = r.out.mid(r.out.lastIndexOf("\tTrying "));
    for (const char* failure : {"School List Failed.", "Validate Connection Failed", "Validate Failed"})
        EXPECT_FALSE(search.contains(failure)) << search.toStdString();
    EXPECT_EQ(ReadBytes(out + "/SchoolConfig.xml"), config);
    ExpectGoodRun();
}

TEST_P(Faults, RunsOverAnUnchangedSourceRepeatThemselves)
{
    const QString other = NewFolder(QString("faults-repeat-") + GetParam().name);
    ASSERT_EQ(RunProgram(Args("--all", other), school->env).code, 0);
    const ProgramResult r = Run("--all");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QMap<QString, QByteArray> one = ImportFiles(other);
    const QMap<QString, QByteArray> two = ImportFiles(out);
    ASSERT_EQ(one.keys(), two.keys());
    EXPECT_TRUE(one.contains("Students.pef"));
    EXPECT_EQ(BrokenRecords(out).join('\n').toStdString(), "");
    for (auto it = one.begin(); it != one.end(); ++it)
        EXPECT_EQ(WithoutTimeStamps(it.value()), WithoutTimeStamps(two.value(it.key())))
            << it.key().toStdString();
    EXPECT_EQ(WithoutTimeStamps(ReadBytes(QDir(other).filePath(UpdateFiles(other).value(0)))),
              WithoutTimeStamps(ReadBytes(QDir(out).filePath(UpdateFiles(out).value(0)))));
    EXPECT_GT(sent.size(), 1000);

    // A daily run over the unchanged source writes an update file without attendance rows.
    sent.clear();
    const ProgramResult daily = Run("--att");
    ASSERT_EQ(daily.code, 0) << daily.err.toStdString();
    EXPECT_EQ(UpdateFiles(out).size(), 2);
    EXPECT_EQ(sent, QStringList());
}

TEST_P(Faults, AnAttendanceRecordWhoseDateCannotBeReadIsLeftOut)
{
    if (school->pg)
        GTEST_SKIP() << "a PostgreSQL date column holds no such date";
    FirstFullRun();
    // The 31st of the latest month of 30 days that ended before today, as text.
    QDate month = QDate::currentDate();
    month = QDate(month.year(), month.month(), 1).addMonths(-1);
    while (month.daysInMonth() != 30)
        month = month.addMonths(-1);
    const QString bad = month.toString("yyyy-MM-") + "31";
    // A copy of the latest daily and meeting record of a student the first run sent, with that date.
    const QString att = school->Table("Attendance");
    QStringList keys;
    for (const char* mode : {"ATT_ModeDaily", "ATT_ModeMeeting"}) {
        const QString pick = QString("SELECT ID FROM %1 WHERE SchoolID = 100 AND ATT_Mode_Code = '%2' AND "
                                     "StudentID IN (%3) ORDER BY ATT_Date DESC, ID LIMIT 1")
                                 .arg(att, mode, students.join(','));
        school->Exec(
            QString("CREATE TABLE Attendance_Bad AS SELECT * FROM %1 WHERE ID = (%2)").arg(att, pick));
        school->Exec(QString("UPDATE Attendance_Bad SET ID = ID + 10000000, ATT_Date = '%1'").arg(bad));
        keys << school->Column("SELECT CAST(StudentID AS VARCHAR(12)) FROM Attendance_Bad");
        school->Exec(QString("INSERT INTO %1 SELECT * FROM Attendance_Bad").arg(att));
        school->Exec("DROP TABLE Attendance_Bad");
    }
    ASSERT_EQ(keys.size(), 2);

    ExpectGoodRun();
    for (const QString& line : sent)
        EXPECT_FALSE(line.section('\t', 1, 1).isEmpty()) << line.toStdString();
    const QString cache = out + "/Attendance/Attendance.db";
    for (const char* table : {"DAILY_ATT", "PERIOD_ATT"})
        EXPECT_EQ(SqliteRows(cache, QString("SELECT COUNT(*) FROM %1 WHERE attdate = '' OR attdate IS NULL "
                                            "OR attdate = '%2'")
                                        .arg(QLatin1String(table), bad)),
                  QStringList{"0"});
    const QString log = AllText(out);
    EXPECT_TRUE(log.contains("A record of DAILY_ATT whose date cannot be read was left out: AttStdRef " +
                             keys[0] + "."));
    EXPECT_TRUE(log.contains("A record of PERIOD_ATT whose date cannot be read was left out: AttStdRef " +
                             keys[1] + ", AttSecRef "));
}

INSTANTIATE_ON_BOTH_SOURCES(Faults);

}  // namespace
