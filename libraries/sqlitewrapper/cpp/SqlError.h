#pragma once

// The sqlite::SqlError family, one class per SQLite result code.

#include "XException.h"

namespace sqlite {

// An SQLite failure: SQLite's own message and its (extended) result code.
class SqlError : public XException
{
public:
    SqlError(const char* message, int code) : XException(message, code) {}
    // The primary result code (the low byte of the code).
    int PrimaryCode() const { return GetCode() & 0xff; }
    // Another connection holds the database (SQLITE_BUSY), past the busy timeout.
    bool IsBusy() const;
    // A lock inside this connection or its shared cache (SQLITE_LOCKED).
    bool IsLocked() const;
};

#define SQLITE_WRAPPER_ERROR(Name)                                                                           \
    class Name : public SqlError                                                                             \
    {                                                                                                        \
    public:                                                                                                  \
        Name(const char* message, int code) : SqlError(message, code) {}                                     \
    };

SQLITE_WRAPPER_ERROR(GeneralError)     // SQLITE_ERROR
SQLITE_WRAPPER_ERROR(InternalError)    // SQLITE_INTERNAL
SQLITE_WRAPPER_ERROR(PermissionError)  // SQLITE_PERM
SQLITE_WRAPPER_ERROR(AbortError)       // SQLITE_ABORT
SQLITE_WRAPPER_ERROR(BusyError)        // SQLITE_BUSY
SQLITE_WRAPPER_ERROR(LockedError)      // SQLITE_LOCKED
SQLITE_WRAPPER_ERROR(NoMemError)       // SQLITE_NOMEM
SQLITE_WRAPPER_ERROR(ReadOnlyError)    // SQLITE_READONLY
SQLITE_WRAPPER_ERROR(InterruptError)   // SQLITE_INTERRUPT
SQLITE_WRAPPER_ERROR(IOError)          // SQLITE_IOERR
SQLITE_WRAPPER_ERROR(CorruptError)     // SQLITE_CORRUPT
SQLITE_WRAPPER_ERROR(NotFoundError)    // SQLITE_NOTFOUND
SQLITE_WRAPPER_ERROR(FullError)        // SQLITE_FULL
SQLITE_WRAPPER_ERROR(CantOpenError)    // SQLITE_CANTOPEN
SQLITE_WRAPPER_ERROR(ProtocolError)    // SQLITE_PROTOCOL
SQLITE_WRAPPER_ERROR(EmptyError)       // SQLITE_EMPTY
SQLITE_WRAPPER_ERROR(SchemaError)      // SQLITE_SCHEMA
SQLITE_WRAPPER_ERROR(TooBigError)      // SQLITE_TOOBIG
SQLITE_WRAPPER_ERROR(ConstraintError)  // SQLITE_CONSTRAINT
SQLITE_WRAPPER_ERROR(MismatchError)    // SQLITE_MISMATCH
SQLITE_WRAPPER_ERROR(MisuseError)      // SQLITE_MISUSE
SQLITE_WRAPPER_ERROR(NoLfsError)       // SQLITE_NOLFS
SQLITE_WRAPPER_ERROR(AuthError)        // SQLITE_AUTH
SQLITE_WRAPPER_ERROR(FormatError)      // SQLITE_FORMAT
SQLITE_WRAPPER_ERROR(RangeError)       // SQLITE_RANGE
SQLITE_WRAPPER_ERROR(NotADbError)      // SQLITE_NOTADB

#undef SQLITE_WRAPPER_ERROR

// Throws the SqlError subclass chosen by (code & 0xff), carrying the message.
[[noreturn]] void ThrowSqlError(int code, const char* message);

}  // namespace sqlite
