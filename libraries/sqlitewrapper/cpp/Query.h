#pragma once

// sqlite::Query: a prepared statement.

#include <cstdint>

#include "Database.h"
#include "XString.h"

struct sqlite3_stmt;

namespace sqlite {

// One prepared statement on a database. The statement is finalised by Finalize, by the
// destructor, by a new Prepare, and whenever Step throws.
class Query
{
public:
    explicit Query(Database& db);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Prepares the SQL text as it stands.
    void Prepare(const char* sql);
    // Formats with SQLite's printf (%q, %Q, %s, %d, ...) and prepares the result.
    // XString values are passed as their C text.
    template <typename A, typename... R> void Prepare(const char* format, const A& first, const R&... rest)
    {
        PrepareFormat(format, detail::SqlArg(first), detail::SqlArg(rest)...);
    }
    void PrepareFormat(const char* format, ...);

    // Parameter binding (indexes from 1); values are bound, never spliced into the SQL.
    void Bind(int index, const char* text);
    void Bind(int index, const XString& text);
    // Binds the text without copying it: it must stay as it is until the statement is stepped
    // for the last time with this binding.
    void BindStatic(int index, const XString& text);
    void Bind(int index, int value);
    void Bind(int index, int64_t value);
    void Bind(int index, double value);
    void BindNull(int index);
    // Rewinds the statement so it can be stepped again; bindings are kept unless cleared.
    void Reset(bool clearBindings = false);

    // True when a row is available, false when done; throws (after finalising) on anything else.
    bool Step();

    // Column readers by name; a name the statement does not have throws RangeError with
    // "Request for non-existent column "name"". NULL reads as empty / 0.
    XString StringColumn(const char* name) const;
    int IntColumn(const char* name) const;
    int64_t Int64Column(const char* name) const;
    double DoubleColumn(const char* name) const;
    bool IsNullColumn(const char* name) const;
    // Column readers by position (from 0).
    XString StringColumn(int index) const;
    int IntColumn(int index) const;
    int64_t Int64Column(int index) const;
    double DoubleColumn(int index) const;

    int ColumnCount() const;
    XString ColumnName(int index) const;
    // Position of the named column (case-insensitive), or -1.
    int ColumnIndex(const char* name) const;

    // The statement's SQL text; empty when none.
    XString GetSQL() const;
    void Finalize();
    bool IsPrepared() const { return m_stmt != nullptr; }

private:
    int RequireColumn(const char* name) const;
    void CheckPrepared() const;
    void CheckBind(int rc);

    Database& m_db;
    sqlite3_stmt* m_stmt;
};

}  // namespace sqlite
