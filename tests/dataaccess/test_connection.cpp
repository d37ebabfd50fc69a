// The connection, the catalogue checks, the schema log and the start and end of a run on the
// sample data source.

#include "DaTestSupport.h"

#include "TestOdbcEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

using datest::Recorder;
using datest::TestTask;

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
            EXPECT_EQ(line.text.find(kSecret), std::string::npos) << line.text;
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

    // Reconnect uses the stored string.
    task.Reconnect();
    EXPECT_TRUE(task.IsConnected());
    task.Disconnect();
    ExpectNoSecret(log);
}

TEST_F(SampleSource, ExclusiveMode)
{
    TestTask task(3 | ODBCDataAccess::OptExclusive, DbSybaseOdbc);
    task.Connect(SampleConnectionString(task));
    EXPECT_EQ(task.GetConnection()->Mode(), ado::adModeShareExclusive);
    task.Disconnect();
}

TEST_F(SampleSource, TypesThatNeverConnect)
{
    // The file-based dBase type never opens a connection.
    TestTask files(3, DbDBaseXBase);
    Recorder fileLog(files);
    files.Connect(files.BuildConnectionString("/data/dbf/", "u", "p"));
    EXPECT_FALSE(files.IsConnected());
    EXPECT_TRUE(fileLog.Has(7, "Connect - Could not connect need to define USE_XBASE"));
    files.Disconnect();

    // Types without a connection string throw.
    TestTask mimer(3, DbMimer);
    EXPECT_THROW(mimer.BuildConnectionString("d", "u", "p"), XException);
}

TEST_F(SampleSource, FailingConnectGivesComErrorText)
{
    TestTask task(3, DbSybaseOdbc);
    Recorder log(task);
    const XString cs = task.BuildConnectionString("vh_no_such_source", "teacher", kSecret);
    std::string text;
    try {
        task.Connect(cs);
        FAIL() << "an unknown data source must not connect";
    } catch (const XException& e) {
        text = e.GetMessage();
        EXPECT_EQ(e.GetCode(), 0);
    }
    EXPECT_NE(text.find("Data source name not found"), std::string::npos) << text;
    EXPECT_NE(text.find("Error number: "), std::string::npos) << text;
    EXPECT_NE(text.find("COM Error Code = "), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nSource = "), std::string::npos) << text;
    EXPECT_EQ(text.find(kSecret), std::string::npos) << text;
    EXPECT_FALSE(task.IsConnected());
    // The text is logged at level 8, without the password.
    EXPECT_TRUE(log.Contains("Data source name not found"));
    ExpectNoSecret(log);
}

TEST_F(SampleSource, MissingDatabaseFileFails)
{
    // A data source whose file does not exist: the driver must refuse it rather than create it.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string ini = dir.path().toStdString() + "/odbc.ini";
    {
        std::ofstream out(ini);
        out << "[vh_missing]\nDriver=SQLite3\nDatabase=" << dir.path().toStdString()
            << "/absent.db\nNoCreat=1\n";
    }
    setenv("ODBCINI", ini.c_str(), 1);
    TestTask task(3, DbSybaseOdbc);
    Recorder log(task);
    const XString cs = task.BuildConnectionString("vh_missing", "teacher", kSecret);
    std::string text;
    try {
        task.Connect(cs);
        ADD_FAILURE() << "a missing database file must not connect";
    } catch (const XException& e) {
        text = e.GetMessage();
    }
    EXPECT_NE(text.find("COM Error Code = "), std::string::npos) << text;
    EXPECT_EQ(text.find(kSecret), std::string::npos) << text;
    EXPECT_FALSE(task.IsConnected());
    EXPECT_FALSE(QFile::exists(dir.path() + "/absent.db"));
    ExpectNoSecret(log);
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

    // Without a connection the checks answer false and never throw.
    task.Disconnect();
    EXPECT_FALSE(task.DoTableExists("Schools"));
    EXPECT_FALSE(task.DoFieldExists("Schools", "ID"));
}

TEST_F(SampleSource, CountJudgedAndTrialChecks)
{
    // Informix: the catalogue query does not open here, so the count over the table itself decides.
    TestTask informix(3, DbInformix);
    Recorder log(informix);
    informix.Connect(SampleConnectionString(informix));
    EXPECT_TRUE(informix.DoTableExists("Schools"));
    EXPECT_TRUE(log.Has(9, "Table Exists query:Select COUNT(*) From Schools"));
    EXPECT_FALSE(informix.DoTableExists("NoSuchTable"));

    EXPECT_TRUE(informix.DoFieldExists("Schools", "School_Number"));
    EXPECT_TRUE(log.Has(9, "Field Exists query:Select COUNT(School_Number) From Schools"));
    EXPECT_FALSE(informix.DoFieldExists("Schools", "NoSuchColumn"));
    informix.Disconnect();

    // CA-Datacom: the table's row count must be above 0.
    TestTask datacom(3, DbCADatacom);
    datacom.Connect(SampleConnectionString(datacom));
    EXPECT_TRUE(datacom.DoTableExists("Terms"));
    EXPECT_FALSE(datacom.DoTableExists("NoSuchTable"));
    // Access: the column count query gives one row when the column exists.
    datacom.SetDatabaseType(DbAccess);
    EXPECT_TRUE(datacom.DoFieldExists("Terms", "Abbreviation"));
    EXPECT_FALSE(datacom.DoFieldExists("Terms", "NoSuchColumn"));
    datacom.SetDatabaseType(DbCADatacom);
    datacom.Disconnect();
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
    EXPECT_TRUE(task.ConnectAndCheckTable(cs, "Schools", true));
    EXPECT_TRUE(task.IsConnected());
    // Already connected: it stays connected whatever the flag says.
    EXPECT_TRUE(task.ConnectAndCheckTable(cs, "Terms", false));
    EXPECT_TRUE(task.IsConnected());
    task.Disconnect();
    EXPECT_THROW(
        task.ConnectAndCheckTable(task.BuildConnectionString("vh_no_such_source", "", ""), "Schools", false),
        XException);
}

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

    log.Clear();
    task.Finish();
    EXPECT_FALSE(task.IsConnected());
    EXPECT_TRUE(log.Has(5, "Export complete."));
    EXPECT_TRUE(QFile::exists(dir.path() + "/SchoolConfig.xml"));
    ASSERT_GE(log.progress.size(), 2u);
    EXPECT_EQ(log.progress[log.progress.size() - 2], "end_progress");
    EXPECT_EQ(log.progress.back(), "bridge_complete");
    ExpectNoSecret(log);

    // With the keep flag the connection stays open and no "Disconnecting" line is written; no schema
    // without "logSchema".
    TestTask keep(3, DbSybaseOdbc);
    keep.SetOutputFolder(dir.path().toUtf8().constData());
    Recorder keepLog(keep);
    keep.SetParam("logSchema", "false");
    keep.StartWithSchemaLog(SampleConnectionString(keep), true);
    EXPECT_FALSE(keepLog.Has(7, "Logging Schema..."));
    keep.Finish();
    EXPECT_TRUE(keep.IsConnected());
    EXPECT_FALSE(keepLog.Has(8, "Disconnecting"));
    EXPECT_EQ(keepLog.progress.back(), "bridge_complete");
    keep.Disconnect();
}

}  // namespace
