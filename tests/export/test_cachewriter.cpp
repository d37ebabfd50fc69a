// The attendance cache's writer thread: order, batches and failures.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <random>
#include <string>
#include <vector>

#include "AttendancePlan.h"
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

// A row of its own (the key names n), stored in turn.
void Add(CacheWriter& writer, int n)
{
    CacheWriter::Row& row = writer.Pending();
    row.values[0] = XString(n);
    row.values[CacheWriter::kFirstKey] = XString(n);
    row.values[CacheWriter::kId] = XString(n * 2);
    writer.Combine();
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

namespace {

// The daily cache table (keyed: a row per day, student, key and header) or, unkeyed, a log of
// every row.
void OpenRows(sqlite::Database& db, bool keyed)
{
    db.Open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    db.Execute("CREATE TABLE DAILY_ATT (stdkey TEXT, attdate TEXT, timeframe TEXT, reason TEXT, excused TEXT, "
               "absent TEXT, tardy TEXT, truant TEXT, discipline TEXT, header TEXT, oldcode TEXT, newcode TEXT, "
               "recid INTEGER)");
    if (keyed)
        db.Execute("CREATE UNIQUE INDEX DAILY_ATT_KEY ON DAILY_ATT (attdate, stdkey, timeframe, header)");
}

const char kStore[] = "INSERT INTO DAILY_ATT (newcode, reason, excused, absent, tardy, truant, discipline, stdkey, "
                      "attdate, timeframe, header, recid) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)";
// As a window of the cache begins: any record replaces the rows read before.
const char kBlank[] = "UPDATE DAILY_ATT SET newcode = '', recid = NULL";

// The program's statement of the daily cache.
std::string Upsert()
{
    return attplan::CacheUpsert("DAILY_ATT", "timeframe").CStr();
}

// One record: the student names its row.
struct Rec
{
    std::string student, id, code;
};

// Each record in turn through the writer, which combines the records of one row; a window every
// `window` records.
void Feed(sqlite::Database& db, const std::string& sql, const std::vector<Rec>& recs, size_t window = 0)
{
    db.Execute("begin transaction");
    {
        CacheWriter writer(db, sql.c_str());
        writer.Execute("SAVEPOINT w");
        for (size_t i = 0; i < recs.size(); ++i) {
            if (window && i > 0 && i % window == 0) {
                writer.Execute("RELEASE w");
                writer.Execute("SAVEPOINT w");
                writer.Execute(kBlank);
            }
            CacheWriter::Row& row = writer.Pending();
            for (XString& value : row.values)
                value = "";
            row.values[0] = recs[i].code.c_str();
            row.values[CacheWriter::kFirstKey] = recs[i].student.c_str();
            row.values[CacheWriter::kId] = recs[i].id.c_str();
            writer.Combine();
        }
        writer.Execute("RELEASE w");
        writer.Wait();
    }
    db.Execute("commit transaction");
}

// The same records straight through the statement, one run each as texts, without the writer.
void FeedStraight(sqlite::Database& db, const std::string& sql, const std::vector<Rec>& recs, size_t window)
{
    db.Execute("begin transaction");
    sqlite::Query query(db);
    query.Prepare(sql.c_str());
    for (size_t i = 0; i < recs.size(); ++i) {
        if (window && i > 0 && i % window == 0)
            db.Execute(kBlank);
        query.Reset();
        for (int p = 1; p <= CacheWriter::kParams; ++p)
            query.Bind(p, "");
        query.Bind(1, recs[i].code.c_str());
        query.Bind(CacheWriter::kFirstKey + 1, recs[i].student.c_str());
        query.Bind(CacheWriter::kId + 1, recs[i].id.c_str());
        query.Step();
    }
    query.Finalize();
    db.Execute("commit transaction");
}

// The rows as "student|code|recid|type", in the order they were made.
std::vector<std::string> Table(sqlite::Database& db, const char* where = "1")
{
    sqlite::Query q(db);
    q.Prepare((std::string("SELECT stdkey || '|' || newcode || '|' || recid || '|' || typeof(recid) AS r FROM "
                           "DAILY_ATT WHERE ") +
               where + " ORDER BY rowid")
                  .c_str());
    std::vector<std::string> rows;
    while (q.Step())
        rows.push_back(q.StringColumn("r").CStr());
    return rows;
}

typedef std::vector<std::string> Texts;

}  // namespace

TEST(CacheWriter, RecordsOfOneRowAreStoredOnceWithTheHighestId)
{
    // Ids compare as numbers (12 over 9), of equal ids the later record counts. An id that only
    // SQLite compares (a text is above every number there) is not combined: the rows that waited
    // longer and the row are stored first.
    const std::vector<Rec> recs = {
        {"A", "5", "a5"},       {"B", "3", "b3"}, {"A", "12", "a12"}, {"C", "", "c1"},    {"A", "9", "a9"},
        {"B", "3", "b3 again"}, {"C", "", "c2"},  {"D", "7", "d7"},   {"D", "abc", "dx"}, {"D", "8", "d8"}};
    sqlite::Database db;
    OpenRows(db, false);
    Feed(db, kStore, recs);
    EXPECT_EQ(Table(db), Texts({"A|a12|12|integer", "B|b3 again|3|integer", "C|c2||text", "D|d7|7|integer",
                                "D|dx|abc|text", "D|d8|8|integer"}));
}

TEST(CacheWriter, ARecordWhoseRowWentOverWithAnEarlierBatchIsStoredAgain)
{
    // Each student's record twice in a row (the same id), over several batches: stored once, the
    // later one. After all of them one more record of each, too late to be combined.
    const size_t students = 3 * CacheWriter::kBatchRows;
    std::vector<Rec> recs;
    for (size_t k = 0; k < 2 * students; ++k)
        recs.push_back({"S" + std::to_string(k / 2), "1", k % 2 ? "again" : "first"});
    for (size_t k = 0; k < students; ++k)
        recs.push_back({"S" + std::to_string(k), "0", "late"});
    sqlite::Database log;
    OpenRows(log, false);
    Feed(log, kStore, recs);
    EXPECT_EQ(Table(log).size(), 2 * students);
    EXPECT_TRUE(Table(log, "newcode = 'first'").empty());
}

TEST(CacheWriter, CombiningLeavesWhatTheStatementStores)
{
    // Records of 6,000 rows in a random order, with numeric and other ids, in windows: through the
    // writer and straight, one by one, the program's statement makes the same rows in the same
    // order.
    const char* const others[] = {"",   "abc", "abd", "007", "7.0", " 7", "-3", "-0", "99999999999999999999",
                                  "1e1"};
    std::mt19937 random(20240304);
    std::vector<Rec> recs;
    for (int i = 0; i < 30000; ++i) {
        const unsigned pick = random() % 60;
        const std::string id = pick < 50 ? std::to_string(pick) : others[pick - 50];
        recs.push_back({"S" + std::to_string(random() % 6000), id, "r" + std::to_string(i)});
    }
    sqlite::Database plain, combined;
    OpenRows(plain, true);
    OpenRows(combined, true);
    FeedStraight(plain, Upsert(), recs, 5000);
    Feed(combined, Upsert(), recs, 5000);
    const Texts expected = Table(plain);
    EXPECT_GT(expected.size(), 5000u);
    EXPECT_EQ(Table(combined), expected);
}
