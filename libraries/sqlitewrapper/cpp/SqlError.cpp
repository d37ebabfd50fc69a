// SQLite result codes mapped to the SqlError classes.

#include "SqlError.h"

#include <sqlite3.h>

namespace sqlite {

bool SqlError::IsBusy() const
{
    return PrimaryCode() == SQLITE_BUSY;
}

bool SqlError::IsLocked() const
{
    return PrimaryCode() == SQLITE_LOCKED;
}

void ThrowSqlError(int code, const char* message)
{
    if (!message)
        message = sqlite3_errstr(code);
    switch (code & 0xff) {
    case SQLITE_ERROR:
        throw GeneralError(message, code);
    case SQLITE_INTERNAL:
        throw InternalError(message, code);
    case SQLITE_PERM:
        throw PermissionError(message, code);
    case SQLITE_ABORT:
        throw AbortError(message, code);
    case SQLITE_BUSY:
        throw BusyError(message, code);
    case SQLITE_LOCKED:
        throw LockedError(message, code);
    case SQLITE_NOMEM:
        throw NoMemError(message, code);
    case SQLITE_READONLY:
        throw ReadOnlyError(message, code);
    case SQLITE_INTERRUPT:
        throw InterruptError(message, code);
    case SQLITE_IOERR:
        throw IOError(message, code);
    case SQLITE_CORRUPT:
        throw CorruptError(message, code);
    case SQLITE_NOTFOUND:
        throw NotFoundError(message, code);
    case SQLITE_FULL:
        throw FullError(message, code);
    case SQLITE_CANTOPEN:
        throw CantOpenError(message, code);
    case SQLITE_PROTOCOL:
        throw ProtocolError(message, code);
    case SQLITE_EMPTY:
        throw EmptyError(message, code);
    case SQLITE_SCHEMA:
        throw SchemaError(message, code);
    case SQLITE_TOOBIG:
        throw TooBigError(message, code);
    case SQLITE_CONSTRAINT:
        throw ConstraintError(message, code);
    case SQLITE_MISMATCH:
        throw MismatchError(message, code);
    case SQLITE_MISUSE:
        throw MisuseError(message, code);
    case SQLITE_NOLFS:
        throw NoLfsError(message, code);
    case SQLITE_AUTH:
        throw AuthError(message, code);
    case SQLITE_FORMAT:
        throw FormatError(message, code);
    case SQLITE_RANGE:
        throw RangeError(message, code);
    case SQLITE_NOTADB:
        throw NotADbError(message, code);
    default:
        throw SqlError(message, code);
    }
}

}  // namespace sqlite
