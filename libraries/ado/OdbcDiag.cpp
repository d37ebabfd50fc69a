// Reading the ODBC diagnostic records into errors.

#include "OdbcDiag.h"

namespace ado {
namespace detail {

std::vector<Error> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& source)
{
    std::vector<Error> out;
    if (handle == SQL_NULL_HANDLE)
        return out;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[6] = {0};
        SQLINTEGER native = 0;
        std::vector<SQLCHAR> text(1024);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                                     static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                               static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!Succeeded(rc))
            break;
        Error e;
        e.Source = source;
        e.SQLState = reinterpret_cast<const char*>(state);
        e.NativeError = native;
        std::size_t n = static_cast<std::size_t>(length) < text.size() ? static_cast<std::size_t>(length)
                                                                       : text.size() - 1;
        e.Description.assign(reinterpret_cast<const char*>(text.data()), n);
        while (!e.Description.empty() && (e.Description.back() == '\n' || e.Description.back() == '\r'))
            e.Description.pop_back();
        out.push_back(std::move(e));
    }
    return out;
}

HRESULT HResultForDiagnostics(const std::vector<Error>& diagnostics)
{
    if (diagnostics.empty())
        return E_FAIL;
    const std::string& s = diagnostics.front().SQLState;
    if (s == "28000")
        return DB_SEC_E_AUTH_FAILED;
    if (s.compare(0, 2, "42") == 0 || s == "37000")
        return DB_E_ERRORSINCOMMAND;
    if (s == "HYT00" || s == "HYT01" || s == "S1T00")
        return DB_E_ABORTLIMITREACHED;
    if (s == "HY001")
        return E_OUTOFMEMORY;
    return E_FAIL;
}

void ThrowOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& source,
                    std::vector<Error>* errors, const std::string& fallback)
{
    std::vector<Error> diagnostics = ReadDiagnostics(handleType, handle, source);
    const HRESULT hr = HResultForDiagnostics(diagnostics);
    for (Error& e : diagnostics)
        e.Number = hr;
    const std::string description = diagnostics.empty() ? fallback : diagnostics.front().Description;
    if (errors)
        *errors = std::move(diagnostics);
    throw ComError(hr, source, description);
}

}  // namespace detail
}  // namespace ado
