#pragma once

// ado::Recordset: a read-only result of a SELECT.

#include "AdoTypes.h"
#include "Connection.h"
#include "Field.h"

#include <memory>
#include <string>

namespace ado {

// A read-only result of a SELECT over a Connection. Rows are fetched from the
// driver in blocks; at most one block is held, so memory does not grow with the
// number of rows. MoveFirst after moving runs the statement again.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    long CursorLocation() const;  // CursorLocationEnum, default adUseServer
    void SetCursorLocation(long location);
    long CursorType() const;  // CursorTypeEnum, default adOpenForwardOnly
    void SetCursorType(long type);
    long LockType() const;  // LockTypeEnum, default adLockReadOnly
    void SetLockType(long type);

    // Runs source (SQL text) on the open connection. cursorType and lockType
    // replace the properties unless unspecified. Only read-only access is given.
    // A failure fills the connection's Errors() and throws ComError.
    void Open(const std::string& source, Connection& activeConnection, long cursorType = adOpenUnspecified,
              long lockType = adLockUnspecified, long options = adCmdText);

    long State() const;  // adStateClosed or adStateOpen
    void Close();        // throws adErrObjectClosed when not open

    // ADO's EOF; the name avoids the C library macro.
    bool EndOfFile() const;
    bool BOF() const;

    void MoveFirst();  // throws on a closed recordset
    void MoveNext();   // throws adErrNoCurrentRecord at EOF

    // The driver's row count for the SELECT when it reports one, else -1.
    long RecordCount() const;

    FieldCollection& Fields();

private:
    friend class Connection;
    void Detach();  // closes without the closed-object check
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ado
