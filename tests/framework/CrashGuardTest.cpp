// The crash guard on faults inside the process: a stack overflow is caught on the guard's own
// stack and ends as a failed run; a disarmed guard leaves the signal to the kernel.

#include "CrashGuard.h"
#include "LogManager.h"
#include "TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

volatile bool g_deeper = true;

// Each frame holds a page; the recursion ends only with the stack.
int Overflow(int depth)
{
    volatile char frame[4096];
    frame[0] = char(depth);
    frame[sizeof frame - 1] = frame[0];
    if (g_deeper)
        return Overflow(depth + 1) + frame[sizeof frame - 1];
    return frame[0];
}

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

TEST(CrashGuard, AStackOverflowEndsAsAFailedRun)
{
    QTemporaryDir dir;
    const QString status = dir.filePath("Data ExtractorStatus.tmp");
    const QString finished = dir.filePath("finished_bridge.tmp");
    const QString logFile = dir.filePath("app.log");
    QFile::remove(finished);
    LogManager* log = LogManager::instance();
    log->reset();
    log->setTitle("T");
    log->setTarget("consoleoff");
    ASSERT_TRUE(log->openFile(logFile));
    log->log(7, "before", "m");

    const char* const text =
        "The program stopped on signal 11 \\(a fault in the database driver or the program\\)\\.";
    EXPECT_EXIT(
        {
            CrashGuard::arm(status, finished, "Test::Overflow");
            Overflow(0);
        },
        ::testing::ExitedWithCode(1), std::string("error\tExtraction Failed\t") + text + "\n$");
    log->reset();

    EXPECT_TRUE(
        QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\tFailed\tFailed on extraction\\.\r\n$")
            .match(ReadAll(status))
            .hasMatch())
        << ReadAll(status);
    EXPECT_EQ(ReadAll(finished), "finished\r\n");
    const QString lines = ReadAll(logFile);
    EXPECT_TRUE(
        QRegularExpression("^T:\\d\\d:\\d\\d:\\d\\d: Informational m: before\r\nT:\\d\\d:\\d\\d:\\d\\d: "
                           "Critical      Test::Overflow: " +
                           QString::fromLatin1(text) + "\r\n$")
            .match(lines)
            .hasMatch())
        << lines;
}

TEST(CrashGuard, ADisarmedGuardLeavesTheSignalToTheKernel)
{
    QTemporaryDir dir;
    const QString status = dir.filePath("Status.tmp");
    EXPECT_EXIT(
        {
            CrashGuard::arm(status, QString(), "m");
            CrashGuard::disarm();
            std::raise(SIGABRT);
        },
        ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_FALSE(QFile::exists(status));
}
