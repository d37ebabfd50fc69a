// The attendance cache's writer thread: order, batches and failures.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>

#include "CacheWriter.h"
#include "Database.h"
#include "Query.h"
#include "XException.h"

namespace {

const char kInsert[] = "INSERT INTO t VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)";

void Open(sqlite::Database& db)
{
    db.Open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    db.Execute("CREATE TABLE t (n INTEGER UNIQUE, c2, c3, c4, c5, c6, c7, c8, c9, c10, c11, last TEXT)");
    db.Execute(
        "CREATE TRIGGER fault BEFORE INSERT ON t WHEN NEW.n = -1 BEGIN SELECT RAISE(ABORT, 'no room'); "
        "END");
}

void Add(CacheWriter& writer, int n)
{
    CacheWriter::Row& row = writer.Next();
    row.values[0] = XString(n);
    row.values[11] = XString(n * 2);
}

std::string Stored(sqlite::Database& db)
{
    sqlite::Query q(db);
    q.Prepare("SELECT COUNT(*) AS n, COALESCE(SUM(n), 0) AS s, COALESCE(SUM(last = n * 2), 0) AS ok FROM t");
    q.Step();
    return std::to_string(q.IntColumn("n")) + "/" + std::to_string(q.Int64Column("s")) + "/" +
           std::to_string(q.IntColumn("ok"));
}

}  // namespace

TEST(CacheWriter, StoresEveryRowInOrderWithItsStatements)
{
    sqlite::Database db;
    Open(db);
    db.Execute("begin transaction");
    {
        CacheWriter writer(db, kInsert);
        // More rows than all batches together hold, between savepoints.
        writer.Execute("SAVEPOINT w");
        for (int n = 1; n <= 10000; ++n)
            Add(writer, n);
        writer.Execute("RELEASE w");
        writer.Send();
        writer.Execute("SAVEPOINT w");
        Add(writer, 10001);
        // Not sent: the second window is dropped, the first one (sent) is whole.
        writer.Discard();
        writer.Wait();
        EXPECT_EQ(Stored(db), "10000/50005000/10000");
    }
    db.Execute("commit transaction");
    EXPECT_EQ(Stored(db), "10000/50005000/10000");
}

TEST(CacheWriter, AFailureStopsTheWriterAndReachesTheReader)
{
    sqlite::Database db;
    Open(db);
    db.Execute("begin transaction");
    CacheWriter writer(db, kInsert);
    std::string error;
    try {
        writer.Execute("SAVEPOINT w");
        Add(writer, 1);
        Add(writer, -1);
        // Rows after the failure are not stored; it reaches the reader at the latest on Wait.
        for (int n = 2; n <= 3000; ++n)
            Add(writer, n);
        writer.Wait();
    } catch (const XException& e) {
        error = e.GetMessage();
    }
    EXPECT_NE(error.find("no room"), std::string::npos) << error;
    // The window is still open: rolling it back leaves nothing of it.
    EXPECT_EQ(Stored(db), "1/1/1");
    db.Execute("ROLLBACK TO w");
    EXPECT_EQ(Stored(db), "0/0/0");
}
