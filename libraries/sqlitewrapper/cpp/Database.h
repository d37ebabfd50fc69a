#pragma once

// sqlite::Database and sqlite::Transaction.

#include <cstdint>

#include "SqlError.h"
#include "WaitBudget.h"
#include "XString.h"

struct sqlite3;

namespace sqlite {

namespace detail {
inline const char* SqlArg(const XString& text)
{
    return text.CStr();
}
template <typename T> T SqlArg(T value)
{
    return value;
}
}  // namespace detail

// One SQLite connection. Failures throw the SqlError subclass of the result code.
class Database
{
public:
    // Open flags, combined with "|"; 0 means OpenReadWrite | OpenCreate.
    static const int OpenReadOnly = 0x1;
    static const int OpenReadWrite = 0x2;
    static const int OpenCreate = 0x4;
    // The connection is used by one thread at a time: no locking inside SQLite.
    static const int OpenNoMutex = 0x8000;
    static const int DefaultBusyTimeoutMs = 5000;

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the file (closing an open database first), with extended result codes and a busy timeout.
    void Open(const char* path, int flags = 0);
    void Open(const XString& path, int flags = 0) { Open(path.CStr(), flags); }
    // Closes an open database; closing a closed one does nothing.
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    // True while a transaction is open (begun and neither committed nor rolled back, also not by
    // SQLite itself after an error); false for a closed database.
    bool InTransaction() const;

    // Runs the SQL text as it stands and answers the number of rows changed.
    int Execute(const char* sql);
    // Formats with SQLite's printf (%q, %Q, %s, %d, ...), runs it, answers the rows changed.
    // XString values are passed as their C text.
    template <typename A, typename... R> int Execute(const char* format, const A& first, const R&... rest)
    {
        return ExecuteFormat(format, detail::SqlArg(first), detail::SqlArg(rest)...);
    }
    int ExecuteFormat(const char* format, ...);

    int64_t LastInsertRowId() const;
    // Waits for another connection's lock out of the budget, which other connections may share
    // (replaces the busy timeout). The budget must outlive the connection.
    void SetWaitBudget(WaitBudget& budget);
    // Has SQLite sync the rollback journal and the database file at each commit (synchronous
    // FULL); the folder is the caller's to sync after it, for the journal's removal. Not inside a
    // transaction; throws when SQLite does not take the setting.
    void SetSynchronousFull();
    // True while the open transaction has written pages (its rollback journal is open): its
    // commit writes the disk.
    bool HasWritten() const;
    // Adds the column (with its declared type) to the table when the table lacks it.
    void AddMissingColumn(const char* table, const char* column, const char* type);

    sqlite3* Handle() const { return m_db; }
    // Throws the error of the connection's last failure with the given result code.
    [[noreturn]] void ThrowLastError(int code) const;
    // Throws MisuseError when the database is not open.
    void CheckOpen() const;

private:
    int ExecuteText(const char* sql);

    sqlite3* m_db;
};

// Runs "begin transaction" now and "commit transaction" on Commit; rolls back when it goes
// out of scope without a commit.
class Transaction
{
public:
    // writing: takes the write lock at once ("BEGIN IMMEDIATE"), waiting for another
    // connection's; a transaction that reads first gets no wait from SQLite when it comes to write
    // while another connection writes.
    explicit Transaction(Database& db, bool writing = false);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Answers whether the transaction wrote anything (its commit wrote the disk).
    bool Commit();

private:
    Database& m_db;
    bool m_open;
};

}  // namespace sqlite
