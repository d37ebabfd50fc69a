#pragma once

// ado::Connection: an ODBC connection with ADO's surface.

#include "AdoTypes.h"
#include "ComError.h"

#include <memory>
#include <string>
#include <vector>

namespace ado {

class Recordset;

// An ODBC connection with ADO's surface. Every failing call fills Errors() from
// the driver's diagnostics (where there are any) and throws ComError.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    long Mode() const;
    void SetMode(long mode);         // ConnectModeEnum; adModeRead asks for a read-only connection
    long ConnectionTimeout() const;  // seconds, default 15; 0 waits forever
    void SetConnectionTimeout(long seconds);
    long CommandTimeout() const;  // seconds, default 30; 0 waits forever
    void SetCommandTimeout(long seconds);

    // Opens with an ADO or ODBC connection string (see ToOdbcConnectionString).
    // A non-empty user or password is added as UID / PWD. The driver's completed
    // connection string is never kept. Throws adErrObjectOpen when already open.
    void Open(const std::string& connectionString, const std::string& userId = std::string(),
              const std::string& password = std::string(), long options = 0);

    long State() const;  // adStateClosed or adStateOpen

    // Closes the connection and every recordset still open on it.
    // Throws adErrObjectClosed when it is not open.
    void Close();

    // Diagnostics of the last failing call, in the driver's order.
    const std::vector<Error>& Errors() const;

private:
    friend class Recordset;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ado
