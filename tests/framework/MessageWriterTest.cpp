// The host message protocol: one line per message and the queued missing lines. (A task's
// messages reach the host end to end: SqliteProgram.FailedRunsClaimNoSuccess.)

#include "AppTaskBase.h"
#include "SISMessageWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(MessageWriter, OneLinePerMessageOnTheRightStream)
{
    Capture capture;
    SISMessageWriter* w = SISMessageWriter::instance();
    // Lines the program tests do not see end to end (version, params, lists, test, progress and
    // settings are checked there); the kinds that nothing emits are left out.
    w->outHiddenParam("school", "code", "Code", "hidden", "Help", "x");
    w->outList("filter_list", "year", "2024", "2024-2025", "");
    w->outProgressWarning("Careful");
    w->outProgressWarning("");
    w->outError("Title", "Line one\nline\ttwo\r");

    EXPECT_EQ(capture.out(), "hidden_param\tschool\tcode\tCode\thidden\tHelp\tx\n"
                             "warn_progress\tCareful\n"
                             "inc_progress\t\n");
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
