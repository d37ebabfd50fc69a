// SELECT statements from the query model, plain and with ANSI joins.

#include "SqlBuilder.h"

#include "DatabaseTypes.h"
#include "XException.h"

#include <algorithm>
#include <utility>
#include <vector>

SqlBuilder::SqlBuilder(const QueryModel& model, int32_t dbType, bool distinct, const XString& dataSource,
                       LogFn log)
    : m_model(model), m_dbType(dbType), m_distinct(distinct), m_dataSource(dataSource), m_log(std::move(log))
{
}

void SqlBuilder::Trace(const char* caption, const XString& sql) const
{
    if (m_log)
        m_log(9, caption + sql, XString());
}

void SqlBuilder::WriteTableName(XString& sql, const ODBCTable& table) const
{
    sql += table.FromName();
    if (table.Alias() != table.FromName()) {
        sql += ' ';
        sql += table.Alias();
    }
}

bool SqlBuilder::WriteSelect(XString& sql, const char* method) const
{
    if (m_dbType == DbDBaseXBase) {
        // A file-based table: the folder followed by the file name.
        if (m_model.tables.size() > 1) {
            const XString text("Cannot use more than 1 table in XBase query");
            if (m_log)
                m_log(8, text, method);
            throw XException(text.CStr(), 0);
        }
        sql = m_dataSource;
        if (!m_model.tables.empty()) {
            sql += m_model.tables.front()->FromName();
            sql += ".dbf";
        }
        return false;
    }
    if (m_dbType == DbAccess && m_log)
        m_log(4, XString("Joins may not work for this DB Type: ") + DatabaseTypeName(m_dbType), method);

    sql = "SELECT ";
    if (m_distinct)
        sql += "DISTINCT ";
    bool first = true;
    for (const auto& field : m_model.fields) {
        if (!first)
            sql += ", ";
        first = false;
        const bool expression = !field->Prefix().IsEmpty();
        if (expression) {
            sql += field->Prefix();
            sql += ' ';
        }
        sql += field->Reference();
        if (expression) {
            if (field->Suffix().IsEmpty()) {
                sql += ')';
            } else {
                sql += ' ';
                sql += field->Suffix();
            }
        }
        if (!field->Alias().IsEmpty()) {
            sql += " as ";
            sql += field->Alias();
        }
    }
    return true;
}

template <class Pred> void SqlBuilder::WriteConditions(XString& sql, Pred include, const char* caption) const
{
    int32_t previousGroup = 0;
    int open = 0;
    bool first = true;
    for (size_t i = 0; i < m_model.conditions.size(); ++i) {
        const ODBCCondition& cond = *m_model.conditions[i];
        if (!include(i))
            continue;
        if (first) {
            sql += " WHERE ";
        } else {
            sql += ' ';
            sql += cond.m_conjunction;
            sql += ' ';
        }
        if (cond.m_group > previousGroup) {
            sql += '(';
            ++open;
        }
        if (first && cond.m_conjunction.Length() > 0 && *cond.m_conjunction.CStr() == '(') {
            sql += cond.m_conjunction;
            sql += ' ';
        }
        first = false;
        if (cond.m_left) {
            sql += cond.m_left->Reference();
            sql += ' ';
        }
        sql += cond.m_operator;
        sql += ' ';
        if (cond.m_right)
            sql += cond.m_right->Reference();
        else
            sql += cond.m_value;
        // Only a parenthesis that is open is closed.
        if (previousGroup > cond.m_group && open > 0) {
            sql += ')';
            --open;
        }
        previousGroup = cond.m_group;
        Trace(caption, sql);
    }
    for (; open > 0; --open)
        sql += ')';
}

void SqlBuilder::WriteOrders(XString& sql) const
{
    bool first = true;
    for (const auto& order : m_model.orders) {
        sql += first ? " ORDER BY " : ", ";
        first = false;
        const ODBCField* field = order->m_field;
        if (field) {
            if (!field->Alias().IsEmpty())
                sql += field->Alias();
            else
                sql += field->Reference();
        }
        if (order->m_descending)
            sql += " DESC";
    }
}

XString SqlBuilder::BuildQuery() const
{
    XString sql;
    if (!WriteSelect(sql, "ODBCDataAccess::BuildQuery"))
        return sql;
    Trace("BuildQuery: Fields Finished:\n", sql);

    sql += " FROM ";
    bool first = true;
    for (const auto& table : m_model.tables) {
        if (!first)
            sql += ", ";
        first = false;
        WriteTableName(sql, *table);
        if (m_dbType == DbMSSQL)
            sql += " WITH (NOLOCK) ";
    }
    Trace("BuildQuery: Tables Finished:\n", sql);
    Trace("BuildQuery: Join Count: 0:\n", sql);
    Trace("BuildQuery: Joins Finished:\n", sql);

    sql += ' ';
    WriteConditions(
        sql, [](size_t) { return true; }, "BuildQuery: Conditions:\n");
    Trace("BuildQuery: Conditions Finished:\n", sql);

    WriteOrders(sql);
    Trace("BuildQuery: Orders Finished:\n", sql);
    Trace("BuildQuery Finished:", sql);
    return sql;
}

XString SqlBuilder::BuildAnsiJoinQuery() const
{
    XString sql;
    if (!WriteSelect(sql, "ODBCDataAccess::BuildAnsiJoinQuery"))
        return sql;
    Trace("BuildAnsiJoinQuery: Fields Finished:\n", sql);

    sql += " FROM ";
    const auto& conditions = m_model.conditions;
    // Index of the first condition without a left field: it ends the joins, and the conditions after
    // it all belong to WHERE.
    size_t joinEnd = conditions.size();
    for (size_t i = 0; i < conditions.size(); ++i) {
        if (!conditions[i]->m_left) {
            joinEnd = i;
            break;
        }
    }

    if (m_model.tables.size() == 1) {
        WriteTableName(sql, *m_model.tables.front());
        if (m_dbType == DbMSSQL)
            sql += " WITH (NOLOCK) ";
    } else if (m_model.tables.size() > 1) {
        std::vector<XString> written;
        auto listed = [&written](const XString& alias) {
            return std::find(written.begin(), written.end(), alias) != written.end();
        };
        auto writeTable = [&sql, &written](const ODBCTable& table) {
            sql += table.FromName();
            sql += ' ';
            sql += table.Alias();
            written.push_back(table.Alias());
        };
        int32_t previousGroup = 0;
        bool continuation = false;
        bool firstJoin = true;
        for (size_t i = 0; i < conditions.size(); ++i) {
            const ODBCCondition& cond = *conditions[i];
            if (i == joinEnd) {
                if (m_log)
                    m_log(7, "BuildAnsiJoinQuery: Conditions: Primary field Null, end Join called\n",
                          XString());
                break;
            }
            if (!cond.m_right)
                continue;
            if (previousGroup > cond.m_group) {
                continuation = false;
            } else if (continuation) {
                sql += ' ';
                sql += cond.m_conjunction;
                sql += ' ';
                sql += cond.m_left->Reference();
                sql += ' ';
                sql += " = ";
                sql += cond.m_right->Reference();
                sql += ' ';
                previousGroup = cond.m_group;
                continue;
            }
            // A join step.
            ODBCTable* leftTable = cond.m_left->Table();
            ODBCTable* rightTable = cond.m_right->Table();
            if (firstJoin) {
                if (leftTable)
                    writeTable(*leftTable);
                firstJoin = false;
            }
            const bool leftListed = leftTable && listed(leftTable->Alias());
            const bool rightListed = rightTable && listed(rightTable->Alias());
            if (leftListed && rightListed) {
                sql += " AND ";
            } else {
                sql += " INNER JOIN ";
                ODBCTable* joined = leftListed ? rightTable : leftTable;
                if (joined)
                    writeTable(*joined);
                if (m_dbType == DbMSSQL)
                    sql += " (NOLOCK) ";
                sql += " ON ";
            }
            if (cond.m_group > previousGroup)
                continuation = true;
            sql += cond.m_left->Reference();
            sql += ' ';
            sql += cond.m_operator;
            sql += cond.m_right->Reference();
            sql += ' ';
            previousGroup = cond.m_group;
        }
    }

    sql += ' ';
    // Value conditions, and whatever has a left field after the end of the joins.
    WriteConditions(
        sql,
        [&conditions, joinEnd](size_t i) {
            const ODBCCondition& cond = *conditions[i];
            if (!cond.m_left)
                return false;
            return !cond.m_right || i > joinEnd;
        },
        "BuildAnsiJoinQuery: Conditions:\n");
    Trace("BuildAnsiJoinQuery: Conditions Finished:\n", sql);

    WriteOrders(sql);
    Trace("BuildAnsiJoinQuery: Orders Finished:\n", sql);
    Trace("BuildAnsiJoinQuery Finished:", sql);
    return sql;
}
