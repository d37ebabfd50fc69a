// The export of the cached attendance into ".PDU" sections.

#include "DaTestSupport.h"
#include "ReaderSource.h"

#include "Query.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using datest::Recorder;
using datest::TestTask;

// The cache columns that the rows below fill, in order; the record id stays NULL.
#define CACHE_COLUMNS(key)                                                                                   \
    "(stdkey, attdate, " key ", reason, excused, absent, tardy, truant, discipline, header, oldcode, "       \
                             "newcode)"
#define DAILY_COLUMNS CACHE_COLUMNS("timeframe")
#define PERIOD_COLUMNS CACHE_COLUMNS("perkey")

namespace {

XDate Day(const char* iso)
{
    XDate date;
    date.FromISO(iso);
    return date;
}

// A task whose output folder is the folder, with both cache tables started when tables is set.
class CacheTask : public TestTask
{
public:
    explicit CacheTask(const std::string& folder = std::string(), bool tables = true)
        : TestTask(0, DbSybaseOdbc)
    {
        if (folder.empty())
            return;
        SetOutputFolder(folder.c_str());
        StartAttTable("DAILY_ATT", false, false);
        if (tables)
            StartAttTable("PERIOD_ATT", false, false);
    }

    void AddDailyHeader(const char* name) { AddAttHeader(m_dailyAttHeaders, name); }
    bool FilterAttendanceRow(const XString& key) override { return key != rejectedKey.c_str(); }

    std::string rejectedKey;
};

const char kDailyTitles[] =
    "AttAttCodeRef\tAttAttReasonRef\tAttExcused\tAttAbs\tAttTardy\tAttTruant\tAttDiscipline\r\n";

const char kDaily[] = "Cached Daily Attendance";
const char kPeriod[] = "Cached Period Attendance";
const char kPendingDaily[] =
    "INSERT INTO DAILY_ATT " DAILY_COLUMNS " VALUES ('S1', '2024-09-02', 'AD', '', '0', '1', '0', '0', '0', "
    "'AttTimeFrameRef', NULL, 'A')";
const char kDailyRow[] = "S1\t09/02/2024\tAD\tA\t\t0\t1\t0\t0\t0\r\n";

std::string Section(const std::string& title, const std::string& header, const std::string& rows)
{
    return "// " + title + "\r\nAttStdRef\tAttDate\t" + header + "\t" + kDailyTitles + rows + "*\r\n\r\n";
}

// Rows whose new code is still to be exported, of the table or of both ("").
int Pending(sqlite::Database& cache, const char* table = "")
{
    if (!*table)
        return Pending(cache, "DAILY_ATT") + Pending(cache, "PERIOD_ATT");
    sqlite::Query q(cache);
    q.Prepare(
        "SELECT COUNT(*) AS n FROM %s WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)",
        table);
    q.Step();
    return q.IntColumn("n");
}

// Exports at ten o'clock of the day (or, with filter, through the row filter); answers the update file.
std::string Export(CacheTask& task, const char* day, bool filter = false)
{
    task.SetFixedNow(XDateTime(Day(day), XTime(10 * 3600 * 1000)));
    XTextFile pdu;
    task.StartUpdateFile(&pdu);
    if (filter)
        task.ExportAttendance(true);
    else
        task.ExportCachedAttendance();
    task.FinishUpdateFile();
    return vhtest::ReadBytes(std::string(task.GetOutputFolder().CStr()) + "/Update " +
                             Day(day).ToISO().Remove("-").CStr() + "100000.PDU");
}

}  // namespace

TEST(CachedAttendance, PendingRowsAreExportedOnce)
{
    readertest::TempFolder temp("vh-cache");
    CacheTask task(temp.path);
    task.AddDailyHeader("AttAM");
    sqlite::Database& cache = task.GetAttendanceCache();
    cache.Execute(
        "INSERT INTO DAILY_ATT " DAILY_COLUMNS " VALUES "
        "('O''Brien', '2024-09-05', 'AD', '', '0', '1', '0', '0', '0', 'AttTimeFrameRef', 'A', 'E'), "
        "('S1', '2024-09-02', 'AD', 'Sick', '1', '1', '0', '0', '0', 'AttTimeFrameRef', NULL, 'A'), "
        "('S2', '2024-09-03', 'AD', '', '0', '1', '0', '0', '0', '', NULL, 'U'), "
        "('S3', '2024-09-04', 'AD', '', '0', '0', '1', '0', '0', 'AttTimeFrameRef', 'T', 'T'), "
        "('S5', '2024-09-06', 'AM', '', '0', '1', '0', '0', '0', 'AttAM', NULL, 'A'), "
        "('S6', '2024-09-06', 'AD', '', '0', '1', '0', '0', '0', 'AttTimeFrameRef', NULL, NULL)");
    cache.Execute("INSERT INTO PERIOD_ATT " PERIOD_COLUMNS " VALUES "
                  "('S1', '2024-09-02', 'P1', '', '0', '1', '0', '0', '0', 'AttPerRef', NULL, 'A'), "
                  "('S1', '2024-09-02', 'P2', '', '0', '1', '0', '0', '0', '', NULL, 'A'), "
                  "('S2', '2024-09-02', 'P1', '', '0', '0', '0', '0', '0', 'AttPerRef', 'A', 'A')");

    const std::string first = Export(task, "2024-09-21");
    const std::string am = Section(kDaily, "AttAM", "S5\t09/06/2024\tAM\tA\t\t0\t1\t0\t0\t0\r\n");
    const std::string day = Section(kDaily, "AttTimeFrameRef",
                                    "O'Brien\t09/05/2024\tAD\tE\t\t0\t1\t0\t0\t0\r\n"
                                    "S1\t09/02/2024\tAD\tA\tSick\t1\t1\t0\t0\t0\r\n"
                                    "S2\t09/03/2024\tAD\tU\t\t0\t1\t0\t0\t0\r\n");
    EXPECT_NE(first.find(day), std::string::npos) << first;
    EXPECT_LT(first.find(am), first.find(day)) << first;
    EXPECT_NE(first.find(Section(kPeriod, "AttPerRef",
                                 "S1\t09/02/2024\tP1\tA\t\t0\t1\t0\t0\t0\r\n"
                                 "S1\t09/02/2024\tP2\tA\t\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << first;
    EXPECT_EQ(Pending(cache), 0);

    // Exported twice: the sections stay, their rows do not come again.
    const std::string second = Export(task, "2024-09-22");
    EXPECT_NE(second.find(Section(kDaily, "AttTimeFrameRef", "")), std::string::npos) << second;
    EXPECT_NE(second.find(Section(kPeriod, "AttPerRef", "")), std::string::npos) << second;

    // A changed code is pending again; the row filter marks each row it writes, those with an
    // empty header too, and keeps a rejected row pending.
    cache.Execute("UPDATE DAILY_ATT SET newcode = 'A' WHERE stdkey = 'S3'");
    cache.Execute("UPDATE DAILY_ATT SET newcode = 'T' WHERE stdkey = 'O''Brien'");
    cache.Execute("UPDATE DAILY_ATT SET newcode = 'E' WHERE stdkey = 'S2'");
    cache.Execute("UPDATE PERIOD_ATT SET newcode = 'T' WHERE perkey = 'P2'");
    task.rejectedKey = "S3";
    const std::string third = Export(task, "2024-09-23", true);
    EXPECT_NE(third.find(Section(kDaily, "AttTimeFrameRef",
                                 "O'Brien\t09/05/2024\tAD\tT\t\t0\t1\t0\t0\t0\r\n"
                                 "S2\t09/03/2024\tAD\tE\t\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << third;
    EXPECT_NE(third.find(Section(kPeriod, "AttPerRef", "S1\t09/02/2024\tP2\tT\t\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << third;
    EXPECT_EQ(Pending(cache, "DAILY_ATT"), 1);
    EXPECT_EQ(Pending(cache, "PERIOD_ATT"), 0);
    const std::string fourth = Export(task, "2024-09-24", true);
    EXPECT_NE(fourth.find(Section(kDaily, "AttTimeFrameRef", "")), std::string::npos) << fourth;
    EXPECT_NE(fourth.find(Section(kPeriod, "AttPerRef", "")), std::string::npos) << fourth;
}

TEST(CachedAttendance, CachedTextsKeepTheRecordOnItsLine)
{
    readertest::TempFolder temp("vh-cache");
    CacheTask task(temp.path);
    sqlite::Database& cache = task.GetAttendanceCache();
    cache.Execute(
        "INSERT INTO DAILY_ATT " DAILY_COLUMNS " VALUES ('S1', '2024-09-02', 'A' || char(13, 10) || 'D', "
        "'Sick' || char(9) || 'at' || char(10) || 'home', '0', '1', '0', '0', '0', 'AttTimeFrameRef', NULL, "
        "'A' || char(13) || 'B')");
    const std::string file = Export(task, "2024-09-21");
    EXPECT_NE(file.find(Section(kDaily, "AttTimeFrameRef",
                                "S1\t09/02/2024\tA  D\tA B\tSickat home\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << file;
    EXPECT_EQ(Pending(cache), 0);
}

TEST(CachedAttendance, MissingAndBrokenCacheTables)
{
    {
        CacheTask task;
        Recorder log(task);
        task.ExportCachedAttendance();
        EXPECT_TRUE(log.Has(7, "Daily Attendance Table does not exist, skipping"));
        EXPECT_TRUE(log.Has(7, "Period Attendance Table does not exist, skipping"));
    }
    readertest::TempFolder temp("vh-cache");
    // Given to the cache in place of the run's wait, below.
    sqlite::WaitBudget noWait(0);
    CacheTask task(temp.path, false);
    Recorder log(task);
    sqlite::Database& cache = task.GetAttendanceCache();
    // A period table that lacks a column fails the run: no update file, and the daily rows
    // written before it stay pending.
    cache.Execute("CREATE TABLE PERIOD_ATT (stdkey TEXT, attdate TEXT, perkey TEXT, header TEXT, oldcode "
                  "TEXT, newcode TEXT)");
    cache.Execute(kPendingDaily);
    EXPECT_EQ(vhtest::Thrown([&] { Export(task, "2024-09-21"); }),
              "SQLite Attendance: Could not export the attendance history: no such column: reason");
    task.DropExportMarks();
    EXPECT_TRUE(log.Contains("CreateStudentPeriodAttendanceFromDB Warning: "));
    EXPECT_TRUE(log.Has(7, "CreateStudentPeriodAttendanceFromDB At least 1 update failed"));
    EXPECT_EQ(Pending(cache, "DAILY_ATT"), 1);
    EXPECT_FALSE(std::filesystem::exists(temp.path + "/Update 20240921100000.PDU"));
    EXPECT_FALSE(std::filesystem::exists(temp.path + "/Update 20240921100000.PDU.partial"));

    // A check that gets no answer (another program holds the history) is no missing table: the
    // export fails, skips nothing and marks nothing.
    cache.Execute("UPDATE DAILY_ATT SET newcode = 'B'");
    cache.SetWaitBudget(noWait);
    sqlite::Database other;
    other.Open((temp.path + "/Attendance/Attendance.db").c_str());
    other.Execute("BEGIN EXCLUSIVE");
    log.Clear();
    XTextFile held;
    task.StartUpdateFile(&held);
    std::string error;
    try {
        task.ExportCachedAttendance();
    } catch (const XException& e) {
        error = e.GetMessage();
    }
    held.Discard();
    other.Execute("ROLLBACK");
    EXPECT_EQ(error.rfind("SQLite Attendance: Could not check whether the table DAILY_ATT exists: ", 0), 0u)
        << error;
    EXPECT_FALSE(log.Contains("does not exist, skipping"));
    EXPECT_EQ(Pending(cache, "DAILY_ATT"), 1);
}

namespace {

// An update file whose first Close fails, as on a full disk.
class FailingCloseFile : public XTextFile
{
public:
    void Close() override
    {
        if (IsOpen() && !failed) {
            failed = true;
            XFile::Close();
            throw XException("write failed ( 28 ): No space left on device");
        }
        XFile::Close();
    }
    bool failed = false;
};

// A run of the update pass that ends with a failure after the export, before the file is finished.
class BrokenRunTask : public CacheTask
{
public:
    bool Execute(ParamMap, int, QString&) override
    {
        StartAttTable("DAILY_ATT", false, false);
        StartAttTable("PERIOD_ATT", false, false);
        XTextFile pdu;
        StartUpdateFile(&pdu);
        ExportCachedAttendance();
        LogAndThrow(2, "Failed while reading the next table");
    }
};

void FillPendingRows(sqlite::Database& cache)
{
    cache.Execute(kPendingDaily);
    cache.Execute("INSERT INTO PERIOD_ATT " PERIOD_COLUMNS
                  " VALUES ('S2', '2024-09-02', 'P1', '', '0', '1', '0', '0', '0', "
                  "'AttPerRef', 'T', 'A')");
}

// Pending rows of both tables as another process sees them (only what was made durable).
int DurablyPending(const std::string& folder)
{
    sqlite::Database other;
    other.Open((folder + "/Attendance/Attendance.db").c_str());
    return Pending(other);
}

}  // namespace

TEST(CachedAttendance, MarksLastOnlyWithAFinishedUpdateFile)
{
    readertest::TempFolder temp("vh-cache");
    const std::string& folder = temp.path;
    {
        // The update file cannot be closed: the rows stay pending and the run fails.
        CacheTask task(folder);
        sqlite::Database& cache = task.GetAttendanceCache();
        FillPendingRows(cache);
        task.SetFixedNow(XDateTime(Day("2024-09-21"), XTime(10 * 3600 * 1000)));
        FailingCloseFile pdu;
        task.StartUpdateFile(&pdu);
        task.ExportCachedAttendance();
        EXPECT_EQ(Pending(cache), 0);  // marked, not yet kept
        EXPECT_EQ(DurablyPending(folder), 2);
        EXPECT_THROW(task.FinishUpdateFile(), XException);
        EXPECT_EQ(Pending(cache), 2);
        EXPECT_EQ(DurablyPending(folder), 2);

        // A run that fails between the export and the end of its update file keeps them pending too.
        BrokenRunTask broken;
        Recorder brokenLog(broken);
        ParamMap params;
        params["path"] = QString::fromStdString(folder);
        QString result;
        EXPECT_FALSE(broken.BeginExecute(params, BridgeTaskBase::ModeUpdate, result));
        EXPECT_EQ(brokenLog.Count(8, "Attendance Query: Wrote1 records."), 2);  // both rows were written
        EXPECT_EQ(Pending(broken.GetAttendanceCache()), 2);
        EXPECT_EQ(DurablyPending(folder), 2);
    }
    EXPECT_EQ(DurablyPending(folder), 2);

    // The next good run exports them and keeps the marks.
    CacheTask task(folder);
    const std::string pdu = Export(task, "2024-09-22");
    EXPECT_NE(pdu.find(Section(kDaily, "AttTimeFrameRef", kDailyRow)), std::string::npos) << pdu;
    EXPECT_NE(pdu.find("S2\t09/02/2024\tP1\tA\t"), std::string::npos) << pdu;
    EXPECT_EQ(DurablyPending(folder), 0);
}
