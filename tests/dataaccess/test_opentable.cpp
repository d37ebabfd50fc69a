// Opening a table with its tries and reconnects, writing it, and the failures that must stop a run.

#include "DaTestSupport.h"
#include "ReaderSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using datest::Recorder;
using datest::TestTask;

namespace {

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A connection that drops the first statements with an Oracle error text, as a flaky server does.
class FlakyTask : public TestTask
{
public:
    FlakyTask() : TestTask(0, DbSybaseOdbc) {}

    void FailNext(int count, const std::string& text)
    {
        failures = count;
        failureText = text;
    }
    void Reconnect() override
    {
        ++reconnects;
        ODBCDataAccess::Reconnect();
    }

    // Row filter: the connection goes away at the second record, which is skipped.
    bool DropConnectionAtSecondRow()
    {
        if (++rowsSeen != 2)
            return true;
        GetConnection()->Close();
        return false;
    }

    int failures = 0;
    std::string failureText;
    int reconnects = 0;
    int rowsSeen = 0;

protected:
    void OnRecordsetOpening(const XString&) override
    {
        if (failures > 0) {
            --failures;
            throw ado::ComError(ado::E_FAIL, "Microsoft OLE DB Provider for ODBC Drivers", failureText);
        }
    }
};

const char kLost[] = "[Oracle][ODBC][Ora]ORA-03113: end-of-file on communication channel";
const char kTimeout[] = "[Oracle][ODBC][Ora]ORA-12170: TNS:Connect timeout occurred";

// The code table (two rows) described as an output table.
struct CodesTable
{
    FlakyTask task;
    Recorder log{task};
    readertest::TempFolder temp{"vh-open"};
    std::string folder = temp.path;

    explicit CodesTable(const char* table = "Codes", const char* title = "Codes")
    {
        readertest::UseReaderSource();
        task.SetOutputFolder(folder.c_str());
        task.Connect(readertest::SourceConnectionString());
        Describe(table, title);
    }
    void Describe(const char* table, const char* title)
    {
        task.StartOutputTable(title, XString(title) + ".pef", false);
        ODBCTable* t = task.AddTable(table, "c", false);
        ODBCField* code = task.AddFieldColumn(
            t, "Code", DataAccessBase::AsValueOperation(&DataAccessBase::FormatText), "Code", true);
        task.AddFieldColumn(t, "Title", DataAccessBase::AsValueOperation(&DataAccessBase::FormatText),
                            "Title", true);
        task.AddOrder(code);
    }
    std::string File(const char* title = "Codes") const { return folder + "/" + title + ".pef"; }
};

}  // namespace

TEST(OpenTable, RetriesAfterDroppedConnectionsThenWrites)
{
    CodesTable codes;
    codes.task.SetQueryTries(5);
    codes.task.FailNext(2, kTimeout);
    EXPECT_EQ(codes.task.WriteTable(nullptr, XString()), 2);
    EXPECT_EQ(vhtest::ReadBytes(codes.File()), "A\tAbsent\r\nT\tTardy\r\n");

    const Recorder& log = codes.log;
    EXPECT_EQ(codes.task.reconnects, 2);
    EXPECT_TRUE(codes.task.IsConnected());
    const int opening = log.IndexOf("Opening Codes table/query.");
    const int first = log.IndexOf("Query 0 failed with error: 12170");
    const int second = log.IndexOf("Query 1 failed with error: 12170");
    const int ran = log.IndexOf("Ran query");
    ASSERT_GE(opening, 0);
    EXPECT_EQ(log.lines[opening].method, "DataAccessBase::OpenTable");
    EXPECT_EQ(log.lines[first].method, "DataAccessBase::OpenTable");
    EXPECT_EQ(log.lines[first].level, 8);
    EXPECT_TRUE(opening < first && first < second && second < ran);
    EXPECT_FALSE(log.Contains("Query 2 failed"));
    EXPECT_TRUE(
        log.Contains("RunQuery: While executing: SELECT c.Code, c.Title FROM Codes c  ORDER BY c.Code, "));
    EXPECT_TRUE(log.Contains("ORA-12170: TNS:Connect timeout occurred"));
}

TEST(OpenTable, FailsTheRunWhenEveryTryFails)
{
    {
        // One try (the default): one reconnect, the skip line, then the run stops.
        CodesTable codes;
        codes.task.FailNext(1, kLost);
        try {
            codes.task.WriteTable(nullptr, XString());
            ADD_FAILURE() << "a table that could not be opened must fail the run";
        } catch (const XException& e) {
            EXPECT_EQ(std::string(e.GetMessage()),
                      "Open table Codes failed: the query still failed with error 1629 after 1 try.");
        }
        EXPECT_EQ(codes.task.reconnects, 1);
        EXPECT_TRUE(codes.log.Has(8, "Query 0 failed with error: 1629"));
        EXPECT_TRUE(codes.log.Has(7, "Open table Codes failed, skipping."));
        EXPECT_FALSE(codes.log.Has(8, "Ran query"));
        EXPECT_FALSE(FileExists(codes.File()));
    }
    CodesTable codes;
    codes.task.SetQueryTries(5);
    codes.task.FailNext(5, kLost);
    EXPECT_THROW(codes.task.WriteTable(nullptr, XString()), XException);
    EXPECT_EQ(codes.task.reconnects, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(codes.log.Has(8, "Query " + std::to_string(i) + " failed with error: 1629"));
    EXPECT_TRUE(
        codes.log.Has(2, "Open table Codes failed: the query still failed with error 1629 after 5 tries."));
    EXPECT_FALSE(FileExists(codes.File()));
}

TEST(OpenTable, OtherErrorsAreNotRetried)
{
    {
        CodesTable codes;
        codes.task.SetQueryTries(5);
        codes.task.FailNext(1, "[Oracle][ODBC][Ora]ORA-00942: table or view does not exist");
        try {
            codes.task.OpenTable(true);
            ADD_FAILURE() << "expected a failure";
        } catch (const XException& e) {
            const std::string text = e.GetMessage();
            EXPECT_EQ(text.rfind("Failed with error [While executing query: ", 0), 0u) << text;
            EXPECT_NE(text.find("COM Error Code = 80004005, Code Meaning = "), std::string::npos) << text;
            EXPECT_NE(
                text.find("Source = Microsoft OLE DB Provider for ODBC Drivers, Description = "
                          "[Oracle][ODBC][Ora]ORA-00942: table or view does not exist] while parsing query: "
                          "SELECT c.Code, c.Title FROM Codes c  ORDER BY c.Code"),
                std::string::npos)
                << text;
        }
        EXPECT_EQ(codes.task.reconnects, 0);
    }
    // A statement the driver refuses: its own diagnostics lead the text.
    CodesTable missing("NoSuchTable", "Missing");
    try {
        missing.task.WriteTable(nullptr, XString());
        ADD_FAILURE() << "expected a failure";
    } catch (const XException& e) {
        const std::string text = e.GetMessage();
        EXPECT_EQ(text.rfind("Failed with error [While executing query: Error number: ", 0), 0u) << text;
        EXPECT_NE(text.find("no such table"), std::string::npos) << text;
    }
    EXPECT_FALSE(FileExists(missing.File("Missing")));
}

TEST(OpenTable, ErrorWhileWalkingFailsTheTable)
{
    CodesTable codes;
    codes.task.Connect("DSN=reader_source_step;");
    codes.task.StartOutputTable("Bad Walk", "BadWalk.pef", false);
    ODBCTable* t = codes.task.AddTable("BadWalk", "", false);
    codes.task.AddFieldColumn(t, "v", DataAccessBase::AsValueOperation(&DataAccessBase::FormatInt), "v",
                              true);
    try {
        codes.task.WriteTable(nullptr, XString());
        ADD_FAILURE() << "a walk that stops early must fail the run";
    } catch (const XException& e) {
        const std::string text = e.GetMessage();
        EXPECT_EQ(text.rfind("Failed with error [Could not read all records of Bad Walk: ", 0), 0u) << text;
        EXPECT_NE(text.find("integer overflow"), std::string::npos) << text;
        EXPECT_NE(text.find("] while writing file [BadWalk.pef] with query: SELECT BadWalk.v FROM BadWalk "),
                  std::string::npos)
            << text;
    }
    EXPECT_TRUE(codes.log.Contains("Error writing line= "));

    // A connection lost in the middle of the walk.
    codes.task.EndOutputTable();
    codes.task.Connect(readertest::SourceConnectionString());
    codes.task.StartOutputTable("Lost", "Lost.pef", false);
    t = codes.task.AddTable("Numbers", "", false);
    codes.task.AddFieldColumn(t, "n", DataAccessBase::AsValueOperation(&DataAccessBase::FormatInt), "n",
                              true);
    try {
        codes.task.WriteTable(DataAccessBase::AsRowFilter(&FlakyTask::DropConnectionAtSecondRow), XString());
        ADD_FAILURE() << "a walk that stops early must fail the run";
    } catch (const XException& e) {
        EXPECT_EQ(std::string(e.GetMessage())
                      .rfind("Failed with error [Could not read all records of Lost: the query "
                             "was closed while its records were read.] while writing file "
                             "[Lost.pef]",
                             0),
                  0u)
            << e.GetMessage();
    }

    // An empty result is no failure: an empty data file.
    codes.task.EndOutputTable();
    codes.task.Connect(readertest::SourceConnectionString());
    codes.task.StartOutputTable("Empty", "Empty.pef", false);
    t = codes.task.AddTable("Empty", "", false);
    codes.task.AddFieldColumn(t, "n", DataAccessBase::AsValueOperation(&DataAccessBase::FormatInt), "n",
                              true);
    EXPECT_EQ(codes.task.WriteTable(nullptr, "first line"), 0);
    EXPECT_EQ(vhtest::ReadBytes(codes.folder + "/Empty.pef"), "first line\r\n");
}

TEST(OpenTable, UserOwnedTablesAndOwnFiles)
{
    CodesTable codes;
    EXPECT_EQ(codes.task.WriteUserOwnedTable(nullptr, "// edit me"), 2);
    EXPECT_EQ(vhtest::ReadBytes(codes.File()), "// edit me\r\nA\tAbsent\r\nT\tTardy\r\n");
    codes.task.EndOutputTable();
    EXPECT_TRUE(codes.task.GetQueryModel().fields.empty());

    {
        std::ofstream edited(codes.File(), std::ios::binary | std::ios::trunc);
        edited << "A\tAway\r\n";
    }
    codes.Describe("Codes", "Codes");
    EXPECT_EQ(codes.task.WriteUserOwnedTable(nullptr, "// edit me"), 0);
    EXPECT_TRUE(codes.log.Has(8, "Did not write user-owned table Codes.pef, it already exists."));
    EXPECT_EQ(vhtest::ReadBytes(codes.File()), "A\tAway\r\n");
    codes.task.EndOutputTable();

    // An extractor that writes its own lines.
    XTextFile own;
    codes.task.StartOutputTableToFile(own, "Own Codes", "OwnCodes.pef");
    ODBCTable* t = codes.task.AddTable("Codes", "c", false);
    ODBCField* code = codes.task.GetField(t, "Code", true);
    ASSERT_TRUE(codes.task.OpenTable(true));
    for (bool more = codes.task.MoveFirst(); more; more = codes.task.MoveNext()) {
        own.WriteField(codes.task.GetString(code));
        own.WriteField("x");
        own.EndLine();
    }
    codes.task.EndOutputTableToFile(own);
    EXPECT_FALSE(own.IsOpen());
    EXPECT_EQ(vhtest::ReadBytes(codes.folder + "/OwnCodes.pef"), "A\tx\r\nT\tx\r\n");
    EXPECT_EQ(codes.task.GetRecordset(), nullptr);
}

TEST(QueryExecution, RecordCountsMovingAndClosing)
{
    CodesTable codes;
    TestTask& task = codes.task;
    task.ClearQuery();
    ASSERT_EQ(task.RunQuery("SELECT Code FROM Codes"), 0);
    EXPECT_EQ(task.GetRecordCount(), 2);

    ASSERT_EQ(task.RunQuery("SELECT n FROM Numbers"), 0);
    EXPECT_EQ(task.GetRecordCount(), 20000);
    EXPECT_FALSE(task.MoveNext());  // the count leaves the cursor after the last record
    ASSERT_TRUE(task.MoveFirst());
    EXPECT_EQ(task.GetInt(task.AddField(nullptr, "n")), 1);

    ASSERT_EQ(task.RunQuery("SELECT n FROM Empty"), 0);
    EXPECT_FALSE(task.MoveFirst());
    EXPECT_EQ(task.GetRecordCount(), 0);

    task.CloseQuery();
    EXPECT_EQ(task.GetRecordset(), nullptr);
    EXPECT_TRUE(task.GetQueryModel().fields.empty());
    task.CloseQuery();  // a second close only empties the model
    EXPECT_EQ(task.GetRecordCount(), 0);
    EXPECT_FALSE(task.MoveFirst());

    EXPECT_TRUE(task.TryTrialQuery("SELECT * FROM Codes"));
    EXPECT_FALSE(task.TryTrialQuery("SELECT * FROM NoSuchTable"));
    EXPECT_EQ(task.GetRecordset(), nullptr);  // a trial leaves no recordset behind

    TestTask forward(ODBCDataAccess::OptForwardOnly, DbSybaseOdbc);
    forward.Connect(readertest::SourceConnectionString());
    ASSERT_EQ(forward.RunQuery("SELECT Code FROM Codes"), 0);
    EXPECT_EQ(forward.GetRecordset()->CursorType(), ado::adOpenForwardOnly);
    ASSERT_EQ(task.RunQuery("SELECT Code FROM Codes"), 0);
    EXPECT_EQ(task.GetRecordset()->CursorType(), ado::adOpenStatic);
}

TEST(QueryExecution, ErrorTextsAndOracleCodes)
{
    EXPECT_EQ(ODBCDataAccess::ClassifyOracleError("x ORA-03113: end-of-file"), 1629);
    EXPECT_EQ(ODBCDataAccess::ClassifyOracleError("ORA-03135: connection lost contact"), 1629);
    EXPECT_EQ(ODBCDataAccess::ClassifyOracleError("ORA-12170: TNS:Connect timeout"), 12170);
    EXPECT_EQ(ODBCDataAccess::ClassifyOracleError("ORA-00942: table or view does not exist"), 1);
    EXPECT_EQ(ODBCDataAccess::ClassifyOracleError("ora-03113"), 1);

    TestTask task(0, DbSybaseOdbc);
    Recorder log(task);
    const XString text = task.GetComErrorText(nullptr, ado::ComError(ado::E_FAIL, "", "it broke"));
    EXPECT_EQ(Str(text), "COM Error Code = 80004005, Code Meaning = Unspecified error\r\n"
                         "Source = (null), Description = it broke");
    EXPECT_TRUE(log.Has(8, Str(text)));
    const XException e = task.MakeComException(nullptr, ado::ComError(0x0000000E, "ADODB.Field", ""));
    EXPECT_EQ(std::string(e.GetMessage()).rfind("COM Error Code = 0000000e, Code Meaning = ", 0), 0u);
    EXPECT_NE(std::string(e.GetMessage()).find("\r\nSource = ADODB.Field, Description = (null)"),
              std::string::npos);
    EXPECT_EQ(e.GetCode(), 0);

    // With a connection, its error list comes first, one line per error.
    readertest::UseReaderSource();
    task.Connect(readertest::SourceConnectionString());
    EXPECT_THROW(task.RunQuery("SELECT * FROM NoSuchTable"), XException);
    const std::vector<ado::Error>& errors = task.GetConnection()->Errors();
    ASSERT_FALSE(errors.empty());
    char first[512];
    std::snprintf(first, sizeof first, "Error number: %x\t%s\r\n", static_cast<unsigned>(errors[0].Number),
                  errors[0].Description.c_str());
    const std::string listed =
        Str(task.GetComErrorText(task.GetConnection(), ado::ComError(ado::E_FAIL, "s", "d")));
    EXPECT_EQ(listed.rfind(first, 0), 0u) << listed;
    EXPECT_NE(listed.find("COM Error Code = 80004005"), std::string::npos);
}
