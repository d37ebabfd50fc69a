// The host message protocol: one line per message and the queued missing lines.

#include "AppTaskBase.h"
#include "SISMessageWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(MessageWriter, OneLinePerMessageOnTheRightStream)
{
    Capture capture;
    SISMessageWriter* w = SISMessageWriter::instance();
    w->outVersion("3.3.2.0", "2.03.0097");
    w->outParams("connection", "dsn", "ODBC DSN", "datasource_list", "Name", "");
    w->outHiddenParam("school", "code", "Code", "hidden", "Help", "x");
    w->outList("school_list", "school", "7", "North (7)", "");
    w->outList("year_list", "year", "2024", "2024-2025", "");
    w->outList("filter_list", "year", "2024", "2024-2025", "");
    w->outTree("k", "v", "name", "parent");
    w->outHidden("k", "v");
    w->outFile("k", "v");
    w->outNumber("k", "1");
    w->outDate("k", "01/02/2024");
    w->outTest("fail", "connection", "Connection Failed.");
    w->outStatus("s", "m");
    w->outManage("a", "m");
    w->outProgress("start_progress", 120);
    w->outProgress("end_progress", -1);
    w->outProgress("bridge_complete", -1);
    w->outProgressIncrement("Reading Students...");
    w->outProgressWarning("Careful");
    w->outProgressWarning("");
    w->outSetting("start_setting");
    w->outSettingIncrement("setting", "connection", "dsn", "Main");
    w->outSettingIncrementGrouping("setting", "connection", "dsn", "Main", "g");
    w->outSetting("end_setting");
    w->outWarning("Title", "Message");
    w->outError("Title", "Line one\nline\ttwo\r");

    EXPECT_EQ(capture.out(), "version\t3.3.2.0\t2.03.0097\n"
                             "params\tconnection\tdsn\tODBC DSN\tdatasource_list\tName\t\n"
                             "hidden_param\tschool\tcode\tCode\thidden\tHelp\tx\n"
                             "school_list\tschool\t7\tNorth (7)\t\n"
                             "year_list\tyear\t2024\t2024-2025\t\n"
                             "tree\tk\tv\tname\tparent\n"
                             "hidden\tk\tv\n"
                             "file\tk\tv\n"
                             "number\tk\t1\n"
                             "date\tk\t01/02/2024\n"
                             "test\tconnection\tfail\tConnection Failed.\n"
                             "status\ts\tm\n"
                             "manage\ta\tm\n"
                             "start_progress\t120\n"
                             "end_progress\n"
                             "bridge_complete\n"
                             "inc_progress\tReading Students...\n"
                             "warn_progress\tCareful\n"
                             "inc_progress\t\n"
                             "start_setting\n"
                             "setting\tconnection\tdsn\tMain\n"
                             "setting\tconnection\tdsn\tMain\tg\n"
                             "end_setting\n"
                             "warning\tTitle\tMessage\n");
    EXPECT_EQ(capture.err(), "error\tyear\tList type not set up.\n"
                             "error\tTitle\tLine one line two \n");
}

TEST(MessageWriter, MissingLinesWaitOnceForTheNextWarningErrorOrTest)
{
    Capture capture;
    SISMessageWriter* w = SISMessageWriter::instance();
    w->outMissing("user", "user missing or blank.");
    w->outMissing("dsn", "dsn missing or blank.");
    w->outMissing("user", "user missing or blank.");
    w->outProgressIncrement("busy");
    EXPECT_EQ(capture.err(), "");
    EXPECT_EQ(w->queuedMissing().size(), 2);

    w->outError("user", "user missing or blank.");
    EXPECT_EQ(capture.err(), "missing\tuser\tuser missing or blank.\n"
                             "missing\tdsn\tdsn missing or blank.\n"
                             "error\tuser\tuser missing or blank.\n");
    EXPECT_TRUE(w->queuedMissing().isEmpty());

    w->outMissing("user", "user missing or blank.");
    w->outWarning("W", "w");
    w->outMissing("school", "school missing or blank.");
    w->outTest("fail", "school", "No.");
    w->outMissing("path", "path missing or blank.");
    w->outClearMessages();
    w->outMissing("year", "year missing or blank.");
    w->flushMissing();
    w->flushMissing();
    EXPECT_EQ(capture.out(), "inc_progress\tbusy\nwarning\tW\tw\ntest\tschool\tfail\tNo.\n");
    EXPECT_EQ(capture.err(), "missing\tuser\tuser missing or blank.\n"
                             "missing\tdsn\tdsn missing or blank.\n"
                             "error\tuser\tuser missing or blank.\n"
                             "missing\tuser\tuser missing or blank.\n"
                             "missing\tschool\tschool missing or blank.\n"
                             "missing\tyear\tyear missing or blank.\n");
}

TEST(MessageWriter, TaskSignalsReachTheHostThroughTheApplication)
{
    Capture capture;
    TestApp app;
    AppTaskBase* task = app.task();
    ASSERT_NE(task, nullptr);
    emit task->writeMissing("dsn", "dsn missing or blank.");
    task->progressEnd();
    emit task->writeError("Caught Exception", "boom");
    EXPECT_EQ(capture.out(), "end_progress\n");
    EXPECT_EQ(capture.err(), "missing\tdsn\tdsn missing or blank.\nerror\tCaught Exception\tboom\n");
}
