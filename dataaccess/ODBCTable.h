#pragma once

// ODBCTable: a source table of the query model.

#include "DataAccessTable.h"

// A source table: the name written after FROM (qualified when a schema prefix is used),
// the plain name the catalogue checks use, and the alias written before every column.
class ODBCTable : public DataAccessTable
{
public:
    // FROM name and plain name are both the name; an empty alias becomes the name.
    ODBCTable(const XString& name, const XString& alias);
    // FROM name is the qualified name; an empty alias becomes the qualified name.
    ODBCTable(const XString& qualifiedName, const XString& name, const XString& alias);
    ~ODBCTable() override;

    XString GetName() const override { return m_fromName; }

    const XString& FromName() const { return m_fromName; }
    const XString& PlainName() const { return m_plainName; }
    const XString& Alias() const { return m_alias; }

private:
    XString m_fromName;
    XString m_plainName;
    XString m_alias;
};
