// The rules of the per-type texts: optional login parts, the SQL Server data source, null dates,
// unknown types and template filling.

#include "DatabaseTypes.h"

#include "XException.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Cs(int type, const char* d, const char* u, const char* p)
{
    return DatabaseConnectionString(type, d, u, p).CStr();
}

std::string Lit(int type, const XDate& date)
{
    return DatabaseDateLiteral(type, date, "mm/dd/yyyy").CStr();
}

std::string ThrownText(int type)
{
    try {
        DatabaseConnectionString(type, "dsn", "u", "p");
    } catch (const XException& e) {
        return e.GetMessage();
    }
    return "(nothing thrown)";
}

TEST(DatabaseTypes, ConnectionStringsWithoutLogin)
{
    // Optional parts disappear with an empty user or password; fixed ones stay.
    EXPECT_EQ(Cs(15, "school", "admin", "pw"), "DSN=school;UID=admin;PWD=pw;");
    EXPECT_EQ(Cs(15, "school", "admin", ""), "DSN=school;UID=admin;");
    EXPECT_EQ(Cs(15, "school", "", ""), "DSN=school;");
    EXPECT_EQ(Cs(3, "D", "", ""), "Persist Security Info=False;Data Source=D;Collating Sequence=machine;");
    EXPECT_EQ(Cs(11, "D", "", ""), "Data Source=D;Persist Security Info=True;");
    EXPECT_EQ(Cs(14, "D", "U", ""), "Provider=Sybase ASE OLE DB Provider;Data source=D;User Id=U;");
    EXPECT_EQ(Cs(6, "D", "", ""), "Data Source=D;User Id=;Password=;");

    // A value that could end its attribute is braced, a "}" in it doubled; others stay as given.
    EXPECT_EQ(Cs(15, "school", "a=b", "x;Database=other.db"),
              "DSN=school;UID=a=b;PWD={x;Database=other.db};");
    EXPECT_EQ(Cs(11, "D{1}", " U", "p}w"),
              "Data Source={D{1}}};User ID={ U};Password={p}}w};Persist Security Info=True;");
}

TEST(DatabaseTypes, SqlServerDataSourceAndTrustedLogin)
{
    // "server;database", trimmed; a trusted login without a user; the server alone without ";".
    EXPECT_EQ(
        Cs(5, "srv; db ", "U", "P"),
        "Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Database=db;User ID=U;Password=P;");
    EXPECT_EQ(Cs(5, "server; school db ", "", ""),
              "Provider=MSDASQL;Persist Security Info=False;Data Source=server;Database=school db;"
              "Trusted_Connection=yes;");
    EXPECT_EQ(Cs(5, "server", "", "P"), "Provider=MSDASQL;Persist Security Info=False;Data Source=server;"
                                        "Trusted_Connection=yes;");
    EXPECT_EQ(Cs(5, "server;", "U", ""),
              "Provider=MSDASQL;Persist Security Info=False;Data Source=server;User ID=U;");
}

TEST(DatabaseTypes, UnknownTypesAndNullDates)
{
    EXPECT_EQ(ThrownText(0), "Can't build connection string for unknown database type.");
    EXPECT_EQ(ThrownText(17), "Database type not yet defined for BuildConnectionString, please define.");
    EXPECT_EQ(ThrownText(22), "Database type not yet defined for BuildConnectionString, please define.");

    const XDate none;
    EXPECT_EQ(Lit(15, none), "''");
    EXPECT_EQ(Lit(11, none), "");
    EXPECT_EQ(Lit(18, none), "");
    EXPECT_EQ(Lit(2, none), "");
    XDate d;
    d.SetYMD(2024, 9, 3);
    for (int type : {0, 22, -3}) {
        try {
            Lit(type, d);
            ADD_FAILURE() << "no literal for type " << type;
        } catch (const XException& e) {
            EXPECT_STREQ(e.GetMessage(), "DB Type not defined for XODBC::SQLDate yet, feel free to do so.");
        }
    }
    for (int type : {0, 2, 8, 17, 22})
        EXPECT_EQ(TableExistsQuery(type, "T", "SELECT * FROM %s").judgement, CatalogueJudgement::None)
            << type;
}

TEST(DatabaseTypes, CatalogueQueriesFillTheirTemplatesOnce)
{
    // The PostgreSQL catalogue compares the bare name; a value holding "%s" is not filled again.
    EXPECT_STREQ(
        TableExistsQuery(10, "\"Students\"", "SELECT * FROM %s").query.CStr(),
        "SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = 'Students'");
    EXPECT_STREQ(FillTemplate("a %s b %s", "%s", "x").CStr(), "a %s b x");
    const CatalogueQuery q = FieldExistsQuery(18, "T", "c", "SELECT %s FROM %s");
    EXPECT_STREQ(q.fallback.CStr(), "Select COUNT(c) From T");
}

}  // namespace
