// The program end to end on the sample school: on SQLite, reached as "Sybase ODBC" without the
// prefix, and on PostgreSQL, reached as "Oracle (ODBC)" with the prefix "VH.".
#include "DataSources.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <signal.h>

using namespace enginetest;

namespace {

#ifdef VARNHOLM_BIN
const QString kBinary = VARNHOLM_BIN;
#else
const QString kBinary;
#endif

const QStringList kTries{"Trying Sybase ODBC with prefix.", "Trying Oracle (ODBC) with prefix.",
                         "Trying Oracle (ODBC) without prefix.", "Trying Sybase ODBC without prefix."};

class Program : public ::testing::TestWithParam<DataSource>
{
protected:
    void SetUp() override
    {
        if (!HaveProgram())
            GTEST_SKIP() << "no program";
    }
    QStringList Login(const QString& user, const QString& password) const
    {
        return {"--dsn=" + GetParam().Dsn("vh_school"), "--user=" + user, "--pwdencode=" + Encode(password)};
    }
    ProgramResult Run(const QStringList& args) const
    {
        return RunProgram(args + Login(GetParam().User(), GetParam().Password()), GetParam().Env());
    }
};

TEST_P(Program, TestCommand)
{
    const bool pg = GetParam().pg;
    ProgramResult r = Run({"test", "--group=connection"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.LogMessages("Trying "), kTries.mid(0, pg ? 2 : 4));
    EXPECT_EQ(r.HostLines(),
              (QStringList{"inc_progress\tBeginning test...",
                           QString("inc_progress\tConnection Successful, using ") +
                               (pg ? "Oracle (ODBC) with prefix." : "Sybase ODBC without prefix."),
                           "test\tconnection\tsuccess\tConnection Successful"}));
    EXPECT_EQ(r.err, QString());

    r = Run({"test", "--group=school", "--school=200"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.HostLines().last(), "test\tschool\tsuccess\tConnection Successful");

    // A school the source does not hold.
    r = Run({"test", "--group=school", "--school=999"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.LogMessages("Trying "), kTries);
    EXPECT_EQ(r.Lines("test"), QStringList{"test\tschool\tfail\tValidate Connection Failed."});

    // Any other group.
    r = Run({"test", "--group=students"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{"error\tGroup Undefined\tGroup is undefined, there is a problem with "
                                        "the bridge, please report this problem to Tamberlyn Support."});
    if (!pg)
        return;

    // A password holding ";", "}" and "{" reaches the server whole.
    const QString brace = EnvText("VH_PG_BRACE_PASSWORD");
    ASSERT_FALSE(brace.isEmpty()) << "pg_fixture.sh sets up the extra logins";
    r = RunProgram(QStringList{"test", "--group=connection"} + Login(EnvText("VH_PG_BRACE_USER"), brace),
                   GetParam().Env());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.Lines("test"), QStringList{"test\tconnection\tsuccess\tConnection Successful"});
    EXPECT_FALSE((r.out + r.err).contains(brace));

    // A wrong password: every combination fails, nothing claims success, no password anywhere.
    const QString password = GetParam().Password();
    const QStringList wrong = Login(GetParam().User(), "not-" + password);
    r = RunProgram(QStringList{"test", "--group=connection"} + wrong, GetParam().Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.LogMessages("Trying ").size(), 4);
    EXPECT_EQ(r.Lines("test"), QStringList{"test\tconnection\tfail\tValidate Connection Failed."});
    EXPECT_FALSE((r.out + r.err).contains(password));
    const QString failed = NewFolder("pgfail");
    r = RunProgram(QStringList{"run", "--school=100", "--path=" + failed} + wrong, GetParam().Env());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.ErrLines().contains("error\tExtraction Failed\tValidate Failed"));
    EXPECT_EQ(Status(failed), kFailedRun);
    EXPECT_FALSE(QFileInfo::exists(failed + "/Varnholm.PDE"));
    EXPECT_FALSE((AllText(failed) + r.out + r.err).contains(password));
}

// Logins that a connection string could misread: "%xx" and "+" (escapes to psqlODBC), quote marks,
// braces, ";" and "=". pg_fixture.sh creates the roles on PostgreSQL; on SQLite each text is both
// user and password (the names that are no role of the list only a user). Every connection is
// recorded by the preloaded library: the values handed to the driver manager must be the texts
// themselves, and the psqlODBC reopen with the fetch settings carries the password braced. A user
// name that psqlODBC's connection string cannot carry (";") keeps the first connection.
TEST_P(Program, AnyUserAndPasswordConnects)
{
    const struct
    {
        const char* user;      // PostgreSQL role
        const char* password;
        const char* written;   // the password as psqlODBC's connection string must carry it
    } logins[] = {
        {"vh_odd1", "Summer%2024", "{Summer%2024}"}, {"vh_odd2", "'quoted", "{'quoted}"},
        {"vh_odd3", "\"dq", "{\"dq}"},               {"vh_odd4", "a+b", "{a+b}"},
        {"vh_odd5", "{br}ace", "{{br}}ace}"},         {"vh_odd6", "x;y=z", "{x;y=z}"},
        {"'qu", "qu-pw", "qu-pw"},                   {"u;x", "semi-pw", ""},
    };
    const bool pg = GetParam().pg;
    const QString dsn = GetParam().Dsn("vh_school");
    for (const auto& login : logins) {
        const QString password = login.password;
        const QString user = pg || !QString(login.user).startsWith("vh_") ? QString(login.user) : password;
        const bool reopens = pg && *login.written;
        SCOPED_TRACE(user.toStdString() + " / " + password.toStdString());
        const QString folder = NewFolder("odd");
        QProcessEnvironment env = GetParam().Env();
        env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
        env.insert("VH_RECORD_LOGINS", folder + "/logins");

        ProgramResult r = RunProgram(QStringList{"test", "--group=connection"} + Login(user, password), env);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.Lines("test"), QStringList{"test\tconnection\tsuccess\tConnection Successful"});
        // A misspelt password key is kept out of the log as well.
        const QString out = folder + "/out";
        r = RunProgram(QStringList{"run", "--school=100", "--path=" + out, "--PwdEncode=" + Encode(password),
                                   "--pwdencoded=" + Encode(password)} +
                           Login(user, password),
                       env);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
        const QString all = AllText(out) + r.out + r.err;
        EXPECT_FALSE(all.contains(password));
        EXPECT_FALSE(all.contains(Encode(password)));

        const QStringList records = ReadText(folder + "/logins").split('\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(records.isEmpty());
        const QString plain = "connect " + dsn.toUtf8().toHex() + " " + user.toUtf8().toHex() + " " +
                              password.toUtf8().toHex();
        const QString reopenedText =
            "DSN=" + dsn + ";UID=" + user + ";PWD=" + login.written + ";Fetch=10000;UseDeclareFetch=1;";
        const QString reopened = "driver " + reopenedText.toUtf8().toHex();
        for (const QString& record : records)
            EXPECT_TRUE(record == plain || (reopens && record == reopened)) << record.toStdString();
        EXPECT_EQ(records.contains(reopened), reopens);
        EXPECT_EQ(records.size() > records.count(plain), reopens);
    }
}

TEST_P(Program, ThePasswordLeavesTheProcessList)
{
    // A run paused after its connection, when it reads the terms of the school year: its arguments, as
    // the process list shows them to every local user, hold neither the password nor its hexadecimal
    // text, neither of the password switch nor of a misspelt one.
    // Nor does anything after the password word of a switch typed with another character for "=".
    const QString password = GetParam().Password();
    const QString out = NewFolder("cmdline");
    QByteArray cmdline;
    bool paused = false;
    const ProgramResult r = RunPausedAtSql(
        QStringList{"run", "--att", "--school=100", "--path=" + out, "--Passwort=" + password,
                    "--pwdencode-" + Encode("Tq9Hidden"), "--pwd.Tq9Hidden"} +
            Login(GetParam().User(), password),
        GetParam().Env(), "Terms", out + ".pause",
        [&](pid_t pid) { cmdline = ReadBytes(QString("/proc/%1/cmdline").arg(pid)); }, paused);
    ASSERT_TRUE(paused);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QList<QByteArray> args = cmdline.split('\0');
    const QByteArray stars(qMin(password.toUtf8().size(), 8), '*');
    EXPECT_TRUE(args.contains("--school=100")) << cmdline.toStdString();
    EXPECT_TRUE(args.contains("--pwdencode=********"));
    EXPECT_TRUE(args.contains("--Passwort=" + stars));
    EXPECT_TRUE(args.contains("--pwdencode********"));
    EXPECT_TRUE(args.contains("--pwd********"));
    for (const QString& secret : {Encode(password), password, Encode("Tq9Hidden"), QString("Tq9Hidden")})
        EXPECT_FALSE(cmdline.contains(secret.toUtf8())) << secret.toStdString();
    const QString all = r.out + r.err + AllText(out);
    for (const QString& secret : {Encode(password), password, Encode("Tq9Hidden"), QString("Tq9Hidden")})
        EXPECT_FALSE(all.contains(secret, Qt::CaseInsensitive)) << secret.toStdString();
}

TEST_P(Program, APasswordSwitchJoinedToAnotherSwitchShowsNowhere)
{
    // A host that joins two switches into one argument: the password switch in the value shows up to
    // its word only, on every line, in every file of the output and fallback folders (names too), in
    // the decoded level-9 lines and in the process list of a run paused after its connection.
    const QString secret = "Tq9Joined";
    const QString hex = Encode(secret);
    const QStringList joined{
        "--school=4711 --pwd=" + secret, "--dsn=" + GetParam().Dsn("vh_school") + " --pwdencode=" + hex,
        "--user=" + GetParam().User() + " --pwd=" + secret, "--log=extract --pwd=" + secret};
    const QStringList login = Login(GetParam().User(), GetParam().Password());
    const auto hidden = [&](const QString& text) {
        for (const QString& word : {secret, hex.toLower(), hex.toUpper()})
            EXPECT_FALSE(text.contains(word)) << word.toStdString() << " in:\n" << text.toStdString();
    };
    for (const QString& arg : joined) {
        SCOPED_TRACE(arg.toStdString());
        QDir(FallbackFolder()).removeRecursively();
        const QString out = NewFolder("joined");
        const ProgramResult tested = RunProgram(
            QStringList{"test", "--group=connection"} + login + QStringList{arg}, GetParam().Env());
        const ProgramResult run = RunProgram(QStringList{"run", "--demo", "--school=100", "--path=" + out} +
                                                 login + QStringList{arg},
                                             GetParam().Env());
        hidden(tested.out + tested.err + run.out + run.err + AllText(out) + AllText(FallbackFolder()));
        if (arg.startsWith("--school")) {
            EXPECT_EQ(
                tested.Lines("test"),
                QStringList{
                    "test\tconnection\tfail\tSchool number must be a plain number: 4711 --pwd********"});
        } else if (arg.startsWith("--log")) {
            EXPECT_EQ(run.code, 1);
            EXPECT_EQ(run.ErrLines(), QStringList{"error\tlog\tUnknown log target: extract --pwd********"});
        }
    }

    const QString out = NewFolder("joined-paused");
    QByteArray cmdline;
    bool paused = false;
    const ProgramResult r = RunPausedAtSql(
        QStringList{"run", "--att"} + joined + QStringList{"--school=100", "--path=" + out, "--log=extract"} +
            login,
        GetParam().Env(), "Terms", out + ".pause",
        [&](pid_t pid) { cmdline = ReadBytes(QString("/proc/%1/cmdline").arg(pid)); }, paused);
    ASSERT_TRUE(paused);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(cmdline.contains(QByteArray("--school=4711 --pwd=********\0", 29))) << cmdline.toStdString();
    hidden(QString::fromUtf8(cmdline) + r.out + r.err + AllText(out));
}

TEST_P(Program, ListAnswers)
{
    ProgramResult r = Run({"params", "--paramkey=school"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.Lines("school_list"),
              (QStringList{"school_list\tschool\t100\tVarnholm High School (100)\t",
                           "school_list\tschool\t200\tLakeside Middle School (200)\t",
                           "school_list\tschool\t300\tNorth Ridge Elementary (300)\t"}));

    r = Run({"params", "--paramkey=teacher", "--school=100"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.Lines("bridgelist"), (QStringList{"bridgelist\tteacher\t501\tBerg, Karin (T501)\t",
                                                  "bridgelist\tteacher\t502\tDahl, Finn Ole\t",
                                                  "bridgelist\tteacher\t504\tHansen, Mira (T504)\t",
                                                  "bridgelist\tteacher\t505\tSolo (T505)\t"}));

    // The year list needs a district, but not a number: it is no part of the query.
    const QStringList years{"year_list\tyear\t2014-2015\t2014-2015\t",
                            "year_list\tyear\t2015-16\t2015-2016\t"};
    for (const char* district : {"--district=7", "--district=North"}) {
        r = Run({"params", "--paramkey=year", "--school=100", district});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.Lines("year_list"), years) << district;
    }
    r = Run({"params", "--paramkey=year", "--school=100"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), (QStringList{"missing\tdistrict\tdistrict missing or blank.",
                                         "error\tyear\tdistrict missing or blank."}));

    // A teacher list for a school number that is not a plain number.
    r = Run({"params", "--paramkey=teacher", "--school=1'"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.ErrLines(), QStringList{"error\tteacher\tSchool number must be a plain number: 1'"});
}

TEST_P(Program, TheYearListOnTwoClocks)
{
    // School years of school 300 on a clock that the preloaded library sets. On 2026-12-07 a two-digit
    // year below 27 is 20xx, on 2099-06-01 none is; a second year with the digits of the year after
    // the first is that year on both, and a slip is read through the window as typed.
    const DataSource& s = GetParam();
    ChangeableSource source(s, "school.db", "vh_faults_pg");
    const QString calendar = source.Table("Calendar");
    source.Exec(QString("INSERT INTO %1 (ID, School_Year, School_Location) VALUES (9100, '2026-27', '300'), "
                        "(9101, '2025-26', '300'), (9102, '2015', '300'), (9103, '1999-00', '300'), "
                        "(9104, '2099-00', '300'), (9105, '2015-14', '300'), (9106, '2026-26', '300'), "
                        "(9107, '2100-01', '300'), (9108, '2015-13', '300'), (9109, '2026-24', '300')")
                    .arg(calendar));
    const struct
    {
        QDate clock;
        const char* years;
    } clocks[] = {
        {QDate(2026, 12, 7), "1999-00 1999-2000|2015 2015-2016|2015-13 2015-2013|2015-14 2015-2014|"
                             "2015-16 2015-2016|2025-26 2025-2026|2026-24 2026-2024|2026-26 2026-2026|"
                             "2026-27 2026-2027|2099-00 2099-2100|2100-01 2100-2101"},
        {QDate(2099, 6, 1), "1999-00 1999-2000|2015 2015-2016|2015-13 2015-1913|2015-14 2015-1914|"
                            "2015-16 2015-2016|2025-26 2025-2026|2026-24 2026-1924|2026-26 2026-1926|"
                            "2026-27 2026-2027|2099-00 2099-2100|2100-01 2100-2101"},
    };
    for (const auto& at : clocks) {
        SCOPED_TRACE(at.clock.toString(Qt::ISODate).toStdString());
        QProcessEnvironment env = source.env;
        env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
        env.insert("VH_FAULT_CLOCK_DAYS", QString::number(QDate::currentDate().daysTo(at.clock)));
        const ProgramResult r = RunProgram(
            QStringList{"params", "--paramkey=year", "--district=7", "--school=300", "--dsn=" + source.dsn} +
                source.login,
            env);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        QStringList expected;
        for (const QString& pair : QString(at.years).split('|'))
            expected << "year_list\tyear\t" + pair.section(' ', 0, 0) + "\t" + pair.section(' ', 1) + "\t";
        QStringList years = r.Lines("year_list");
        years.sort();
        EXPECT_EQ(years, expected);
    }
    source.Exec(QString("DELETE FROM %1 WHERE ID BETWEEN 9100 AND 9109").arg(calendar));
}

// The lines of a log file that the guide's recipe for the level-9 lines gives: the recipe is the
// guide's shell block that reads "$log", run with log set to the file. With processes, the recipe
// runs with the preloaded library, which counts the processes that it starts (its shell too).
QStringList GuideRecipeOutput(const QString& logFile, int* processes = nullptr)
{
    const QString guide = ReadText(VH_GUIDE_FILE);
    const int at = guide.indexOf("< \"$log\"");
    const int begin = guide.indexOf('\n', guide.lastIndexOf("```sh", at)) + 1;
    const int end = guide.indexOf("```", at);
    if (at < 0 || begin <= 0 || end < 0)
        return {"no recipe in the guide"};
    // The block may be indented as part of a list item.
    QStringList recipe;
    for (const QString& line : guide.mid(begin, end - begin).split('\n', Qt::SkipEmptyParts))
        recipe << line.trimmed();
    if (recipe.isEmpty() || !recipe.first().startsWith("log="))
        return {"the recipe does not begin with log=..."};
    recipe.first() = "log=\"$1\"";
    QProcess shell;
    QString starts;
    if (processes) {
        starts = NewFolder("recipe-starts") + "/starts";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", VH_FAULT_PRELOAD);
        env.insert("VH_COUNT_STARTS", starts);
        shell.setProcessEnvironment(env);
    }
    shell.start("bash", {"-c", recipe.join('\n'), "bash", logFile});
    // Against a hang only: the count of processes says how the recipe scales.
    if (!shell.waitForFinished(300000))
        return {"the recipe did not finish"};
    if (processes)
        *processes = ReadText(starts).count("start ");
    return QString::fromUtf8(shell.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

TEST_P(Program, RunLeavesImportAndStatusFiles)
{
    const QString out = NewFolder("run");
    // Switches that the program does not use: their values stay out of every file and the log.
    const QStringList unused{"pass=Unused-a1",  "pw=Unused-b2",         "secret=Unused-c3",
                             "token=Unused-d4", "passphrase=Unused e5", "Kennwort=Unused-f6"};
    QStringList args{"run", "--school=100", "--path=" + out, "--filterstudent=true",
                     "--filterextraconduct=true"};
    for (const QString& s : unused)
        args << "--" + s;
    const ProgramResult r = Run(args);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QStringList host = r.HostLines();
    ASSERT_GE(host.size(), 5);
    EXPECT_EQ(host[0], "start_progress\t61");
    EXPECT_TRUE(host[1].startsWith("inc_progress\tConnection Successful, using ")) << host[1].toStdString();
    EXPECT_EQ(host.mid(host.size() - 3),
              (QStringList{"inc_progress\tExport complete.", "end_progress", "bridge_complete"}));
    // Every data file of the full pass (the sample's students have no bus route in their main
    // record, so the bus tables are written; its consequence-type table writes no file).
    QStringList names = FileNames(out);
    names.replaceInStrings(QRegularExpression("^Update \\d{14}\\.PDU$"), "Update <ts>.PDU")
        .replaceInStrings(QRegularExpression("-\\d{4}-\\d{2}-\\d{2}\\.log$"), "-<date>.log");
    EXPECT_EQ(
        names.join('|'),
        "AttCodes.pef|BellSchedule.pef|Bins.pef|BridgeStatus.tmp|Calendar.pef|ConductCustom.pef|"
        "ConductInType.pef|ConductIncident.pef|ConductIncidentSubTypes.pef|ConductOutType.pef|"
        "ConductOutcome.pef|ConductOutcomeSubType.pef|ContactCustom.pef|Courses.pef|CustomFieldConfig.pde|"
        "Data ExtractorStatus.tmp|Days.pef|DisciplineAlert.pef|FeeCredit.pef|FeeDebit.pef|Fees.pef|"
        "GradeScores.pef|LunchBalance.pef|LunchTransaction.pef|MedCondTypes.pef|MedHistTypes.pef|"
        "MedicalCodes.txt|OtherAlert.pef|Payments.pef|Periods.pef|Rooms.pef|SchoolConfig.xml|"
        "SectionSchedule.pef|Sections.pef|Staff.pef|StaffCustom.pef|StaffMedHist.pef|StuMedCond.pef|"
        "StudentBusIn.pef|StudentBusOut.pef|StudentCustom.pef|StudentDoctor.pef|StudentEmerg1.pef|"
        "StudentEmerg2.pef|StudentGrades.pef|StudentLegal.pef|StudentMedHist.pef|StudentMedImmun.pef|"
        "StudentPhysAddr.pef|StudentSched.pef|StudentTransport.pef|Students.pef|Students2.pef|"
        "TermYear.pef|Terms.pef|Tumbles.pef|Update <ts>.PDU|Varnholm-100-<date>.log|Varnholm.PDE|"
        "finished_bridge.tmp");
    EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
    EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");

    const QString all = AllText(out);
    for (const char* line : {": Year:25\n", ": Start Date: 08/20/2015\n", ": End Date: 06/10/2016\n",
                             "ExpEngine::Execute: School Year: 25\n"})
        EXPECT_TRUE(all.contains(line)) << line;
    EXPECT_TRUE(all.contains("ExpEngine::Execute: DSN: " + GetParam().Dsn("vh_school") + "\n"));
    const QString password = GetParam().Password();
    EXPECT_FALSE((all + r.out + r.err).contains(password));
    EXPECT_FALSE(all.contains(Encode(password)));

    // The parameter line shows the unused switches by their keys, the known ones as they are, and
    // the log says once that they were not used.
    EXPECT_FALSE((all + r.out + r.err).contains("Unused")) << all.toStdString();
    const QRegularExpression parameters("SISConfig::commandRun: Parameters: ([^\n]*)\n");
    const QStringList shown = parameters.match(all).captured(1).split("; ");
    for (const char* pair : {"Kennwort=********", "pass=********", "passphrase=********", "pw=********",
                             "secret=********", "token=********", "school=100", "filterstudent=true"})
        EXPECT_TRUE(shown.contains(pair)) << pair << " in " << shown.join("; ").toStdString();
    EXPECT_EQ(all.count("Not used by this program"), 1);
    EXPECT_TRUE(
        all.contains("SISConfig::commandRun: Not used by this program, its value is not logged: --pass, "
                     "--pw, --secret, --token, --passphrase, --Kennwort\n"));

    // The guide's recipe decodes every level-9 line of the real log, each on its own line.
    const QStringList logs = QDir(out).entryList({"Varnholm-100-*.log"}, QDir::Files);
    ASSERT_EQ(logs.size(), 1);
    const QString logFile = QDir(out).filePath(logs.first());
    QStringList decoded;
    for (const QString& line : ReadText(logFile).split("\r\n")) {
        if (line.startsWith("proprietary:"))
            decoded << QString::fromUtf8(QByteArray::fromBase64(line.mid(12).toLatin1()));
    }
    EXPECT_GT(decoded.size(), 50);
    EXPECT_TRUE(decoded.first().contains(": Proprietary   SISConfig::commandRun: Parameters: "));
    int processes[2] = {0, 0};
    EXPECT_EQ(GuideRecipeOutput(logFile, &processes[0]).join('\n').toStdString(),
              decoded.join('\n').toStdString());
    // A log twice as long, all of it decoded, starts no more processes: none for each line.
    const QString twice = NewFolder("recipe") + "/twice.log";
    WriteText(twice, ReadBytes(logFile) + ReadBytes(logFile));
    EXPECT_EQ(GuideRecipeOutput(twice, &processes[1]).join('\n').toStdString(),
              (decoded + decoded).join('\n').toStdString());
    EXPECT_GT(processes[0], 0);
    EXPECT_EQ(processes[1], processes[0]);
}

TEST_P(Program, OtherCommandsLeaveTheStatusOfAFolderThatARunHolds)
{
    const QString out = NewFolder("held");
    const QString status = out + "/Data ExtractorStatus.tmp";
    const QByteArray earlier = "2026/01/01 10:00:00\tFailed\tFailed on extraction.\r\n";
    WriteText(status, earlier);

    // A run paused at its first table.
    SmallPipeProcess run;
    run.setProcessEnvironment(GetParam().Env());
    run.start(kBinary, QStringList{"run", "--all", "--school=100", "--path=" + out} +
                           Login(GetParam().User(), GetParam().Password()));
    QByteArray output;
    while (!output.contains("\ninc_progress\tReading ") && run.waitForReadyRead(30000))
        output += run.readAllStandardOutput();
    ASSERT_TRUE(output.contains("\ninc_progress\tReading ")) << output.toStdString();
    const pid_t pid = static_cast<pid_t>(run.processId());
    ::kill(pid, SIGSTOP);

    // The commands answer as usual and leave the folder's status and finished files alone.
    ProgramResult r = Run({"test", "--group=connection", "--path=" + out});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.Lines("test").size(), 1);
    r = Run({"params", "--path=" + out});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(r.HostLines().isEmpty());
    r = Run({"defaults", "--path=" + out});
    EXPECT_TRUE(r.HostLines().contains("end_setting")) << r.out.toStdString();
    EXPECT_EQ(ReadBytes(status), earlier);
    EXPECT_FALSE(QFileInfo::exists(out + "/finished_bridge.tmp"));

    // The run goes on and records its own result.
    ::kill(pid, SIGCONT);
    ASSERT_TRUE(run.waitForFinished(120000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
    EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");

    // With the folder free, a command writes its status there again.
    QFile::remove(out + "/finished_bridge.tmp");
    r = Run({"test", "--group=connection", "--path=" + out});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Status(out), "<date>\tSucceeded\tSucceeded\r\n");
    EXPECT_EQ(ReadText(out + "/finished_bridge.tmp"), "finished\r\n");
}

TEST_P(Program, AYearThatCannotBeReadChangesNothing)
{
    // SQLite: a copy of the school whose Terms table goes away; PostgreSQL: a login that may not
    // read the terms.
    const DataSource& s = GetParam();
    ChangeableSource source(s, "school.db", s.Dsn("vh_school"));
    const QString out = NewFolder("year");
    const QStringList run{"run", "--school=100", "--att", "--path=" + out, "--dsn=" + source.dsn};
    ProgramResult r = RunProgram(run + source.login, source.env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList updates = UpdateFiles(out);
    ASSERT_EQ(updates.size(), 1);
    WriteText(out + "/Attendance/Attendance.db", "cache");
    const QString config = ReadText(out + "/SchoolConfig.xml");

    // The year cannot be read: the run fails before the writer starts, and deletes nothing.
    if (s.pg) {
        r = RunProgram(run + QStringList{"--user=" + EnvText("VH_PG_LIMITED_USER"),
                                         "--pwdencode=" + Encode(EnvText("VH_PG_LIMITED_PASSWORD"))},
                       source.env);
    } else {
        source.Exec("ALTER TABLE Terms RENAME TO TermsGone");
        r = RunProgram(run + source.login, source.env);
    }
    EXPECT_EQ(r.code, 1);
    ASSERT_EQ(r.ErrLines().size(), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("error\tExtraction Failed\tError Extracting School Year: "))
        << r.err.toStdString();
    EXPECT_TRUE(s.pg || r.err.endsWith(": Table does not exist : Terms\n")) << r.err.toStdString();
    EXPECT_EQ(UpdateFiles(out), updates);
    EXPECT_EQ(ReadText(out + "/Attendance/Attendance.db"), "cache");
    EXPECT_EQ(ReadText(out + "/SchoolConfig.xml"), config);
    EXPECT_EQ(Status(out), kFailedRun);

    // The next good run finds the same configuration.
    if (!s.pg)
        source.Exec("ALTER TABLE TermsGone RENAME TO Terms");
    r = RunProgram(run + source.login, source.env);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(UpdateFiles(out).size(), 2);
    EXPECT_TRUE(UpdateFiles(out).contains(updates.first()));
    EXPECT_EQ(ReadText(out + "/Attendance/Attendance.db"), "cache");
}

INSTANTIATE_ON_BOTH_SOURCES(Program);

}  // namespace
