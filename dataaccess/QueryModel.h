#pragma once

// The query model: tables, fields, conditions and orders of one query.

#include "ODBCCondition.h"
#include "ODBCField.h"
#include "ODBCOrder.h"
#include "ODBCTable.h"

#include <cstdint>
#include <memory>
#include <vector>

// The description of one query: tables in FROM order, fields in select order, conditions and
// orders in order of addition. Each list owns its objects; handles stay valid until Clear.
struct QueryModel
{
    std::vector<std::unique_ptr<ODBCTable>> tables;
    std::vector<std::unique_ptr<ODBCField>> fields;
    std::vector<std::unique_ptr<ODBCCondition>> conditions;
    std::vector<std::unique_ptr<ODBCOrder>> orders;
    int32_t fieldCounter = 0;  // index of the next field

    // Appends a table; an empty qualified name makes the name the FROM name.
    ODBCTable* AddTable(const XString& name, const XString& alias, const XString& qualifiedName);
    // Appends a field with the next index.
    ODBCField* AddField(ODBCTable* table, const XString& name);
    ODBCCondition* AddCondition(const XString& conjunction, ODBCField* left, const XString& op,
                                ODBCField* right, const XString& value, int32_t group);
    ODBCOrder* AddOrder(ODBCField* field, bool descending);
    // Deletes every object and sets the field counter to 0.
    void Clear();
};
