#pragma once

// ODBCOrder: an ORDER BY entry of the query model.

class ODBCField;

// One entry of ORDER BY.
class ODBCOrder
{
public:
    ODBCOrder(ODBCField* field, bool descending);
    virtual ~ODBCOrder();

    ODBCField* m_field;  // not owned
    bool m_descending;
};
