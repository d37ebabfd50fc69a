// The log: line formats, targets, level rules, secrets and the log file.

#include "LogManager.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LogManager, TargetsFollowTheSwitchAndTheLevelRules)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/app.log");
    Capture capture;
    LogManager* log = LogManager::instance();
    log->setTitle("T");
    ASSERT_TRUE(log->openFile(path));
    EXPECT_EQ(log->filePath(), path);

    log->log(-1, "never", "m");
    log->log(5, "both", "m");
    log->log(8, "debug", "m");
    ASSERT_TRUE(log->setTarget("consoleoff"));
    log->log(7, "file only", "m");
    log->log(2, "critical always", "m");
    ASSERT_TRUE(log->setTarget("fileoff"));
    log->log(6, "console only", "m");
    log->log(9, "proprietary nowhere", "m");
    log->log(0, "emergency always", "m");
    ASSERT_TRUE(log->setTarget("off"));
    log->log(4, "silent", "m");
    log->log(3, "error always", "m");
    ASSERT_TRUE(log->setTarget("extract"));
    log->log(7, "before extraction", "m");
    log->setExtracting(true);
    log->log(7, "during extraction", "m");
    log->setExtracting(false);
    EXPECT_FALSE(log->setTarget("loud"));
    EXPECT_EQ(log->target(), LogManager::Extract);
    ASSERT_TRUE(log->setTarget(""));
    EXPECT_EQ(log->target(), LogManager::Both);
    log->closeFile();

    const QString console = maskTimes(capture.out());
    EXPECT_EQ(console, "log\tProgress     \t<time>\tm\tboth\n"
                       "log\tCritical     \t<time>\tm\tcritical always\n"
                       "log\t             \t<time>\tm\tconsole only\n"
                       "log\tEmergency    \t<time>\tm\temergency always\n"
                       "log\tError        \t<time>\tm\terror always\n"
                       "log\tInformational\t<time>\tm\tbefore extraction\n");
    EXPECT_EQ(capture.err(), "");
    EXPECT_EQ(maskTimes(QString::fromUtf8(readFile(path))),
              "T:<time>: Progress      m: both\r\n"
              "T:<time>: Debug         m: debug\r\n"
              "T:<time>: Informational m: file only\r\n"
              "T:<time>: Critical      m: critical always\r\n"
              "T:<time>: Emergency     m: emergency always\r\n"
              "T:<time>: Error         m: error always\r\n"
              "T:<time>: Informational m: before extraction\r\n"
              "T:<time>: Informational m: during extraction\r\n");
}

TEST(LogManager, SecretsAreMaskedAndTheFileAppends)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("app.log");
    writeFile(path, "earlier\r\n");
    Capture capture;
    LogManager* log = LogManager::instance();
    log->setTitle("T");
    log->addSecret("hunter2");
    log->addSecret("");
    ASSERT_TRUE(log->openFile(path));
    log->log(4, "connect with hunter2 now", "pw=hunter2");
    log->log(9, "again hunter2", "m");
    log->closeFile();
    EXPECT_EQ(maskTimes(capture.out()),
              "log\tWarning      \t<time>\tpw=********\tconnect with ******** now\n");
    const QStringList lines = QString::fromUtf8(readFile(path)).split("\r\n");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "earlier");
    EXPECT_EQ(maskTimes(lines[1]), "T:<time>: Warning       pw=********: connect with ******** now");
    ASSERT_TRUE(lines[2].startsWith("proprietary:"));
    EXPECT_EQ(maskTimes(QString::fromUtf8(QByteArray::fromBase64(lines[2].mid(12).toLatin1()))),
              "T:<time>: Proprietary   m: again ********");

    EXPECT_FALSE(log->openFile(dir.filePath("app.log/inside.log")));
    EXPECT_TRUE(log->filePath().isEmpty());
}
