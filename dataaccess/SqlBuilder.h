#pragma once

// SqlBuilder: the SELECT statement of a query model.

#include "QueryModel.h"
#include "XString.h"

#include <cstdint>
#include <functional>

// Writes the SELECT statement of a query model for a database type. The plain form lists every
// table after FROM and every condition in WHERE; the join form turns field-to-field conditions
// into INNER JOIN ... ON clauses. Neither changes the model.
class SqlBuilder
{
public:
    // Receives the builders' log lines (level, text, method).
    using LogFn = std::function<void(int, const XString&, const XString&)>;

    SqlBuilder(const QueryModel& model, int32_t dbType, bool distinct, const XString& dataSource, LogFn log);

    // Throws XException (after logging it) for a file-based query over more than one table.
    XString BuildQuery() const;
    XString BuildAnsiJoinQuery() const;

private:
    // SELECT, DISTINCT and the select list; false when the type's statement is already complete.
    bool WriteSelect(XString& sql, const char* method) const;
    // " WHERE " and the conditions that pass the filter, with the group parentheses.
    template <class Pred> void WriteConditions(XString& sql, Pred include, const char* caption) const;
    void WriteOrders(XString& sql) const;
    void WriteTableName(XString& sql, const ODBCTable& table) const;
    void Trace(const char* caption, const XString& sql) const;

    const QueryModel& m_model;
    int32_t m_dbType;
    bool m_distinct;
    XString m_dataSource;
    LogFn m_log;
};
