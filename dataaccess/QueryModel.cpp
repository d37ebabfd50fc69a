// The query model's tables, fields, conditions and orders.

#include "QueryModel.h"

#include "DataAccessField.h"
#include "DataAccessTable.h"

DataAccessTable::~DataAccessTable() = default;
DataAccessField::~DataAccessField() = default;

ODBCTable::ODBCTable(const XString& name, const XString& alias)
    : m_fromName(name), m_plainName(name), m_alias(alias.IsEmpty() ? name : alias)
{
}

ODBCTable::ODBCTable(const XString& qualifiedName, const XString& name, const XString& alias)
    : m_fromName(qualifiedName), m_plainName(name), m_alias(alias.IsEmpty() ? qualifiedName : alias)
{
}

ODBCTable::~ODBCTable() = default;

ODBCField::ODBCField(ODBCTable* table, const XString& name, int32_t index)
    : m_table(table), m_name(name), m_index(index)
{
}

ODBCField::~ODBCField() = default;

XString ODBCField::Reference() const
{
    XString ref;
    if (m_table)
        ref = m_table->Alias();
    ref += '.';
    ref += m_name;
    return ref;
}

ODBCCondition::ODBCCondition(const XString& conjunction, ODBCField* left, const XString& op, ODBCField* right,
                             const XString& value, int32_t group)
    : m_conjunction(conjunction), m_left(left), m_operator(op), m_right(right), m_value(value), m_group(group)
{
}

ODBCCondition::~ODBCCondition() = default;

ODBCOrder::ODBCOrder(ODBCField* field, bool descending) : m_field(field), m_descending(descending) {}

ODBCOrder::~ODBCOrder() = default;

ODBCTable* QueryModel::AddTable(const XString& name, const XString& alias, const XString& qualifiedName)
{
    if (qualifiedName.IsEmpty())
        tables.push_back(std::make_unique<ODBCTable>(name, alias));
    else
        tables.push_back(std::make_unique<ODBCTable>(qualifiedName, name, alias));
    return tables.back().get();
}

ODBCField* QueryModel::AddField(ODBCTable* table, const XString& name)
{
    fields.push_back(std::make_unique<ODBCField>(table, name, fieldCounter));
    ++fieldCounter;
    return fields.back().get();
}

ODBCCondition* QueryModel::AddCondition(const XString& conjunction, ODBCField* left, const XString& op,
                                        ODBCField* right, const XString& value, int32_t group)
{
    conditions.push_back(std::make_unique<ODBCCondition>(conjunction, left, op, right, value, group));
    return conditions.back().get();
}

ODBCOrder* QueryModel::AddOrder(ODBCField* field, bool descending)
{
    orders.push_back(std::make_unique<ODBCOrder>(field, descending));
    return orders.back().get();
}

void QueryModel::Clear()
{
    fieldCounter = 0;
    // Conditions and orders point at fields, fields at tables: release in that order.
    orders.clear();
    conditions.clear();
    fields.clear();
    tables.clear();
}
