// Writing a table: exact lines, failures, a full disk and the update file's sections.

#include "ExportTestSupport.h"

namespace {

// The message of the XException that WriteTable throws.
std::string WriteTableError(FakeTask& task)
{
    return Thrown([&] { task.WriteTable(nullptr, ""); });
}

}  // namespace

TEST(WriteTable, NormalModeWritesExactLinesThroughFilterConstantsAndCommands)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    task.rows = {{"1", "Ann", "a\"b"}, {"2", "Bob", ""}, {"3", "Cy", "x,y"}, {"4", "Di", "tab"}};

    task.StartTable("Students", "Students.pef", false);
    task.ClearColumns();
    task.ValueColumn(0);
    task.AddColumn(nullptr, "", nullptr, 0);       // read-only: no field
    task.AddColumn(nullptr, "CONST", nullptr, 1);  // constant column
    task.ValueColumn(2);
    task.AddColumn(nullptr, "", nullptr, 4);  // hook
    task.AddColumn(nullptr, "", static_cast<PDEWriter::ValueOperation>(&FakeTask::NextCounterString), 0);
    task.AddColumn(nullptr, "", nullptr, 2);  // the line ends here
    task.ValueColumn(1);                      // never written
    task.Titles({"StdKey", "StdConst", "StdNote", "StdNoteKey"});
    task.m_recordCounter = 40;

    int lines = task.WriteTable(static_cast<PDEWriter::RowFilter>(&FakeTask::SkipOdd), "First line");
    task.EndTable();

    EXPECT_EQ(lines, 2);
    EXPECT_EQ(ReadBytes(folder.File("Students.pef")), "First line\r\n"
                                                      "1\tCONST\ta\"b\t41\r\n"
                                                      "3\tCONST\tx,y\t42\r\n");
    EXPECT_EQ(task.hookCalls, 2);
    EXPECT_EQ(task.openCalls, 1);
    EXPECT_EQ(task.clearQueryCalls, 1);
    EXPECT_EQ(task.GetCurrentColumn(), nullptr);
    EXPECT_TRUE(task.progress.contains("inc Reading Students..."));
    EXPECT_TRUE(task.log.contains("7|BridgeTaskBase::PutJobText|Reading Students..."));

    // A table with no rows and no first line leaves an empty file; a rerun replaces the old file.
    task.rows.clear();
    EXPECT_EQ(task.WriteTable(nullptr, ""), 0);
    EXPECT_EQ(ReadBytes(folder.File("Students.pef")), "");
}

TEST(WriteTable, FailuresCloseTheFileAndCarryTheErrorTextAndQuery)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    task.rows = {{"1"}, {"2"}, {"3"}, {"4"}};
    task.query = "SELECT ID FROM Students";

    task.StartTable("Students", "Students.pef", false);
    task.AddColumn(nullptr, "", static_cast<PDEWriter::ValueOperation>(&FakeTask::FailOnThirdRow), 0);
    EXPECT_EQ(WriteTableError(task), "Failed with error [disk on fire] while writing file [Students.pef] "
                                     "with query: SELECT ID FROM Students");
    EXPECT_TRUE(task.log.contains("8||Error writing line= 2"));
    EXPECT_TRUE(
        task.log.contains("2||Failed with error [disk on fire] while writing file [Students.pef] with query: "
                          "SELECT ID FROM Students"));
    // A failed table leaves neither a partial data file nor its temporary file.
    EXPECT_FALSE(fs::exists(folder.File("Students.pef")));
    EXPECT_FALSE(fs::exists(folder.File("Students.pef.partial")));

    task.ClearColumns();
    task.AddColumn(nullptr, "", static_cast<PDEWriter::ValueOperation>(&FakeTask::FailUnknown), 0);
    EXPECT_EQ(
        WriteTableError(task),
        "Failed with unknown error while writing file [Students.pef] with query: SELECT ID FROM Students");

    // Neither a library exception nor a thrown text: the unknown-error text.
    task.ClearColumns();
    task.AddColumn(nullptr, "", static_cast<PDEWriter::ValueOperation>(&FakeTask::FailStd), 0);
    EXPECT_EQ(
        WriteTableError(task),
        "Failed with unknown error while writing file [Students.pef] with query: SELECT ID FROM Students");
    EXPECT_TRUE(task.log.contains("8||Error writing line= 1"));

    // A folder that cannot hold the file.
    WriteBytes(folder.File("plainfile"), "x");
    task.SetOutputFolder(folder.File("plainfile").c_str());
    task.ClearColumns();
    task.ValueColumn(0);
    const std::string text = WriteTableError(task);
    EXPECT_EQ(text.rfind("Failed with error [", 0), 0u) << text;
    EXPECT_NE(text.find("] while writing file [Students.pef] with query: SELECT ID FROM Students"),
              std::string::npos)
        << text;
}

TEST(WriteTable, FullDiskFailsTheTable)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    FakeTask task;
    task.SetOutputFolder("/dev");
    task.generator = [](size_t row, int) { return XString(static_cast<unsigned long>(row)); };
    task.rowCount = 100000;
    task.StartTable("Full", "full", false);
    task.ValueColumn(0);
    EXPECT_THROW(task.WriteTable(nullptr, ""), XException);
    EXPECT_TRUE(task.log.filter("Failed with error [").size() == 1) << task.log.join("\n").toStdString();
    EXPECT_TRUE(task.log.filter("Closed Table File").isEmpty());
}

TEST(WriteTable, UpdateModeWritesSectionsIntoTheUpdateFile)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    XTextFile update('\t');
    task.StartUpdateFile(&update);
    EXPECT_TRUE(task.IsUpdateMode());

    task.rows = {{"S1", "03/04/2024", "A"}, {"S2", "03/05/2024", "T"}};
    task.StartTable("Student Daily Attendance", "StudentDailyAtt.pef", false);
    task.ValueColumns(0, 2);
    task.Titles({"AttStdRef", "AttDate", "AttAttCodeRef"});
    EXPECT_EQ(task.WriteTable(nullptr, ""), 2);
    task.FinishUpdateFile();
    EXPECT_FALSE(task.IsUpdateMode());

    const std::string expected = "// Tamberlyn Data Extractor for Varnholm 3.3.2.0\r\n"
                                 "// Created: 03/05/2024 2:07:09 PM\r\n"
                                 "#pragma update\r\n"
                                 "#pragma dateformat \"mm/dd/yyyy\"\r\n"
                                 "#pragma timeformat \"HH:NN:SS AA\"\r\n"
                                 "#pragma datetimeformat \"mm/dd/yyyy HH:NN:SS AA\"\r\n"
                                 "// Student Daily Attendance\r\n"
                                 "AttStdRef\tAttDate\tAttAttCodeRef\r\n"
                                 "S1\t03/04/2024\tA\r\n"
                                 "S2\t03/05/2024\tT\r\n"
                                 "*\r\n"
                                 "\r\n"
                                 "// Start Time: 03/05/2024 2:07:09 PM\r\n"
                                 "// End Time: 03/05/2024 2:07:09 PM\r\n";
    EXPECT_EQ(ReadBytes(folder.File("Update 20240305140709.PDU")), expected);
    EXPECT_FALSE(fs::exists(folder.File("StudentDailyAtt.pef")));
}
