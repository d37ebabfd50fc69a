#pragma once

// The state behind a Connection, shared with Recordset.

#include "Connection.h"
#include "ResultBlock.h"

#include <sql.h>

#include <vector>

namespace ado {

struct Connection::Impl
{
    long mode = adModeUnknown;
    long connectionTimeout = 15;
    long commandTimeout = 30;
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool open = false;
    detail::GetDataSupport support;
    std::vector<Error> errors;
    std::vector<Recordset*> recordsets;  // open on this connection
};

}  // namespace ado
