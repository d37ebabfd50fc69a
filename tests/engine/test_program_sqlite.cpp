// The program end to end on the SQLite sample school: input that is refused, runs that fail, the
// output folder and its files, and what reaches the connection and the log.
#include "DataSources.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace enginetest;

namespace {

const DataSource kSqlite{"SQLite", false};
const QString kPassword = kSqlite.Password();

#define REQUIRE_PROGRAM()                                                                                    \
    if (!HaveProgram())                                                                                      \
    GTEST_SKIP() << "the program is not built"

QStringList Login(const QString& dsn = "vh_school", const QString& password = kPassword)
{
    return {"--dsn=" + dsn, "--user=u", "--pwdencode=" + Encode(password)};
}

ProgramResult RunSample(const QStringList& args)
{
    return RunProgram(args + Login(), kSqlite.Env());
}

QStringList AttRun(const QString& folder)
{
    return {"run", "--school=100", "--att", "--path=" + folder};
}

QString MaskedNames(const QString& folder)
{
    QStringList names = FileNames(folder);
    names.replaceInStrings(QRegularExpression("^Update \\d{14}\\.PDU$"), "Update <ts>.PDU")
        .replaceInStrings(QRegularExpression("-\\d{4}-\\d{2}-\\d{2}\\.log$"), "-<date>.log");
    return names.join('|');
}

// Every file under the folder with its content.
QMap<QString, QString> Snapshot(const QString& folder)
{
    QMap<QString, QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, ReadText(path));
    }
    return files;
}

bool Finished(const QString& updateFile)
{
    return QRegularExpression("\r\n// End Time: [^\r\n]+\r\n$").match(ReadText(updateFile)).hasMatch();
}

bool IsEmptyFolder(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty();
}

}  // namespace

TEST(SqliteProgram, TestCommandRefusesBadInput)
{
    REQUIRE_PROGRAM();
    // A school number that is not a plain number never reaches a statement; only the test line
    // carries the answer.
    ProgramResult r = RunSample({"test", "--group=school", "--school=100 OR 1=1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.LogMessages("Trying ").isEmpty());
    EXPECT_TRUE(r.ErrLines().isEmpty()) << r.err.toStdString();
    EXPECT_EQ(r.HostLines().last(), "test\tschool\tfail\tSchool number must be a plain number: 100 OR 1=1");

    // The group "school" needs the school switch and the connection group.
    r = RunSample({"test", "--group=school"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.LogMessages("Trying ").isEmpty());
    EXPECT_TRUE(r.err.startsWith("missing\tschool\t")) << r.err.toStdString();

    // A data source that does not exist: one missing line, four tries; a server that is down
    // answers at once, with no hang.
    for (const char* dsn : {"no_such_source", "vh_pg_down"}) {
        r = RunProgram(QStringList{"test", "--group=connection"} + Login(dsn), kSqlite.Env());
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.LogMessages("Trying ").size(), 4);
        EXPECT_EQ(r.HostLines().last(), "test\tconnection\tfail\tValidate Connection Failed.");
        EXPECT_FALSE((r.out + r.err).contains(kPassword));
        EXPECT_TRUE(QString(dsn) != "no_such_source" ||
                    r.ErrLines() == QStringList{"missing\tdsn\tdsn datasource does not exist."})
            << r.err.toStdString();
    }
}

TEST(SqliteProgram, FailedRunsClaimNoSuccess)
{
    REQUIRE_PROGRAM();
    const QString validate = "error\tExtraction Failed\tValidate Failed";
    const struct
    {
        QStringList args;
        QStringList errLines;
        bool tried;  // the connection search ran
    } cases[] = {
        {QStringList{"--school=100;DROP TABLE Schools"} + Login(),
         {"error\tschool\tSchool number must be a plain number: 100;DROP TABLE Schools", validate},
         false},
        {Login(),
         {"missing\tschool\tschool missing or blank.", "error\tschool\tschool missing or blank.", validate},
         false},
        {QStringList{"--school=100", "--altschool='101', 10 2a"} + Login(),
         {"error\taltschool\tAlternative school numbers must be plain numbers: 102a", validate},
         false},
        {QStringList{"--school=100", "--inactivedate=yesterday"} + Login(),
         {"error\tinactivedate\tInactive date is not a date in the form mm/dd/yyyy: yesterday", validate},
         false},
        {QStringList{"--school=100"} + Login("no_such_source"),
         {"missing\tdsn\tdsn datasource does not exist.", validate},
         true},
        {QStringList{"--school=999"} + Login(), {validate}, true},
        {{"--school=100", "--dsn=vh_school", "--user=u", "--pwdencode="}, {}, false},
    };
    for (const auto& c : cases) {
        const QString out = NewFolder("failed");
        ProgramResult r = RunProgram(QStringList{"run", "--path=" + out} + c.args, kSqlite.Env());
        const std::string label = c.args.join(' ').toStdString();
        EXPECT_EQ(r.code, 1) << label;
        if (!c.errLines.isEmpty())
            EXPECT_EQ(r.ErrLines(), c.errLines) << label;
        else
            EXPECT_FALSE(r.ErrLines().filter("pwd").isEmpty()) << label;
        EXPECT_EQ(r.LogMessages("Trying ").isEmpty(), !c.tried) << label;
        EXPECT_EQ(Status(out), kFailedRun) << label;
        const QString names = MaskedNames(out);
        EXPECT_FALSE(names.contains(".PDE") || names.contains(".PDU") || names.contains("SchoolConfig.xml"))
            << label << ": " << names.toStdString();
        EXPECT_FALSE(ReadText(out + "/BridgeStatus.tmp").contains("Succeeded")) << label;
        EXPECT_FALSE((AllText(out) + r.out + r.err).contains(kPassword)) << label;
    }
}

TEST(SqliteProgram, FailedRunsReportTheirOwnFailure)
{
    REQUIRE_PROGRAM();
    // A failure after the connection search reaches the host with its own text; a folder that has
    // the name of the run configuration is not the run's to delete.
    QString out = NewFolder("own-text");
    ASSERT_TRUE(QDir().mkpath(out + "/SchoolConfig.xml/kept"));
    ProgramResult r = RunSample(AttRun(out));
    const QString failure = "Failed with error [Can't open non-file: " + out +
                            "/SchoolConfig.xml] while writing file [SchoolConfig.xml]";
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{"error\tExtraction Failed\t" + failure});
    EXPECT_TRUE(AllText(out).contains("SISConfig::commandRun: " + failure));
    EXPECT_TRUE(QFileInfo::exists(out + "/SchoolConfig.xml/kept"));
    EXPECT_EQ(Status(out), kFailedRun);

    // However a run fails, its status file says so in the same words.
    const char* const validate = "error\tvalidate\tvalidate must be a number from 0 to 255.";
    const struct
    {
        const char* arg;
        const char* err;
    } cases[] = {
        {"--pwdencode=zz", "error\tpwdencode\tpwdencode is not valid hexadecimal text."},
        {"--log=loud", "error\tlog\tUnknown log target: loud"},
        {"--validate=+3", validate},
        {"--validate= 3", validate},
    };
    for (const auto& c : cases) {
        out = NewFolder("fail-text");
        r = RunProgram({"run", "--school=100", "--path=" + out, c.arg}, kSqlite.Env());
        EXPECT_EQ(r.code, 1) << c.arg;
        EXPECT_EQ(r.ErrLines(), QStringList{c.err});
        EXPECT_EQ(Status(out), kFailedRun) << c.arg;
    }
}

TEST(SqliteProgram, BridgeDeclarationsAndDefaults)
{
    REQUIRE_PROGRAM();
    ProgramResult r = RunProgram({"params"}, kSqlite.Env());
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(r.HostLines().size(), 20);
    EXPECT_EQ(r.HostLines()[7], "params\tschool\tschool\tSchool Number\tschool_list\tChoose the School or "
                                "Building number for your school\t");

    // Suggested settings from the configuration file; an absent attribute gives an empty value.
    const QString config = EnvText("XDG_DATA_HOME") + "/Quenmark/Varnholm/QMConfig.xml";
    WriteText(config, "<Config SISImportFolder=\"/srv/import\" SISUserName=\"clerk\" SISPassword=\"6869\" "
                      "SchoolNumber=\"100\"/>\n");
    r = RunProgram({"defaults"}, kSqlite.Env());
    QFile::remove(config);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.HostLines(), (QStringList{"start_setting", "setting\tdefault\tpath\t/srv/import",
                                          "setting\tconnection\tdsn\t", "setting\tconnection\tuser\tclerk",
                                          "setting\tconnection\tpwdencode\t6869",
                                          "setting\tschool\tschool\t100", "end_setting"}));
}

TEST(SqliteProgram, UpdateFilesOfTheirOwnAndOneRunAtATime)
{
    REQUIRE_PROGRAM();
    const QString out = NewFolder("quick");
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(RunSample(AttRun(out)).code, 0);
    const QStringList updates = UpdateFiles(out);
    EXPECT_EQ(updates.size(), 6) << updates.join(' ').toStdString();
    for (const QString& name : updates)
        EXPECT_TRUE(Finished(out + '/' + name)) << name.toStdString();

    // While another run holds the folder, a second one fails and touches none of its files.
    const QMap<QString, QString> before = Snapshot(out);
    QDir(FallbackFolder()).removeRecursively();
    const int held = ::open(QFile::encodeName(out).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const ProgramResult r = RunSample(AttRun(out));
    ::close(held);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{"error\tpath\tAnother run is using the output folder: " + out});
    EXPECT_EQ(Snapshot(out), before);
    EXPECT_EQ(Status(FallbackFolder()), kFailedRun);

    // Another command shares the folder while it writes its status files: a run that starts then
    // waits for it and runs.
    const int command = ::open(QFile::encodeName(out).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(command, 0);
    ASSERT_EQ(::flock(command, LOCK_SH | LOCK_NB), 0);
    std::thread release([command] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::close(command);
    });
    const ProgramResult waited = RunSample(AttRun(out));
    release.join();
    EXPECT_EQ(waited.code, 0) << waited.err.toStdString();
    EXPECT_EQ(UpdateFiles(out).size(), 7);
}

TEST(SqliteProgram, WritesThatFailAreReported)
{
    REQUIRE_PROGRAM();
    // A closed output, a host that stops reading, a file-size limit: the run ends normally, failed.
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    const struct
    {
        const char* script;
        const char* failure;
    } cases[] = {
        {"exec 1>&-; exec \"$@\"", "Could not write to standard output: Bad file descriptor"},
        {"\"$@\" | true; exit ${PIPESTATUS[0]}", "Could not write to standard output: Broken pipe"},
        {"ulimit -f 1; exec \"$@\"", "Could not write the log file %1/Varnholm-100-%2.log: File too large"},
    };
    for (const auto& c : cases) {
        const QString out = NewFolder("write");
        const ProgramResult r = RunThrough(c.script, AttRun(out) + Login(), kSqlite.Env());
        EXPECT_EQ(r.code, 1) << c.script;
        EXPECT_EQ(r.ErrLines(),
                  QStringList{"error\tExtraction Failed\t" + QString(c.failure).arg(out, today)})
            << c.script;
        EXPECT_EQ(Status(out), kFailedRun) << c.script;
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
    }

    // A full disk while the update pass writes: no update file, empty or not, under its name.
    const QString out = NewFolder("full");
    ProgramResult r =
        RunThrough("ulimit -f 1; exec \"$@\"",
                   AttRun(out) + Login() + QStringList{"--filterdaily=true", "--log=off"}, kSqlite.Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{"error\tExtraction Failed\tSQLite Attendance: disk I/O error"});
    EXPECT_TRUE(FileNames(out).filter(".PDU").isEmpty()) << FileNames(out).join(' ').toStdString();
    EXPECT_TRUE(FileNames(out).filter(".partial").isEmpty());
    EXPECT_EQ(Status(out), kFailedRun);

    // The next good run writes one whole update file and removes what a broken run left.
    WriteText(out + "/SchoolConfig.xml.tmp", "<School");
    WriteText(out + "/Students.pef.partial", "1001\t");
    r = RunSample(AttRun(out));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList updates = FileNames(out).filter(".PDU");
    ASSERT_EQ(updates.size(), 1);
    EXPECT_TRUE(Finished(out + '/' + updates.first()));
    EXPECT_FALSE(QFileInfo::exists(out + "/SchoolConfig.xml.tmp"));
    EXPECT_FALSE(QFileInfo::exists(out + "/Students.pef.partial"));

    // Killed while it writes its status, a run leaves the earlier status whole, never an empty file;
    // a full disk at the finished file fails the run, and no success stands without that file.
    QProcessEnvironment env = kSqlite.Env();
    env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
    env.insert("VH_FAULT_STATUS", "kill-status");
    r = RunProgram(AttRun(out) + Login(), env);
    EXPECT_EQ(r.code, -2);
    EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
    EXPECT_FALSE(QFileInfo::exists(out + "/finished_bridge.tmp"));
    env.insert("VH_FAULT_STATUS", "full-finished");
    r = RunProgram(AttRun(out) + Login(), env);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              QStringList{"error\tExtraction Failed\tCould not write: " + out + "/finished_bridge.tmp"});
    EXPECT_EQ(Status(out), kFailedRun);
    EXPECT_FALSE(QFileInfo::exists(out + "/finished_bridge.tmp"));
    EXPECT_TRUE(FileNames(out).filter(".partial").isEmpty()) << FileNames(out).join(' ').toStdString();
}

TEST(SqliteProgram, AFolderWithoutRoomForNewFilesStillGetsTheResult)
{
    REQUIRE_PROGRAM();
    // Only the status and finished files of an earlier good run can be written in the folder.
    const bool root = ::geteuid() == 0;
    if (root && !QFileInfo::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "no setpriv to run as another user";
    QTemporaryDir base(QDir::tempPath() + "/vh-folder-XXXXXX");
    const QString out = base.filePath("out");
    const QString home = base.filePath("home");
    const QString runtime = base.filePath("runtime");
    for (const QString& folder : {out, home, runtime})
        ASSERT_TRUE(QDir().mkpath(folder));
    const auto mode = [](const QString& path, mode_t bits) {
        ::chmod(QFile::encodeName(path).constData(), bits);
    };
    mode(base.path(), 0755);
    mode(home, 0777);
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(runtime).constData(), 65534, 65534), 0);
    }
    mode(runtime, 0700);
    const QString finished = out + "/finished_bridge.tmp";
    WriteText(out + "/Data ExtractorStatus.tmp", "2026/01/01 10:00:00\tSucceeded\tSucceeded\r\n");
    WriteText(finished, "finished\r\n");
    mode(out + "/Data ExtractorStatus.tmp", 0777);
    mode(finished, 0777);
    mode(out, 0555);

    QProcessEnvironment env = kSqlite.Env();
    env.insert("HOME", home);
    env.insert("XDG_RUNTIME_DIR", runtime);
    const ProgramResult r =
        RunThrough(root ? "exec setpriv --reuid=65534 --regid=65534 --clear-groups -- \"$@\"" : "exec \"$@\"",
                   AttRun(out) + Login(), env);
    mode(out, 0755);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.ErrLines().contains("error\tpath\tCould not create or write the output folder: " + out))
        << r.err.toStdString();
    EXPECT_EQ(Status(out), kFailedRun);
    EXPECT_EQ(ReadText(finished), "finished\r\n");
    EXPECT_EQ(Status(home + "/Documents/Tamberlyn Software/Logs"), kFailedRun);
}

TEST(SqliteProgram, TheOutputFolderIsOneFolderNamedByText)
{
    REQUIRE_PROGRAM();
    // Blanks around the folder are not part of it: every file of the run goes into the one folder.
    const QString work = NewFolder("work");
    const QString out = NewFolder("blanks");
    ProgramResult r = RunThrough(
        "exec \"$@\"", QStringList{"run", "--school=100", "--att", "--path= " + out + ' '} + Login(),
        kSqlite.Env(), work);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(MaskedNames(out), "BridgeStatus.tmp|Data ExtractorStatus.tmp|SchoolConfig.xml|Update <ts>.PDU|"
                                "Varnholm-100-<date>.log|finished_bridge.tmp");
    EXPECT_TRUE(IsEmptyFolder(work));

    // A folder name that is not text: a clear error, and no folder of another name.
    const QString parent = NewFolder("not-text");
    QProcessEnvironment env = kSqlite.Env();
    env.insert("PARENT", parent);
    QDir(FallbackFolder()).removeRecursively();
    r = RunThrough("exec \"$@\" \"--path=$(printf '%s/bad\\377' \"$PARENT\")\"",
                   QStringList{"run", "--school=100", "--att"} + Login(), env);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              QStringList{"error\tpath\tpath is not valid text: it holds bytes that are not UTF-8."});
    EXPECT_TRUE(IsEmptyFolder(parent));
    EXPECT_EQ(Status(FallbackFolder()), kFailedRun);
}

TEST(SqliteProgram, InputReachesConnectionsAndLogsSafely)
{
    REQUIRE_PROGRAM();
    // A password cannot add an attribute to the connection: the school list comes from the data
    // source's own database, not from another file.
    const QString other = NewFolder("other") + "/other.db";
    SqliteRows(other, "CREATE TABLE Schools (ID INTEGER, School_Number INTEGER, Name VARCHAR(60), "
                      "District_Number INTEGER)");
    SqliteRows(other, "INSERT INTO Schools VALUES (1, 777, 'Elsewhere', 7)");
    ProgramResult r = RunProgram(QStringList{"params", "--paramkey=school"} +
                                     Login("vh_school", "x;Database=" + other + ';'),
                                 kSqlite.Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.Lines("school_list").value(0), "school_list\tschool\t100\tVarnholm High School (100)\t");
    EXPECT_FALSE(r.out.contains("Elsewhere"));

    // A short password hides only itself: the other words stay readable.
    QString out = NewFolder("short");
    r = RunProgram(AttRun(out) + Login("vh_school", "Eng"), kSqlite.Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QString all = AllText(out) + r.out + r.err;
    EXPECT_TRUE(all.contains("ExpEngine::Execute: Execute Starting"));
    EXPECT_FALSE(all.contains("********"));
    EXPECT_FALSE(all.contains(QRegularExpression("\\bEng\\b")));
    EXPECT_FALSE(all.contains(Encode("Eng")));

    // The school value reaches the log file's name without its control characters.
    out = NewFolder("control");
    r = RunSample({"run", "--school=10\n0", "--path=" + out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(MaskedNames(out).contains("|Varnholm-10_0-<date>.log|")) << MaskedNames(out).toStdString();
}

TEST(SqliteProgram, HostValuesForgeNoStatusAndShowNoSecret)
{
    REQUIRE_PROGRAM();
    // CR, LF and TAB in a value end neither a field nor a line of the status file: test writes the
    // value into its failure text, as on its test line, and run says "Failed on extraction.".
    const QString forged = "1\r\n2026/12/07 12:00:00\tSucceeded\tSucceeded";
    const struct
    {
        QString arg;
        QString testText;  // the failure text of test
    } values[] = {
        {"--school=" + forged,
         "School number must be a plain number: 1  2026/12/07 12:00:00 Succeeded Succeeded"},
        {"--school=10\n0\t", "School number must be a plain number: 10 0 "},
        {"--district=7\tx", "District number must be a plain number: 7 x"},
        {"--district=" + forged,
         "District number must be a plain number: 1  2026/12/07 12:00:00 Succeeded Succeeded"},
    };
    for (const auto& v : values) {
        for (const QString command : {"test", "run"}) {
            SCOPED_TRACE((command + " " + v.arg).toStdString());
            const QString out = NewFolder("forged");
            QStringList args{command, "--path=" + out, v.arg};
            if (command == "test")
                args << "--group=school";
            if (!v.arg.startsWith("--school="))
                args << "--school=100";
            const ProgramResult r = RunSample(args);
            EXPECT_EQ(r.code, 1);
            const QString text = command == "test" ? v.testText : QString("Failed on extraction.");
            if (command == "test") {
                EXPECT_EQ(r.Lines("test"), QStringList{"test\tschool\tfail\t" + text});
            }
            const QString status = ReadText(out + "/Data ExtractorStatus.tmp");
            ASSERT_TRUE(status.endsWith("\r\n")) << status.toStdString();
            const QString line = status.chopped(2);
            EXPECT_FALSE(line.contains('\r') || line.contains('\n')) << status.toStdString();
            const QStringList fields = line.split('\t');
            ASSERT_EQ(fields.size(), 3) << status.toStdString();
            EXPECT_EQ(fields[1], "Failed");
            EXPECT_EQ(fields[2], text);
            EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
        }
    }

    // A password typed with a blank for "=", or with an unquoted blank, and a word after any switch
    // given without "=": the line names the argument by its position or the switch, and neither the
    // hexadecimal text nor the password nor such a word shows anywhere.
    const QString hex = Encode("s3cr3t-Phrase");
    const QString after =
        "Invalid argument after --%1 (not shown: it may be part of the password). The value "
        "must follow \"=\" in the same argument, quoted when it holds blanks: --%1=<value>";
    const QString bare = "Invalid argument %1 (not shown: it may be a value of --%2). The value must follow "
                         "\"=\" in the same argument, quoted when it holds blanks: --%2=<value>";
    const struct
    {
        QStringList args;
        QString error;
    } secrets[] = {
        {{"--pwdencode", hex}, bare.arg(8).arg("pwdencode")},
        {{"--pwdencode=", hex}, after.arg("pwdencode")},
        {{"--pwd=my", "secret"}, after.arg("pwd")},
        {{"--pass", "Zq7Secret"}, bare.arg(8).arg("pass")},
        {{"--passphrase", "Wd7Secret", "two"}, bare.arg(8).arg("passphrase")},
        {{"--pwdencode " + hex},
         "Invalid argument 7: --pwdencode followed by a blank (the rest is not shown: it may be a value). A "
         "value must follow \"=\" in the same argument, quoted when it holds blanks: --pwdencode=<value>"},
    };
    for (const auto& c : secrets) {
        for (const char* command : {"test", "run"}) {
            SCOPED_TRACE(c.args.join(' ').toStdString() + " with " + command);
            QDir(FallbackFolder()).removeRecursively();
            const QString out = NewFolder("secret");
            const ProgramResult r = RunProgram(QStringList{command, "--group=connection", "--school=100",
                                                           "--path=" + out, "--dsn=vh_school", "--user=u"} +
                                                   c.args,
                                               kSqlite.Env());
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.ErrLines(), QStringList{"error\tCommand Line\t" + c.error});
            const QString all = r.out + r.err + AllText(out) + AllText(FallbackFolder());
            for (const QString& word : {hex, QString("s3cr3t"), QString("secret"), QString("Secret")})
                EXPECT_FALSE(all.contains(word)) << all.toStdString();
        }
    }
}

TEST(SqliteProgram, ASwitchGivenAloneIsTakenAndAPasswordSwitchAloneIsBlank)
{
    REQUIRE_PROGRAM();
    // A switch that the program does not know, whatever its key, is taken and named as not used; the
    // "true" it stands for is no secret that the log would hide.
    ProgramResult r = RunSample({"version", "--nopwdprompt"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QString out = NewFolder("alone");
    r = RunSample(AttRun(out) + QStringList{"--nopwdprompt", "--filterdaily=true"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QString log = AllText(out);
    // Nothing after a password word shows, not even of a flag.
    EXPECT_TRUE(log.contains("Not used by this program, its value is not logged: --nopwd********\n"));
    EXPECT_TRUE(log.contains("; filterdaily=true; ")) << log.toStdString();
    EXPECT_FALSE((log + r.out).contains("prompt"));

    // The password switch alone is a blank password.
    r = RunProgram({"test", "--group=connection", "--dsn=vh_school", "--user=u", "--pwdencode"}, kSqlite.Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              (QStringList{"missing\tpwd\tpwd missing or blank.", "error\tpwd\tpwd missing or blank."}));
    // A run says so with its own error line, and fails.
    const QString blank = NewFolder("blank-pwd");
    r = RunProgram({"run", "--school=100", "--dsn=vh_school", "--user=u", "--pwd", "--path=" + blank},
                   kSqlite.Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(),
              (QStringList{"missing\tpwd\tpwd missing or blank.", "error\tExtraction Failed\tValidate Failed"}));
    EXPECT_EQ(Status(blank), kFailedRun);
}

TEST(SqliteProgram, APasswordSwitchTypedWithoutItsEqualsSignShowsNothingAfterItsWord)
{
    REQUIRE_PROGRAM();
    // "-", "_", ".", or ":" where "=" belongs: whatever follows the password word is a secret, with or
    // without a good password beside it. A key that can be one is taken as a switch that the program
    // does not use; the others are refused and named by their position.
    const QString secret = "Tq9Hidden";
    const QString hex = Encode(secret);
    const QString refused = "Invalid argument 7: --%1******** (the rest is not shown: it may be a password). A "
                            "value must follow \"=\" in the same argument, quoted when it holds blanks: "
                            "--%1=<value>";
    const struct
    {
        QString arg;
        QString shown;  // the key as the log names it, or the refusal
        bool taken;
    } cases[] = {
        {"--pwdencode-" + hex, "--pwdencode********", true},
        {"--pwdencode_" + hex.toUpper(), "--pwdencode********", true},
        {"--pwdencode." + hex, "--pwdencode********", true},
        {"--pwd." + secret, "--pwd********", true},
        {"--pwd:" + secret, refused.arg("pwd"), false},
        {"--pwdencode:" + hex, refused.arg("pwdencode"), false},
    };
    for (const auto& c : cases) {
        for (const bool login : {false, true}) {
            SCOPED_TRACE((c.arg + (login ? " with a good password" : "")).toStdString());
            QDir(FallbackFolder()).removeRecursively();
            const QString out = NewFolder("mistyped");
            QStringList args{"run", "--demo", "--school=100", "--path=" + out, "--dsn=vh_school", "--user=u", c.arg};
            if (login)
                args << "--pwdencode=" + Encode(kPassword);
            const ProgramResult r = RunProgram(args, kSqlite.Env());
            EXPECT_EQ(r.code, login && c.taken ? 0 : 1) << r.err.toStdString();
            if (!c.taken) {
                EXPECT_EQ(r.ErrLines(), QStringList{"error\tCommand Line\t" + c.shown});
            } else if (login) {
                EXPECT_TRUE(r.out.contains("\tNot used by this program, its value is not logged: " + c.shown + "\n"))
                    << r.out.toStdString();
            }
            EXPECT_EQ(Status(out), login && c.taken ? "<date>\tSucceeded\tSucceeded\r\n" : kFailedRun);
            const QString all = r.out + r.err + AllText(out) + AllText(FallbackFolder());
            for (const QString& word : {secret, hex, hex.toUpper(), kPassword, Encode(kPassword)})
                EXPECT_FALSE(all.contains(word, Qt::CaseInsensitive)) << word.toStdString();
        }
    }
}

TEST(SqliteProgram, AStopSignalThatTheCallerIgnoresStaysIgnored)
{
    REQUIRE_PROGRAM();
    // A run in the background of a script, paused after its connection, gets SIGHUP (and SIGINT, which
    // a background job ignores): under "trap '' HUP", as nohup leaves it, the run goes on and
    // succeeds; without, SIGHUP stops it.
    const QString script = "%1\n\"$@\" &\npid=$!\n"
                           "while [ ! -e \"$VH_FAULT_PAUSE_FILE\" ] && kill -0 $pid 2>/dev/null; do\n"
                           "  sleep 0.01\ndone\n"
                           "[ -e \"$VH_FAULT_PAUSE_FILE\" ] && kill -HUP $pid && kill -INT $pid && "
                           "touch \"$VH_FAULT_PAUSE_FILE.sent\"\n"
                           "rm -f \"$VH_FAULT_PAUSE_FILE\"\nwait $pid";
    for (const bool ignored : {true, false}) {
        SCOPED_TRACE(ignored ? "SIGHUP ignored" : "SIGHUP not ignored");
        const QString out = NewFolder("nohup");
        QProcessEnvironment env = kSqlite.Env();
        env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
        env.insert("VH_FAULT_PAUSE_SQL", "Terms");
        env.insert("VH_FAULT_PAUSE_FILE", out + ".pause");
        const ProgramResult r = RunThrough(script.arg(ignored ? "trap '' HUP" : ""), AttRun(out) + Login(), env);
        ASSERT_TRUE(QFileInfo::exists(out + ".pause.sent"));
        if (ignored) {
            EXPECT_EQ(r.code, 0) << r.err.toStdString();
            EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
        } else {
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.ErrLines(),
                      QStringList{"error\tExtraction Failed\tThe run was stopped by signal 1 (SIGHUP)."});
            EXPECT_EQ(Status(out), kFailedRun);
        }
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
    }
}

TEST(SqliteProgram, AStopSignalAfterTheStatusIsWrittenChangesNeitherStatusNorExitCode)
{
    REQUIRE_PROGRAM();
    // The preloaded library sends the signal twice as the status file is written (after the run's
    // last stop check), once just after the status file took its name, or once main has returned:
    // for every command the exit code is the one that the status file says.
    const QString out = NewFolder("final");
    const QString succeeded = "<date>\tSucceeded\tSucceeded\r\n";
    const struct
    {
        QStringList args;
        int code;
        QString status;
    } commands[] = {
        {AttRun(out) + Login() + QStringList{"--filterdaily=true"}, 0, succeeded},
        {AttRun(out) + Login("vh_missing_source"), 1, kFailedRun},
        {{"test", "--group=connection", "--path=" + out, "--dsn=vh_school", "--user=u", "--pwd=x"},
         0,
         succeeded},
        {{"params", "--path=" + out}, 0, succeeded},
        {{"version", "--path=" + out}, 0, succeeded},
        {{"defaults", "--path=" + out}, 1, "<date>\tFailed\tFailed on defaults.\r\n"},
    };
    for (const int signal : {SIGTERM, SIGQUIT, SIGHUP, SIGINT}) {
        for (const QString& at : {QString("%1,%1:writing"), QString("%1:status"), QString("%1:exit")}) {
            QProcessEnvironment env = kSqlite.Env();
            env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
            env.insert("VH_SIGNAL_AT_END", at.arg(signal));
            for (const auto& c : commands) {
                SCOPED_TRACE((at.arg(signal) + " " + c.args.join(' ')).toStdString());
                const ProgramResult r = RunProgram(c.args, env);
                EXPECT_EQ(r.code, c.code) << r.err.toStdString();
                EXPECT_EQ(Status(out), c.status);
                EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
            }
        }
    }
}

TEST(SqliteProgram, ARunWhoseSwitchesLeaveNoPassFailsAndTouchesNothing)
{
    REQUIRE_PROGRAM();
    const QString out = NewFolder("no-pass");
    ASSERT_EQ(RunSample(AttRun(out) + QStringList{"--filterdaily=true"}).code, 0);
    QMap<QString, QString> before = Snapshot(out);
    const ProgramResult r = RunSample({"run", "--school=100", "--path=" + out, "--demo", "--att"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{"error\tCommand Line\t--demo with --att leaves nothing to run: --demo "
                                        "runs the full extraction only, --att the attendance update only."});
    EXPECT_EQ(Status(out), kFailedRun);
    // The folder is as it was but for the result of this run.
    QMap<QString, QString> after = Snapshot(out);
    for (QMap<QString, QString>* files : {&before, &after}) {
        files->remove(out + "/Data ExtractorStatus.tmp");
        files->remove(out + "/finished_bridge.tmp");
    }
    EXPECT_EQ(after, before);

    // A refused switch after a good run: this run's failure replaces the good run's result. A folder
    // that is not there is not made for a refused command line; its failure goes to the fallback.
    for (const QString refusal : {"--school", "--pwd:Tq9Hidden", "--validate=x"}) {
        SCOPED_TRACE(refusal.toStdString());
        ASSERT_EQ(RunSample(AttRun(out) + QStringList{"--filterdaily=true"}).code, 0);
        const ProgramResult refused = RunSample({"run", "--path=" + out, "--att", "--school=100", refusal});
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.ErrLines().size(), 1) << refused.err.toStdString();
        EXPECT_EQ(Status(out), kFailedRun);
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
    }
    EXPECT_EQ(RunSample({"run", "--path=" + out, "--school"}).ErrLines(),
              QStringList{"error\tCommand Line\tSwitch needs a value: --school"});
    for (const QStringList& refused : {QStringList{"--demo", "--att"}, QStringList{"--school"}}) {
        QDir(FallbackFolder()).removeRecursively();
        const QString missing = out + "-missing";
        EXPECT_EQ(RunSample(QStringList{"run", "--path=" + missing, "--school=100"} + refused).code, 1);
        EXPECT_FALSE(QFileInfo::exists(missing));
        EXPECT_EQ(Status(FallbackFolder()), kFailedRun);
    }

    // An unknown or missing command word is refused the same way, with its error as the failure.
    // The folder of the last "--path=" gets the result; the first, which holds a good run, is left.
    const QString first = NewFolder("no-pass-first");
    ASSERT_EQ(RunSample(AttRun(first) + QStringList{"--filterdaily=true"}).code, 0);
    const struct
    {
        QStringList words;
        QString error;
    } words[] = {
        {{"Run"}, "Unknown command: Run"},
        {{"rn"}, "Unknown command: rn"},
        {{""}, "Unknown command: "},
        {{}, "No command given."},
    };
    for (const auto& w : words) {
        SCOPED_TRACE(w.error.toStdString());
        ASSERT_EQ(RunSample(AttRun(out) + QStringList{"--filterdaily=true"}).code, 0);
        const ProgramResult refused =
            RunSample(w.words + QStringList{"--path=" + first, "--school=100", "--path=" + out});
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.ErrLines(), QStringList{"error\tCommand Line\t" + w.error});
        EXPECT_EQ(Status(out), "<date>\tFailed\t" + w.error + "\r\n");
        EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
        EXPECT_EQ(Status(first), "<date>\tSucceeded\tSucceeded\r\n");
        const QString missing = out + "-missing";
        EXPECT_EQ(RunSample(w.words + QStringList{"--path=" + missing}).code, 1);
        EXPECT_FALSE(QFileInfo::exists(missing));
    }
}

// The guide's block of the scheduled run that begins with the line, its indentation taken off, with
// the guide's folders and program replaced by the test's.
QString GuideBlock(const QString& firstLine, const QMap<QString, QString>& places)
{
    const QString guide = ReadText(VH_GUIDE_FILE);
    const int at = guide.indexOf(QRegularExpression("\n *" + QRegularExpression::escape(firstLine)));
    const int end = guide.indexOf("```", at);
    if (at < 0 || end < 0)
        return "exit 99";
    QStringList lines;
    for (const QString& line : guide.mid(at + 1, end - at - 1).split('\n'))
        lines << line.trimmed();
    QString block = lines.join('\n');
    for (auto it = places.begin(); it != places.end(); ++it)
        block.replace(it.key(), it.value());
    return block;
}

TEST(SqliteProgram, TheGuidesScheduledRunRunsOnAFreshMachine)
{
    REQUIRE_PROGRAM();
    // The folders of the guide's first step, then its script and crontab line in cron's bare
    // environment, over the sample school as the data source varnholm_pg.
    const QString root = NewFolder("cron");
    const QMap<QString, QString> places{{"/opt/varnholm/varnholm-de", VARNHOLM_BIN},
                                        {"/etc/varnholm", root + "/etc"},
                                        {"/srv/quenmark/import/100", root + "/import"},
                                        {"/var/log/varnholm", root + "/log"},
                                        {"/usr/local/bin", root + "/bin"}};
    WriteText(root + "/etc/odbcinst.ini", ReadBytes(VH_TESTDATA_DIR "/odbcinst.ini"));
    WriteText(root + "/etc/odbc.ini",
              "[varnholm_pg]\nDriver=SQLite3\nDatabase=" VH_TESTDATA_DIR "/school.db\nNoCreat=1\nStepAPI=1\n");
    WriteText(root + "/etc/pwdencode", Encode(kPassword).toLatin1());
    WriteText(root + "/bin/varnholm-daily", GuideBlock("#!/bin/sh", places).toUtf8() + '\n');
    QFile::setPermissions(root + "/bin/varnholm-daily", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString crontab = GuideBlock("30 18 * * 1-5 ", places).section(' ', 5);

    QProcessEnvironment bare;
    bare.insert("HOME", root);
    bare.insert("PATH", "/usr/bin:/bin");
    EXPECT_EQ(RunThrough(GuideBlock("mkdir -p ", places).section('\n', 0, 0), {}, bare).code, 0);
    EXPECT_EQ(RunThrough("exec sh -c \"$2\"", {crontab}, bare).code, 0) << crontab.toStdString();
    EXPECT_TRUE(ReadText(root + "/log/school-100.out").contains("\nbridge_complete\n"))
        << ReadText(root + "/log/school-100.out").toStdString();
    EXPECT_EQ(Status(root + "/import"), "<date>\tSucceeded\tSucceeded\r\n");
    EXPECT_EQ(UpdateFiles(root + "/import").size(), 1);
}

TEST(SqliteProgram, ValuesAreTakenAsGiven)
{
    REQUIRE_PROGRAM();
    // Text longer than its column declares is read whole.
    ChangeableSource source(kSqlite, "school.db", QString());
    source.Exec("UPDATE Schools SET Name = replace(hex(zeroblob(1500)), '0', 'N') WHERE School_Number = 100");
    ProgramResult r = RunProgram(
        QStringList{"params", "--paramkey=school", "--dsn=" + source.dsn} + source.login, source.env);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.Lines("school_list").value(0),
              "school_list\tschool\t100\t" + QString(3000, 'N') + " (100)\t");

    // Cleaning many alternative school numbers looks at each number a few times, not once for each
    // number kept before it (each run then stops for the missing school). The preloaded library
    // counts the texts that the run hashes or compares: 21000 numbers more add at least one each,
    // and fewer than 64 each (a sorted set takes 15 to 30; a search of the kept list, thousands).
    long texts[2] = {0, 0};
    for (int count : {1000, 22000}) {
        QStringList numbers;
        for (int i = 1; i <= count; ++i)
            numbers << QString::number(i);
        const QString out = NewFolder("alt");
        QProcessEnvironment env = kSqlite.Env();
        env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
        env.insert("VH_COUNT_TEXT_LOOKUPS", out + ".texts");
        r = RunProgram(QStringList{"run", "--path=" + out, "--altschool=" + numbers.join(',')} + Login(),
                       env);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.ErrLines().contains("error\tschool\tschool missing or blank.")) << r.err.toStdString();
        const QString counted = ReadText(out + ".texts");
        ASSERT_TRUE(counted.startsWith("texts ")) << counted.toStdString();
        texts[count > 1000] = counted.mid(6).trimmed().toLong();
    }
    EXPECT_GE(texts[1] - texts[0], 21000) << texts[0] << ", then " << texts[1];
    EXPECT_LT(texts[1] - texts[0], 64 * 21000) << texts[0] << ", then " << texts[1];
}
