#pragma once

// Driver diagnostics into the connection's error list and ComError.

#include "ComError.h"

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace ado {
namespace detail {

inline bool Succeeded(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Every diagnostic record of the handle; descriptions lose their trailing line breaks.
std::vector<Error> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& source);

// The HRESULT a failure with these diagnostics reports, chosen by the first SQLSTATE.
HRESULT HResultForDiagnostics(const std::vector<Error>& diagnostics);

// Reads the handle's diagnostics into *errors (when given) and throws ComError; the
// description is the first record's text, or fallback when there is none.
[[noreturn]] void ThrowOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& source,
                                 std::vector<Error>* errors, const std::string& fallback);

}  // namespace detail
}  // namespace ado
