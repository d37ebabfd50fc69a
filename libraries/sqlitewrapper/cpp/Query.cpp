// An SQLite prepared statement.

#include "Query.h"

#include <cstdarg>
#include <sqlite3.h>

namespace sqlite {

Query::Query(Database& db) : m_db(db), m_stmt(nullptr) {}

Query::~Query()
{
    Finalize();
}

void Query::Finalize()
{
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

void Query::Prepare(const char* sql)
{
    Finalize();
    m_db.CheckOpen();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db.Handle(), sql ? sql : "", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        m_db.ThrowLastError(rc);
    }
    if (!stmt)
        throw MisuseError("No statement in the SQL text.", SQLITE_MISUSE);
    m_stmt = stmt;
}

void Query::PrepareFormat(const char* format, ...)
{
    Finalize();
    m_db.CheckOpen();
    va_list args;
    va_start(args, format);
    char* sql = sqlite3_vmprintf(format, args);
    va_end(args);
    if (!sql)
        throw NoMemError("Failed to allocate memory.", SQLITE_NOMEM);
    try {
        Prepare(static_cast<const char*>(sql));
    } catch (...) {
        sqlite3_free(sql);
        throw;
    }
    sqlite3_free(sql);
}

void Query::CheckPrepared() const
{
    if (!m_stmt)
        throw MisuseError("No statement prepared.", SQLITE_MISUSE);
}

void Query::CheckBind(int rc)
{
    if (rc != SQLITE_OK)
        m_db.ThrowLastError(rc);
}

void Query::Bind(int index, const char* text)
{
    CheckPrepared();
    if (!text)
        CheckBind(sqlite3_bind_null(m_stmt, index));
    else
        CheckBind(sqlite3_bind_text(m_stmt, index, text, -1, SQLITE_TRANSIENT));
}

void Query::Bind(int index, const XString& text)
{
    CheckPrepared();
    CheckBind(sqlite3_bind_text(m_stmt, index, text.CStr(), (int)text.Length(), SQLITE_TRANSIENT));
}

void Query::BindStatic(int index, const XString& text)
{
    CheckPrepared();
    CheckBind(sqlite3_bind_text(m_stmt, index, text.CStr(), (int)text.Length(), SQLITE_STATIC));
}

void Query::Bind(int index, int value)
{
    CheckPrepared();
    CheckBind(sqlite3_bind_int(m_stmt, index, value));
}

void Query::Bind(int index, int64_t value)
{
    CheckPrepared();
    CheckBind(sqlite3_bind_int64(m_stmt, index, (sqlite3_int64)value));
}

void Query::Bind(int index, double value)
{
    CheckPrepared();
    CheckBind(sqlite3_bind_double(m_stmt, index, value));
}

void Query::BindNull(int index)
{
    CheckPrepared();
    CheckBind(sqlite3_bind_null(m_stmt, index));
}

void Query::Reset(bool clearBindings)
{
    CheckPrepared();
    sqlite3_reset(m_stmt);  // its answer repeats the last step's failure, already reported
    if (clearBindings)
        sqlite3_clear_bindings(m_stmt);
}

bool Query::Step()
{
    CheckPrepared();
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    XString message(sqlite3_errmsg(m_db.Handle()));
    Finalize();
    ThrowSqlError(rc, message.CStr());
}

int Query::ColumnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

XString Query::ColumnName(int index) const
{
    if (!m_stmt || index < 0 || index >= sqlite3_column_count(m_stmt))
        return XString();
    return XString(sqlite3_column_name(m_stmt, index));
}

int Query::ColumnIndex(const char* name) const
{
    if (!m_stmt || !name)
        return -1;
    const int count = sqlite3_column_count(m_stmt);
    for (int i = 0; i < count; ++i) {
        const char* column = sqlite3_column_name(m_stmt, i);
        if (column && sqlite3_stricmp(column, name) == 0)
            return i;
    }
    return -1;
}

int Query::RequireColumn(const char* name) const
{
    CheckPrepared();
    int index = ColumnIndex(name);
    if (index < 0) {
        XString message("Request for non-existent column ");
        message += XString(name).Quoted();
        message += " in query: ";
        message += sqlite3_sql(m_stmt);
        throw RangeError(message.CStr(), SQLITE_RANGE);
    }
    return index;
}

XString Query::StringColumn(int index) const
{
    CheckPrepared();
    const unsigned char* text = sqlite3_column_text(m_stmt, index);
    XString result;
    if (text)
        result.Assign(reinterpret_cast<const char*>(text), (size_t)sqlite3_column_bytes(m_stmt, index));
    return result;
}

int Query::IntColumn(int index) const
{
    CheckPrepared();
    return sqlite3_column_int(m_stmt, index);
}

int64_t Query::Int64Column(int index) const
{
    CheckPrepared();
    return (int64_t)sqlite3_column_int64(m_stmt, index);
}

double Query::DoubleColumn(int index) const
{
    CheckPrepared();
    return sqlite3_column_double(m_stmt, index);
}

XString Query::StringColumn(const char* name) const
{
    return StringColumn(RequireColumn(name));
}

int Query::IntColumn(const char* name) const
{
    return IntColumn(RequireColumn(name));
}

int64_t Query::Int64Column(const char* name) const
{
    return Int64Column(RequireColumn(name));
}

double Query::DoubleColumn(const char* name) const
{
    return DoubleColumn(RequireColumn(name));
}

bool Query::IsNullColumn(const char* name) const
{
    return sqlite3_column_type(m_stmt, RequireColumn(name)) == SQLITE_NULL;
}

XString Query::GetSQL() const
{
    return XString(m_stmt ? sqlite3_sql(m_stmt) : "");
}

}  // namespace sqlite
