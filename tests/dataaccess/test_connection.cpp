// The connection, the catalogue checks, the schema log and the start and end of a run on the
// sample data source.

#include "DaTestSupport.h"

#include "TestFiles.h"
#include "TestOdbcEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

using datest::Recorder;
using datest::TestTask;
using vhtest::Thrown;

namespace {

const char* const kSecret = "s3cr3tPw";

class SampleSource : public ::testing::Test
{
protected:
    void SetUp() override { UseSampleOdbc(); }

    XString SampleConnectionString(ODBCDataAccess& task)
    {
        return task.BuildConnectionString(SampleDsn().c_str(), "teacher", kSecret);
    }

    // No recorded line carries the password.
    void ExpectNoSecret(const Recorder& log)
    {
        for (const auto& line : log.lines)
            EXPECT_FALSE(line.text.contains(kSecret)) << line.text.toStdString();
    }
};

TEST_F(SampleSource, ConnectAndDisconnect)
{
    TestTask task(3, DbSybaseOdbc);
    Recorder log(task);
    const XString cs = SampleConnectionString(task);
    EXPECT_FALSE(task.IsConnected());
    task.Connect(cs);
    EXPECT_TRUE(task.IsConnected());
    EXPECT_EQ(task.GetConnection()->Mode(), ado::adModeRead);

    // Connecting while connected closes the old connection first and leaves one open.
    task.Connect(cs);
    EXPECT_TRUE(task.IsConnected());
    EXPECT_EQ(log.Count(8, "Connected to data source."), 2);
    task.Disconnect();
    EXPECT_FALSE(task.IsConnected());

    // Disconnecting a closed connection does nothing and says nothing.
    log.Clear();
    task.Disconnect();
    task.Disconnect();
    EXPECT_FALSE(task.IsConnected());
    EXPECT_TRUE(log.lines.empty());
    ExpectNoSecret(log);
}

TEST_F(SampleSource, FailingConnectsGiveComErrorTextsWithoutThePassword)
{
    // An unknown data source, and one whose file does not exist (the driver must refuse it rather
    // than create it).
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string ini = dir.path().toStdString() + "/odbc.ini";
    std::ofstream(ini) << "[vh_missing]\nDriver=SQLite3\nDatabase=" << dir.path().toStdString()
                       << "/absent.db\nNoCreat=1\n";
    setenv("ODBCINI", ini.c_str(), 1);
    for (const char* dsn : {"vh_no_such_source", "vh_missing"}) {
        TestTask task(3, DbSybaseOdbc);
        Recorder log(task);
        const std::string text =
            vhtest::Thrown([&] { task.Connect(task.BuildConnectionString(dsn, "teacher", kSecret)); });
        EXPECT_NE(text.find("COM Error Code = "), std::string::npos) << text;
        EXPECT_NE(text.find("\r\nSource = "), std::string::npos) << text;
        EXPECT_EQ(text.find(kSecret), std::string::npos) << text;
        EXPECT_FALSE(task.IsConnected());
        ExpectNoSecret(log);
        if (std::string(dsn) == "vh_no_such_source") {
            EXPECT_NE(text.find("Data source name not found"), std::string::npos) << text;
            EXPECT_NE(text.find("Error number: "), std::string::npos) << text;
            EXPECT_TRUE(log.Contains("Data source name not found"));  // logged, without the password
        }
    }
    EXPECT_FALSE(QFile::exists(dir.path() + "/absent.db"));
    UseSampleOdbc();
}

TEST_F(SampleSource, MaskSecretsCoversDriverTexts)
{
    TestTask task(3, DbSybaseOdbc);
    task.SetStoredConnectionString("DSN=x;UID=u;PWD={pa;ss};");
    task.SetPassword("hunter22");
    EXPECT_STREQ(
        task.MaskSecrets(
                "[drv] DSN=x;UID=u;pwd=anything;Password=\"q\" said pa;ss and hunter22 twice hunter22")
            .CStr(),
        "[drv] DSN=x;UID=u;pwd=********;Password=******** said ******** and ******** twice ********");
    // A short password masks only where it stands as a word of its own.
    task.SetStoredConnectionString("DSN=x;UID=u;PWD=cut;");
    task.SetPassword("e");
    EXPECT_STREQ(task.MaskSecrets("ExpEngine::Execute: cut the e, keep execute; PWD={a}}b};").CStr(),
                 "ExpEngine::Execute: ******** the ********, keep execute; PWD=********;");
    EXPECT_STREQ(task.MaskSecrets("no secrets here").CStr(), "no secrets here");
}

TEST_F(SampleSource, SybaseCatalogueChecks)
{
    TestTask task(3, DbSybaseOdbc);
    Recorder log(task);
    task.Connect(SampleConnectionString(task));

    EXPECT_TRUE(task.DoTableExists("Schools"));
    EXPECT_TRUE(task.DoTableExists("schools"));
    EXPECT_TRUE(task.DoTableExists("TERMS"));
    EXPECT_FALSE(task.DoTableExists("NoSuchTable"));
    EXPECT_TRUE(log.Has(9,
                        "Table Exists query:SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND "
                        "UPPER(name) = UPPER('schools')"));

    EXPECT_TRUE(task.DoFieldExists("Schools", "school_number"));
    EXPECT_TRUE(task.DoFieldExists("students", "ENROLL_STATUS"));
    EXPECT_FALSE(task.DoFieldExists("Schools", "NoSuchColumn"));
    EXPECT_FALSE(task.DoFieldExists("NoSuchTable", "ID"));

    // A check while a query is open leaves that query where it was.
    ASSERT_EQ(task.RunQuery("SELECT School_Number FROM Schools ORDER BY School_Number"), 0);
    ado::Recordset* open = task.GetRecordset();
    ASSERT_TRUE(task.MoveFirst());
    ASSERT_TRUE(task.MoveNext());
    EXPECT_TRUE(task.DoTableExists("Terms"));
    EXPECT_TRUE(task.DoFieldExists("Terms", "Abbreviation"));
    ASSERT_EQ(task.GetRecordset(), open);
    EXPECT_EQ(task.VariantToInt(open->Fields().Item(0L).Value()), 200);
    task.CloseQuery();

    // Without a connection a check cannot be made: it fails instead of answering "missing".
    task.Disconnect();
    EXPECT_EQ(Thrown([&] { task.DoTableExists("Schools"); }).rfind("Could not check whether the table Schools "
                                                                    "exists: While executing query: ",
                                                                    0),
              0u);
    EXPECT_EQ(Thrown([&] { task.DoFieldExists("Schools", "ID"); })
                  .rfind("Could not check whether the field ID exists in table Schools: ", 0),
              0u);
    EXPECT_FALSE(log.Contains("Table does not exist"));
}

// A source without the catalogue of the type: its query fails, and that is no answer.
TEST_F(SampleSource, FailedCatalogueQueryIsNoMissingTable)
{
    TestTask task(3, DbOracleOdbc);
    Recorder log(task);
    task.Connect(SampleConnectionString(task));

    const std::string table = Thrown([&] { task.DoTableExists("Schools"); });
    EXPECT_EQ(table.rfind("Could not check whether the table Schools exists: While executing query: ", 0), 0u)
        << table;
    EXPECT_NE(table.find("all_tab_columns"), std::string::npos) << table;
    EXPECT_TRUE(log.Has(2, table.c_str()));
    EXPECT_EQ(Thrown([&] { task.DoFieldExists("Schools", "ID"); })
                  .rfind("Could not check whether the field ID exists in table Schools: ", 0),
              0u);
    EXPECT_TRUE(log.Has(8, "Query Failed."));

    // Neither a missing optional table nor a missing optional column: the run stops.
    EXPECT_THROW(task.AddTable("Schools", "sch", false), XException);
    EXPECT_FALSE(log.Contains("Table does not exist"));
    EXPECT_TRUE(task.GetQueryModel().tables.empty());
    task.SetDatabaseType(DbSybaseOdbc);
    ODBCTable* schools = task.AddTable("Schools", "sch", false);
    ASSERT_NE(schools, nullptr);
    task.SetDatabaseType(DbOracleOdbc);
    EXPECT_THROW(task.GetField(schools, "Name", false), XException);
    EXPECT_FALSE(log.Contains("Field does not exist"));
    task.Disconnect();

    // The connection search tries the type and moves on.
    EXPECT_FALSE(task.ConnectAndCheckTable(SampleConnectionString(task), "Schools", false));
    EXPECT_FALSE(task.IsConnected());
}

// Where the check reads the table itself, a statement that does not open shows a missing table.
TEST_F(SampleSource, CheckOnTheTableItselfAnswersMissing)
{
    TestTask task(3, DbDBaseOdbc);
    Recorder log(task);
    task.Connect(SampleConnectionString(task));
    EXPECT_TRUE(task.DoTableExists("Schools"));
    EXPECT_FALSE(task.DoTableExists("NoSuchTable"));
    EXPECT_TRUE(task.DoFieldExists("Schools", "Name"));
    EXPECT_FALSE(task.DoFieldExists("Schools", "NoSuchColumn"));
    EXPECT_EQ(task.AddTable("NoSuchTable", "n", false), nullptr);
    EXPECT_TRUE(log.Has(8, "Table does not exist : NoSuchTable"));
    task.Disconnect();
}

// The lost connections of Oracle are tried again on a new connection, as a table's query is.
TEST_F(SampleSource, CatalogueQueryRetriesOracleConnectionLoss)
{
    struct Flaky : TestTask
    {
        Flaky() : TestTask(3, DbSybaseOdbc) {}
        void Reconnect() override
        {
            ++reconnects;
            ODBCDataAccess::Reconnect();
        }
        void OnRecordsetOpening(const XString&) override
        {
            if (failures > 0) {
                --failures;
                throw ado::ComError(ado::E_FAIL, "Microsoft OLE DB Provider for ODBC Drivers",
                                    "[Oracle][ODBC][Ora]ORA-03113: end-of-file on communication channel");
            }
        }
        int failures = 0;
        int reconnects = 0;
    } task;
    Recorder log(task);
    task.SetQueryTries(3);
    task.Connect(SampleConnectionString(task));

    task.failures = 2;
    EXPECT_TRUE(task.DoTableExists("Schools"));
    EXPECT_EQ(task.reconnects, 2);
    EXPECT_TRUE(log.Has(8, "Query 1 failed with error: 1629"));

    task.failures = 3;
    EXPECT_EQ(Thrown([&] { task.DoFieldExists("Schools", "Name"); }),
              "Could not check whether the field Name exists in table Schools: The catalogue query still failed "
              "with error 1629 after 3 tries.");
    EXPECT_EQ(task.reconnects, 5);
    task.Disconnect();
}

TEST_F(SampleSource, AddTableChecksTheCatalogue)
{
    TestTask task(3, DbSybaseOdbc);
    Recorder log(task);
    task.Connect(SampleConnectionString(task));

    ODBCTable* schools = task.AddTable("Schools", "sch", false);
    ASSERT_NE(schools, nullptr);
    EXPECT_STREQ(schools->FromName().CStr(), "Schools");
    EXPECT_STREQ(schools->Alias().CStr(), "sch");

    // A missing table that is not required: a level-8 line and null, nothing added.
    EXPECT_EQ(task.AddTable("NoSuchTable", "c", false, "VH.NoSuchTable"), nullptr);
    EXPECT_TRUE(log.Has(8, "Table does not exist : NoSuchTable"));
    EXPECT_EQ(task.GetQueryModel().tables.size(), 1u);

    // Required: the same text at level 2, thrown.
    try {
        task.AddTable("NoSuchTable", "c", true);
        FAIL() << "a missing required table must stop the run";
    } catch (const XException& e) {
        EXPECT_STREQ(e.GetMessage(), "Table does not exist : NoSuchTable");
    }
    EXPECT_TRUE(log.Has(2, "Table does not exist : NoSuchTable"));

    // The check uses the plain name; the qualified name goes after FROM.
    ODBCTable* terms = task.AddTable("Terms", "", false, "main.Terms");
    ASSERT_NE(terms, nullptr);
    EXPECT_STREQ(terms->FromName().CStr(), "main.Terms");
    EXPECT_STREQ(terms->PlainName().CStr(), "Terms");
    EXPECT_STREQ(terms->Alias().CStr(), "main.Terms");
    task.Disconnect();
}

TEST_F(SampleSource, ConnectAndCheckTable)
{
    TestTask task(3, DbSybaseOdbc);
    const XString cs = SampleConnectionString(task);
    EXPECT_TRUE(task.ConnectAndCheckTable(cs, "Schools", false));
    EXPECT_FALSE(task.IsConnected());
    EXPECT_FALSE(task.ConnectAndCheckTable(cs, "Nope", false));
    EXPECT_FALSE(task.IsConnected());
    EXPECT_THROW(
        task.ConnectAndCheckTable(task.BuildConnectionString("vh_no_such_source", "", ""), "Schools", false),
        XException);
}

// Finish's lines, progress and files are seen end to end (Program.RunLeavesImportAndStatusFiles).
TEST_F(SampleSource, StartAndFinishOfARun)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TestTask task(3, DbSybaseOdbc);
    task.SetOutputFolder(dir.path().toUtf8().constData());
    Recorder log(task);
    task.SetParam("logSchema", "true");
    task.StartWithSchemaLog(SampleConnectionString(task), false);
    EXPECT_TRUE(task.IsConnected());
    EXPECT_TRUE(log.Has(7, "Logging Schema..."));
    EXPECT_TRUE(log.Has(9, "Schools::Name"));
    const int writer = log.IndexOf("Starting PDE Writer");
    ASSERT_GE(writer, 0);
    EXPECT_LT(writer, log.IndexOf("Connected to data source."));
    task.Finish();
    EXPECT_FALSE(task.IsConnected());
    ExpectNoSecret(log);
}

}  // namespace
