// The host message protocol: one line per message and the queued missing lines.

#include "AppTaskBase.h"
#include "SISMessageWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(MessageWriter, OneLinePerMessageOnTheRightStream)
{
    Capture capture;
    SISMessageWriter* w = SISMessageWriter::instance();
    // Lines the program tests do not see end to end (version, params, lists, test, progress and
    // settings are checked there).
    w->outHiddenParam("school", "code", "Code", "hidden", "Help", "x");
    w->outList("filter_list", "year", "2024", "2024-2025", "");
    w->outTree("k", "v", "name", "parent");
    w->outHidden("k", "v");
    w->outFile("k", "v");
    w->outNumber("k", "1");
    w->outDate("k", "01/02/2024");
    w->outManage("a", "m");
    w->outProgressWarning("Careful");
    w->outProgressWarning("");
    w->outSettingIncrementGrouping("setting", "connection", "dsn", "Main", "g");
    w->outError("Title", "Line one\nline\ttwo\r");

    EXPECT_EQ(capture.out(), "hidden_param\tschool\tcode\tCode\thidden\tHelp\tx\n"
                             "tree\tk\tv\tname\tparent\n"
                             "hidden\tk\tv\n"
                             "file\tk\tv\n"
                             "number\tk\t1\n"
                             "date\tk\t01/02/2024\n"
                             "manage\ta\tm\n"
                             "warn_progress\tCareful\n"
                             "inc_progress\t\n"
                             "setting\tconnection\tdsn\tMain\tg\n");
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
