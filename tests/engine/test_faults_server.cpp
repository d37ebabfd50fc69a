// The PostgreSQL server goes away at chosen points of full and update runs over the sample school:
// the program is paused at a progress line, the server stops, the program goes on. Each such run
// ends in exit code 1 and the status "Failed", with the update date unchanged and no update file
// of its own; a lost connection is never taken for a missing table. After a restart the next run
// succeeds, and every attendance change goes out exactly once.
#include "FaultRuns.h"

#include <QProcess>
#include <QRegularExpression>

#include <signal.h>

using namespace enginetest;

namespace {

// The script that stops and starts the throwaway server (pg_entry.sh gives it to the tests of this
// file only, which have a server of their own).
QString ServerControl()
{
    return EnvText("VH_PG_SERVER_CTL");
}

bool Server(const QStringList& args)
{
    QProcess control;
    control.start(ServerControl(), args);
    return control.waitForFinished(60000) && control.exitStatus() == QProcess::NormalExit &&
           control.exitCode() == 0;
}

struct StopPoint
{
    const char* mode;  // "--all" or "--att"
    const char* line;  // the beginning of the progress text
    int nth;           // which of the lines that begin so
    const char* how;   // "fast" or "immediate"
};

class ServerStops : public FaultRuns
{
protected:
    QString PgDsn() const override { return "vh_server_faults_pg"; }
    void SetUp() override
    {
        if (!GetParam().pg || ServerControl().isEmpty())
            GTEST_SKIP() << "needs a throwaway PostgreSQL server of its own (pg_entry.sh)";
        FaultRuns::SetUp();
    }
    void TearDown() override
    {
        if (serverDown)
            Server({"start"});
    }

    QString ConfigPath() const { return out + "/SchoolConfig.xml"; }
    // Sets the update date of the run configuration, so that a run which moved it shows.
    void SetUpdateDate(const QString& iso)
    {
        QString config = ReadText(ConfigPath());
        config.replace(QRegularExpression("<UpdateDate>[^<]*</UpdateDate>"), "<UpdateDate>" + iso + "</UpdateDate>");
        WriteText(ConfigPath(), config.toUtf8());
    }

    // Runs the program and, at the point's progress line, pauses it, stops the server and lets it
    // go on. stopped tells whether the line came and the server stopped.
    ProgramResult RunStoppedAt(const StopPoint& point, bool& stopped)
    {
        stopLine = 0;
        return RunPausedAt(point.mode, point.line, point.nth,
                           [&](pid_t, int line) {
                               stopLine = line;
                               serverDown = true;
                               return Server({"stop", point.how});
                           },
                           stopped);
    }

    // A few attendance codes change, the server goes away at the point, and the run fails cleanly;
    // after a restart the same kind of run succeeds.
    void StopAt(const StopPoint& point)
    {
        SCOPED_TRACE(std::string(point.mode) + " at " + point.line + " #" + std::to_string(point.nth));
        Change(round++);
        const QString earlier = Iso(-3);
        SetUpdateDate(earlier);
        const QByteArray config = ReadBytes(ConfigPath());
        const QStringList before = UpdateFiles(out);

        bool stopped = false;
        const ProgramResult r = RunStoppedAt(point, stopped);
        const bool restarted = Server({"start"});
        serverDown = !restarted;
        ASSERT_TRUE(stopped) << r.out.right(2000).toStdString();
        ASSERT_TRUE(restarted);
        Collect(before);
        // psqlODBC itself may crash when the server goes while a fetch's rows arrive: the run then
        // fails through the crash guard and leaves its unfinished files to the next run.
        if (r.err.contains("The program stopped on signal 11")) {
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(Status(out), kFailedRun);
            EXPECT_EQ(UpdateFiles(out), before);
        } else {
            ExpectFailed(r, "connection", before);
        }
        EXPECT_FALSE(r.err.contains("does not exist")) << r.err.toStdString();
        const QString afterStop = QString::fromUtf8(r.out.toUtf8().mid(stopLine));
        EXPECT_FALSE(afterStop.contains("does not exist")) << afterStop.toStdString();
        EXPECT_EQ(ReadBytes(ConfigPath()), config);
        EXPECT_TRUE(config.contains("<UpdateDate>" + earlier.toUtf8() + "</UpdateDate>"));

        // The test's own connection went with the server.
        school.reset(new ChangeableSource(GetParam(), "school.db", PgDsn()));
        ExpectGoodRun(point.mode);
    }

    bool serverDown = false;
    int round = 0;
    int stopLine = 0;  // where the line of the last stop begins in the output
};

TEST_P(ServerStops, EveryStopFailsTheRunAndTheNextRunSendsEveryChangeOnce)
{
    FirstFullRun();
    if (HasFatalFailure())
        return;
    const StopPoint points[] = {
        // Full runs: during the lookups, and between two extractors just before the existence
        // check of the next one's tables.
        {"--all", "Reading General Codes...", 1, "fast"},
        {"--all", "Reading Student Demographics: Main...", 1, "immediate"},
        {"--all", "Reading Student Schedules...", 1, "fast"},
        {"--all", "Reading Staff Demographics...", 1, "immediate"},
        // Update runs: a lookup, the daily pass, between the passes and the period pass.
        {"--att", "Reading Student Inclusion...", 1, "immediate"},
        {"--att", "Reading Student Daily Attendance (", 2, "fast"},
        {"--att", "Reading Student Period Attendance...", 1, "immediate"},
        {"--att", "Reading Student Period Attendance (", 2, "fast"},
    };
    for (const StopPoint& point : points) {
        StopAt(point);
        if (HasFatalFailure())
            return;
    }
    ExpectEveryChangeSentOnce();
}

INSTANTIATE_TEST_SUITE_P(Pg, ServerStops, ::testing::ValuesIn(DataSources(true)), DataSourceName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ServerStops);

}  // namespace
