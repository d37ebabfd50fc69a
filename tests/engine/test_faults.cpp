// Faults in the middle of real runs over the sample school, on SQLite and on PostgreSQL: each ends
// in a clear error, exit code 1, the status "Failed" and no file under a final name that claims to
// be complete; the next run succeeds and every attendance change goes out exactly once. And runs
// over an unchanged source repeat themselves.
#include "DataSources.h"
#include "EngineTestEnv.h"
#include "ProgramRunner.h"

#include "Connection.h"
#include "Recordset.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QThread>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace enginetest;

namespace {

QString Env(const char* name)
{
    return QProcessEnvironment::systemEnvironment().value(QLatin1String(name));
}

const QString kFailedRun = QStringLiteral("\tFailed\tFailed on extraction.\r\n");

#ifdef VARNHOLM_BIN
const QString kProgram = QStringLiteral(VARNHOLM_BIN);
#else
const QString kProgram;
#endif

// A writable copy of the sample school whose school year is moved to cover today.
class School
{
public:
    virtual ~School() = default;
    virtual void Exec(const QString& sql) = 0;
    // The first column of every row, as text.
    virtual QStringList Column(const QString& sql) = 0;
    virtual QString Table(const char* name) const = 0;
    // Moves the attendance days and terms by whole weeks so that the year ends four weeks ahead.
    void MoveYear(const QString& weeksSql)
    {
        const QStringList shift = Column(weeksSql);
        if (shift.size() != 1)
            throw std::runtime_error("no school year to move");
        MoveDays(shift.first().toInt());
    }
    virtual void MoveDays(int days) = 0;

    QString dsn;
    QProcessEnvironment env;
    QStringList login;
};

class SqliteSchool : public School
{
public:
    SqliteSchool()
    {
        const QString folder = NewFolder(QStringLiteral("faults-source"));
        m_path = folder + QStringLiteral("/school.db");
        QFile::copy(QStringLiteral(VH_TESTDATA_DIR "/school.db"), m_path);
        QFile ini(folder + QStringLiteral("/odbc.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write((QStringLiteral("[vh_faults]\nDriver=SQLite3\nDatabase=") + m_path +
                       QStringLiteral("\nNoCreat=1\nStepAPI=1\n"))
                          .toUtf8());
        dsn = QStringLiteral("vh_faults");
        env = OdbcEnvironment(QStringLiteral(VH_TESTDATA_DIR), ini.fileName());
        login = QStringList{QStringLiteral("--user=demo"),
                            QStringLiteral("--pwdencode=") + Encode(QStringLiteral("demo"))};
        MoveYear(QStringLiteral("SELECT CAST((julianday('now') + 28 - julianday(MAX(LastDay))) / 7 AS "
                                "INTEGER) * 7 FROM Terms"));
    }
    void Exec(const QString& sql) override
    {
        sqlite3* db = nullptr;
        sqlite3_open(m_path.toUtf8().constData(), &db);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        const std::string text = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        if (rc != SQLITE_OK)
            throw std::runtime_error(text + " in: " + sql.toStdString());
    }
    QStringList Column(const QString& sql) override
    {
        sqlite3* db = nullptr;
        sqlite3_stmt* st = nullptr;
        QStringList values;
        if (sqlite3_open(m_path.toUtf8().constData(), &db) == SQLITE_OK &&
            sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return values;
    }
    QString Table(const char* name) const override { return QLatin1String(name); }
    void MoveDays(int days) override
    {
        const QString by = QStringLiteral("'%1 days'").arg(days);
        Exec(QStringLiteral(
                 "UPDATE Attendance SET ATT_Date = date(ATT_Date, %1) WHERE ATT_Date > '1901-01-01'")
                 .arg(by));
        Exec(QStringLiteral("UPDATE Terms SET FirstDay = date(FirstDay, %1), LastDay = date(LastDay, %1)")
                 .arg(by));
    }

private:
    QString m_path;
};

// The database "faults" of run_pg_tests.sh: a copy of the sample school of its own.
class PgSchool : public School
{
public:
    PgSchool()
    {
        dsn = QStringLiteral("vh_faults_pg");
        env = OdbcEnvironment(Env("VH_PG_ODBCSYSINI"), Env("VH_PG_ODBCINI"));
        login = QStringList{QStringLiteral("--user=") + Env("VH_PG_USER"),
                            QStringLiteral("--pwdencode=") + Encode(Env("VH_PG_PASSWORD"))};
        // The driver manager reads the server's ini files only while connecting.
        const QByteArray sysIni = qgetenv("ODBCSYSINI");
        const QByteArray ini = qgetenv("ODBCINI");
        qputenv("ODBCSYSINI", Env("VH_PG_ODBCSYSINI").toUtf8());
        qputenv("ODBCINI", Env("VH_PG_ODBCINI").toUtf8());
        try {
            m_connection.Open(
                ("DSN=" + dsn + ";UID=" + Env("VH_PG_USER") + ";PWD=" + Env("VH_PG_PASSWORD")).toStdString());
        } catch (...) {
            qputenv("ODBCSYSINI", sysIni);
            qputenv("ODBCINI", ini);
            throw;
        }
        qputenv("ODBCSYSINI", sysIni);
        qputenv("ODBCINI", ini);
        MoveYear(QStringLiteral(
            "SELECT CAST(((CURRENT_DATE + 28) - MAX(lastday)) / 7 * 7 AS VARCHAR(12)) FROM vh.terms"));
    }
    void Exec(const QString& sql) override
    {
        ado::Recordset statement;
        statement.Open(sql.toStdString(), m_connection);
    }
    QStringList Column(const QString& sql) override
    {
        ado::Recordset rows;
        rows.Open(sql.toStdString(), m_connection);
        QStringList values;
        for (; !rows.EndOfFile(); rows.MoveNext())
            values << QString::fromStdString(rows.Fields().Item(0L).Value().Str());
        return values;
    }
    QString Table(const char* name) const override { return QStringLiteral("vh.") + QLatin1String(name); }
    void MoveDays(int days) override
    {
        Exec(QStringLiteral("UPDATE vh.attendance SET att_date = att_date + %1 WHERE att_date > '1901-01-01'")
                 .arg(days));
        Exec(
            QStringLiteral("UPDATE vh.terms SET firstday = firstday + %1, lastday = lastday + %1").arg(days));
    }

private:
    ado::Connection m_connection;
};

QString Iso(int days)
{
    return QDate::currentDate().addDays(days).toString(QStringLiteral("yyyy-MM-dd"));
}

QStringList UpdateFiles(const QString& folder)
{
    return QDir(folder).entryList(QStringList{QStringLiteral("Update *.PDU")}, QDir::Files, QDir::Name);
}

// The data lines of the attendance sections of an update file.
QStringList AttendanceLines(const QString& path)
{
    QStringList lines;
    bool data = false;
    bool titles = false;
    for (const QString& line : ReadText(path).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QStringLiteral("// Cached "))) {
            data = titles = true;
        } else if (titles) {
            titles = false;
        } else if (line == QLatin1String("*")) {
            data = false;
        } else if (data) {
            lines << line;
        }
    }
    return lines;
}

// The data and main files of a folder with their bytes.
QMap<QString, QByteArray> ImportFiles(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QStringList{QStringLiteral("*.pef"), QStringLiteral("*.PDE"),
                                                         QStringLiteral("*.pde"), QStringLiteral("*.txt")},
                                             QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

QByteArray WithoutTimeStamps(const QByteArray& text)
{
    QByteArray out;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith("// Created: ") && !line.startsWith("// Start Time: ") &&
            !line.startsWith("// End Time: "))
            out += line + '\n';
    }
    return out;
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

class Faults : public ::testing::TestWithParam<DataSource>
{
protected:
    void SetUp() override
    {
        if (!HaveProgram())
            GTEST_SKIP() << "no program";
        if (GetParam().pg)
            school.reset(new PgSchool);
        else
            school.reset(new SqliteSchool);
        out = NewFolder(QStringLiteral("faults-") + GetParam().name);
    }

    QStringList Args(const char* mode, const QString& folder) const
    {
        return QStringList{QStringLiteral("run"),
                           QLatin1String(mode),
                           QStringLiteral("--dsn=") + school->dsn,
                           QStringLiteral("--path=") + folder,
                           QStringLiteral("--school=100"),
                           QStringLiteral("--filterdaily=true"),
                           QStringLiteral("--filterperiod=true")} +
               school->login;
    }
    // A run into the test's folder through a bash script ("$@" is the program and its arguments);
    // the attendance lines of the update file it wrote join the lines sent.
    ProgramResult Run(const char* mode, const QString& script = QStringLiteral("exec \"$@\""),
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
                .arg(school->Table("Attendance"), Iso(-10), Iso(0), students.join(QLatin1Char(','))));
        QStringList chosen;
        for (int i = round; i < ids.size(); i += 16)
            chosen << ids[i];
        ASSERT_FALSE(chosen.isEmpty());
        school->Exec(QStringLiteral("UPDATE %1 SET Attendance_CodeID = %2 + ID WHERE ID IN (%3)")
                         .arg(school->Table("Attendance"))
                         .arg((round + 1) * 100000)
                         .arg(chosen.join(QLatin1Char(','))));
        for (const QString& id : chosen)
            changed << QString::number((round + 1) * 100000 + id.toInt());
    }
    void ExpectFailed(const ProgramResult& r, const QString& error, const QStringList& updatesBefore)
    {
        EXPECT_EQ(r.code, 1) << r.out.right(2000).toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("error\tExtraction Failed\t")) && r.err.contains(error))
            << r.err.toStdString();
        EXPECT_TRUE(ReadText(out + QStringLiteral("/Data ExtractorStatus.tmp")).endsWith(kFailedRun));
        EXPECT_EQ(UpdateFiles(out), updatesBefore);
        EXPECT_TRUE(QDir(out).entryList(QStringList{QStringLiteral("*.partial")}, QDir::Files).isEmpty());
    }
    void ExpectGoodRun(const char* mode = "--att")
    {
        const ProgramResult r = Run(mode);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(ReadText(out + QStringLiteral("/Data ExtractorStatus.tmp"))
                        .endsWith(QStringLiteral("\tSucceeded\tSucceeded\r\n")));
    }

    std::unique_ptr<School> school;
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
        seen.insert(line.section(QLatin1Char('\t'), 0, 0));
    students = QStringList(seen.begin(), seen.end());
    ASSERT_FALSE(students.isEmpty());
    sent.clear();
    const QMap<QString, QByteArray> complete = ImportFiles(out);

    // A source table without a column that its extractor needs.
    Change(0);
    const QString att = school->Table("Attendance");
    school->Exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN Attendance_CodeID TO CodeGone").arg(att));
    ExpectFailed(Run("--att"), QStringLiteral("Attendance_CodeID"), UpdateFiles(out));
    school->Exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN CodeGone TO Attendance_CodeID").arg(att));
    ExpectGoodRun();

    // A corrupt attendance cache, then the cache restored.
    Change(1);
    const QString cache = out + QStringLiteral("/Attendance/Attendance.db");
    const QByteArray cacheBytes = Bytes(cache);
    Write(cache, QByteArray(8192, 'x'));
    ExpectFailed(Run("--att"), QStringLiteral("SQLite Attendance: file is not a database"), UpdateFiles(out));
    Write(cache, cacheBytes);
    ExpectGoodRun();

    // A corrupt run configuration, then the configuration restored: nothing was deleted.
    Change(2);
    const QString config = out + QStringLiteral("/SchoolConfig.xml");
    const QByteArray configBytes = Bytes(config);
    const QByteArray cacheNow = Bytes(cache);
    Write(config, configBytes.left(configBytes.size() / 2));
    ExpectFailed(Run("--att"), QStringLiteral("SchoolConfig.xml cannot be read"), UpdateFiles(out));
    EXPECT_EQ(Bytes(cache), cacheNow);
    Write(config, configBytes);
    ExpectGoodRun();

    // The file system fills up while a data file of a full run is written: the main file and the
    // unfinished data file are not there, the data files that are there are whole.
    Change(3);
    for (const QString& name : complete.keys())
        QFile::remove(QDir(out).filePath(name));
    ExpectFailed(Run("--all", QStringLiteral("ulimit -f 8; exec \"$@\""), {QStringLiteral("--log=off")}),
                 QStringLiteral(".pef] with query: SELECT "), UpdateFiles(out));
    const QMap<QString, QByteArray> partial = ImportFiles(out);
    EXPECT_FALSE(partial.contains(QStringLiteral("Varnholm.PDE")));
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
        // Where the status goes when the output folder cannot take it.
        const QString fallback = Env("HOME") + QStringLiteral("/Documents/Tamberlyn Software/Logs");
        QDir(fallback).removeRecursively();
        QProcess run;
        run.setProcessEnvironment(school->env);
        run.start(kProgram, Args("--att", out));
        QString output;
        while (!output.contains(QStringLiteral("inc_progress\tReading General Codes...")) &&
               run.waitForReadyRead(20000))
            output += QString::fromUtf8(run.readAllStandardOutput());
        QThread::msleep(500);
        const QString moved = out + QStringLiteral(".away");
        const bool gone = QDir().rename(out, moved);
        Write(out, "not a folder");
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
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("error\tExtraction Failed\t")) &&
                    r.err.contains(QStringLiteral("while caching attendance table [DAILY_ATT]")))
            << r.err.toStdString();
        EXPECT_TRUE(ReadText(fallback + QStringLiteral("/Data ExtractorStatus.tmp")).endsWith(kFailedRun));
        EXPECT_EQ(UpdateFiles(out), before);
        ExpectGoodRun();
    }

    // The server ends the run's connection while it reads the attendance table, row by row slowly.
    if (GetParam().pg) {
        Change(5);
        const QStringList before = UpdateFiles(out);
        school->Exec(QStringLiteral("ALTER TABLE vh.attendance RENAME TO attendance_real"));
        school->Exec(
            QStringLiteral("CREATE FUNCTION vh.slow_row() RETURNS boolean LANGUAGE plpgsql VOLATILE AS "
                           "'BEGIN PERFORM pg_sleep(0.002); RETURN true; END'"));
        school->Exec(QStringLiteral(
            "CREATE VIEW vh.attendance AS SELECT * FROM vh.attendance_real WHERE vh.slow_row()"));
        QProcess run;
        run.setProcessEnvironment(school->env);
        run.start(kProgram, Args("--att", out));
        int ended = 0;
        for (int i = 0; i < 300 && !ended && !run.waitForFinished(100); ++i) {
            ended = school
                        ->Column(QStringLiteral("SELECT CAST(pg_terminate_backend(pid) AS VARCHAR(5)) FROM "
                                                "pg_stat_activity WHERE datname = current_database() AND "
                                                "wait_event = 'PgSleep' AND pid <> pg_backend_pid()"))
                        .size();
        }
        ASSERT_TRUE(run.state() == QProcess::NotRunning || run.waitForFinished(60000));
        school->Exec(QStringLiteral("DROP VIEW vh.attendance"));
        school->Exec(QStringLiteral("DROP FUNCTION vh.slow_row()"));
        school->Exec(QStringLiteral("ALTER TABLE vh.attendance_real RENAME TO attendance"));
        EXPECT_EQ(ended, 1);
        ProgramResult r;
        r.code = run.exitCode();
        r.out = QString::fromUtf8(run.readAllStandardOutput());
        r.err = QString::fromUtf8(run.readAllStandardError());
        Collect(before);
        ExpectFailed(r, QStringLiteral("terminating connection"), before);
        ExpectGoodRun();
    }

    // Every change went out once, and nothing else did.
    QStringList codes;
    for (const QString& line : sent)
        codes << line.section(QLatin1Char('\t'), 3, 3);
    codes.sort();
    changed.sort();
    EXPECT_EQ(codes.join(QLatin1Char(' ')).toStdString(), changed.join(QLatin1Char(' ')).toStdString());
}

TEST_P(Faults, RunsOverAnUnchangedSourceRepeatThemselves)
{
    const QString other = NewFolder(QStringLiteral("faults-repeat-") + GetParam().name);
    ASSERT_EQ(RunProgram(Args("--all", other), school->env).code, 0);
    const ProgramResult r = Run("--all");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QMap<QString, QByteArray> one = ImportFiles(other);
    const QMap<QString, QByteArray> two = ImportFiles(out);
    ASSERT_EQ(one.keys(), two.keys());
    EXPECT_TRUE(one.contains(QStringLiteral("Students.pef")));
    for (auto it = one.begin(); it != one.end(); ++it)
        EXPECT_EQ(WithoutTimeStamps(it.value()), WithoutTimeStamps(two.value(it.key())))
            << it.key().toStdString();
    EXPECT_EQ(WithoutTimeStamps(Bytes(QDir(other).filePath(UpdateFiles(other).value(0)))),
              WithoutTimeStamps(Bytes(QDir(out).filePath(UpdateFiles(out).value(0)))));
    EXPECT_GT(sent.size(), 1000);

    // A daily run over the unchanged source writes an update file without attendance rows.
    sent.clear();
    const ProgramResult daily = Run("--att");
    ASSERT_EQ(daily.code, 0) << daily.err.toStdString();
    EXPECT_EQ(UpdateFiles(out).size(), 2);
    EXPECT_EQ(sent, QStringList());
}

INSTANTIATE_TEST_SUITE_P(Sqlite, Faults, ::testing::ValuesIn(DataSources(false)), DataSourceName);
INSTANTIATE_TEST_SUITE_P(Pg, Faults, ::testing::ValuesIn(DataSources(true)), DataSourceName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Faults);

}  // namespace
