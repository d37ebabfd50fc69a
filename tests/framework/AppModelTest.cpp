// The application object in process: declarations, the params, test, defaults and run commands.

#include "LogManager.h"
#include "TestSupport.h"
#include "TestTask.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The switches, the bridge's parameters and the properties are answered end to end (help, params).
TEST(AppModel, DeclarationRules)
{
    Capture capture;
    TestApp app;
    app.addParam("school", "filterlong", "Extra Student Information", "flag", "");
    EXPECT_EQ(app.findParam("filterlong")->displayName, "Extra Student I");
    app.addParam("school", "filterfit", "Current Conduct", "flag", "");
    EXPECT_EQ(app.findParam("filterfit")->displayName, "Current Conduct");
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d{2}-\\d{2}$").match(app.param("appBuildDate_")).hasMatch());

    app.addParam("extra", "pass", "Pass", "password", "");
    app.addParam("extra", "pass", "Again", "edit", "");
    EXPECT_TRUE(app.hasGroup("extra"));
    EXPECT_EQ(app.findParam("pass")->type, "password");
    app.setParam("flag", "TRUE");
    EXPECT_FALSE(app.paramIsOn("flag"));
    app.setParam("flag", "true");
    EXPECT_TRUE(app.paramIsOn("flag"));

    EXPECT_EQ(
        maskTimes(capture.out()),
        "log\tWarning      \t<time>\tAppBase::addParam\tFlag display name cut to 15 characters: "
        "Extra Student Information\n"
        "log\tWarning      \t<time>\tAppBase::addParam\tPassword parameter key does not contain "
        "\"encode\": pass\n"
        "log\tWarning      \t<time>\tAppBase::addParam\tParameter declared twice, kept the first: pass\n");
}

TEST(AppModel, ParamsCommandAnswersListParametersByType)
{
    const struct
    {
        const char* key;
        int code;
        const char* out;
        const char* err;  // nullptr: not checked
    } cases[] = {
        {"school", 0, "school_list\tschool\t7\tNorth (7)\t\n", "error\tschool\tList type not set up.\n"},
        {"year", 1, "warning\tAppBase::yearListParam\tMethod not defined.\n", nullptr},
        {"dsn", 1, "", "error\tdsn\tList type not set up.\n"},
    };
    for (const auto& c : cases) {
        Capture capture;
        TestApp app;
        EXPECT_EQ(app.run({"params", QString("--paramkey=") + c.key}), c.code) << c.key;
        EXPECT_EQ(capture.out(), c.out) << c.key;
        if (c.err) {
            EXPECT_EQ(capture.err(), c.err) << c.key;
        }
    }
}

TEST(AppModel, TestCommandChecksGroupRequirementsAfterDecoding)
{
    {
        Capture capture;
        TestApp app;
        EXPECT_EQ(app.run({"test", "--group=school"}), 1);
        EXPECT_EQ(capture.out(), "");
        EXPECT_EQ(capture.err(), "missing\tschool\tschool missing or blank.\n"
                                 "error\tschool\tschool missing or blank.\n");
        EXPECT_TRUE(app.lastTestedGroup.isEmpty());
    }
    {
        Capture capture;
        TestApp app;
        EXPECT_EQ(app.run({"test", "--group=school", "--school=7", "--user=", "--district=4"}), 1);
        EXPECT_EQ(capture.err(), "missing\tdsn\tdsn missing or blank.\n"
                                 "missing\tuser\tuser missing or blank.\n"
                                 "missing\tpwd\tpwd missing or blank.\n"
                                 "error\tdsn\tdsn missing or blank.\n");
        EXPECT_EQ(app.param("district"), "4");
    }
    {
        Capture capture;
        TestApp app;
        EXPECT_EQ(app.run({"test", "--group=school", "--school=7", "--dsn=D", "--user=U", "--pwd=old",
                           "--pwdencode=6E6577"}),
                  0);
        EXPECT_EQ(app.lastTestedGroup, "school");
        EXPECT_EQ(app.param("pwd"), "new");
        EXPECT_EQ(capture.out(), "test\tschool\tsuccess\tTested school as U\n");
        EXPECT_EQ(capture.err(), "");
    }
    {
        Capture capture;
        TestApp app;
        EXPECT_EQ(app.run({"test", "--group=connection", "--dsn=D", "--user=U", "--pwd=plain"}), 0);
        EXPECT_EQ(app.param("pwd"), "plain");
    }
    // Text that is not hexadecimal: OptionParser.DecodesHexadecimalText, and end to end.
}

TEST(AppModel, RunHandsTheTaskTheModeAndACopyOfTheParameters)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    struct Case
    {
        QStringList extra;
        int mode;
    };
    const Case cases[] = {{{}, 3},
                          {{"--all"}, 3},
                          {{"--demo"}, 1},
                          {{"--att"}, 2},
                          {{"--all=true", "--att"}, 2},
                          {{"--demo=false"}, 3}};
    for (const Case& c : cases) {
        Capture capture;
        TestTask::resetRecord();
        TestTask::succeed = true;
        TestApp app;
        EXPECT_EQ(app.run(QStringList{"run", "--path=" + out, "--school=5"} + c.extra), 0);
        EXPECT_EQ(TestTask::lastMode, c.mode) << c.extra.join(' ').toStdString();
    }
    EXPECT_EQ(TestTask::lastParams.value("path"), out);
    EXPECT_EQ(TestTask::lastParams.value("logSchema"), "true");
    EXPECT_EQ(TestTask::lastParams.value("appShortName_"), "Testing");
}

TEST(AppModel, RunKeepsSecretsOutOfTheLogAndSurvivesAnyTaskFailure)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    {
        Capture capture;
        TestTask::resetRecord();
        TestTask::succeed = true;
        TestApp app;
        // Keys that look like a password key carry other secrets: none of them is logged either.
        EXPECT_EQ(app.run({"run", "--path=" + out, "--school=5", "--pwdencode=5365637265743939",
                           "--PwdEncode=416c7068613131", "--oldpwd=Bravo22", "--PASSWORD=Charlie33",
                           "--passwd=Delta44", "--Passwort=Echo55"}),
                  0);
        EXPECT_EQ(TestTask::lastParams.value("pwd"), "Secret99");
        const QString logText = QString::fromUtf8(readFile(out + "/Testing-5-" + today() + ".log"));
        EXPECT_TRUE(logText.contains(": Informational TestTask::Execute: Task ran with ********\r\n"))
            << logText.toStdString();
        QString decoded;
        for (const QString& line : logText.split("\r\n")) {
            if (line.startsWith("proprietary:"))
                decoded += QString::fromUtf8(QByteArray::fromBase64(line.mid(12).toLatin1()));
        }
        EXPECT_TRUE(decoded.contains("logSchema=true")) << decoded.toStdString();
        for (const QString& text : {logText, decoded, capture.out(), capture.err()}) {
            EXPECT_FALSE(text.contains("Secret99"));
            EXPECT_FALSE(text.contains("5365637265743939"));
            for (const char* other :
                 {"416c7068613131", "Alpha11", "Bravo22", "Charlie33", "Delta44", "Echo55"})
                EXPECT_FALSE(text.contains(other)) << other;
        }
    }
    {
        Capture capture;
        TestTask::resetRecord();
        TestTask::throwUnknown = true;
        TestApp app;
        EXPECT_EQ(app.run({"run", "--path=" + out, "--school=5"}), 1);
        EXPECT_EQ(capture.err(), "error\tCaught Exception\tUnknown failure.\n");
        EXPECT_EQ(maskTimes(QString::fromUtf8(readFile(out + "/Data ExtractorStatus.tmp"))),
                  "<date>\tFailed\tFailed on extraction.\r\n");
        EXPECT_EQ(readFile(out + "/finished_bridge.tmp"), "finished\r\n");
    }
}

TEST(AppModel, RunLogTargetsAndTheSevenFileLimit)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    const QString logs = dir.filePath("logs");
    // Log files dated after today: the current file sorts first and must not
    // stop the pruning short of seven.
    for (int day = 1; day <= 8; ++day)
        writeFile(logs + QString("/Testing-5-2999-01-0%1.log").arg(day), "x");

    Capture capture;
    TestTask::resetRecord();
    TestTask::succeed = true;
    TestApp app;
    EXPECT_EQ(app.run({"run", "--path=" + out, "--logpath=" + logs, "--school=5", "--log=extract"}), 0);

    const QString logName = "Testing-5-" + today() + ".log";
    QStringList kept = QDir(logs).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(kept.size(), 7) << kept.join(' ').toStdString();
    EXPECT_TRUE(kept.contains(logName));
    EXPECT_FALSE(kept.contains("Testing-5-2999-01-01.log"));
    EXPECT_FALSE(kept.contains("Testing-5-2999-01-02.log"));

    // "extract": both targets until the task starts, the file only from then on.
    EXPECT_EQ(capture.out(), "");
    const QString logText = maskTimes(QString::fromUtf8(readFile(out + "/" + logName)));
    EXPECT_TRUE(logText.contains(": Informational TestTask::Execute: Task ran with \r\n"))
        << logText.toStdString();
    EXPECT_TRUE(
        logText.endsWith(": Informational SISConfig::commandRun: Execute completed successfully.\r\n"))
        << logText.toStdString();
}
