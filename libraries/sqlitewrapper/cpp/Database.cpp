// An SQLite database connection.

#include "Database.h"

#include "Query.h"

#include <cstdarg>
#include <sqlite3.h>

namespace sqlite {

static_assert(Database::OpenReadOnly == SQLITE_OPEN_READONLY &&
                  Database::OpenReadWrite == SQLITE_OPEN_READWRITE &&
                  Database::OpenCreate == SQLITE_OPEN_CREATE && Database::OpenNoMutex == SQLITE_OPEN_NOMUTEX,
              "open flags are SQLite's");

Database::Database() : m_db(nullptr) {}

Database::~Database()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

void Database::Open(const char* path, int flags)
{
    Close();
    if (flags == 0)
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path ? path : "", &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        XString message(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        if (db)
            rc = sqlite3_extended_errcode(db);
        sqlite3_close(db);
        ThrowSqlError(rc, message.CStr());
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, DefaultBusyTimeoutMs);
    m_db = db;
}

void Database::Close()
{
    if (!m_db)
        return;
    // Statements still open keep the connection alive until they are finalised.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool Database::InTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

void Database::CheckOpen() const
{
    if (!m_db)
        throw MisuseError("Database is not open.", SQLITE_MISUSE);
}

void Database::ThrowLastError(int code) const
{
    ThrowSqlError(code, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
}

int Database::ExecuteText(const char* sql)
{
    CheckOpen();
    char* error = nullptr;
    int rc = sqlite3_exec(m_db, sql ? sql : "", nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        XString message(error ? error : sqlite3_errmsg(m_db));
        sqlite3_free(error);
        ThrowSqlError(rc, message.CStr());
    }
    return sqlite3_changes(m_db);
}

int Database::Execute(const char* sql)
{
    return ExecuteText(sql);
}

int Database::ExecuteFormat(const char* format, ...)
{
    CheckOpen();
    va_list args;
    va_start(args, format);
    char* sql = sqlite3_vmprintf(format, args);
    va_end(args);
    if (!sql)
        throw NoMemError("Failed to allocate memory.", SQLITE_NOMEM);
    int changes;
    try {
        changes = ExecuteText(sql);
    } catch (...) {
        sqlite3_free(sql);
        throw;
    }
    sqlite3_free(sql);
    return changes;
}

int64_t Database::LastInsertRowId() const
{
    CheckOpen();
    return sqlite3_last_insert_rowid(m_db);
}

namespace {

// SQLite's busy handler: nothing may be thrown through SQLite.
int WaitOutOfBudget(void* budget, int attempt)
{
    try {
        return static_cast<WaitBudget*>(budget)->Wait(attempt) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace

void Database::SetWaitBudget(WaitBudget& budget)
{
    CheckOpen();
    sqlite3_busy_handler(m_db, WaitOutOfBudget, &budget);
}

void Database::SetSynchronousFull()
{
    Execute("PRAGMA synchronous = FULL");
    // The level is read back: a build of SQLite may keep another one without a word.
    Query level(*this);
    level.Prepare("PRAGMA synchronous");
    if (!level.Step() || level.IntColumn(0) != 2)
        throw GeneralError("SQLite did not take the synchronous level FULL.", SQLITE_ERROR);
}

bool Database::HasWritten() const
{
    if (!m_db || sqlite3_txn_state(m_db, nullptr) != SQLITE_TXN_WRITE)
        return false;
    // The journal is opened with the first page written, not with the write lock.
    sqlite3_file* journal = nullptr;
    return sqlite3_file_control(m_db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) == SQLITE_OK && journal &&
           journal->pMethods;
}

void Database::AddMissingColumn(const char* table, const char* column, const char* type)
{
    Query columns(*this);
    columns.Prepare("SELECT * FROM %s LIMIT 0", table);
    const bool present = columns.ColumnIndex(column) >= 0;
    columns.Finalize();
    if (!present)
        Execute("ALTER TABLE %s ADD COLUMN %s %s", table, column, type);
}

Transaction::Transaction(Database& db, bool writing) : m_db(db), m_open(false)
{
    m_db.Execute(writing ? "BEGIN IMMEDIATE" : "begin transaction");
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open && m_db.InTransaction()) {
        try {
            m_db.Execute("rollback transaction");
        } catch (...) {
        }
    }
}

bool Transaction::Commit()
{
    if (!m_open)
        return false;
    const bool wrote = m_db.HasWritten();
    m_db.Execute("commit transaction");
    m_open = false;
    return wrote;
}

}  // namespace sqlite
