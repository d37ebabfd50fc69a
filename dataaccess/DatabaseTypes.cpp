// Names, connection strings, date literals and catalogue queries of the database types.

#include "DatabaseTypes.h"

#include "ConnectionString.h"
#include "XException.h"

#include <cstring>

const char* DatabaseTypeName(int32_t type)
{
    switch (type) {
    case DbDBaseOdbc:
        return "dBase IV (ODBC)";
    case DbDBaseXBase:
        return "dBase IV (XBase)";
    case DbFoxProOdbc:
        return "FoxPro (ODBC)";
    case DbFoxProDbf:
        return "FoxPro (DBF)";
    case DbMSSQL:
        return "MSSQL";
    case DbMySQL:
        return "MySQL";
    case DbSQLite:
        return "SQLite";
    case DbDB2:
        return "DB2";
    case DbAccess:
        return "Access";
    case DbPostgres:
        return "Postgres";
    case DbOracleOdbc:
        return "Oracle (ODBC)";
    case DbOracleOle:
        return "Oracle (OLE)";
    case DbOracleMsdaora:
        return "Oracle Microsoft OLE (MSDAORA)";
    case DbSybaseOle:
        return "Sybase (OLE)";
    case DbSybaseOdbc:
        return "Sybase ODBC";
    case DbProgress:
        return "Progress";
    case DbMimer:
        return "Mimer";
    case DbInformix:
        return "Informix";
    case DbTopSpeed:
        return "Top Speed";
    case DbLotusNotes:
        return "Lotus Notes";
    case DbCADatacom:
        return "CA-Datacom";
    default:
        return "";
    }
}

namespace {

// prefix + the value as ODBC reads it, only when the value is not empty.
void AppendIf(XString& text, const char* prefix, const XString& value)
{
    if (!value.IsEmpty()) {
        text += prefix;
        text += ConnectionStringValue(value);
    }
}

// The SQL Server data source: "server;database".
XString SqlServerConnectionString(const XString& dataSource, const XString& user, const XString& password)
{
    XString server = dataSource;
    XString database;
    const size_t semi = dataSource.Find(';');
    if (semi < dataSource.Length()) {
        server = dataSource.Left(semi);
        database = dataSource.Mid(semi + 1);
        database.Trim();
    }
    XString cs("Provider=MSDASQL;Persist Security Info=False;Data Source=");
    cs += ConnectionStringValue(server);
    AppendIf(cs, ";Database=", database);
    if (!user.IsEmpty()) {
        AppendIf(cs, ";User ID=", user);
        AppendIf(cs, ";Password=", password);
    } else {
        cs += ";Trusted_Connection=yes";
    }
    cs += ";";
    return cs;
}

}  // namespace

XString ConnectionStringValue(const XString& value)
{
    const std::string written = ado::ConnectionValue(std::string(value.CStr(), value.Length()));
    XString out;
    out.Assign(written.data(), written.size());
    return out;
}

XString DatabaseConnectionString(int32_t type, const XString& dataSource, const XString& user,
                                 const XString& password)
{
    // Every value in the string is quoted where it needs it, so that none can end its attribute.
    const XString d = ConnectionStringValue(dataSource);
    const XString u = ConnectionStringValue(user);
    const XString p = ConnectionStringValue(password);
    XString cs;
    switch (type) {
    case DbDBaseOdbc:
        cs = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
        cs += d;
        cs += ";Extended Properties=dBASE IV;";
        return cs;
    case DbDBaseXBase:
        return dataSource;
    case DbFoxProOdbc:
        cs = "Persist Security Info=False;Data Source=";
        cs += d;
        cs += ";Collating Sequence=machine";
        AppendIf(cs, ";User ID=", user);
        AppendIf(cs, ";Password=", password);
        cs += ";";
        return cs;
    case DbFoxProDbf:
        cs = "Provider=VFPOLEDB.1;Data Source=";
        cs += d;
        cs += ";Collating Sequence=MACHINE";
        return cs;
    case DbMSSQL:
        return SqlServerConnectionString(dataSource, user, password);
    case DbMySQL:
        cs = "Data Source=";
        cs += d;
        cs += ";User Id=";
        cs += u;
        cs += ";Password=";
        cs += p;
        cs += ";";
        return cs;
    case DbSQLite:
        cs = "Database=";
        cs += d;
        return cs;
    case DbDB2:
        return XString("DB2OLEDB");
    case DbAccess:
        cs = "Persist Security Info=False;Data Source=";
        cs += d;
        AppendIf(cs, ";User ID=", user);
        AppendIf(cs, ";Password=", password);
        return cs;
    case DbPostgres:
    case DbProgress:
    case DbTopSpeed:
        cs = "DSN=";
        cs += d;
        AppendIf(cs, ";UID=", user);
        AppendIf(cs, ";PWD=", password);
        return cs;
    case DbOracleOdbc:
    case DbOracleOle:
    case DbOracleMsdaora:
        if (type == DbOracleOle)
            cs = "Provider=OraOLEDB.Oracle;";
        else if (type == DbOracleMsdaora)
            cs = "Provider=MSDAORA;";
        cs += "Data Source=";
        cs += d;
        AppendIf(cs, ";User ID=", user);
        AppendIf(cs, ";Password=", password);
        cs += ";Persist Security Info=True;";
        return cs;
    case DbSybaseOle:
        cs = "Provider=Sybase ASE OLE DB Provider;Data source=";
        cs += d;
        AppendIf(cs, ";User Id=", user);
        AppendIf(cs, ";Password=", password);
        cs += ";";
        return cs;
    case DbSybaseOdbc:
    case DbInformix:
        cs = "DSN=";
        cs += d;
        AppendIf(cs, ";UID=", user);
        AppendIf(cs, ";PWD=", password);
        if (type == DbInformix)
            cs += ";ISOLATIONLEVEL=1";
        cs += ";";
        return cs;
    case DbLotusNotes:
    case DbCADatacom:
        cs = "DSN=";
        cs += d;
        cs += ";Uid=";
        cs += u;
        cs += ";Pwd=";
        cs += p;
        cs += ";";
        return cs;
    case 0:
        throw XException("Can't build connection string for unknown database type.", 0);
    default:
        throw XException("Database type not yet defined for BuildConnectionString, please define.", 0);
    }
}

XString DatabaseDateLiteral(int32_t type, const XDate& date, const XString& writerDateFormat)
{
    XString lit;
    switch (type) {
    case DbDBaseOdbc:
    case DbAccess:
        lit = "#";
        lit += date.Format("DD-MMM-YYYY");
        lit += "#";
        return lit;
    case DbDBaseXBase:
        return date.Format(writerDateFormat);
    case DbFoxProOdbc:
    case DbFoxProDbf:
        lit = "{^";
        lit += date.Format("YYYY/MM/DD");
        lit += "}";
        return lit;
    case DbMSSQL:
    case DbSybaseOle:
    case DbSybaseOdbc:
    case DbLotusNotes:
        lit = "'";
        lit += date.Format("YYYY-MM-DD");
        lit += "'";
        return lit;
    case DbMySQL:
    case DbSQLite:
    case DbDB2:
    case DbProgress:
    case DbMimer:
        lit = "'";
        lit += date.Format("yyyy-mm-dd");
        lit += "'";
        return lit;
    case DbPostgres:
        return date.Format("'MM/DD/YYYY'");
    case DbOracleOdbc:
    case DbOracleOle:
    case DbOracleMsdaora:
        if (date.IsEmpty())
            return XString();
        lit = "TO_DATE( ";
        lit += date.Format("'YYYYMMDD'");
        lit += ", 'YYYYMMDD' )";
        return lit;
    case DbInformix:
        if (date.IsEmpty())
            return XString();
        lit = "TO_DATE(\"";
        lit += date.Format("MM/DD/YYYY");
        lit += "\",\"%m/%d/%Y\")";
        return lit;
    case DbTopSpeed:
        // Days since 1800-12-28.
        return XString(static_cast<int>(date.GetDay() - 73410));
    case DbCADatacom:
        lit = "'";
        lit += date.Format("yyyymmdd");
        lit += "'";
        return lit;
    default:
        throw XException("DB Type not defined for XODBC::SQLDate yet, feel free to do so.", 0);
    }
}

XString FillTemplate(const char* templ, const XString& first, const XString& second)
{
    XString out;
    const XString* values[2] = {&first, &second};
    int next = 0;
    const char* p = templ;
    while (*p) {
        const char* hole = std::strstr(p, "%s");
        if (!hole) {
            out += p;
            break;
        }
        out.Append(p, static_cast<size_t>(hole - p));
        if (next < 2)
            out += *values[next];
        ++next;
        p = hole + 2;
    }
    return out;
}

CatalogueQuery TableExistsQuery(int32_t type, const XString& table, const XString& wholeTable)
{
    CatalogueQuery q;
    switch (type) {
    case DbDBaseOdbc:
    case DbFoxProOdbc:
        q.query = FillTemplate(wholeTable.CStr(), table);
        q.judgement = CatalogueJudgement::Opens;
        q.readsObject = true;
        break;
    case DbFoxProDbf:
    case DbSybaseOle:
        q.query = FillTemplate("SELECT COUNT(*) FROM %s", table);
        q.judgement = CatalogueJudgement::Opens;
        q.readsObject = true;
        break;
    case DbMSSQL:
        q.query = FillTemplate(
            "SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('%s')",
            table);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbMySQL:
        q.query = FillTemplate("SELECT TABLE_NAME FROM information_schema.TABLES T WHERE (table_name = '%s')",
                               table);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbSQLite:
        q.query = FillTemplate("SELECT * FROM sqlite_master WHERE type='table' AND name='%s'", table);
        q.judgement = CatalogueJudgement::Opens;
        break;
    case DbAccess:
        q.query = FillTemplate("SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='%s'", table);
        q.fallback = FillTemplate("Select COUNT(*) From %s", table);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbPostgres: {
        XString name = table;
        name.Replace('"', '\'');
        q.query = FillTemplate(
            "SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = %s", name);
        q.judgement = CatalogueJudgement::Rows;
        break;
    }
    case DbOracleOdbc:
    case DbOracleOle:
    case DbOracleMsdaora:
        q.query = FillTemplate(
            "SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('%s')", table);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbSybaseOdbc:
        q.query = FillTemplate(
            "SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('%s')",
            table);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbProgress:
        q.query = FillTemplate(
            "SELECT DISTINCT tbl FROM sysprogress.\"SYSTABLES\" WHERE UPPER(tbl) = UPPER('%s')", table);
        q.judgement = CatalogueJudgement::Opens;
        break;
    case DbInformix:
        q.query = FillTemplate("SELECT COUNT(*) FROM systables WHERE tabname = '%s'", table);
        q.fallback = FillTemplate("Select COUNT(*) From %s", table);
        q.judgement = CatalogueJudgement::Count;
        break;
    case DbTopSpeed:
    case DbLotusNotes:
        q.query = FillTemplate("Select COUNT(*) From %s", table);
        q.judgement = CatalogueJudgement::Opens;
        q.readsObject = true;
        break;
    case DbCADatacom:
        q.query = FillTemplate("Select COUNT(*) From %s", table);
        q.judgement = CatalogueJudgement::Count;
        q.readsObject = true;
        break;
    default:
        break;
    }
    return q;
}

CatalogueQuery FieldExistsQuery(int32_t type, const XString& table, const XString& column,
                                const XString& singleColumn)
{
    CatalogueQuery q;
    switch (type) {
    case DbDBaseOdbc:
    case DbFoxProOdbc:
    case DbSybaseOle:
        q.query = FillTemplate(singleColumn.CStr(), column, table);
        q.judgement = CatalogueJudgement::Opens;
        q.readsObject = true;
        break;
    case DbFoxProDbf:
        q.query = FillTemplate("SELECT COUNT(%s) FROM %s", column, table);
        q.judgement = CatalogueJudgement::Opens;
        q.readsObject = true;
        break;
    case DbMSSQL:
    case DbSybaseOdbc:
        q.query = FillTemplate(
            "SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id "
            "WHERE UPPER(sysobjects.name) = UPPER('%s') AND UPPER(syscolumns.name) = UPPER('%s')",
            table, column);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbMySQL:
        q.query = FillTemplate("SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = "
                               "'%s' AND column_name = '%s')",
                               table, column);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbSQLite:
        q.query =
            FillTemplate("SELECT sql FROM sqlite_master WHERE name='%s' AND sql LIKE '%s '", table, column);
        q.judgement = CatalogueJudgement::Opens;
        break;
    case DbAccess:
    case DbCADatacom:
        q.query = FillTemplate("Select COUNT(%s) From %s", column, table);
        q.judgement = CatalogueJudgement::Rows;
        q.readsObject = true;
        break;
    case DbPostgres:
        q.query =
            FillTemplate("SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = %s AND "
                         "pg_class.oid = attrelid  AND attnum > 0 AND attname='%s'",
                         table, column);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbOracleOdbc:
    case DbOracleOle:
    case DbOracleMsdaora:
        q.query =
            FillTemplate("SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('%s') AND "
                         "UPPER(column_name) = UPPER('%s')",
                         table, column);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbProgress:
        q.query =
            FillTemplate("SELECT \"_Field-Name\" FROM pub.\"_field\" WHERE \"_Field-Name\" = '%s' AND "
                         "\"_file-recid\" = (SELECT ROWID FROM pub.\"_file\" WHERE \"_file-name\" = '%s')",
                         column, table);
        q.judgement = CatalogueJudgement::Rows;
        break;
    case DbInformix:
        q.query =
            FillTemplate("select tabid from systables where tabname='%s' and colname = '%s' ", table, column);
        q.fallback = FillTemplate("Select COUNT(%s) From %s", column, table);
        q.judgement = CatalogueJudgement::Count;
        break;
    case DbTopSpeed:
        q.query = FillTemplate("Select COUNT(%s) From %s", column, table);
        q.judgement = CatalogueJudgement::Opens;
        q.readsObject = true;
        break;
    case DbLotusNotes:
        q.query = FillTemplate("SELECT \"%s\" FROM \"%s\"", column, table);
        q.judgement = CatalogueJudgement::Opens;
        q.readsObject = true;
        break;
    default:
        break;
    }
    return q;
}

const char* SchemaQuery(int32_t type)
{
    switch (type) {
    case DbMSSQL:
    case DbSybaseOdbc:
        return "SELECT sysobjects.name as table_name, syscolumns.name as column_name FROM syscolumns JOIN "
               "sysobjects "
               "ON syscolumns.id=sysobjects.id";
    case DbMySQL:
        return "SELECT table_name as table_name, column_name as column_name FROM information_schema.COLUMNS "
               "C";
    case DbSQLite:
        return "SELECT name as table_name, sql as column_name FROM sqlite_master ";
    case DbPostgres:
        return "SELECT relname as table_name, attname as column_name FROM pg_class, pg_attribute WHERE "
               "pg_class.oid = "
               "attrelid  AND attnum > 0";
    case DbOracleOdbc:
    case DbOracleOle:
    case DbOracleMsdaora:
        return "SELECT table_name as table_name, column_name as column_name FROM all_tab_columns ";
    default:
        return nullptr;
    }
}

const char* AdoDataTypeName(long type)
{
    if (type & 8192)
        return "Array";
    switch (type) {
    case 0:
        return "Empty";
    case 2:
        return "SmallInt";
    case 3:
        return "Integer";
    case 4:
        return "Single";
    case 5:
        return "Double";
    case 6:
        return "Currency";
    case 7:
        return "Date";
    case 8:
        return "BSTR";
    case 9:
        return "Dispatch";
    case 10:
        return "Error";
    case 11:
        return "Boolean";
    case 12:
        return "Variant";
    case 13:
        return "Unknown";
    case 14:
        return "Decimal";
    case 16:
        return "TinyInt";
    case 17:
        return "UnsignedTinyInt";
    case 18:
        return "UnsignedSmallInt";
    case 19:
        return "UnsignedInt";
    case 20:
        return "Big Int";
    case 21:
        return "UnsignedBigInt";
    case 64:
        return "File Time";
    case 72:
        return "GUID";
    case 128:
        return "Binary";
    case 129:
        return "Char";
    case 130:
        return "WChar";
    case 131:
        return "Numeric";
    case 132:
        return "User Defined";
    case 133:
        return "DBDate";
    case 134:
        return "DBTime";
    case 135:
        return "DBTimeStamp";
    case 136:
        return "Chapter";
    case 138:
        return "Prop Variant";
    case 139:
        return "Var Numeric";
    case 200:
        return "VarChar";
    case 201:
        return "LongVarChar";
    case 202:
        return "VarWChar";
    case 203:
        return "LongVarWChar";
    case 204:
        return "VarBinary";
    case 205:
        return "LongVarBinary";
    default:
        return "UNKNOWN!";
    }
}
