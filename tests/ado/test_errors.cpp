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
    // Only braces quote: a quote mark is part of the value, and a leading one is braced on the way out.
    EXPECT_EQ(ToOdbcConnectionString("Password='quoted;User ID=\"dq;Data Source=it's"),
              "PWD={'quoted};UID={\"dq};DSN=it's;");
    const auto quoted = ParseConnectionString("DSN=s;UID='qu;PWD=x;");
    ASSERT_EQ(quoted.size(), 3u);
    EXPECT_EQ(quoted[1], ConnectionAttribute("UID", "'qu"));
    EXPECT_EQ(quoted[2], ConnectionAttribute("PWD", "x"));

    const auto parsed = ParseConnectionString("  DSN = school ; UID=;Trusted_Connection;PWD={a}}b;c}");
    ASSERT_EQ(parsed.size(), 4u);
    EXPECT_EQ(parsed[0], ConnectionAttribute("DSN", "school"));
    EXPECT_EQ(parsed[1], ConnectionAttribute("UID", ""));
    EXPECT_EQ(parsed[2], ConnectionAttribute("Trusted_Connection", ""));
    EXPECT_EQ(parsed[3], ConnectionAttribute("PWD", "a}b;c"));
}

TEST(ConnectionString, EveryValueReadsBackUnchanged)
{
    // value, as written: braced where a driver would read it otherwise ("%xx" and "+" are escapes
    // to psqlODBC), plain where nothing can be misread.
    const struct
    {
        const char* value;
        const char* written;
    } cases[] = {
        {"Summer%2024", "{Summer%2024}"}, {"'quoted", "{'quoted}"}, {"\"dq", "{\"dq}"},
        {"a+b", "{a+b}"},                 {"{br}ace", "{{br}}ace}"}, {"x;y=z", "{x;y=z}"},
        {"'qu", "{'qu}"},                 {"q'", "{q'}"},          {"end\"", "{end\"}"},
        {"\tTab", "{\tTab}"},             {"it's", "it's"},        {"p@ss!w(o)rd,.-_#", "p@ss!w(o)rd,.-_#"},
        {"\xc3\xa6\xc3\xb8\xc3\xa5", "\xc3\xa6\xc3\xb8\xc3\xa5"}, {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConnectionValue(c.value), c.written) << c.value;
        const std::string joined = JoinConnectionString({{"DSN", c.value}, {"UID", c.value}, {"PWD", c.value}});
        const auto parsed = ParseConnectionString(joined);
        ASSERT_EQ(parsed.size(), 3u) << joined;
        for (const ConnectionAttribute& a : parsed)
            EXPECT_EQ(a.second, c.value) << joined;
    }
}
