// HRESULT texts and the parsing and joining of connection strings.

#include "ComError.h"
#include "ConnectionString.h"

#include <gtest/gtest.h>

using namespace ado;

TEST(ComError, MessagesForHResults)
{
    EXPECT_EQ(HResultMessage(E_FAIL), "Unspecified error");
    // Interface codes of OLE DB have no system text.
    EXPECT_EQ(HResultMessage(DB_E_ERRORSINCOMMAND), "IDispatch error #3092");
    EXPECT_EQ(HResultMessage(adErrObjectClosed), "Unknown error 0x800A0E78");
}

TEST(ConnectionString, AdoWordsBecomeOdbcWords)
{
    EXPECT_EQ(ToOdbcConnectionString("Data Source=school;User ID=u;Password=p;Persist Security Info=True;"),
              "DSN=school;UID=u;PWD=p;");
    EXPECT_EQ(
        ToOdbcConnectionString("Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Database=db;"
                               "User ID=sa;Password=x;"),
        "DSN=srv;Database=db;UID=sa;PWD=x;");
    EXPECT_EQ(ToOdbcConnectionString("Provider=MSDASQL.1;data source=a;user id=b"), "DSN=a;UID=b;");
    EXPECT_EQ(ToOdbcConnectionString("Data source=a;User Id=b;PASSWORD=c"), "DSN=a;UID=b;PWD=c;");
    // ODBC words and anything unknown pass as they are; another provider is kept.
    EXPECT_EQ(ToOdbcConnectionString("DSN=x;UID=u;PWD=p;ISOLATIONLEVEL=1;"),
              "DSN=x;UID=u;PWD=p;ISOLATIONLEVEL=1;");
    EXPECT_EQ(ToOdbcConnectionString("Provider=OraOLEDB.Oracle;Data Source=o"),
              "Provider=OraOLEDB.Oracle;DSN=o;");
    EXPECT_EQ(ToOdbcConnectionString("Database=/tmp/a.db"), "Database=/tmp/a.db;");
    EXPECT_EQ(ToOdbcConnectionString(""), "");
}

TEST(ConnectionString, BracesAndQuotes)
{
    // A value holding ";" or braces is braced, with "}" doubled.
    EXPECT_EQ(JoinConnectionString({{"PWD", "a;b"}}), "PWD={a;b};");
    EXPECT_EQ(JoinConnectionString({{"PWD", "x}y"}, {"UID", "{u"}}), "PWD={x}}y};UID={{u};");
    EXPECT_EQ(JoinConnectionString({{"PWD", " lead"}}), "PWD={ lead};");
    EXPECT_EQ(ToOdbcConnectionString("Password={p;w}}d};Data Source=s"), "PWD={p;w}}d};DSN=s;");
    EXPECT_EQ(ToOdbcConnectionString("Password=\"p;w\";User ID='a''b'"), "PWD={p;w};UID=a'b;");

    const auto parsed = ParseConnectionString("  DSN = school ; UID=;Trusted_Connection;PWD={a}}b;c}");
    ASSERT_EQ(parsed.size(), 4u);
    EXPECT_EQ(parsed[0], ConnectionAttribute("DSN", "school"));
    EXPECT_EQ(parsed[1], ConnectionAttribute("UID", ""));
    EXPECT_EQ(parsed[2], ConnectionAttribute("Trusted_Connection", ""));
    EXPECT_EQ(parsed[3], ConnectionAttribute("PWD", "a}b;c"));
}
