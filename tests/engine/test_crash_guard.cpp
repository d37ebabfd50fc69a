// A run that crashes (a fault of its database driver, a failed assertion) ends as a failed run:
// exit code 1, the error line for the host, the crash in the log, the failed status and the
// finished file; the next run succeeds. The crash is a signal sent at the first progress line,
// with the program's output held in a small pipe so that it cannot finish before the signal.
#include "DataSources.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

using namespace enginetest;

namespace {

struct Crashed
{
    bool signalled = false;  // the progress line came and the signal went
    int code = -1;           // exit code; -2 when the program ended on a signal
    QString out;
    QString err;
};

QByteArray ReadAll(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            bytes.append(buffer, int(n));
        else if (errno != EINTR)
            break;
    }
    return bytes;
}

// Runs the program and sends it the signal once its first progress line is out.
Crashed RunAndSignal(const QStringList& args, const QProcessEnvironment& env, int signal)
{
    Crashed result;
#ifdef VARNHOLM_BIN
    const ExecVectors exec(QStringList{VARNHOLM_BIN} + args, env);

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return result;
    fcntl(out[1], F_SETPIPE_SZ, 4096);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execve(exec.Argv()[0], exec.Argv(), exec.Envp());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    QByteArray output;
    char buffer[256];
    while (!result.signalled) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output.append(buffer, int(n));
        if (output.startsWith("inc_progress\t") || output.contains("\ninc_progress\t"))
            result.signalled = kill(pid, signal) == 0;
    }
    output += ReadAll(out[0]);
    result.err = QString::fromUtf8(ReadAll(err[0]));
    result.out = QString::fromUtf8(output);
    close(out[0]);
    close(err[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid)
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
#else
    Q_UNUSED(args);
    Q_UNUSED(env);
    Q_UNUSED(signal);
#endif
    return result;
}

class CrashedRuns : public ::testing::TestWithParam<DataSource>
{
protected:
    void SetUp() override
    {
        if (!HaveProgram())
            GTEST_SKIP() << "no program";
    }
    QStringList Args(const QString& folder) const
    {
        return QStringList{"run", "--all", "--school=100", "--path=" + folder,
                           "--dsn=" + GetParam().Dsn("vh_school")} +
               GetParam().Login();
    }
    // A crash on the signal ends the run as a failed run; the clock of the program runs
    // utcOffset seconds ahead of UTC (its time zone is tz).
    void ExpectFailedOn(int signal, const QString& tz, int utcOffset)
    {
        SCOPED_TRACE("signal " + std::to_string(signal));
        const QString out = NewFolder("crash");
        QProcessEnvironment env = GetParam().Env();
        env.insert("TZ", tz);
        const Crashed r = RunAndSignal(Args(out), env, signal);
        const QDateTime now = QDateTime::currentDateTimeUtc().addSecs(utcOffset);
        ASSERT_TRUE(r.signalled) << r.out.toStdString();
        EXPECT_EQ(r.code, 1) << r.err.toStdString();

        const QString text =
            QString("The program stopped on signal %1 (a fault in the database driver or the "
                    "program).")
                .arg(signal);
        EXPECT_TRUE(r.err.endsWith("error\tExtraction Failed\t" + text + "\n")) << r.err.toStdString();
        const QRegularExpression console(
            "\nlog\tCritical     \t\\d\\d:\\d\\d:\\d\\d\tSISConfig::commandRun\t" +
            QRegularExpression::escape(text) + "\n$");
        EXPECT_TRUE(console.match(r.out).hasMatch()) << r.out.right(500).toStdString();

        // The status: the program's local date and time, within a minute of now.
        const QString status = ReadText(out + "/Data ExtractorStatus.tmp");
        EXPECT_EQ(status.mid(19), "\tFailed\tFailed on extraction.\r\n");
        QDateTime stamp = QDateTime::fromString(status.left(19), "yyyy/MM/dd hh:mm:ss");
        stamp.setTimeSpec(Qt::UTC);
        ASSERT_TRUE(stamp.isValid()) << status.toStdString();
        EXPECT_LE(qAbs(stamp.secsTo(now)), 60)
            << status.toStdString() << " at " << now.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
        EXPECT_EQ(ReadText(out + "/BridgeStatus.tmp").mid(19), "\tExtract Running\r\n");

        // The last line of the day's log, at the same time as the status.
        const QStringList logs = QDir(out).entryList({"Varnholm-100-*.log"}, QDir::Files);
        ASSERT_EQ(logs.size(), 1);
        EXPECT_EQ(logs.first(), "Varnholm-100-" + stamp.toString("yyyy-MM-dd") + ".log");
        const QStringList lines = ReadText(out + "/" + logs.first()).split("\r\n");
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines.last(), QString());
        EXPECT_EQ(lines.at(lines.size() - 2),
                  "Tamberlyn Data Extractor for Varnholm:" + stamp.toString("hh:mm:ss") +
                      ": Critical      SISConfig::commandRun: " + text);

        // The next run in the folder succeeds.
        const ProgramResult next = RunProgram(Args(out), GetParam().Env());
        EXPECT_EQ(next.code, 0) << next.err.toStdString();
        EXPECT_EQ(next.err, QString());
        EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
    }
};

TEST_P(CrashedRuns, ACrashEndsTheRunAsAFailedRun)
{
    ExpectFailedOn(SIGSEGV, "UTC0", 0);
    // A time zone of its own: the times are the program's local times.
    ExpectFailedOn(SIGABRT, "VHT-5:30", 5 * 3600 + 1800);
}

INSTANTIATE_ON_BOTH_SOURCES(CrashedRuns);

}  // namespace
