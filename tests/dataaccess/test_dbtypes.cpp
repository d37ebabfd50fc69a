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

XDate Ymd(int y, int m, int d)
{
    XDate date;
    date.SetYMD(y, m, d);
    return date;
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

TEST(DatabaseTypes, Names)
{
    const char* names[] = {"",
                           "dBase IV (ODBC)",
                           "dBase IV (XBase)",
                           "FoxPro (ODBC)",
                           "FoxPro (DBF)",
                           "MSSQL",
                           "MySQL",
                           "SQLite",
                           "DB2",
                           "Access",
                           "Postgres",
                           "Oracle (ODBC)",
                           "Oracle (OLE)",
                           "Oracle Microsoft OLE (MSDAORA)",
                           "Sybase (OLE)",
                           "Sybase ODBC",
                           "Progress",
                           "Mimer",
                           "Informix",
                           "Top Speed",
                           "Lotus Notes",
                           "CA-Datacom"};
    for (int type = 0; type <= 21; ++type)
        EXPECT_STREQ(DatabaseTypeName(type), names[type]) << type;
    EXPECT_STREQ(DatabaseTypeName(22), "");
    EXPECT_STREQ(DatabaseTypeName(-1), "");
}

TEST(DatabaseTypes, ConnectionStringsWithLogin)
{
    EXPECT_EQ(Cs(1, "D", "U", "P"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=D;Extended Properties=dBASE IV;");
    EXPECT_EQ(Cs(2, "/dbf/folder/", "U", "P"), "/dbf/folder/");
    EXPECT_EQ(Cs(3, "D", "U", "P"),
              "Persist Security Info=False;Data Source=D;Collating Sequence=machine;User ID=U;Password=P;");
    EXPECT_EQ(Cs(4, "D", "U", "P"), "Provider=VFPOLEDB.1;Data Source=D;Collating Sequence=MACHINE");
    EXPECT_EQ(
        Cs(5, "srv; db ", "U", "P"),
        "Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Database=db;User ID=U;Password=P;");
    EXPECT_EQ(Cs(6, "D", "U", "P"), "Data Source=D;User Id=U;Password=P;");
    EXPECT_EQ(Cs(7, "/x/school.db", "U", "P"), "Database=/x/school.db");
    EXPECT_EQ(Cs(8, "D", "U", "P"), "DB2OLEDB");
    EXPECT_EQ(Cs(9, "D", "U", "P"), "Persist Security Info=False;Data Source=D;User ID=U;Password=P");
    EXPECT_EQ(Cs(10, "D", "U", "P"), "DSN=D;UID=U;PWD=P");
    EXPECT_EQ(Cs(11, "D", "U", "P"), "Data Source=D;User ID=U;Password=P;Persist Security Info=True;");
    EXPECT_EQ(Cs(12, "D", "U", "P"),
              "Provider=OraOLEDB.Oracle;Data Source=D;User ID=U;Password=P;Persist Security Info=True;");
    EXPECT_EQ(Cs(13, "D", "U", "P"),
              "Provider=MSDAORA;Data Source=D;User ID=U;Password=P;Persist Security Info=True;");
    EXPECT_EQ(Cs(14, "D", "U", "P"),
              "Provider=Sybase ASE OLE DB Provider;Data source=D;User Id=U;Password=P;");
    EXPECT_EQ(Cs(15, "D", "U", "P"), "DSN=D;UID=U;PWD=P;");
    EXPECT_EQ(Cs(16, "D", "U", "P"), "DSN=D;UID=U;PWD=P");
    EXPECT_EQ(Cs(18, "D", "U", "P"), "DSN=D;UID=U;PWD=P;ISOLATIONLEVEL=1;");
    EXPECT_EQ(Cs(19, "D", "U", "P"), "DSN=D;UID=U;PWD=P");
    EXPECT_EQ(Cs(20, "D", "U", "P"), "DSN=D;Uid=U;Pwd=P;");
    EXPECT_EQ(Cs(21, "D", "U", "P"), "DSN=D;Uid=U;Pwd=P;");

    EXPECT_EQ(ThrownText(0), "Can't build connection string for unknown database type.");
    EXPECT_EQ(ThrownText(17), "Database type not yet defined for BuildConnectionString, please define.");
    EXPECT_EQ(ThrownText(22), "Database type not yet defined for BuildConnectionString, please define.");
}

TEST(DatabaseTypes, ConnectionStringsWithoutLogin)
{
    // Optional parts disappear with an empty user or password; fixed ones stay.
    EXPECT_EQ(Cs(15, "school", "admin", ""), "DSN=school;UID=admin;");
    EXPECT_EQ(Cs(15, "school", "", ""), "DSN=school;");
    EXPECT_EQ(Cs(3, "D", "", ""), "Persist Security Info=False;Data Source=D;Collating Sequence=machine;");
    EXPECT_EQ(Cs(9, "D", "", "P"), "Persist Security Info=False;Data Source=D;Password=P");
    EXPECT_EQ(Cs(11, "D", "", ""), "Data Source=D;Persist Security Info=True;");
    EXPECT_EQ(Cs(14, "D", "U", ""), "Provider=Sybase ASE OLE DB Provider;Data source=D;User Id=U;");
    EXPECT_EQ(Cs(18, "D", "", ""), "DSN=D;ISOLATIONLEVEL=1;");
    EXPECT_EQ(Cs(6, "D", "", ""), "Data Source=D;User Id=;Password=;");
    EXPECT_EQ(Cs(20, "D", "", ""), "DSN=D;Uid=;Pwd=;");
    // SQL Server: trusted login without a user, the server alone without ";".
    EXPECT_EQ(Cs(5, "server; school db ", "", ""),
              "Provider=MSDASQL;Persist Security Info=False;Data Source=server;Database=school db;"
              "Trusted_Connection=yes;");
    EXPECT_EQ(Cs(5, "server", "", "P"), "Provider=MSDASQL;Persist Security Info=False;Data Source=server;"
                                        "Trusted_Connection=yes;");
    EXPECT_EQ(Cs(5, "server;", "U", ""),
              "Provider=MSDASQL;Persist Security Info=False;Data Source=server;User ID=U;");
}

TEST(DatabaseTypes, DateLiterals)
{
    const XDate d = Ymd(2024, 9, 3);
    EXPECT_EQ(Lit(1, d), "#03-" + std::string(d.Format("MMM").CStr()) + "-2024#");
    EXPECT_EQ(Lit(9, d), Lit(1, d));
    EXPECT_EQ(Lit(2, d), "09/03/2024");
    EXPECT_EQ(Lit(3, d), "{^2024/09/03}");
    EXPECT_EQ(Lit(4, d), "{^2024/09/03}");
    for (int type : {5, 14, 15, 20})
        EXPECT_EQ(Lit(type, d), "'2024-09-03'") << type;
    for (int type : {6, 7, 8, 16, 17})
        EXPECT_EQ(Lit(type, d), "'2024-09-03'") << type;
    EXPECT_EQ(Lit(10, d), "'09/03/2024'");
    for (int type : {11, 12, 13})
        EXPECT_EQ(Lit(type, d), "TO_DATE( '20240903', 'YYYYMMDD' )") << type;
    EXPECT_EQ(Lit(18, d), "TO_DATE(\"09/03/2024\",\"%m/%d/%Y\")");
    EXPECT_EQ(Lit(19, Ymd(1800, 12, 29)), "1");
    EXPECT_EQ(Lit(19, Ymd(1800, 12, 28)), "0");
    EXPECT_EQ(Lit(21, d), "'20240903'");

    // Null dates.
    const XDate none;
    EXPECT_EQ(Lit(15, none), "''");
    EXPECT_EQ(Lit(11, none), "");
    EXPECT_EQ(Lit(18, none), "");
    EXPECT_EQ(Lit(2, none), "");

    for (int type : {0, 22, -3}) {
        try {
            Lit(type, d);
            ADD_FAILURE() << "no literal for type " << type;
        } catch (const XException& e) {
            EXPECT_STREQ(e.GetMessage(), "DB Type not defined for XODBC::SQLDate yet, feel free to do so.");
        }
    }
}

TEST(DatabaseTypes, CatalogueQueries)
{
    const XString whole("SELECT * FROM %s");
    const XString single("SELECT %s FROM %s");

    CatalogueQuery q = TableExistsQuery(15, "Schools", whole);
    EXPECT_STREQ(
        q.query.CStr(),
        "SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('Schools')");
    EXPECT_EQ(q.judgement, CatalogueJudgement::Rows);
    EXPECT_TRUE(q.fallback.IsEmpty());

    q = TableExistsQuery(1, "Students", whole);
    EXPECT_STREQ(q.query.CStr(), "SELECT * FROM Students");
    EXPECT_EQ(q.judgement, CatalogueJudgement::Opens);

    q = TableExistsQuery(10, "\"Students\"", whole);
    EXPECT_STREQ(
        q.query.CStr(),
        "SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = 'Students'");

    q = TableExistsQuery(9, "T", whole);
    EXPECT_STREQ(q.query.CStr(), "SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='T'");
    EXPECT_STREQ(q.fallback.CStr(), "Select COUNT(*) From T");
    q = TableExistsQuery(18, "T", whole);
    EXPECT_STREQ(q.query.CStr(), "SELECT COUNT(*) FROM systables WHERE tabname = 'T'");
    EXPECT_EQ(q.judgement, CatalogueJudgement::Count);
    EXPECT_EQ(TableExistsQuery(21, "T", whole).judgement, CatalogueJudgement::Count);
    EXPECT_STREQ(TableExistsQuery(11, "T", whole).query.CStr(),
                 "SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('T')");
    for (int type : {0, 2, 8, 17, 22})
        EXPECT_EQ(TableExistsQuery(type, "T", whole).judgement, CatalogueJudgement::None) << type;

    // Column checks: the column comes first where the column is selected from the table.
    q = FieldExistsQuery(15, "Schools", "School_Number", single);
    EXPECT_STREQ(
        q.query.CStr(),
        "SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id WHERE "
        "UPPER(sysobjects.name) = UPPER('Schools') AND UPPER(syscolumns.name) = UPPER('School_Number')");
    EXPECT_STREQ(FieldExistsQuery(1, "T", "c", single).query.CStr(), "SELECT c FROM T");
    EXPECT_STREQ(FieldExistsQuery(4, "T", "c", single).query.CStr(), "SELECT COUNT(c) FROM T");
    EXPECT_STREQ(FieldExistsQuery(7, "T", "c", single).query.CStr(),
                 "SELECT sql FROM sqlite_master WHERE name='T' AND sql LIKE 'c '");
    EXPECT_STREQ(
        FieldExistsQuery(10, "T", "c", single).query.CStr(),
        "SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = T AND pg_class.oid = "
        "attrelid  AND attnum > 0 AND attname='c'");
    EXPECT_STREQ(FieldExistsQuery(16, "T", "c", single).query.CStr(),
                 "SELECT \"_Field-Name\" FROM pub.\"_field\" WHERE \"_Field-Name\" = 'c' AND \"_file-recid\" "
                 "= (SELECT "
                 "ROWID FROM pub.\"_file\" WHERE \"_file-name\" = 'T')");
    q = FieldExistsQuery(18, "T", "c", single);
    EXPECT_STREQ(q.query.CStr(), "select tabid from systables where tabname='T' and colname = 'c' ");
    EXPECT_STREQ(q.fallback.CStr(), "Select COUNT(c) From T");
    EXPECT_STREQ(FieldExistsQuery(20, "T", "c", single).query.CStr(), "SELECT \"c\" FROM \"T\"");
    for (int type : {2, 8, 17})
        EXPECT_EQ(FieldExistsQuery(type, "T", "c", single).judgement, CatalogueJudgement::None) << type;

    EXPECT_STREQ(SchemaQuery(7), "SELECT name as table_name, sql as column_name FROM sqlite_master ");
    EXPECT_EQ(SchemaQuery(9), nullptr);

    // A value holding "%s" is not filled again.
    EXPECT_STREQ(FillTemplate("a %s b %s", "%s", "x").CStr(), "a %s b x");
}

TEST(DatabaseTypes, AdoTypeNames)
{
    EXPECT_STREQ(AdoDataTypeName(200), "VarChar");
    EXPECT_STREQ(AdoDataTypeName(20), "Big Int");
    EXPECT_STREQ(AdoDataTypeName(135), "DBTimeStamp");
    EXPECT_STREQ(AdoDataTypeName(8192 | 17), "Array");
    EXPECT_STREQ(AdoDataTypeName(1), "UNKNOWN!");
    EXPECT_STREQ(AdoDataTypeName(999), "UNKNOWN!");
}

}  // namespace
