// The execute wrapper: failures, and an update file that cannot be written.

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
    EXPECT_TRUE(task.log.contains("2||Failed with error [x] while writing file [A.pef]"));
    EXPECT_TRUE(
        task.log.contains("3|BridgeTaskBase::BeginExecute|Caught Exception: Failed with error [x] while "
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
    EXPECT_TRUE(
        task.log.contains("3|BridgeTaskBase::BeginExecute|Execute failed for an unkown reason, please "
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
    EXPECT_TRUE(task.log.contains("2|BridgeTaskBase::BeginExecute|path missing or blank."));
    WriteBytes(folder.File("plainfile"), "x");
    params["path"] = QString::fromStdString(folder.File("plainfile/sub"));
    result.clear();
    EXPECT_FALSE(task.BeginExecute(params, 1, result));
    EXPECT_EQ(task.executeMode, 0);
    EXPECT_EQ(result,
              QString::fromStdString("Could not create the output folder: " + folder.File("plainfile/sub")));
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
    WriteConfig(folder, "2024-03-01");
    WriteBytes(folder.File("Attendance/Attendance.db"), "the history of the recorded date");
    task.rows.assign(20000, FakeTask::Row{"S1", "03/04/2024", "A"});
    task.script = [&task](QString& result) {
        task.StartWriter();
        FullDiskFile update;
        task.StartUpdateFile(&update);
        task.StartTable("Student Daily Attendance", "StudentDailyAtt.pef", false);
        task.ValueColumns(0, 1);
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
