#pragma once

// ODBCCondition: a WHERE or join condition of the query model.

#include "XString.h"

#include <cstdint>

class ODBCField;

// One WHERE or join condition. A value condition has no right field; a join condition has both
// fields; a raw condition has neither and holds its whole text in the operator.
class ODBCCondition
{
public:
    ODBCCondition(const XString& conjunction, ODBCField* left, const XString& op, ODBCField* right,
                  const XString& value, int32_t group);
    virtual ~ODBCCondition();

    XString m_conjunction;  // "AND" or "OR"
    ODBCField* m_left;      // not owned, may be null
    XString m_operator;     // "=", ">=", "LIKE" ...; for a raw condition the whole text
    ODBCField* m_right;     // not owned, may be null
    XString m_value;        // literal SQL text, written unchanged
    int32_t m_group;        // nesting group
};
