// Connection strings: the per-type texts of the two types the connection search tries (Sybase ODBC
// and Oracle ODBC) with their quoting, and the masking of passwords; null dates and templates.

#include "DataAccessBase.h"
#include "DatabaseTypes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Masked(const char* text, const char* key)
{
    XString cs(text);
    DataAccessBase::MaskPassword(cs, key);
    return cs.CStr();
}

std::string MaskedAll(const char* text)
{
    XString cs(text);
    DataAccessBase::MaskConnectionPasswords(cs);
    return cs.CStr();
}

TEST(Masking, MaskPassword)
{
    XString cs("DSN=school;UID=u;PWD=abc;");
    EXPECT_TRUE(DataAccessBase::MaskPassword(cs, "PWD="));
    EXPECT_STREQ(cs.CStr(), "DSN=school;UID=u;PWD=***;");

    // To the end of the text; up to a double quote; the key is case-sensitive.
    EXPECT_EQ(Masked("DSN=x;PWD=secret", "PWD="), "DSN=x;PWD=******");
    EXPECT_EQ(Masked("a PWD=\"xy\" b", "PWD=\""), "a PWD=\"**\" b");
    EXPECT_EQ(Masked("pwd=abc;", "PWD="), "pwd=abc;");
    EXPECT_EQ(Masked("PWD=;", "PWD="), "PWD=;");
    XString none("DSN=x;");
    EXPECT_FALSE(DataAccessBase::MaskPassword(none, "PWD="));
    // An empty key means PWD=".
    EXPECT_EQ(Masked("PWD=\"ab\";PWD=cd", ""), "PWD=\"**\";PWD=cd");
    // Only the first occurrence.
    EXPECT_EQ(Masked("PWD=a;PWD=b", "PWD="), "PWD=*;PWD=b");
    // A braced value is masked whole, to its closing brace ("}}" is one "}").
    EXPECT_EQ(Masked("DSN=d;PWD={x;y\"}}z};UID=u", "PWD="), "DSN=d;PWD=*********;UID=u");
    EXPECT_EQ(Masked("PWD={open", "PWD="), "PWD=*****");
}

TEST(Masking, MaskConnectionPasswords)
{
    // Only the first key that occurs, in the order Password=, PASSWORD=, PWD=, Pwd=.
    EXPECT_EQ(MaskedAll("Data Source=d;User ID=u;Password=pw;PWD=other;"),
              "Data Source=d;User ID=u;Password=**;PWD=other;");
    EXPECT_EQ(MaskedAll("PWD=first;PASSWORD=second"), "PWD=first;PASSWORD=******");
    EXPECT_EQ(MaskedAll("DSN=d;UID=u;PWD=abc;"), "DSN=d;UID=u;PWD=***;");
    EXPECT_EQ(MaskedAll("DSN=d;Uid=u;Pwd=abcd;"), "DSN=d;Uid=u;Pwd=****;");
    EXPECT_EQ(MaskedAll("DSN=d;"), "DSN=d;");
}

std::string Cs(int type, const char* d, const char* u, const char* p)
{
    return DatabaseConnectionString(type, d, u, p).CStr();
}

TEST(DatabaseTypes, ConnectionStringsWithoutLoginAndWithQuoting)
{
    // Optional parts disappear with an empty user or password; fixed ones stay.
    EXPECT_EQ(Cs(DbSybaseOdbc, "school", "admin", "pw"), "DSN=school;UID=admin;PWD=pw;");
    EXPECT_EQ(Cs(DbSybaseOdbc, "school", "admin", ""), "DSN=school;UID=admin;");
    EXPECT_EQ(Cs(DbSybaseOdbc, "school", "", ""), "DSN=school;");
    EXPECT_EQ(Cs(DbOracleOdbc, "D", "", ""), "Data Source=D;Persist Security Info=True;");

    // A value that could end its attribute is braced, a "}" in it doubled; others stay as given.
    EXPECT_EQ(Cs(DbSybaseOdbc, "school", "a=b", "x;Database=other.db"),
              "DSN=school;UID={a=b};PWD={x;Database=other.db};");
    // What a driver would read as an escape or a quote is braced too; plain punctuation is not.
    EXPECT_EQ(Cs(DbSybaseOdbc, "s+1", "'qu", "Summer%2024"), "DSN={s+1};UID={'qu};PWD={Summer%2024};");
    EXPECT_EQ(Cs(DbOracleOdbc, "it's", "\"dq", "p@ss!"),
              "Data Source=it's;User ID={\"dq};Password=p@ss!;Persist Security Info=True;");
    EXPECT_EQ(Cs(DbOracleOdbc, "D{1}", " U", "p}w"),
              "Data Source={D{1}}};User ID={ U};Password={p}}w};Persist Security Info=True;");
}

TEST(DatabaseTypes, NullDatesAndTemplates)
{
    EXPECT_STREQ(DatabaseDateLiteral(DbSybaseOdbc, XDate(), "mm/dd/yyyy").CStr(), "''");
    EXPECT_STREQ(DatabaseDateLiteral(DbOracleOdbc, XDate(), "mm/dd/yyyy").CStr(), "");
    // A value holding "%s" is not filled again.
    EXPECT_STREQ(FillTemplate("a %s b %s", "%s", "x").CStr(), "a %s b x");
}

}  // namespace
