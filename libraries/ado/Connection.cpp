// The ADO-style connection over an ODBC connection.

#include "Connection.h"

#include "ConnectionImpl.h"
#include "ConnectionString.h"
#include "OdbcDiag.h"
#include "Recordset.h"
#include "ResultBlock.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace ado {

namespace {

const char kSource[] = "ADODB.Connection";

bool IsKey(const std::string& key, const char* word)
{
    if (key.size() != std::char_traits<char>::length(word))
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(key[i])) !=
            std::toupper(static_cast<unsigned char>(word[i])))
            return false;
    }
    return true;
}

bool NamesAny(const std::vector<ConnectionAttribute>& attributes, std::initializer_list<const char*> words)
{
    for (const ConnectionAttribute& a : attributes) {
        for (const char* word : words) {
            if (IsKey(a.first, word))
                return true;
        }
    }
    return false;
}

bool IsPsqlOdbc(SQLHDBC dbc)
{
    SQLCHAR name[256] = {0};
    SQLSMALLINT length = 0;
    if (!detail::Succeeded(SQLGetInfo(dbc, SQL_DRIVER_NAME, name, sizeof name, &length)))
        return false;
    return IsKey(std::string(reinterpret_cast<const char*>(name)).substr(0, 8), "psqlodbc");
}

// Whether the data source's own entry in odbc.ini sets the key.
bool DataSourceNames(const std::string& dsn, const char* key)
{
    char value[64] = {0};
    const char* none = "\x01";
    SQLGetPrivateProfileString(dsn.c_str(), key, none, value, sizeof value, "odbc.ini");
    return std::string(value) != none;
}

// Runs a statement whose failure changes nothing but speed.
void RunQuietly(SQLHDBC dbc, const char* sql)
{
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!detail::Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)))
        return;
    SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

void Wipe(std::string& s)
{
    std::fill(s.begin(), s.end(), '\0');
}

bool IsPasswordKey(const std::string& key)
{
    return IsKey(key, "PWD") || IsKey(key, "PASSWORD");
}

// A value other than a password that no connection string can carry as written: psqlODBC and
// the SQLite driver read such values up to the next ";" and keep braces as part of them.
bool NeedsBracesOnly(const ConnectionAttribute& a)
{
    return !IsPasswordKey(a.first) &&
           (a.second.find(';') != std::string::npos || a.second.compare(0, 1, "{") == 0);
}

// The string handed to the driver. psqlODBC takes braces off a password only, and reads "%xx"
// and "+" in an unbraced one as escapes; every other value it takes as written. So a password is
// braced where it needs it, any other value only where nothing else can carry it.
std::string DriverString(const std::vector<ConnectionAttribute>& attributes)
{
    std::string out;
    for (const ConnectionAttribute& a : attributes) {
        out += a.first;
        out += '=';
        out += IsPasswordKey(a.first) || NeedsBracesOnly(a) ? ConnectionValue(a.second) : a.second;
        out += ';';
    }
    return out;
}

// After a failed call on the connection handle: keeps the driver's messages in errors,
// frees the handle and throws the first message (or fallback when there is none).
[[noreturn]] void FailAndFree(SQLHDBC& dbc, std::vector<Error>& errors, const char* fallback)
{
    std::vector<Error> diagnostics = detail::ReadDiagnostics(SQL_HANDLE_DBC, dbc, kSource);
    // The handle is given up either way; the failure that matters is the one thrown below.
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    dbc = SQL_NULL_HDBC;
    const HRESULT hr = detail::HResultForDiagnostics(diagnostics);
    for (Error& e : diagnostics)
        e.Number = hr;
    const std::string description =
        diagnostics.empty() ? std::string(fallback) : diagnostics.front().Description;
    errors = std::move(diagnostics);
    throw ComError(hr, kSource, description);
}

}  // namespace

Connection::Connection() : impl_(new Impl) {}

Connection::~Connection()
{
    if (impl_->open) {
        try {
            Close();
        } catch (const ComError&) {
            // Nothing more can be done while the object goes.
        }
    }
    // Freeing can only fail on a handle in use or already gone; nothing is left to do then.
    if (impl_->dbc != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, impl_->dbc);
    if (impl_->env != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, impl_->env);
}

long Connection::Mode() const
{
    return impl_->mode;
}
void Connection::SetMode(long mode)
{
    impl_->mode = mode;
}
long Connection::ConnectionTimeout() const
{
    return impl_->connectionTimeout;
}
void Connection::SetConnectionTimeout(long seconds)
{
    impl_->connectionTimeout = seconds;
}
long Connection::CommandTimeout() const
{
    return impl_->commandTimeout;
}
void Connection::SetCommandTimeout(long seconds)
{
    impl_->commandTimeout = seconds;
}
long Connection::State() const
{
    return impl_->open ? adStateOpen : adStateClosed;
}
const std::vector<Error>& Connection::Errors() const
{
    return impl_->errors;
}

void Connection::Open(const std::string& connectionString, const std::string& userId,
                      const std::string& password, long /*options*/)
{
    Impl& d = *impl_;
    if (d.open)
        throw ComError(adErrObjectOpen, kSource, "Operation is not allowed when the object is open.");
    d.errors.clear();
    if (d.env == SQL_NULL_HENV) {
        if (!detail::Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &d.env))) {
            d.env = SQL_NULL_HENV;
            throw ComError(E_FAIL, kSource, "The ODBC environment could not be created.");
        }
        // Without the version every later call on the environment fails.
        if (!detail::Succeeded(
                SQLSetEnvAttr(d.env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
            SQLFreeHandle(SQL_HANDLE_ENV, d.env);  // unusable; a failure to free it changes nothing
            d.env = SQL_NULL_HENV;
            throw ComError(E_FAIL, kSource, "The ODBC environment could not be set up.");
        }
    }
    if (!detail::Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, d.env, &d.dbc))) {
        d.dbc = SQL_NULL_HDBC;
        detail::ThrowOdbcError(SQL_HANDLE_ENV, d.env, kSource, &d.errors,
                               "The connection could not be created.");
    }
    // Drivers that lack these attributes refuse them; that is not a reason to fail.
    const SQLULEN loginTimeout = static_cast<SQLULEN>(d.connectionTimeout < 0 ? 0 : d.connectionTimeout);
    SQLSetConnectAttr(d.dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(loginTimeout), 0);
    SQLSetConnectAttr(d.dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(loginTimeout), 0);
    if (d.mode == adModeRead)
        SQLSetConnectAttr(d.dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);

    std::vector<ConnectionAttribute> attributes =
        ParseConnectionString(ToOdbcConnectionString(connectionString));
    if (!userId.empty() || !password.empty()) {
        attributes.erase(std::remove_if(attributes.begin(), attributes.end(),
                                        [&](const ConnectionAttribute& a) {
                                            return (!userId.empty() && IsKey(a.first, "UID")) ||
                                                   (!password.empty() && IsKey(a.first, "PWD"));
                                        }),
                         attributes.end());
        if (!userId.empty())
            attributes.emplace_back("UID", userId);
        if (!password.empty())
            attributes.emplace_back("PWD", password);
    }
    // A data source with a user and a password alone is opened with the three as separate
    // arguments: no driver's own reading of a connection string can take a part of a value for
    // another attribute (not every driver honours braces).
    const std::string* dsn = nullptr;
    const std::string* uid = nullptr;
    const std::string* pwd = nullptr;
    bool simple = true;
    for (const ConnectionAttribute& a : attributes) {
        const std::string** slot = IsKey(a.first, "DSN")   ? &dsn
                                   : IsKey(a.first, "UID") ? &uid
                                   : IsKey(a.first, "PWD") ? &pwd
                                                           : nullptr;
        if (!slot || *slot)
            simple = false;
        else
            *slot = &a.second;
    }
    const auto driverConnect = [&d](const std::vector<ConnectionAttribute>& with) {
        std::string text = DriverString(with);
        // The completed string is not asked for: drivers echo the password in it.
        const SQLRETURN result = SQLDriverConnect(d.dbc, nullptr, reinterpret_cast<SQLCHAR*>(&text[0]),
                                                  SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        Wipe(text);
        return result;
    };
    SQLRETURN rc;
    if (simple && dsn && !dsn->empty() && dsn->size() <= SQL_MAX_DSN_LENGTH) {
        const auto arg = [](const std::string* value) {
            return reinterpret_cast<SQLCHAR*>(const_cast<char*>(value ? value->c_str() : ""));
        };
        rc = SQLConnect(d.dbc, arg(dsn), SQL_NTS, arg(uid), SQL_NTS, arg(pwd), SQL_NTS);
    } else {
        rc = driverConnect(attributes);
    }
    // Rows are read through a server-side cursor, as ADO's default cursor location does:
    // psqlODBC otherwise holds a whole result in memory. What the connection string or the data
    // source's own entry sets is kept. A user or data source name that psqlODBC's connection
    // string cannot carry keeps the connection just opened.
    const std::string source = dsn ? *dsn : std::string();
    const auto chosen = [&](std::initializer_list<const char*> keys) {
        return NamesAny(attributes, keys) || (!source.empty() && DataSourceNames(source, *keys.begin()));
    };
    const bool carried = std::none_of(attributes.begin(), attributes.end(), NeedsBracesOnly);
    if (detail::Succeeded(rc) && carried && IsPsqlOdbc(d.dbc) && !chosen({"UseDeclareFetch", "B6"})) {
        SQLDisconnect(d.dbc);  // opened just now and unused; reopened below either way
        if (!chosen({"Fetch", "A7"}))
            attributes.emplace_back("Fetch", "10000");
        attributes.emplace_back("UseDeclareFetch", "1");
        rc = driverConnect(attributes);
        // A cursor is planned for its first rows unless told otherwise; every row is read here.
        if (detail::Succeeded(rc))
            RunQuietly(d.dbc, "SET cursor_tuple_fraction = 1");
    }
    for (ConnectionAttribute& a : attributes)
        Wipe(a.second);
    if (!detail::Succeeded(rc))
        FailAndFree(d.dbc, d.errors, "The data source could not be opened.");
    SQLUINTEGER extensions = 0;
    if (!detail::Succeeded(
            SQLGetInfo(d.dbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)))
        extensions = 0;
    d.support.anyColumn = (extensions & SQL_GD_ANY_COLUMN) != 0;
    d.support.anyOrder = (extensions & SQL_GD_ANY_ORDER) != 0;
    d.support.block = (extensions & SQL_GD_BLOCK) != 0;
    d.support.bound = (extensions & SQL_GD_BOUND) != 0;
    d.open = true;
}

void Connection::Close()
{
    Impl& d = *impl_;
    if (!d.open)
        throw ComError(adErrObjectClosed, kSource, "Operation is not allowed when the object is closed.");
    const std::vector<Recordset*> open = d.recordsets;
    for (Recordset* rs : open)
        rs->Detach();
    d.recordsets.clear();
    d.open = false;
    const SQLRETURN rc = SQLDisconnect(d.dbc);
    if (!detail::Succeeded(rc))
        FailAndFree(d.dbc, d.errors, "The connection could not be closed.");
    // Disconnected: freeing the handle cannot fail in a way that matters.
    SQLFreeHandle(SQL_HANDLE_DBC, d.dbc);
    d.dbc = SQL_NULL_HDBC;
}

}  // namespace ado
