// The runs of the fault tests: a changeable copy of the sample school whose year ends four weeks
// ahead, runs into one folder, the attendance lines of every update file written, and changes of
// attendance codes that each say which record they belong to.
#pragma once

#include "AttendanceSource.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>

#include <functional>
#include <memory>

#include <signal.h>
#include <stdio.h>

namespace enginetest {

#ifdef VARNHOLM_BIN
inline const QString kProgram = VARNHOLM_BIN;
#else
inline const QString kProgram;
#endif

// The data lines of the attendance sections of an update file.
inline QStringList AttendanceLines(const QString& path)
{
    QStringList lines;
    for (const QStringList& section : UpdateSections(path))
        lines << section;
    return lines;
}

// The data and main files of a folder with their bytes.
inline QMap<QString, QByteArray> ImportFiles(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({"*.pef", "*.PDE", "*.pde", "*.txt"}, QDir::Files))
        files.insert(name, ReadBytes(dir.filePath(name)));
    return files;
}

// A power loss after runs that the preloaded fault library recorded (VH_POWER_LOG, with the folder
// log + ".aside" made): every creation, removal and rename of a file that no later sync of its
// folder made final is undone, the latest first, and the record starts afresh. File bytes stay as
// written; the program syncs those it relies on. Answers the number of operations undone.
inline int LosePower(const QString& log)
{
    struct Operation
    {
        QStringList fields;      // kind and paths, as recorded
        QSet<QString> unsynced;  // folders whose sync makes it final
    };
    std::vector<Operation> pending;
    for (const QByteArray& line : ReadBytes(log).split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split('\t');
        if (fields.size() < 2)
            continue;
        if (fields[0] == "sync") {
            for (Operation& op : pending)
                op.unsynced.remove(fields[1]);
            continue;
        }
        Operation op{fields, {QFileInfo(fields[1]).path()}};
        if (fields[0] == "rename")
            op.unsynced.insert(QFileInfo(fields[2]).path());
        pending.push_back(op);
    }
    int undone = 0;
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
        if (it->unsynced.isEmpty())
            continue;
        const QStringList& f = it->fields;
        const auto move = [](const QString& from, const QString& to) {
            EXPECT_EQ(::rename(from.toUtf8().constData(), to.toUtf8().constData()), 0)
                << from.toStdString() << " -> " << to.toStdString();
        };
        if (f[0] == "create") {
            QFile::remove(f[1]);
        } else if (f[0] == "unlink" && f.size() == 3) {
            move(f[2], f[1]);
        } else if (f[0] == "rename" && f.size() >= 3) {
            move(f[2], f[1]);
            if (f.size() == 4)
                move(f[3], f[2]);
        }
        ++undone;
    }
    QFile::remove(log);
    QDir aside(log + ".aside");
    for (const QString& name : aside.entryList(QDir::Files))
        aside.remove(name);
    return undone;
}

// Moves the attendance days and terms of the sample school by whole weeks so that its year ends
// four weeks ahead.
inline void MoveYear(ChangeableSource& school)
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

class FaultRuns : public ::testing::TestWithParam<DataSource>
{
protected:
    // The PostgreSQL data source of the school.
    virtual QString PgDsn() const { return "vh_faults_pg"; }
    void SetUp() override
    {
        if (!HaveProgram())
            GTEST_SKIP() << "no program";
        school.reset(new ChangeableSource(GetParam(), "school.db", PgDsn()));
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
    // Runs the program and, at the nth progress line that begins with the text, pauses it, calls
    // act with its process and the line's offset in the output, and lets it go on; acted tells
    // whether the line came and act answered true. The output goes through a small pipe, so the
    // program cannot run far ahead of the line.
    ProgramResult RunPausedAt(const char* mode, const QByteArray& line, int nth,
                              const std::function<bool(pid_t, int)>& act, bool& acted)
    {
        acted = false;
        bool reached = false;
        SmallPipeProcess run;
        run.setProcessEnvironment(school->env);
        run.start(kProgram, Args(mode, out));
        QByteArray output;
        int from = 0;
        int count = 0;
        const QByteArray wanted = "inc_progress\t" + line;
        while (!reached && run.waitForReadyRead(30000)) {
            output += run.readAllStandardOutput();
            for (int end; !reached && (end = output.indexOf('\n', from)) >= 0; from = end + 1) {
                if (output.mid(from, end - from).startsWith(wanted) && ++count == nth) {
                    const pid_t pid = static_cast<pid_t>(run.processId());
                    ::kill(pid, SIGSTOP);
                    reached = true;
                    acted = act(pid, from);
                    ::kill(pid, SIGCONT);
                }
            }
        }
        return Finished(run, output);
    }
    // The same, sending the signals at the line; the update files it wrote join the lines sent.
    ProgramResult RunSignalledAt(const char* mode, const QString& line, int nth,
                                 const std::vector<int>& toSend, bool& signalled)
    {
        const QStringList before = UpdateFiles(out);
        const ProgramResult r = RunPausedAt(mode, line.toUtf8(), nth,
                                            [&](pid_t pid, int) {
                                                for (int signal : toSend)
                                                    ::kill(pid, signal);
                                                return true;
                                            },
                                            signalled);
        Collect(before);
        return r;
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
    // The first full run: Change picks records of its students; what it sent is no change.
    void FirstFullRun()
    {
        const ProgramResult first = Run("--all");
        ASSERT_EQ(first.code, 0) << first.err.toStdString();
        QSet<QString> seen;
        for (const QString& line : sent)
            seen.insert(line.section('\t', 0, 0));
        students = QStringList(seen.begin(), seen.end());
        ASSERT_FALSE(students.isEmpty());
        sent.clear();
    }
    // Every change went out once, and nothing else did.
    void ExpectEveryChangeSentOnce()
    {
        QStringList codes;
        for (const QString& line : sent)
            codes << line.section('\t', 3, 3);
        codes.sort();
        QStringList expected = changed;
        expected.sort();
        EXPECT_EQ(codes.join(' ').toStdString(), expected.join(' ').toStdString());
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

}  // namespace enginetest
