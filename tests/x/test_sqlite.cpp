// The SQLite access layer: changes, typed errors, binding and finalising.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include <sqlite3.h>

#include "Database.h"
#include "Query.h"
#include "SqlError.h"
#include "TestFiles.h"

using vhtest::Caught;

namespace {

class SqliteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/sqlitetestXXXXXX";
        folder_ = mkdtemp(pattern);
        path_ = folder_ + "/Attendance/Attendance.db";
        std::filesystem::create_directories(folder_ + "/Attendance");
        db_.Open(path_.c_str());
        db_.Execute("CREATE TABLE DAILY_ATT (stdkey TEXT NOT NULL, attdate TEXT, oldcode TEXT, newcode TEXT, "
                    "PRIMARY KEY (stdkey, attdate))");
    }
    void TearDown() override
    {
        db_.Close();
        std::filesystem::remove_all(folder_);
    }

    std::string folder_;
    std::string path_;
    // A budget that waits for no lock, for the tests that give it to db_.
    sqlite::WaitBudget noWait_{0};
    sqlite::Database db_;
};

}  // namespace

TEST_F(SqliteTest, ExecuteAnswersChangedRows)
{
    EXPECT_EQ(db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'A')"), 1);
    EXPECT_EQ(db_.Execute("INSERT INTO DAILY_ATT VALUES ('%s', '%s', '', '%q')", "2", "2024-09-03", "it's"),
              1);
    EXPECT_EQ(db_.Execute("UPDATE %s SET %s=%s WHERE %s='%s'", "DAILY_ATT", "oldcode", "newcode", "attdate",
                          XString("2024-09-03")),
              2);
    sqlite::Query q(db_);
    q.Prepare("SELECT newcode FROM DAILY_ATT WHERE stdkey='%s'", "2");
    ASSERT_TRUE(q.Step());
    EXPECT_STREQ(q.StringColumn("newcode").CStr(), "it's");
    EXPECT_FALSE(q.Step());
    // Text without values is taken as it stands, even with a percent sign.
    EXPECT_EQ(db_.Execute("UPDATE DAILY_ATT SET oldcode='100%' WHERE stdkey='1'"), 1);
}

TEST_F(SqliteTest, ErrorsAreTypedAndCarrySqliteText)
{
    db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'A')");
    const auto unique = Caught<sqlite::ConstraintError>(
        [&] { db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'B')"); });
    ASSERT_TRUE(unique);
    EXPECT_STREQ(unique->GetMessage(), "UNIQUE constraint failed: DAILY_ATT.stdkey, DAILY_ATT.attdate");
    EXPECT_EQ(unique->GetCode(), SQLITE_CONSTRAINT_PRIMARYKEY);
    EXPECT_EQ(unique->PrimaryCode(), SQLITE_CONSTRAINT);
    EXPECT_STREQ(
        Caught<sqlite::GeneralError>([&] { db_.Execute("SELECT * FROM NOPE"); }).value().GetMessage(),
        "no such table: NOPE");
    // Every error is also an XException, the type the rest of the program catches.
    EXPECT_THROW(db_.Execute("SELEC 1"), XException);

    sqlite::Query q(db_);
    EXPECT_THROW(q.Prepare("SELECT nope FROM DAILY_ATT"), sqlite::GeneralError);
    EXPECT_FALSE(q.IsPrepared());

    sqlite::Database closed;
    EXPECT_STREQ(Caught<sqlite::MisuseError>([&] { closed.Execute("SELECT 1"); }).value().GetMessage(),
                 "Database is not open.");

    sqlite::Database unopenable;
    EXPECT_THROW(unopenable.Open((folder_ + "/missing/dir/x.db").c_str()), sqlite::CantOpenError);
    EXPECT_FALSE(unopenable.IsOpen());

    EXPECT_STREQ(Caught<sqlite::BusyError>([] { sqlite::ThrowSqlError(SQLITE_BUSY, "database is locked"); })
                     .value()
                     .GetMessage(),
                 "database is locked");
}

TEST_F(SqliteTest, SynchronousFullIsTakenOutsideATransactionOnly)
{
    db_.Execute("PRAGMA synchronous = OFF");
    db_.Execute("BEGIN");
    EXPECT_THROW(db_.SetSynchronousFull(), sqlite::GeneralError);
    db_.Execute("ROLLBACK");
    db_.SetSynchronousFull();
    sqlite::Query q(db_);
    q.Prepare("PRAGMA synchronous");
    ASSERT_TRUE(q.Step());
    EXPECT_EQ(q.IntColumn(0), 2);

    // A commit is known to write only when its transaction wrote, the write lock alone or a
    // statement that changed nothing not being enough.
    sqlite::Transaction reading(db_);
    db_.Execute("SELECT COUNT(*) FROM DAILY_ATT");
    EXPECT_FALSE(db_.HasWritten());
    EXPECT_FALSE(reading.Commit());
    sqlite::Transaction locked(db_, true);
    db_.Execute("CREATE TABLE IF NOT EXISTS DAILY_ATT (x)");
    db_.Execute("UPDATE DAILY_ATT SET newcode = 'B' WHERE stdkey = 'none'");
    EXPECT_FALSE(db_.HasWritten());
    EXPECT_FALSE(locked.Commit());
    sqlite::Transaction writing(db_, true);
    db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', NULL, 'A')");
    EXPECT_TRUE(db_.HasWritten());
    EXPECT_TRUE(writing.Commit());
    EXPECT_FALSE(db_.HasWritten());
}

TEST_F(SqliteTest, ConnectionsSharingAWaitBudgetWaitOnceInAll)
{
    using Budget = sqlite::WaitBudget;
    Budget budget(300);
    std::vector<Budget::Event> told;
    budget.SetReporter([&](Budget::Event event) { told.push_back(event); });
    sqlite::Database second, other;
    second.Open(path_.c_str());
    other.Open(path_.c_str());
    db_.SetWaitBudget(budget);
    second.SetWaitBudget(budget);

    // A lock held beyond the budget: the first wait spends it, the other connection then fails
    // at once, without a wait of its own.
    other.Execute("BEGIN EXCLUSIVE");
    EXPECT_THROW(db_.Execute("SELECT COUNT(*) FROM DAILY_ATT"), sqlite::BusyError);
    EXPECT_THROW(second.Execute("SELECT COUNT(*) FROM DAILY_ATT"), sqlite::BusyError);
    EXPECT_EQ(told, (std::vector<Budget::Event>{Budget::WaitBegins, Budget::RanOut}));
    EXPECT_EQ(budget.WaitsBegun(), 1);
    EXPECT_GE(budget.SpentMs(), 300);

    // A new run waits again; a wait on another thread is told on the reporter's, when it asks.
    budget.Reset();
    told.clear();
    std::thread writer([&] { EXPECT_THROW(second.Execute("SELECT COUNT(*) FROM DAILY_ATT"), sqlite::BusyError); });
    writer.join();
    EXPECT_TRUE(told.empty());
    budget.Tell();
    EXPECT_EQ(told, (std::vector<Budget::Event>{Budget::WaitBegins, Budget::RanOut}));
    other.Execute("ROLLBACK");
    db_.Execute("SELECT COUNT(*) FROM DAILY_ATT");
}

TEST_F(SqliteTest, MissingColumnNamesTheColumn)
{
    db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', NULL, 'A')");
    sqlite::Query q(db_);
    q.Prepare("SELECT stdkey, oldcode FROM DAILY_ATT");
    ASSERT_TRUE(q.Step());
    EXPECT_STREQ(q.StringColumn("STDKEY").CStr(), "1");
    EXPECT_STREQ(q.StringColumn("oldcode").CStr(), "");  // NULL reads as empty
    EXPECT_TRUE(q.IsNullColumn("oldcode"));
    const std::string text =
        Caught<sqlite::SqlError>([&] { q.StringColumn("newcode"); }).value().GetMessage();
    EXPECT_EQ(text.rfind("Request for non-existent column \"newcode\"", 0), 0u) << text;
    q.Finalize();
    EXPECT_THROW(q.Step(), sqlite::MisuseError);
}

TEST_F(SqliteTest, BindingStoresValuesUnchanged)
{
    sqlite::Query insert(db_);
    insert.Prepare("INSERT INTO DAILY_ATT (stdkey, attdate, oldcode, newcode) VALUES (?, ?, ?, ?)");
    const char* keys[] = {"O'Neil", "x'); DROP TABLE DAILY_ATT; --", "100%"};
    for (const char* key : keys) {
        insert.Reset(true);
        insert.Bind(1, key);
        insert.Bind(2, XString("2024-09-03"));
        insert.BindNull(3);
        insert.Bind(4, 42);
        EXPECT_FALSE(insert.Step());
    }
    sqlite::Query q(db_);
    q.Prepare("SELECT stdkey, newcode FROM DAILY_ATT WHERE stdkey = ?");
    for (const char* key : keys) {
        q.Reset(true);
        q.Bind(1, key);
        ASSERT_TRUE(q.Step()) << key;
        EXPECT_STREQ(q.StringColumn("stdkey").CStr(), key);
        EXPECT_EQ(q.IntColumn("newcode"), 42);
    }
    q.Prepare("SELECT count(*) AS n, %d AS k, %Q AS t FROM DAILY_ATT", 5, "a'b");
    ASSERT_TRUE(q.Step());
    EXPECT_EQ(q.Int64Column("n"), 3);
    EXPECT_EQ(q.IntColumn("k"), 5);
    EXPECT_STREQ(q.StringColumn("t").CStr(), "a'b");
    insert.Reset();
    EXPECT_THROW(insert.Bind(9, 1), sqlite::RangeError);
}

TEST_F(SqliteTest, StatementFinalisedWhenStepThrows)
{
    db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'A')");
    {
        sqlite::Query insert(db_);
        insert.Prepare("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'B')");
        EXPECT_THROW(insert.Step(), sqlite::ConstraintError);
        EXPECT_FALSE(insert.IsPrepared());
    }
    // No statement is left behind on the connection, and the database can be closed and reopened.
    EXPECT_EQ(sqlite3_next_stmt(db_.Handle(), nullptr), nullptr);

    sqlite::Transaction tx(db_);
    db_.Execute("INSERT INTO DAILY_ATT VALUES ('2', '2024-09-03', '', 'A')");
    tx.Commit();
    {
        sqlite::Transaction rolled(db_);
        db_.Execute("INSERT INTO DAILY_ATT VALUES ('3', '2024-09-03', '', 'A')");
    }
    sqlite::Query count(db_);
    count.Prepare("SELECT count(*) AS n FROM DAILY_ATT");
    ASSERT_TRUE(count.Step());
    EXPECT_EQ(count.IntColumn("n"), 2);
    count.Finalize();

    db_.Close();
    db_.Close();
    db_.Open(path_.c_str());
    EXPECT_EQ(db_.Execute("DELETE FROM DAILY_ATT"), 2);
}

TEST_F(SqliteTest, OpenFlagsAreKept)
{
    const std::string missing = folder_ + "/Attendance/none.db";
    sqlite::Database db;
    EXPECT_THROW(db.Open(missing.c_str(), sqlite::Database::OpenReadWrite), sqlite::CantOpenError);
    EXPECT_FALSE(std::filesystem::exists(missing));  // without OpenCreate nothing is made
    db.Open(missing.c_str(),
            sqlite::Database::OpenReadWrite | sqlite::Database::OpenCreate | sqlite::Database::OpenNoMutex);
    db.Execute("CREATE TABLE t (x)");
    db.Open(missing.c_str(), sqlite::Database::OpenReadOnly);
    EXPECT_THROW(db.Execute("INSERT INTO t VALUES (1)"), sqlite::ReadOnlyError);
}

TEST_F(SqliteTest, BusyAndLockedAreTold)
{
    sqlite::Database other;
    other.Open(path_.c_str());
    other.Execute("BEGIN IMMEDIATE");
    db_.SetWaitBudget(noWait_);
    const auto busy = Caught<sqlite::SqlError>([&] { db_.Execute("BEGIN IMMEDIATE"); });
    ASSERT_TRUE(busy);
    EXPECT_TRUE(busy->IsBusy());
    EXPECT_FALSE(busy->IsLocked());
    other.Execute("ROLLBACK");

    // A table that a running statement of the same connection reads cannot be dropped.
    db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'A')");
    sqlite::Query reading(db_);
    reading.Prepare("SELECT * FROM DAILY_ATT");
    ASSERT_TRUE(reading.Step());
    const auto locked = Caught<sqlite::SqlError>([&] { db_.Execute("DROP TABLE DAILY_ATT"); });
    ASSERT_TRUE(locked);
    EXPECT_TRUE(locked->IsLocked());
    EXPECT_FALSE(locked->IsBusy());
    EXPECT_FALSE(Caught<sqlite::SqlError>([] { sqlite::ThrowSqlError(SQLITE_CONSTRAINT, "x"); })->IsBusy());
}

TEST_F(SqliteTest, InTransactionFollowsSqlitesOwnState)
{
    EXPECT_FALSE(sqlite::Database().InTransaction());  // closed
    EXPECT_FALSE(db_.InTransaction());
    db_.Execute("BEGIN");
    EXPECT_TRUE(db_.InTransaction());
    db_.Execute("INSERT INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'A')");

    // A reader keeps the commit from finishing: the transaction stays open and can commit later.
    sqlite::Database reader;
    reader.Open(path_.c_str());
    sqlite::Query read(reader);
    read.Prepare("SELECT count(*) FROM DAILY_ATT");
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(read.IntColumn(0), 0);
    db_.SetWaitBudget(noWait_);
    EXPECT_THROW(db_.Execute("COMMIT"), sqlite::BusyError);
    EXPECT_TRUE(db_.InTransaction());
    read.Finalize();
    db_.Execute("COMMIT");
    EXPECT_FALSE(db_.InTransaction());

    // An error that makes SQLite roll back ends the transaction without a ROLLBACK of ours.
    {
        sqlite::Transaction t(db_);
        db_.Execute("INSERT INTO DAILY_ATT VALUES ('2', '2024-09-03', '', 'A')");
        EXPECT_THROW(db_.Execute("INSERT OR ROLLBACK INTO DAILY_ATT VALUES ('1', '2024-09-03', '', 'B')"),
                     sqlite::ConstraintError);
        EXPECT_FALSE(db_.InTransaction());
        db_.Execute("INSERT INTO DAILY_ATT VALUES ('3', '2024-09-03', '', 'A')");  // autocommit
    }  // nothing left to roll back: the row outside the transaction stays
    sqlite::Query count(db_);
    count.Prepare("SELECT group_concat(stdkey) FROM DAILY_ATT");
    ASSERT_TRUE(count.Step());
    EXPECT_STREQ(count.StringColumn(0).CStr(), "1,3");
}
