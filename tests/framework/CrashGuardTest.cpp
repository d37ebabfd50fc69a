// The crash guard on faults inside the process: a stack overflow is caught on the guard's own
// stack and ends as a failed run; a disarmed guard leaves the signal to the kernel.

#include "CrashGuard.h"
#include "LogManager.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// A run ended by the guard: the failed status and the finished file.
void ExpectFailedRun(const QString& status, const QString& finished)
{
    EXPECT_TRUE(
        QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\tFailed\tFailed on extraction\\.\r\n$")
            .match(ReadAll(status))
            .hasMatch())
        << ReadAll(status);
    EXPECT_EQ(ReadAll(finished), "finished\r\n");
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

    ExpectFailedRun(status, finished);
    const QString lines = ReadAll(logFile);
    EXPECT_TRUE(
        QRegularExpression("^T:\\d\\d:\\d\\d:\\d\\d: Informational m: before\r\nT:\\d\\d:\\d\\d:\\d\\d: "
                           "Critical      Test::Overflow: " +
                           QString::fromLatin1(text) + "\r\n$")
            .match(lines)
            .hasMatch())
        << lines;
}

TEST(CrashGuard, AResultFileIsOneLineOfItsFieldsWhateverTheyHold)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("Data ExtractorStatus.tmp"));
    const QByteArray temp = path + ".partial";
    const QByteArray text = QString::fromUtf8("7\tx\r\n2026/12/07 12:00:00\tSucceeded \xC3\xA9").toUtf8();
    const CrashGuard::Field fields[] = {
        {"2026/12/07 10:00:00", 19}, {"Failed", 6}, {text.constData(), size_t(text.size())}};
    ASSERT_TRUE(CrashGuard::writeLine(path.constData(), temp.constData(), fields, 3));
    const QString expected =
        QString::fromUtf8("2026/12/07 10:00:00\tFailed\t7 x  2026/12/07 12:00:00 Succeeded \xC3\xA9\r\n");
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_FALSE(QFile::exists(temp));

    // Where no new file can be made, the file is rewritten in place and cut to the line's length.
    const QByteArray nowhere = QFile::encodeName(dir.filePath("gone/x.partial"));
    const CrashGuard::Field finished[] = {{"fin\nished", 9}};
    ASSERT_TRUE(CrashGuard::writeLine(path.constData(), nowhere.constData(), finished, 1));
    EXPECT_EQ(ReadAll(path), "fin ished\r\n");
    EXPECT_FALSE(CrashGuard::writeLine(nowhere.constData(), nowhere.constData(), finished, 1));
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

TEST(CrashGuard, AStopSignalWaitsForTheRunsNextSafePoint)
{
    CrashGuard::catchStopSignals();
    EXPECT_EQ(CrashGuard::stopSignal(), 0);
    std::raise(SIGHUP);
    EXPECT_EQ(CrashGuard::stopSignal(), SIGHUP);
    EXPECT_EQ(CrashGuard::stopText(SIGHUP), "The run was stopped by signal 1 (SIGHUP).");
    EXPECT_EQ(CrashGuard::stopText(SIGQUIT), "The run was stopped by signal 3 (SIGQUIT).");
    CrashGuard::disarm();
    // Disarmed, the signal is the kernel's again.
    EXPECT_EXIT(std::raise(SIGTERM), ::testing::KilledBySignal(SIGTERM), "");
}

TEST(CrashGuard, AnIgnoredStopSignalStaysIgnoredAndASettledRunIgnoresTheRest)
{
    // SIGHUP ignored by the caller: caught stays ignored, and disarm leaves it so.
    std::signal(SIGHUP, SIG_IGN);
    CrashGuard::catchStopSignals();
    std::raise(SIGHUP);
    EXPECT_EQ(CrashGuard::stopSignal(), 0);
    CrashGuard::disarm();
    EXPECT_EQ(std::signal(SIGHUP, SIG_DFL), SIG_IGN);

    // Settled, a stop signal held meanwhile, or one after, changes nothing until the next catch,
    // which gives the signals their actions from before.
    CrashGuard::catchStopSignals();
    CrashGuard::holdStopSignals();
    std::raise(SIGTERM);
    CrashGuard::settle();
    CrashGuard::disarm();
    std::raise(SIGQUIT);
    EXPECT_EQ(CrashGuard::stopSignal(), 0);
    CrashGuard::catchStopSignals();
    CrashGuard::disarm();
    EXPECT_EXIT(std::raise(SIGQUIT), ::testing::KilledBySignal(SIGQUIT), "");
}

TEST(CrashGuard, ASecondStopSignalOrARunThatDoesNotStopInTimeEndsAtOnce)
{
    LogManager::instance()->reset();
    for (const bool second : {true, false}) {
        SCOPED_TRACE(second ? "second signal" : "no safe point in time");
        QTemporaryDir dir;
        const QString status = dir.filePath("Data ExtractorStatus.tmp");
        const QString finished = dir.filePath("finished_bridge.tmp");
        QFile earlier(status);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("2026/01/01 10:00:00\tSucceeded\tSucceeded\r\n");
        earlier.close();
        EXPECT_EXIT(
            {
                CrashGuard::arm(status, finished, "Test::Stop");
                CrashGuard::catchStopSignals();
                std::raise(SIGTERM);
                if (second)
                    std::raise(SIGINT);
                for (;;)
                    pause();
            },
            ::testing::ExitedWithCode(1),
            "error\tExtraction Failed\tThe run was stopped by signal 15 \\(SIGTERM\\)\\.\n$");
        ExpectFailedRun(status, finished);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }
}

TEST(CrashGuard, AStopSignalBurstOnManyThreadsEndsTheRunOnce)
{
    LogManager::instance()->reset();
    // A thread that the program starts takes none of the stop signals or the alarm.
    bool blocked = false;
    std::thread quiet;
    CrashGuard::startThread(quiet, [&blocked] {
        sigset_t mask;
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        blocked = true;
        for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGALRM})
            blocked = blocked && sigismember(&mask, signal) == 1;
    });
    quiet.join();
    EXPECT_TRUE(blocked);

    // Where a stop reaches several threads at once (a thread that does not block them), the ending
    // runs once: one error line, a whole status file and the finished file.
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        QTemporaryDir dir;
        const QString status = dir.filePath("Data ExtractorStatus.tmp");
        const QString finished = dir.filePath("finished_bridge.tmp");
        EXPECT_EXIT(
            {
                CrashGuard::arm(status, finished, "Test::Burst");
                CrashGuard::catchStopSignals();
                std::raise(SIGTERM);
                std::atomic<int> ready{0};
                std::vector<std::thread> threads;
                for (int i = 0; i < 8; ++i) {
                    threads.emplace_back([&ready] {
                        ++ready;
                        while (ready.load() < 8) {
                        }
                        pthread_kill(pthread_self(), SIGINT);
                    });
                }
                for (;;)
                    pause();
            },
            ::testing::ExitedWithCode(1),
            "^error\tExtraction Failed\tThe run was stopped by signal 15 \\(SIGTERM\\)\\.\n$");
        ExpectFailedRun(status, finished);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }
}
