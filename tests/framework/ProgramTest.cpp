// The framework's own program end to end: commands, status files, the log and bad input.

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const QString StatusFile = QStringLiteral("Data ExtractorStatus.tmp");
const QString Failed = QStringLiteral("<date>\tFailed\tFailed on extraction.\r\n");
const QString Default = QStringLiteral("Execute not defined correctly in ExpEngine.");

QString statusText(const QString& folder)
{
    return maskTimes(QString::fromUtf8(readFile(folder + "/" + StatusFile)));
}

QStringList decodedLog(const QString& path)
{
    QStringList lines;
    for (const QString& line : QString::fromUtf8(readFile(path)).split("\r\n", Qt::SkipEmptyParts)) {
        if (line.startsWith("proprietary:"))
            lines << "[9] " + QString::fromUtf8(QByteArray::fromBase64(line.mid(12).toLatin1()));
        else
            lines << line;
    }
    return lines;
}

QStringList sortedFiles(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files);
    names.sort();
    return names;
}

void clearFallback()
{
    QDir(documentsLogFolder()).removeRecursively();
}
}  // namespace

TEST(Program, VersionHelpAndParams)
{
    ProgramResult r = runProgram({"version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "version\t3.3.2.0\t2.03.0097\n");
    EXPECT_EQ(r.err, "");

    r = runProgram({"help"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.out.startsWith("Tamberlyn Data Extractor for Varnholm 3.3.2.0\n"
                                 "Usage: varnholm-de <command> [--key=value]...\n\nCommands:\n"
                                 "  help                    Show this text.\n"))
        << r.out.toStdString();

    r = runProgram({"version", "--help"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.startsWith("Tamberlyn Data Extractor for Varnholm 3.3.2.0\n"));

    r = runProgram({"params", "--district=3"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(Program, DefaultsFromTheConfigFile)
{
    const QString config = QDir::homePath() + "/data/Quenmark/Varnholm/QMConfig.xml";
    QFile::remove(config);
    ProgramResult r = runProgram({"defaults"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "start_setting\nend_setting\n");
    EXPECT_EQ(r.err, "error\tQMConfig.xml\tCould not read: " + config + "\n");

    writeFile(config, "<QMConfig SISDSN=\"x\"><Unclosed></QMConfig>");
    r = runProgram({"defaults"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "start_setting\nend_setting\n");
    EXPECT_TRUE(r.err.startsWith("error\tQMConfig.xml\tCould not parse: " + config + ": "))
        << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1);

    writeFile(config, "<QMConfig SISDSN=\"x\"/>");
    r = runProgram({"defaults"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "start_setting\nend_setting\n");
    EXPECT_EQ(r.err, "");
    QFile::remove(config);
}

TEST(Program, TestCommandAndStatusFilesOfOtherCommands)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("new/out");
    ProgramResult r = runProgram({"test"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "missing\tgroup\tgroup missing or blank.\nerror\tgroup\tgroup missing or blank.\n");

    r = runProgram({"test", "--group=connection", "--path=" + out});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "warning\tAppBase::testGroup\tMethod not defined.\n");
    EXPECT_EQ(statusText(out), "<date>\tFailed\tMethod not defined.\r\n");
    EXPECT_EQ(readFile(out + "/finished_bridge.tmp"), "finished\r\n");

    r = runProgram({"version", "--path=" + out});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(statusText(out), "<date>\tSucceeded\tSucceeded\r\n");
    EXPECT_EQ(sortedFiles(out), QStringList({StatusFile, "finished_bridge.tmp"}));
}

TEST(Program, RunWritesStatusFilesAndTheLog)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    writeFile(out + "/finished.tmp", "old");
    writeFile(out + "/finished_bridge.tmp", "old");
    writeFile(out + "/BridgeStatus.tmp", "2024/01/01 10:00:00\tSucceeded\r\n");

    // Keys that only look like the password keys ("Stow4way" and "Quiet5dog" in hex) are hidden too.
    ProgramResult r = runProgram({"run", "--path=" + out, "--school=123", "--pwd=Hidden77",
                                  "--pwdencode=48696464656e3737", "--demo", "--PwdEncode=53746f7734776179",
                                  "--pwdencoded=517569657435646f67", "--OldPassword=Plain88"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(maskTimes(r.out), "log\tWarning      \t<time>\tSISConfig::commandRun\tNot used by this program, "
                                "its value is not logged: --pwd, --pwdencode, --PwdEncode, --pwdencode********, "
                                "--OldPassword\n"
                                "log\tError        \t<time>\tSISConfig::commandRun\t" +
                                    Default + "\n");
    EXPECT_EQ(r.err, "error\tExtraction Failed\t" + Default + "\n");

    EXPECT_FALSE(QFile::exists(out + "/finished.tmp"));
    EXPECT_EQ(maskTimes(QString::fromUtf8(readFile(out + "/BridgeStatus.tmp"))),
              "<date>\tExtract Running\r\n");
    EXPECT_EQ(statusText(out), Failed);
    EXPECT_EQ(readFile(out + "/finished_bridge.tmp"), "finished\r\n");

    const QString logName = "Varnholm-123-" + today() + ".log";
    EXPECT_EQ(sortedFiles(out),
              QStringList({"BridgeStatus.tmp", StatusFile, logName, "finished_bridge.tmp"}));
    const QStringList log = decodedLog(out + "/" + logName);
    ASSERT_EQ(log.size(), 3) << log.join('\n').toStdString();
    const QString prefix = "Tamberlyn Data Extractor for Varnholm:<time>: ";
    EXPECT_TRUE(
        maskTimes(log[0]).startsWith("[9] " + prefix + "Proprietary   SISConfig::commandRun: Parameters: "))
        << log[0].toStdString();
    EXPECT_TRUE(log[0].contains("; demo=true; ") && log[0].contains("; logSchema=false; ") &&
                log[0].contains("; school=123"))
        << log[0].toStdString();
    EXPECT_FALSE(log[0].contains("Hidden77") || log[0].contains("48696464656e3737"));
    for (const char* hidden : {"53746f7734776179", "Stow4way", "517569657435646f67", "Quiet5dog", "Plain88"})
        EXPECT_FALSE((log.join('\n') + r.out + r.err).contains(hidden)) << hidden;
    // No key of the parameter line looks like a password key (the values hold random paths).
    const QString parameters = log[0].mid(log[0].indexOf("Parameters: ") + 12);
    for (const QString& pair : parameters.split("; ")) {
        const QString key = pair.section('=', 0, 0);
        EXPECT_FALSE(key.contains("pwd", Qt::CaseInsensitive) || key.contains("passw", Qt::CaseInsensitive))
            << key.toStdString();
    }
    // This program declares no password: every password switch is named as not used, by its key.
    EXPECT_EQ(maskTimes(log[1]), prefix + "Warning       SISConfig::commandRun: Not used by this program, its "
                                          "value is not logged: --pwd, --pwdencode, --PwdEncode, "
                                          "--pwdencode********, --OldPassword");
    EXPECT_EQ(maskTimes(log[2]), prefix + "Error         SISConfig::commandRun: " + Default);

    // A second run appends to the same log, and the previous status no longer says "Succeeded".
    r = runProgram({"run", "--path=" + out, "--school=123", "--log=consoleoff"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(maskTimes(r.out), "log\tError        \t<time>\tSISConfig::commandRun\t" + Default + "\n");
    const QStringList again = decodedLog(out + "/" + logName);
    ASSERT_EQ(again.size(), 5);
    EXPECT_TRUE(again[3].contains("; logSchema=true; "));
}

TEST(Program, RunCopiesTheLogAndKeepsSevenLogFiles)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    const QString logs = dir.filePath("logs");
    for (int day = 1; day <= 8; ++day)
        writeFile(logs + QString("/Varnholm-9-2020-01-0%1.log").arg(day), "x");
    writeFile(logs + "/Other-9-2020-01-01.log", "x");
    writeFile(logs + "/Varnholm-notes.txt", "x");

    ProgramResult r =
        runProgram({"run", "--path=" + out, "--logpath=" + logs, "--school=9", "--log=consoleoff"});
    EXPECT_EQ(r.code, 1);
    const QString logName = "Varnholm-9-" + today() + ".log";
    QStringList expected = {"Other-9-2020-01-01.log",    "Varnholm-9-2020-01-03.log",
                            "Varnholm-9-2020-01-04.log", "Varnholm-9-2020-01-05.log",
                            "Varnholm-9-2020-01-06.log", "Varnholm-9-2020-01-07.log",
                            "Varnholm-9-2020-01-08.log", logName,
                            "Varnholm-notes.txt"};
    expected.sort();
    EXPECT_EQ(sortedFiles(logs), expected);
    EXPECT_EQ(readFile(out + "/" + logName), readFile(logs + "/" + logName));
    const QStringList log = decodedLog(out + "/" + logName);
    ASSERT_EQ(log.size(), 4);
    const QString removed =
        "Tamberlyn Data Extractor for Varnholm:<time>: Debug         SISConfig::commandRun: "
        "Removed old log file: Varnholm-9-2020-01-0";
    EXPECT_EQ(maskTimes(log[0]), removed + "1.log");
    EXPECT_EQ(maskTimes(log[1]), removed + "2.log");
    EXPECT_TRUE(log[2].startsWith("[9] "));
    EXPECT_TRUE(log[3].endsWith(": " + Default));
}

TEST(Program, RunFallsBackWhenFoldersCannotBeUsed)
{
    QTemporaryDir dir;
    clearFallback();
    ProgramResult r = runProgram({"run", "--school=1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "missing\tpath\tpath missing or blank.\nerror\tpath\tpath missing or blank.\n");
    EXPECT_EQ(statusText(documentsLogFolder()), Failed);
    EXPECT_EQ(readFile(documentsLogFolder() + "/finished_bridge.tmp"), "finished\r\n");

    clearFallback();
    writeFile(dir.filePath("blocker"), "a file, not a folder");
    const QString out = dir.filePath("blocker/out");
    r = runProgram({"run", "--path=" + out, "--school=1"});
    EXPECT_EQ(r.code, 1);
    const QString logName = "Varnholm-1-" + today() + ".log";
    EXPECT_EQ(r.err, "error\tLog File Error\tCould not write to: " + out + "/" + logName +
                         ". Will now write to: " + documentsLogFolder() + "/" + logName +
                         "\n"
                         "error\tpath\tCould not create or write the output folder: " +
                         out + "\n");
    EXPECT_EQ(statusText(documentsLogFolder()), Failed);
    EXPECT_TRUE(QFile::exists(documentsLogFolder() + "/" + logName));
    clearFallback();
}

TEST(Program, ValidateModeGivesCannedAnswers)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    struct Case
    {
        QStringList args;
        int code;
        const char* out;
    };
    const Case cases[] = {
        {{"version", "--validate=3"}, 3, "version\tValidated.\n"},
        {{"defaults", "--validate=2"}, 2, "setting\tdefault\tvalidate\tValidated.\n"},
        {{"test", "--validate=6", "--group=school"}, 6, "test\tschool\tfail\tValidated.\n"},
        {{"run", "--validate=5", "--path=" + out}, 5, "status\trun\tValidated.\n"},
        {{"params", "--validate=7", "--paramkey=teacher"},
         1,
         "warning\tAppBase::bridgeListParam\tMethod not defined.\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = runProgram(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, c.out) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err, "");
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST(Program, BadInputGivesOneErrorLineAndExitCodeOne)
{
    struct Case
    {
        QStringList args;
        QString err;
    };
    const Case cases[] = {
        {{}, "error\tCommand Line\tNo command given.\n"},
        {{"extract"}, "error\tCommand Line\tUnknown command: extract\n"},
        {{"pwd=Qx4Secret"}, "error\tCommand Line\tUnknown command: pwd********\n"},
        {{"version", "path=x"}, "error\tCommand Line\tInvalid argument: path\n"},
        {{"run", "-pwdencode=4142"}, "error\tCommand Line\tInvalid argument: -pwdencode\n"},
        {{"run", "--path"}, "error\tCommand Line\tSwitch needs a value: --path\n"},
        {{"version", "--validate=abc"}, "error\tvalidate\tvalidate must be a number from 0 to 255.\n"},
        {{"version", "--validate=256"}, "error\tvalidate\tvalidate must be a number from 0 to 255.\n"},
        {{"version", "--log=loud"}, "error\tlog\tUnknown log target: loud\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = runProgram(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, "") << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err, c.err) << c.args.join(' ').toStdString();
    }
}
