// Opening a table with its tries and reconnects, writing it, and the failures that must stop a run.

#include "DaTestSupport.h"
#include "ReaderSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

using datest::Recorder;
using datest::TestTask;
using vhtest::Thrown;

namespace {

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

// An output table of the reader source; by default the code table (two rows).
struct CodesTable
{
    FlakyTask task;
    Recorder log{task};
    readertest::TempFolder temp{"vh-open"};

    explicit CodesTable(const char* table = "Codes", const char* title = "Codes")
    {
        readertest::UseReaderSource();
        task.SetOutputFolder(temp.path.c_str());
        task.Connect(readertest::SourceConnectionString());
        task.AddOrder(Describe(table, title, {"Code", "Title"}));
    }
    // Starts the output table with text columns; answers the first.
    ODBCField* Describe(const char* table, const char* title, std::initializer_list<const char*> columns,
                        const char* alias = "c")
    {
        task.StartOutputTable(title, XString(title) + ".pef", false);
        ODBCTable* t = task.AddTable(table, alias, false);
        ODBCField* first = nullptr;
        for (const char* column : columns) {
            ODBCField* field = task.AddFieldColumn(
                t, column, DataAccessBase::AsValueOperation(&DataAccessBase::FormatText), column, true);
            first = first ? first : field;
        }
        return first;
    }
    std::string File(const char* title = "Codes") const { return temp.File(std::string(title) + ".pef"); }
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
    EXPECT_TRUE(opening < first && first < second && second < ran);
    EXPECT_FALSE(log.Contains("Query 2 failed"));
    EXPECT_TRUE(
        log.Contains("RunQuery: While executing: SELECT c.Code, c.Title FROM Codes c  ORDER BY c.Code, "));
    EXPECT_TRUE(log.Contains("ORA-12170: TNS:Connect timeout occurred"));
}

TEST(OpenTable, FailsTheRunWhenEveryTryFails)
{
    for (int tries : {1, 5}) {
        // One try is the default: one reconnect, the skip line, then the run stops.
        CodesTable codes;
        if (tries > 1)
            codes.task.SetQueryTries(tries);
        codes.task.FailNext(tries, kLost);
        const std::string failure = "Open table Codes failed: the query still failed with error 1629 after " +
                                    std::to_string(tries) + (tries > 1 ? " tries." : " try.");
        EXPECT_EQ(Thrown([&] { codes.task.WriteTable(nullptr, XString()); }), failure);
        EXPECT_EQ(codes.task.reconnects, tries);
        for (int i = 0; i < tries; ++i)
            EXPECT_TRUE(codes.log.Has(8, QString("Query %1 failed with error: 1629").arg(i)));
        EXPECT_TRUE(codes.log.Has(7, "Open table Codes failed, skipping."));
        EXPECT_TRUE(codes.log.Has(2, QString::fromStdString(failure)));
        EXPECT_FALSE(codes.log.Has(8, "Ran query"));
        EXPECT_FALSE(std::filesystem::exists(codes.File()));
    }
}

TEST(OpenTable, OtherErrorsAreNotRetried)
{
    {
        CodesTable codes;
        codes.task.SetQueryTries(5);
        codes.task.FailNext(1, "[Oracle][ODBC][Ora]ORA-00942: table or view does not exist");
        const std::string text = Thrown([&] { codes.task.OpenTable(true); });
        EXPECT_EQ(text.rfind("Failed with error [While executing query: ", 0), 0u) << text;
        EXPECT_NE(text.find("COM Error Code = 80004005, Code Meaning = "), std::string::npos) << text;
        EXPECT_NE(
            text.find("Source = Microsoft OLE DB Provider for ODBC Drivers, Description = "
                      "[Oracle][ODBC][Ora]ORA-00942: table or view does not exist] while parsing query: "
                      "SELECT c.Code, c.Title FROM Codes c  ORDER BY c.Code"),
            std::string::npos)
            << text;
        EXPECT_EQ(codes.task.reconnects, 0);
    }
    // A statement the driver refuses: its own diagnostics lead the text.
    CodesTable missing("NoSuchTable", "Missing");
    const std::string text = Thrown([&] { missing.task.WriteTable(nullptr, XString()); });
    EXPECT_EQ(text.rfind("Failed with error [While executing query: Error number: ", 0), 0u) << text;
    EXPECT_NE(text.find("no such table"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(missing.File("Missing")));
}

TEST(OpenTable, ErrorWhileWalkingFailsTheTable)
{
    CodesTable codes;
    codes.task.EndOutputTable();
    codes.task.Connect("DSN=reader_source_step;");
    codes.Describe("BadWalk", "BadWalk", {"v"}, "");
    std::string text = Thrown([&] { codes.task.WriteTable(nullptr, XString()); });
    EXPECT_EQ(text.rfind("Failed with error [Could not read all records of BadWalk: ", 0), 0u) << text;
    EXPECT_NE(text.find("integer overflow"), std::string::npos) << text;
    EXPECT_NE(text.find("] while writing file [BadWalk.pef] with query: SELECT BadWalk.v FROM BadWalk "),
              std::string::npos)
        << text;
    EXPECT_TRUE(codes.log.Contains("Error writing line= "));

    // A connection lost in the middle of the walk.
    codes.task.EndOutputTable();
    codes.task.Connect(readertest::SourceConnectionString());
    codes.Describe("Numbers", "Lost", {"n"}, "");
    text = Thrown([&] {
        codes.task.WriteTable(DataAccessBase::AsRowFilter(&FlakyTask::DropConnectionAtSecondRow), XString());
    });
    EXPECT_EQ(text.rfind("Failed with error [Could not read all records of Lost: the query was closed while "
                         "its records were read.] while writing file [Lost.pef]",
                         0),
              0u)
        << text;

    // An empty result is no failure: an empty data file.
    codes.task.EndOutputTable();
    codes.task.Connect(readertest::SourceConnectionString());
    codes.Describe("Empty", "Empty", {"n"}, "");
    EXPECT_EQ(codes.task.WriteTable(nullptr, "first line"), 0);
    EXPECT_EQ(vhtest::ReadBytes(codes.File("Empty")), "first line\r\n");
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
    EXPECT_TRUE(log.Has(8, QString::fromStdString(Str(text))));
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
