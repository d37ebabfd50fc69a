#pragma once

// The database types and their names, connection strings, date literals and catalogue queries.

#include "XDate.h"
#include "XString.h"

#include <cstdint>

// The source database types, by number.
enum DatabaseType : int32_t
{
    DbDBaseOdbc = 1,
    DbDBaseXBase = 2,
    DbFoxProOdbc = 3,
    DbFoxProDbf = 4,
    DbMSSQL = 5,
    DbMySQL = 6,
    DbSQLite = 7,
    DbDB2 = 8,
    DbAccess = 9,
    DbPostgres = 10,
    DbOracleOdbc = 11,
    DbOracleOle = 12,
    DbOracleMsdaora = 13,
    DbSybaseOle = 14,
    DbSybaseOdbc = 15,
    DbProgress = 16,
    DbMimer = 17,
    DbInformix = 18,
    DbTopSpeed = 19,
    DbLotusNotes = 20,
    DbCADatacom = 21
};

// "Sybase ODBC" and the others; the empty text for an unknown number.
const char* DatabaseTypeName(int32_t type);

// A value as a connection string must hold it by the ODBC rules: in braces, with every "}" doubled,
// when it holds ";", "{", "}", "=", "%" or "+" or begins or ends with white space or a quote mark;
// otherwise unchanged.
XString ConnectionStringValue(const XString& value);

// The connection string of the type, with every value quoted where it needs it. Types without one
// throw XException with the message that the database class logs.
XString DatabaseConnectionString(int32_t type, const XString& dataSource, const XString& user,
                                 const XString& password);

// The SQL literal of a date; type 2 uses the writer's date format. Unknown types throw XException.
XString DatabaseDateLiteral(int32_t type, const XDate& date, const XString& writerDateFormat);

// How an opened catalogue query answers.
enum class CatalogueJudgement
{
    None,   // no query for the type: the answer is false
    Opens,  // true because the query opened
    Rows,   // true when the result holds a record
    Count   // true when the first column of the first record is above 0
};

struct CatalogueQuery
{
    XString query;     // filled in; empty for None
    XString fallback;  // used when query does not open on trial; empty: no trial
    CatalogueJudgement judgement = CatalogueJudgement::None;
    // The query reads the table (or column) itself, so that one which does not open shows that it
    // is missing. A query of the catalogue that does not open shows nothing: it is a failure.
    // The fallback always reads the table itself.
    bool readsObject = false;
};

// The table check of the type. wholeTable is the "SELECT * FROM %s" statement.
CatalogueQuery TableExistsQuery(int32_t type, const XString& table, const XString& wholeTable);
// The column check of the type. singleColumn is the "SELECT %s FROM %s" statement.
CatalogueQuery FieldExistsQuery(int32_t type, const XString& table, const XString& column,
                                const XString& singleColumn);

// The query listing every table and column, or null for types without one.
const char* SchemaQuery(int32_t type);

// Display name of an ADO data type number ("VarChar", "Array", ... "UNKNOWN!").
const char* AdoDataTypeName(long type);

// Fills the "%s" places of a template in order; a missing value leaves the rest empty.
XString FillTemplate(const char* templ, const XString& first, const XString& second = XString());
