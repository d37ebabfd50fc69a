#pragma once

// ODBCField: a column of the select list.

#include "DataAccessField.h"

#include <cstdint>

class ODBCTable;

// A column of the select list. Its index is its position in the SELECT statement.
class ODBCField : public DataAccessField
{
public:
    ODBCField(ODBCTable* table, const XString& name, int32_t index);
    ~ODBCField() override;

    XString GetName() const override { return m_name; }

    ODBCTable* Table() const { return m_table; }
    const XString& Name() const { return m_name; }
    int32_t Index() const { return m_index; }

    // Output name written after " as "; empty by default.
    const XString& Alias() const { return m_alias; }
    void SetAlias(const XString& alias) { m_alias = alias; }
    // Texts written before and after the column in the select list; empty by default.
    const XString& Prefix() const { return m_prefix; }
    void SetPrefix(const XString& prefix) { m_prefix = prefix; }
    const XString& Suffix() const { return m_suffix; }
    void SetSuffix(const XString& suffix) { m_suffix = suffix; }

    // The reference used in conditions, orders and the select list: table alias "." column name.
    XString Reference() const;

private:
    ODBCTable* m_table;  // not owned
    XString m_name;
    XString m_alias;
    int32_t m_index;
    XString m_prefix;
    XString m_suffix;
};
