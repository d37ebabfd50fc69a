// The execute wrapper: failures, progress totals, connection exceptions and a full disk.

#include "ExportTestSupport.h"

TEST(Execute, BeginExecuteReportsEveryFailure)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    ParamMap params = task.m_params;
    params["path"] = QString::fromStdString(folder.File("out/nested"));

    // Success: the folder is created, the map handed on, the result kept.
    task.script = [](QString& result) {
        result = "Execute completed successfully.";
        return true;
    };
    QString result;
    EXPECT_TRUE(task.BeginExecute(params, 3, result));
    EXPECT_EQ(result, "Execute completed successfully.");
    EXPECT_TRUE(fs::is_directory(folder.File("out/nested")));
    EXPECT_EQ(std::string(task.GetOutputFolder().CStr()), folder.File("out/nested"));
    EXPECT_EQ(task.executeParams, params);
    EXPECT_EQ(task.executeMode, 3);
    EXPECT_EQ(task.GetParams(), params);

    // A library exception.
    task.log.clear();
    task.script = [&task](QString&) -> bool {
        task.LogAndThrow(2, "Failed with error [x] while writing file [A.pef]");
    };
    result = "Connection Successful";  // left by an earlier step: the failure's own text replaces it
    EXPECT_FALSE(task.BeginExecute(params, 1, result));
    EXPECT_EQ(result, "Failed with error [x] while writing file [A.pef]");
    EXPECT_TRUE(HasLine(task.log, "2||Failed with error [x] while writing file [A.pef]"));
    EXPECT_TRUE(HasLine(task.log,
                        "3|BridgeTaskBase::BeginExecute|Caught Exception: Failed with error [x] while "
                        "writing file [A.pef]"));

    // Anything else.
    task.log.clear();
    task.script = [](QString& r) -> bool {
        r = "Connection Successful";
        throw 7;
    };
    result.clear();
    EXPECT_FALSE(task.BeginExecute(params, 1, result));
    EXPECT_EQ(result, "Bridge execution failed, consult logs for more information.");
    EXPECT_TRUE(HasLine(task.log,
                        "3|BridgeTaskBase::BeginExecute|Execute failed for an unkown reason, please "
                        "consult Tamberlyn support."));

    // A false answer keeps its own text; without one it gets the general text.
    task.script = [](QString& r) {
        r = "Validate Failed";
        return false;
    };
    result.clear();
    EXPECT_FALSE(task.BeginExecute(params, 1, result));
    EXPECT_EQ(result, "Validate Failed");

    // No path, or a path that cannot be a folder: failed before Execute runs.
    task.executeMode = 0;
    params["path"] = "";
    result.clear();
    EXPECT_FALSE(task.BeginExecute(params, 1, result));
    EXPECT_EQ(task.executeMode, 0);
    EXPECT_TRUE(HasLine(task.log, "2|BridgeTaskBase::BeginExecute|path missing or blank."));
    WriteBytes(folder.File("plainfile"), "x");
    params["path"] = QString::fromStdString(folder.File("plainfile/sub"));
    result.clear();
    EXPECT_FALSE(task.BeginExecute(params, 1, result));
    EXPECT_EQ(task.executeMode, 0);
    EXPECT_EQ(result,
              QString::fromStdString("Could not create the output folder: " + folder.File("plainfile/sub")));

    // The default Execute of the task base.
    FakeTask plain;
    Prepare(plain, folder);
    result.clear();
    EXPECT_FALSE(plain.BeginExecute(plain.m_params, 1, result));
    EXPECT_EQ(result, "Execute not defined correctly in ExpEngine.");
}

TEST(Execute, ProgressTotalsAndStartProgress)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    task.m_progressSetup = 1;
    task.m_progressLookup = 5;
    task.m_progressImport = 53;
    task.m_progressDaily = 1;
    task.m_progressPeriod = 2;
    EXPECT_EQ(task.GetProgressSize(0), 6);
    EXPECT_EQ(task.GetProgressSize(1), 59);
    EXPECT_EQ(task.GetProgressSize(2), 6 + 3);  // no update date: one day
    EXPECT_EQ(task.GetProgressSize(3), 59 + 3);
    task.m_updateDate = Ymd(2024, 2, 25);  // 9 days before the fixed today
    EXPECT_EQ(task.GetProgressSize(2), 6 + 3 * 9);
    task.m_updateDate = Ymd(2024, 3, 5);  // today: at least one day
    EXPECT_EQ(task.GetProgressSize(2), 6 + 3);

    WriteBytes(folder.File("SchoolConfig.xml"), "<SchoolConfig><BridgeAlias/><District/><School>101</School>"
                                                "<Year>2023-2024</Year><DataSource>FakeDSN</DataSource>"
                                                "<UpdateDate>2024-03-01</UpdateDate></SchoolConfig>");
    task.script = [](QString&) { return true; };
    QString result;
    EXPECT_TRUE(task.BeginExecute(task.m_params, 3, result));
    EXPECT_EQ(task.GetUpdateDate(), Ymd(2024, 3, 1));
    EXPECT_EQ(task.progress.first(), "start_progress " + QString::number(59 + 3 * 4));
}

// LogMessage's progress lines, PutJobText and LogAndThrow are seen end to end (inc_progress lines,
// the failure texts of BeginExecute); what the program never shows is checked here.
TEST(Execute, ConnectionExceptionsAndTheListOfTheTaskBase)
{
    FakeTask task;
    QString result = "kept";
    EXPECT_EQ(task.HandleException_ValidateConnection(XException("Login failed"), result), 1);
    EXPECT_EQ(result, "kept");
    EXPECT_EQ(task.log.last(), "7|HandleException_ValidateConnection|Exception Occured :Login failed");

    EXPECT_FALSE(task.LoadList(ParamMap(), "teacher"));
    EXPECT_EQ(task.log.last(), "3|BridgeTaskBase::LoadList|Not set up yet.");
}

namespace {

// An update file whose writes land on a full disk.
class FullDiskFile : public XTextFile
{
public:
    void Open(const char*, uint32_t mode, bool readBuffer, uint32_t fileType, uint32_t creator) override
    {
        XTextFile::Open("/dev/full", mode, readBuffer, fileType, creator);
    }
};

}  // namespace

TEST(Execute, AnUpdateFileThatCannotBeWrittenFailsTheRunAndKeepsTheUpdateDate)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    WriteBytes(folder.File("SchoolConfig.xml"), "<SchoolConfig><BridgeAlias/><District/><School>101</School>"
                                                "<Year>2023-2024</Year><DataSource>FakeDSN</DataSource>"
                                                "<UpdateDate>2024-03-01</UpdateDate></SchoolConfig>");
    task.rows.assign(20000, FakeTask::Row{"S1", "03/04/2024", "A"});
    task.script = [&task](QString& result) {
        task.StartWriter();
        FullDiskFile update;
        task.StartUpdateFile(&update);
        task.StartTable("Student Daily Attendance", "StudentDailyAtt.pef", false);
        task.ValueColumn(0);
        task.ValueColumn(1);
        task.WriteTable(nullptr, "");
        task.FinishUpdateFile();
        task.Finish();
        result = "Execute completed successfully.";
        return true;
    };
    QString result;
    EXPECT_FALSE(task.BeginExecute(task.m_params, BridgeTaskBase::ModeUpdate, result));
    EXPECT_TRUE(result.startsWith("Failed with error [Could not write file ( 28 ): "))
        << result.toStdString();
    EXPECT_EQ(task.log.filter("Caught Exception: Failed with error [").size(), 1)
        << task.log.join("\n").toStdString();
    EXPECT_NE(ReadBytes(folder.File("SchoolConfig.xml")).find("<UpdateDate>2024-03-01</UpdateDate>"),
              std::string::npos);
}
