// Faults in the middle of real runs over the sample school, on SQLite and on PostgreSQL: each ends
// in a clear error, exit code 1, the status "Failed" and no file under a final name that claims to
// be complete; the next run succeeds and every attendance change goes out exactly once. And runs
// over an unchanged source repeat themselves.
#include "DataSources.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QSet>
#include <QThread>

#include <memory>

using namespace enginetest;

namespace {

#ifdef VARNHOLM_BIN
const QString kProgram = VARNHOLM_BIN;
#else
const QString kProgram;
#endif

QString Iso(int days)
{
    return QDate::currentDate().addDays(days).toString("yyyy-MM-dd");
}

// The data lines of the attendance sections of an update file.
QStringList AttendanceLines(const QString& path)
{
    QStringList lines;
    for (const QStringList& section : UpdateSections(path))
        lines << section;
    return lines;
}

// The data and main files of a folder with their bytes.
QMap<QString, QByteArray> ImportFiles(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({"*.pef", "*.PDE", "*.pde", "*.txt"}, QDir::Files))
        files.insert(name, ReadBytes(dir.filePath(name)));
    return files;
}

// Moves the attendance days and terms of the sample school by whole weeks so that its year ends
// four weeks ahead.
void MoveYear(ChangeableSource& school)
{
    const QStringList weeks = school.Column(
        school.pg
            ? "SELECT CAST(((CURRENT_DATE + 28) - MAX(lastday)) / 7 * 7 AS VARCHAR(12)) FROM vh.terms"
            : "SELECT CAST((julianday('now') + 28 - julianday(MAX(LastDay))) / 7 AS INTEGER) * 7 FROM Terms");
    ASSERT_EQ(weeks.size(), 1);
    const QString by = school.pg ? weeks.first() : "'" + weeks.first() + " days'";
    const char* const move = school.pg ? "%1 + %2" : "date(%1, %2)";
    school.Exec(QString("UPDATE %1 SET ATT_Date = %2 WHERE ATT_Date > '1901-01-01'")
                    .arg(school.Table("Attendance"), QString(move).arg("ATT_Date", by)));
    school.Exec(
        QString("UPDATE %1 SET FirstDay = %2, LastDay = %3")
            .arg(school.Table("Terms"), QString(move).arg("FirstDay", by), QString(move).arg("LastDay", by)));
}

class Faults : public ::testing::TestWithParam<DataSource>
{
protected:
    void SetUp() override
    {
        if (!HaveProgram())
            GTEST_SKIP() << "no program";
        school.reset(new ChangeableSource(GetParam(), "school.db", "vh_faults_pg"));
        MoveYear(*school);
        out = NewFolder(QString("faults-") + GetParam().name);
    }

    QStringList Args(const char* mode, const QString& folder) const
    {
        return QStringList{"run",
                           mode,
                           "--dsn=" + school->dsn,
                           "--path=" + folder,
                           "--school=100",
                           "--filterdaily=true",
                           "--filterperiod=true"} +
               school->login;
    }
    // A run into the test's folder through a bash script ("$@" is the program and its arguments);
    // the attendance lines of the update file it wrote join the lines sent.
    ProgramResult Run(const char* mode, const QString& script = "exec \"$@\"",
                      const QStringList& more = QStringList())
    {
        const QStringList before = UpdateFiles(out);
        ProgramResult r = RunThrough(script, Args(mode, out) + more, school->env);
        Collect(before);
        return r;
    }
    void Collect(const QStringList& before)
    {
        for (const QString& name : UpdateFiles(out)) {
            if (!before.contains(name))
                sent << AttendanceLines(QDir(out).filePath(name));
        }
    }
    // Changes the codes of a few daily records of the last ten days of students the first run
    // sent; the codes are new and say which record they belong to.
    void Change(int round)
    {
        const QStringList ids = school->Column(
            QStringLiteral("SELECT CAST(ID AS VARCHAR(12)) FROM %1 WHERE SchoolID = 100 AND ATT_Mode_Code = "
                           "'ATT_ModeDaily' AND ATT_Date >= '%2' AND ATT_Date < '%3' AND StudentID IN (%4) "
                           "ORDER BY ID")
                .arg(school->Table("Attendance"), Iso(-10), Iso(0), students.join(',')));
        QStringList chosen;
        for (int i = round; i < ids.size(); i += 16)
            chosen << ids[i];
        ASSERT_FALSE(chosen.isEmpty());
        school->Exec(QStringLiteral("UPDATE %1 SET Attendance_CodeID = %2 + ID WHERE ID IN (%3)")
                         .arg(school->Table("Attendance"))
                         .arg((round + 1) * 100000)
                         .arg(chosen.join(',')));
        for (const QString& id : chosen)
            changed << QString::number((round + 1) * 100000 + id.toInt());
    }
    // A run that must fail with the error; the update files are taken before it starts.
    void ExpectFailedRun(const char* mode, const QString& error, const QString& script = "exec \"$@\"",
                         const QStringList& more = QStringList())
    {
        const QStringList before = UpdateFiles(out);
        ExpectFailed(Run(mode, script, more), error, before);
    }
    void ExpectFailed(const ProgramResult& r, const QString& error, const QStringList& updatesBefore)
    {
        EXPECT_EQ(r.code, 1) << r.out.right(2000).toStdString();
        EXPECT_TRUE(r.err.startsWith("error\tExtraction Failed\t") && r.err.contains(error))
            << r.err.toStdString();
        EXPECT_EQ(Status(out), kFailedRun);
        EXPECT_EQ(UpdateFiles(out), updatesBefore);
        EXPECT_TRUE(QDir(out).entryList(QStringList{"*.partial"}, QDir::Files).isEmpty());
    }
    void ExpectGoodRun(const char* mode = "--att")
    {
        const ProgramResult r = Run(mode);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
    }

    std::unique_ptr<ChangeableSource> school;
    QString out;
    QStringList students;  // of the first run's daily attendance
    QStringList sent;      // attendance lines of the update files after the first run
    QStringList changed;   // codes of the changed records
};

TEST_P(Faults, EndClearlyAndTheNextRunSendsEveryChangeOnce)
{
    const ProgramResult first = Run("--all");
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    QSet<QString> seen;
    for (const QString& line : sent)
        seen.insert(line.section('\t', 0, 0));
    students = QStringList(seen.begin(), seen.end());
    ASSERT_FALSE(students.isEmpty());
    sent.clear();
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

    // The output folder goes away while the update pass waits for the attendance cache.
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
        while (!output.contains("inc_progress\tReading General Codes...") && run.waitForReadyRead(20000))
            output += QString::fromUtf8(run.readAllStandardOutput());
        QThread::msleep(500);
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
        EXPECT_TRUE(r.err.startsWith("error\tExtraction Failed\t") &&
                    r.err.contains("while caching attendance table [DAILY_ATT]"))
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
        int ended = 0;
        for (int i = 0; i < 300 && !ended && !run.waitForFinished(100); ++i) {
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

    // Every change went out once, and nothing else did.
    QStringList codes;
    for (const QString& line : sent)
        codes << line.section('\t', 3, 3);
    codes.sort();
    changed.sort();
    EXPECT_EQ(codes.join(' ').toStdString(), changed.join(' ').toStdString());
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

INSTANTIATE_ON_BOTH_SOURCES(Faults);

}  // namespace
