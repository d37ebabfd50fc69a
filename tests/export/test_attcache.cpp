// The attendance change cache: windows, pending rows, period ranges and failed windows.

#include "ExportTestSupport.h"

#include "Database.h"
#include "Query.h"

namespace {

// The windows that one daily table reads.
std::vector<std::string> Windows(const TempFolder& folder, const XDate& first, const XDate& last,
                                 bool overlap, bool extraDay, bool lastDayFlag)
{
    FakeTask task;
    Prepare(task, folder);
    task.StartAttTable("DAILY_ATT", overlap, extraDay);
    task.ValueColumn(0);
    task.AddHeaderField("AttStdRef");
    task.WriteAttendanceTable(first, last, nullptr, lastDayFlag);
    EXPECT_EQ(task.clearFilterCalls, 1);
    std::vector<std::string> result;
    for (const auto& window : task.windows)
        result.push_back(std::string(window.first.ToISO().CStr()) + ".." + window.second.ToISO().CStr());
    return result;
}

typedef std::vector<std::string> Texts;

// The first column of the rows of a statement on the attendance cache.
Texts Rows(const TempFolder& folder, const std::string& sql)
{
    sqlite::Database db;
    db.Open(folder.File("Attendance/Attendance.db").c_str());
    sqlite::Query query(db);
    query.Prepare(sql.c_str());
    Texts rows;
    while (query.Step())
        rows.push_back(query.StringColumn("r").CStr());
    return rows;
}

// The rows of a cache table as "stdkey|attdate|key|header|oldcode|newcode|reason", ordered.
Texts CacheRows(const TempFolder& folder, const char* table, const std::string& key)
{
    return Rows(folder, "SELECT stdkey || '|' || attdate || '|' || " + key +
                            " || '|' || IFNULL(header, '') || '|' || IFNULL(oldcode, 'NULL') || '|' || "
                            "IFNULL(newcode, '') || '|' || IFNULL(reason, '') AS r FROM " +
                            table + " ORDER BY stdkey, attdate, " + key);
}

// Rows that the export would write: newcode set and different from oldcode (or oldcode null).
Texts PendingDaily(const TempFolder& folder)
{
    return Rows(folder,
                "SELECT stdkey || '=' || newcode AS r FROM DAILY_ATT WHERE newcode IS NOT NULL AND "
                "(newcode <> oldcode OR oldcode IS NULL) AND (header = 'AttTimeFrameRef' OR header = '') "
                "ORDER BY stdkey");
}

void DailyColumns(FakeTask& task)
{
    task.ValueColumns(0, 2);
    task.AddColumn(nullptr, "DAILY", nullptr, 1);
    task.AddColumn(nullptr, "", nullptr, 0);  // read-only, no title
    task.Titles({"AttStdRef", "AttDate", "AttAttCodeRef", "AttTimeFrameRef"});
}

}  // namespace

TEST(AttendanceCache, WindowsFollowTheUpdateDateOverlapAndFlags)
{
    TempFolder folder;
    const XDate yearStart = Ymd(2024, 1, 8), yearEnd = Ymd(2024, 6, 14);

    // No recorded date: from the first day of the year up to today (2024-03-05).
    Texts fromYearStart = Windows(folder, Ymd(2024, 2, 20), yearEnd, true, false, false);
    EXPECT_EQ(fromYearStart,
              Texts({"2024-02-20..2024-02-26", "2024-02-26..2024-03-03", "2024-03-03..2024-03-05"}));

    // A recorded date moved back by the default 14 days; a window ending on today is followed by today alone.
    WriteConfig(folder, "2024-03-01");
    EXPECT_EQ(Windows(folder, yearStart, yearEnd, true, false, false),
              Texts({"2024-02-16..2024-02-22", "2024-02-22..2024-02-28", "2024-02-28..2024-03-05",
                     "2024-03-05..2024-03-05"}));
    // Without the overlap flag the recorded date itself; the last-day flag adds one day to the last window.
    EXPECT_EQ(Windows(folder, yearStart, yearEnd, false, false, true), Texts({"2024-03-01..2024-03-06"}));
    // The extra-day flag moves every end one day later.
    EXPECT_EQ(Windows(folder, yearStart, yearEnd, false, true, false), Texts({"2024-03-01..2024-03-06"}));
    // A recorded overlap.
    WriteConfig(folder, "2024-03-01", "3");
    EXPECT_EQ(Windows(folder, yearStart, yearEnd, true, true, false),
              Texts({"2024-02-27..2024-03-05", "2024-03-04..2024-03-06"}));
    // A recorded date before the year's start: from the start.
    WriteConfig(folder, "2023-12-01");
    EXPECT_EQ(Windows(folder, Ymd(2024, 2, 28), yearEnd, true, false, false),
              Texts({"2024-02-28..2024-03-05", "2024-03-05..2024-03-05"}));

    // A year that ended: up to its last day.
    fs::remove(folder.File("SchoolConfig.xml"));
    EXPECT_EQ(Windows(folder, Ymd(2023, 6, 1), Ymd(2023, 6, 15), true, false, false),
              Texts({"2023-06-01..2023-06-07", "2023-06-07..2023-06-13", "2023-06-13..2023-06-15"}));
    // A recorded date after the end of the year, or past today: nothing to read.
    WriteConfig(folder, "2023-07-20");
    EXPECT_TRUE(Windows(folder, Ymd(2022, 9, 1), Ymd(2023, 6, 15), true, false, false).empty());
    // Without the overlap flag from the earlier of that date and the day the table was last read.
    WriteConfig(folder, "2024-04-01");
    EXPECT_EQ(Windows(folder, yearStart, yearEnd, false, false, false), Texts({"2024-03-05..2024-03-05"}));
    Rows(folder, "UPDATE ATT_READ SET readdate = '2024-04-01' RETURNING tablename AS r");
    EXPECT_TRUE(Windows(folder, yearStart, yearEnd, false, false, false).empty());
}

TEST(AttendanceCache, RowsArePendingUntilExportedAndOverlapBlanksNewCodes)
{
    TempFolder folder;
    {
        FakeTask task;
        Prepare(task, folder);
        task.rows = {{"S1", "02/28/2024", "A"},
                     {"O'Brien", "03/01/2024", "T'; DROP TABLE DAILY_ATT; --"},
                     {"S3", "03/04/2024", "A"},
                     {"S4", "03/05/2024", "U"}};
        task.dateColumn = 1;
        task.StartAttTable("DAILY_ATT", true, false);
        EXPECT_TRUE(
            task.log.contains("7|PDEWriter::StartAttTable|Start Attendance Table at: 05/03/2024|14:07:09 "));
        EXPECT_TRUE(task.progress.contains("inc Reading Student Daily Attendance..."));
        DailyColumns(task);
        task.WriteAttendanceTable(Ymd(2024, 2, 26), Ymd(2024, 6, 14), nullptr, false);
        EXPECT_TRUE(
            task.progress.contains("inc Reading Student Daily Attendance (02/26/2024 to 03/03/2024)..."));
        EXPECT_TRUE(
            task.progress.contains("inc Reading Student Daily Attendance (03/03/2024 to 03/05/2024)..."));
        EXPECT_EQ(task.GetDailyAttHeaders(), std::vector<XString>({"AttTimeFrameRef"}));
        EXPECT_TRUE(task.SQLiteTableExists(task.GetAttendanceCache(), "DAILY_ATT"));
        EXPECT_FALSE(task.SQLiteTableExists(task.GetAttendanceCache(), "PERIOD_ATT"));
    }
    // The constant "DAILY" column has no value operation: it fills nothing, so the rows carry an empty
    // time frame and header (exported in the "AttTimeFrameRef" section).
    EXPECT_EQ(CacheRows(folder, "DAILY_ATT", "timeframe"),
              Texts({"O'Brien|2024-03-01|||NULL|T'; DROP TABLE DAILY_ATT; --|", "S1|2024-02-28|||NULL|A|",
                     "S3|2024-03-04|||NULL|A|", "S4|2024-03-05|||NULL|U|"}));
    EXPECT_EQ(PendingDaily(folder).size(), 4u);

    // The export marks the rows (as the database layer does); nothing is pending then.
    {
        sqlite::Database db;
        db.Open(folder.File("Attendance/Attendance.db").c_str());
        db.Execute("UPDATE DAILY_ATT SET oldcode = newcode");
    }
    EXPECT_TRUE(PendingDaily(folder).empty());

    // Next run (update date recorded 2024-03-05, overlap 3 days): S3 changed, S4 is gone from the source,
    // S1 lies before the overlap and is not read again.
    WriteConfig(folder, "2024-03-05", "3");
    {
        FakeTask task;
        Prepare(task, folder);
        task.SetFixedNow(XDateTime(Ymd(2024, 3, 6), XTime(0)));
        task.rows = {{"S1", "02/28/2024", "X"},
                     {"O'Brien", "03/01/2024", "T'; DROP TABLE DAILY_ATT; --"},
                     {"S3", "03/04/2024", "E"},
                     {"S5", "03/06/2024", "A"}};
        task.dateColumn = 1;
        task.StartAttTable("DAILY_ATT", true, false);
        DailyColumns(task);
        task.WriteAttendanceTable(Ymd(2024, 1, 8), Ymd(2024, 6, 14), nullptr, false);
        EXPECT_EQ(task.windows.front().first, Ymd(2024, 3, 2));
    }
    EXPECT_EQ(CacheRows(folder, "DAILY_ATT", "timeframe"),
              Texts({"O'Brien|2024-03-01|||T'; DROP TABLE DAILY_ATT; --|T'; DROP TABLE DAILY_ATT; --|",
                     "S1|2024-02-28|||A|A|", "S3|2024-03-04|||A|E|", "S4|2024-03-05|||U||",
                     "S5|2024-03-06|||NULL|A|"}));
    EXPECT_EQ(PendingDaily(folder), Texts({"S3=E", "S4=", "S5=A"}));
}

TEST(AttendanceCache, PeriodRangesTitlesAndFilter)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    task.rows = {{"S1", "03/04/2024", "A", "2", "4", "yes", "r1"},
                 {"S2", "03/04/2024", "T", "7", "", "no", "r2"},
                 {"S3", "03/04/2024", "A", "1", "1", "no", "r3"}};
    task.StartAttTable("PERIOD_ATT", false, false);
    task.ValueColumns(0, 6);
    task.Titles({"AttStdRef", "attdate", "AttAttCodeRef", "AttStartPerRef", "AttEndPerRef", "AttExcAbs",
                 "AttAttReasonRef", "AttMystery"});
    task.AddColumn(nullptr, "", static_cast<PDEWriter::ValueOperation>(&FakeTask::NextCounterString), 0);
    task.WriteAttendanceTable(Ymd(2024, 3, 4), Ymd(2024, 6, 14),
                              static_cast<PDEWriter::RowFilter>(&FakeTask::SkipOdd), false);
    EXPECT_TRUE(task.log.contains("8||SQLite Attendance: Unsupported header: AttMystery, skipping."));
    EXPECT_EQ(task.log.filter("Unsupported header").size(), 1);
    EXPECT_EQ(task.GetPeriodAttHeaders(), std::vector<XString>({"AttPerRef"}));
    EXPECT_EQ(CacheRows(folder, "PERIOD_ATT", "perkey"),
              Texts({"S1|2024-03-04|2|AttPerRef|NULL|A|r1", "S1|2024-03-04|3|AttPerRef|NULL|A|r1",
                     "S1|2024-03-04|4|AttPerRef|NULL|A|r1", "S3|2024-03-04|1|AttPerRef|NULL|A|r3"}));

    // A section column names the period itself and its title becomes a period header. A constant column
    // has no value operation and takes no title: the titles go to the value columns in their order.
    task.StartAttTable("PERIOD_ATT", false, false);
    task.ClearColumns();
    task.rows = {{"S9", "03/05/2024", "A", "SEC-1"}};
    task.ValueColumn(0);
    task.AddColumn(nullptr, "CONST", nullptr, 1);
    task.ValueColumns(1, 3);
    task.Titles({"AttStdRef", "AttDate", "AttAttCodeRef", "AttSecRef"});
    task.WriteAttendanceTable(Ymd(2024, 3, 4), Ymd(2024, 6, 14), nullptr, false);
    EXPECT_EQ(task.GetPeriodAttHeaders(), std::vector<XString>({"AttPerRef", "AttSecRef"}));
    EXPECT_EQ(CacheRows(folder, "PERIOD_ATT", "perkey").back(), "S9|2024-03-05|SEC-1|AttSecRef|NULL|A|");

    // A range that is not numeric ends the run.
    task.StartAttTable("PERIOD_ATT", false, false);
    task.ClearColumns();
    task.rows = {{"S1", "03/04/2024", "A", "two", "4"}};
    task.ValueColumns(0, 4);
    task.Titles({"AttStdRef", "AttDate", "AttAttCodeRef", "AttStartPerRef", "AttEndPerRef"});
    EXPECT_EQ(Thrown([&] { task.WriteAttendanceTable(Ymd(2024, 3, 4), Ymd(2024, 6, 14), nullptr, false); }),
              "Failed with error [SQLite Attendance: Invalid range of periods: [two] to [4]] "
              "while caching attendance table [PERIOD_ATT] with query: SELECT * FROM Fake");

    EXPECT_THROW(task.StartAttTable("OTHER'; --", false, false), XException);
}

TEST(AttendanceCache, TheHighestRecordIdWinsAndEachTableStartsWhereItWasLastRead)
{
    TempFolder folder;
    // A history of an earlier version: a daily table without record ids, no days of reading.
    fs::create_directories(folder.File("Attendance"));
    {
        sqlite::Database db;
        db.Open(folder.File("Attendance/Attendance.db").c_str());
        db.Execute(
            "CREATE TABLE DAILY_ATT (stdkey TEXT, attdate TEXT, timeframe TEXT, reason TEXT, excused TEXT, "
            "absent TEXT, tardy TEXT, truant TEXT, discipline TEXT, header TEXT, oldcode TEXT, newcode "
            "TEXT)");
        db.Execute("INSERT INTO DAILY_ATT (stdkey, attdate, timeframe, header, oldcode, newcode) VALUES "
                   "('S1', '2024-03-04', '', '', 'A', 'A')");
    }
    WriteConfig(folder, "2024-03-01");
    auto run = [&](const char* table, std::vector<FakeTask::Row> rows) {
        FakeTask task;
        Prepare(task, folder);
        task.rows = std::move(rows);
        task.recordIdColumn = 3;
        task.StartAttTable(table, true, false);
        DailyColumns(task);
        task.SetAttendanceRecordId(nullptr, static_cast<PDEWriter::ValueOperation>(&FakeTask::RecordId));
        task.WriteAttendanceTable(Ymd(2024, 1, 8), Ymd(2024, 6, 14), nullptr, false);
        return task.windows.front().first;
    };
    // The daily table was read up to the update date; ids compare as numbers, in any order, and a
    // record read twice in a row counts once.
    EXPECT_EQ(run("DAILY_ATT", {{"S1", "03/04/2024", "B", "12"},
                                {"S2", "03/04/2024", "X", "5"},
                                {"S2", "03/04/2024", "Y", "30"},
                                {"S2", "03/04/2024", "Y", "30"},
                                {"S1", "03/04/2024", "C", "9"}}),
              Ymd(2024, 2, 16));
    EXPECT_EQ(CacheRows(folder, "DAILY_ATT", "timeframe"),
              Texts({"S1|2024-03-04|||A|B|", "S2|2024-03-04|||NULL|Y|"}));
    EXPECT_EQ(Rows(folder, "SELECT tablename || ' ' || readdate AS r FROM ATT_READ"),
              Texts({"DAILY_ATT 2024-03-05"}));
    {
        sqlite::Database db;
        db.Open(folder.File("Attendance/Attendance.db").c_str());
        db.Execute("UPDATE DAILY_ATT SET oldcode = newcode");
    }
    // The same records in the reverse order change nothing; the table starts from the day it was read.
    WriteConfig(folder, "2024-03-05");
    EXPECT_EQ(run("DAILY_ATT", {{"S1", "03/04/2024", "C", "9"},
                                {"S2", "03/04/2024", "Y", "30"},
                                {"S2", "03/04/2024", "X", "5"},
                                {"S1", "03/04/2024", "B", "12"}}),
              Ymd(2024, 2, 20));
    EXPECT_TRUE(PendingDaily(folder).empty());
    // A table that the history never held starts at the beginning of the school year.
    EXPECT_EQ(run("PERIOD_ATT", {}), Ymd(2024, 1, 8));
}

TEST(AttendanceCache, AFailedWindowLeavesTheCacheAsBeforeIt)
{
    TempFolder folder;
    FakeTask task;
    Prepare(task, folder);
    // Two windows: S1 in the first; S2 and then the failing S3 in the second.
    task.rows = {{"S1", "02/27/2024", "A"}, {"S2", "03/04/2024", "A"}, {"S3", "03/04/2024", "A"}};
    task.dateColumn = 1;
    task.StartAttTable("DAILY_ATT", false, false);
    task.ValueColumns(0, 1);
    task.AddColumn(nullptr, "", static_cast<PDEWriter::ValueOperation>(&FakeTask::FailOnThirdRow), 0);
    task.AddColumn(nullptr, "DAILY", nullptr, 1);
    task.Titles({"AttStdRef", "AttDate", "AttAttCodeRef", "AttTimeFrameRef"});
    EXPECT_EQ(Thrown([&] { task.WriteAttendanceTable(Ymd(2024, 2, 26), Ymd(2024, 6, 14), nullptr, false); }),
              "Failed with error [disk on fire] while caching attendance table [DAILY_ATT] with query: "
              "SELECT * FROM Fake");
    EXPECT_EQ(task.clearFilterCalls, 1);
    EXPECT_EQ(CacheRows(folder, "DAILY_ATT", "timeframe"), Texts({"S1|2024-02-27|||NULL|ok|"}));

    // A changed configuration removes the cache.
    task.m_schoolNumber = "202";
    task.StartWriter();
    EXPECT_FALSE(fs::exists(folder.File("Attendance/Attendance.db")));
}

TEST(AttendanceCache, TheTablesAreMadeAfterAWaitForAnotherProgramsWriteLock)
{
    TempFolder folder;
    fs::create_directories(folder.File("Attendance"));
    sqlite::Database other;
    other.Open(folder.File("Attendance/Attendance.db").c_str());
    other.Execute("CREATE TABLE OTHER (x)");
    other.Execute("BEGIN IMMEDIATE");
    FakeTask task;
    Prepare(task, folder);
    // The other program lets go as soon as the task waits for it.
    QObject::connect(&task, &AppTaskBase::writeLog, [&](int, const QString& message, const QString&) {
        if (message.startsWith("Waiting for another program's lock") && other.InTransaction())
            other.Execute("ROLLBACK");
    });
    task.StartAttTable("DAILY_ATT", false, false);
    EXPECT_EQ(Rows(folder, "SELECT name AS r FROM sqlite_master WHERE name IN ('ATT_READ', 'DAILY_ATT') ORDER BY 1"),
              Texts({"ATT_READ", "DAILY_ATT"}));
    EXPECT_EQ(task.log.filter("Waiting for another program's lock on the attendance history").size(), 1);
}
