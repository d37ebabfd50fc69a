// The change-date filter over date windows, and the export of the cached attendance into ".PDU" sections.

#include "DaTestSupport.h"
#include "ReaderSource.h"

#include "Query.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

using datest::Recorder;
using datest::TestTask;

namespace {

XDate Day(const char* iso)
{
    XDate date;
    date.FromISO(iso);
    return date;
}

// The only update file of the folder with the given time stamp.
std::string UpdateFile(const std::string& folder, const std::string& stamp)
{
    return vhtest::ReadBytes(folder + "/Update " + stamp + ".PDU");
}

class CacheTask : public TestTask
{
public:
    CacheTask() : TestTask(0, DbSybaseOdbc) {}

    void AddDailyHeader(const char* name) { AddAttHeader(m_dailyAttHeaders, name); }
    bool FilterAttendanceRow(const XString& key) override { return key != rejectedKey.c_str(); }

    std::string rejectedKey;
};

const char kDailyTitles[] =
    "AttAttCodeRef\tAttAttReasonRef\tAttExcused\tAttAbs\tAttTardy\tAttTruant\tAttDiscipline\r\n";

std::string Section(const std::string& title, const std::string& header, const std::string& rows)
{
    return "// " + title + "\r\nAttStdRef\tAttDate\t" + header + "\t" + kDailyTitles + rows + "*\r\n\r\n";
}

int Pending(sqlite::Database& cache, const char* table)
{
    sqlite::Query q(cache);
    q.Prepare(
        "SELECT COUNT(*) AS n FROM %s WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)",
        table);
    q.Step();
    return q.IntColumn("n");
}

void Export(CacheTask& task, const char* now)
{
    task.SetFixedNow(XDateTime(Day(now), XTime(10 * 3600 * 1000)));
    XTextFile pdu;
    task.StartUpdateFile(&pdu);
    task.ExportCachedAttendance();
    task.FinishUpdateFile();
}

}  // namespace

TEST(AttendanceFilter, EachWindowReplacesThePrevious)
{
    readertest::UseReaderSource();
    TestTask task(0, DbSybaseOdbc);
    Recorder log(task);
    readertest::TempFolder temp("vh-cache");
    const std::string& folder = temp.path;
    task.SetOutputFolder(folder.c_str());
    task.Connect(readertest::SourceConnectionString());

    task.StartOutputTable("Student Daily Attendance", "StudentDailyAtt.pef", false);
    ODBCTable* t = task.AddTable("Attendance", "att", false);
    task.AddFieldColumn(t, "StudentID", DataAccessBase::AsValueOperation(&DataAccessBase::FormatText),
                        "AttStdRef", true);
    ODBCField* date = task.AddFieldColumn(
        t, "Att_Date", DataAccessBase::AsValueOperation(&DataAccessBase::FormatDate), "AttDate", true);
    task.AddCondition("AND", task.GetField(t, "SchoolID", true), "=", "100");
    task.AddOrder(date);
    task.SetChangeDateField(date);

    const char* const windows[][2] = {
        {"2024-09-01", "2024-09-07"}, {"2024-09-08", "2024-09-14"}, {"2024-09-15", "2024-09-21"}};
    const char* const rows[] = {"S1\t09/02/2024\r\nS1\t09/05/2024\r\n", "S2\t09/09/2024\r\n",
                                "S3\t09/16/2024\r\n"};
    for (int i = 0; i < 3; ++i) {
        task.FilterAttendance(Day(windows[i][0]), Day(windows[i][1]));
        task.WriteTable(nullptr, XString());
        EXPECT_EQ(vhtest::ReadBytes(folder + "/StudentDailyAtt.pef"), rows[i]) << "window " << i;
    }
    EXPECT_EQ(Str(task.BuildQuery()),
              "SELECT att.StudentID, att.Att_Date, att.SchoolID FROM Attendance att  WHERE "
              "att.SchoolID = 100 AND att.Att_Date >= '2024-09-15' AND att.Att_Date <= "
              "'2024-09-21' ORDER BY att.Att_Date");

    // A window without a real start date only bounds its end.
    task.FilterAttendance(XDate(), Day("2024-09-05"));
    EXPECT_EQ(Str(task.BuildQuery()),
              "SELECT att.StudentID, att.Att_Date, att.SchoolID FROM Attendance att  WHERE "
              "att.SchoolID = 100 AND att.Att_Date <= '2024-09-05' ORDER BY att.Att_Date");
    task.FilterAttendance(XDate(0), XDate());
    EXPECT_EQ(task.GetQueryModel().conditions.size(), 1u);

    task.ClearAttendanceFilter();
    EXPECT_EQ(task.GetChangeDateField(), nullptr);
    try {
        task.FilterAttendance(Day("2024-09-01"), Day("2024-09-07"));
        ADD_FAILURE() << "no change date: the filter must stop";
    } catch (const XException& e) {
        EXPECT_STREQ(e.GetMessage(), "FilterAttendance: There is no change date set! So cannot filter.");
    }
    EXPECT_TRUE(log.Has(5, "FilterAttendance: There is no change date set! So cannot filter."));
}

TEST(CachedAttendance, PendingRowsAreExportedOnce)
{
    CacheTask task;
    readertest::TempFolder temp("vh-cache");
    const std::string& folder = temp.path;
    task.SetOutputFolder(folder.c_str());
    task.SetFixedNow(XDateTime(Day("2024-09-20"), XTime(9 * 3600 * 1000)));
    task.StartAttTable("DAILY_ATT", false, false);
    task.StartAttTable("PERIOD_ATT", false, false);
    task.AddDailyHeader("AttAM");
    sqlite::Database& cache = task.GetAttendanceCache();
    cache.Execute(
        "INSERT INTO DAILY_ATT VALUES ('O''Brien', '2024-09-05', 'AD', '', '0', '1', '0', '0', '0', "
        "'AttTimeFrameRef', 'A', 'E')");
    cache.Execute("INSERT INTO DAILY_ATT VALUES ('S1', '2024-09-02', 'AD', 'Sick', '1', '1', '0', '0', '0', "
                  "'AttTimeFrameRef', NULL, 'A')");
    cache.Execute("INSERT INTO DAILY_ATT VALUES ('S2', '2024-09-03', 'AD', '', '0', '1', '0', '0', '0', '', "
                  "NULL, 'U')");
    cache.Execute("INSERT INTO DAILY_ATT VALUES ('S3', '2024-09-04', 'AD', '', '0', '0', '1', '0', '0', "
                  "'AttTimeFrameRef', 'T', 'T')");
    cache.Execute(
        "INSERT INTO DAILY_ATT VALUES ('S5', '2024-09-06', 'AM', '', '0', '1', '0', '0', '0', 'AttAM', NULL, "
        "'A')");
    cache.Execute("INSERT INTO DAILY_ATT VALUES ('S6', '2024-09-06', 'AD', '', '0', '1', '0', '0', '0', "
                  "'AttTimeFrameRef', NULL, NULL)");
    cache.Execute(
        "INSERT INTO PERIOD_ATT VALUES ('S1', '2024-09-02', 'P1', '', '0', '1', '0', '0', '0', 'AttPerRef', "
        "NULL, 'A')");
    cache.Execute("INSERT INTO PERIOD_ATT VALUES ('S1', '2024-09-02', 'P2', '', '0', '1', '0', '0', '0', '', "
                  "NULL, 'A')");
    cache.Execute(
        "INSERT INTO PERIOD_ATT VALUES ('S2', '2024-09-02', 'P1', '', '0', '0', '0', '0', '0', 'AttPerRef', "
        "'A', 'A')");

    Export(task, "2024-09-21");
    const std::string first = UpdateFile(folder, "20240921100000");
    EXPECT_NE(
        first.find(Section("Cached Daily Attendance", "AttAM", "S5\t09/06/2024\tAM\tA\t\t0\t1\t0\t0\t0\r\n")),
        std::string::npos)
        << first;
    EXPECT_NE(first.find(Section("Cached Daily Attendance", "AttTimeFrameRef",
                                 "O'Brien\t09/05/2024\tAD\tE\t\t0\t1\t0\t0\t0\r\n"
                                 "S1\t09/02/2024\tAD\tA\tSick\t1\t1\t0\t0\t0\r\n"
                                 "S2\t09/03/2024\tAD\tU\t\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << first;
    EXPECT_NE(first.find(Section("Cached Period Attendance", "AttPerRef",
                                 "S1\t09/02/2024\tP1\tA\t\t0\t1\t0\t0\t0\r\n"
                                 "S1\t09/02/2024\tP2\tA\t\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << first;
    EXPECT_LT(first.find("// Cached Daily Attendance\r\nAttStdRef\tAttDate\tAttAM"),
              first.find("// Cached Daily Attendance\r\nAttStdRef\tAttDate\tAttTimeFrameRef"));
    EXPECT_EQ(Pending(cache, "DAILY_ATT"), 0);
    EXPECT_EQ(Pending(cache, "PERIOD_ATT"), 0);

    // Exported twice: the sections stay, their rows do not come again.
    Export(task, "2024-09-22");
    const std::string second = UpdateFile(folder, "20240922100000");
    EXPECT_NE(second.find(Section("Cached Daily Attendance", "AttTimeFrameRef", "")), std::string::npos)
        << second;
    EXPECT_NE(second.find(Section("Cached Period Attendance", "AttPerRef", "")), std::string::npos) << second;
    EXPECT_EQ(second.find("O'Brien"), std::string::npos);

    // A changed code is pending again; the row filter keeps a rejected row pending.
    cache.Execute("UPDATE DAILY_ATT SET newcode = 'A' WHERE stdkey = 'S3'");
    cache.Execute("UPDATE DAILY_ATT SET newcode = 'T' WHERE stdkey = 'O''Brien'");
    task.rejectedKey = "S3";
    task.SetFixedNow(XDateTime(Day("2024-09-23"), XTime(10 * 3600 * 1000)));
    XTextFile pdu;
    task.StartUpdateFile(&pdu);
    task.ExportAttendance(true);
    task.FinishUpdateFile();
    const std::string third = UpdateFile(folder, "20240923100000");
    EXPECT_NE(third.find(Section("Cached Daily Attendance", "AttTimeFrameRef",
                                 "O'Brien\t09/05/2024\tAD\tT\t\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << third;
    EXPECT_EQ(Pending(cache, "DAILY_ATT"), 1);
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
    CacheTask task;
    Recorder log(task);
    readertest::TempFolder temp("vh-cache");
    const std::string& folder = temp.path;
    task.SetOutputFolder(folder.c_str());
    task.StartAttTable("DAILY_ATT", false, false);
    sqlite::Database& cache = task.GetAttendanceCache();
    // A period table that lacks a column: its section is closed, the run goes on.
    cache.Execute(
        "CREATE TABLE PERIOD_ATT (stdkey TEXT, attdate TEXT, perkey TEXT, header TEXT, oldcode TEXT, "
        "newcode TEXT)");
    cache.Execute("INSERT INTO DAILY_ATT VALUES ('S1', '2024-09-02', 'AD', '', '0', '1', '0', '0', '0', "
                  "'AttTimeFrameRef', NULL, 'A')");
    Export(task, "2024-09-21");
    const std::string pdu = UpdateFile(folder, "20240921100000");
    EXPECT_NE(pdu.find(Section("Cached Period Attendance", "AttPerRef", "")), std::string::npos) << pdu;
    EXPECT_NE(pdu.find(Section("Cached Daily Attendance", "AttTimeFrameRef",
                               "S1\t09/02/2024\tAD\tA\t\t0\t1\t0\t0\t0\r\n")),
              std::string::npos)
        << pdu;
    EXPECT_TRUE(log.Contains("CreateStudentPeriodAttendanceFromDB Warning: "));
    EXPECT_TRUE(log.Has(7, "CreateStudentPeriodAttendanceFromDB At least 1 update failed"));
    EXPECT_EQ(Pending(cache, "DAILY_ATT"), 0);
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
    cache.Execute("INSERT INTO DAILY_ATT VALUES ('S1', '2024-09-02', 'AD', '', '0', '1', '0', '0', '0', "
                  "'AttTimeFrameRef', NULL, 'A')");
    cache.Execute("INSERT INTO PERIOD_ATT VALUES ('S2', '2024-09-02', 'P1', '', '0', '1', '0', '0', '0', "
                  "'AttPerRef', 'T', 'A')");
}

// Pending rows of both tables as another process sees them (only what was made durable).
int DurablyPending(const std::string& folder)
{
    sqlite::Database other;
    other.Open((folder + "/Attendance/Attendance.db").c_str());
    return Pending(other, "DAILY_ATT") + Pending(other, "PERIOD_ATT");
}

}  // namespace

TEST(CachedAttendance, MarksLastOnlyWithAFinishedUpdateFile)
{
    const char* const rows = "S1\t09/02/2024\tAD\tA\t\t0\t1\t0\t0\t0\r\n";
    readertest::TempFolder temp("vh-cache");
    const std::string& folder = temp.path;
    {
        // The update file cannot be closed: the rows stay pending and the run fails.
        CacheTask task;
        task.SetOutputFolder(folder.c_str());
        task.StartAttTable("DAILY_ATT", false, false);
        task.StartAttTable("PERIOD_ATT", false, false);
        sqlite::Database& cache = task.GetAttendanceCache();
        FillPendingRows(cache);
        task.SetFixedNow(XDateTime(Day("2024-09-21"), XTime(10 * 3600 * 1000)));
        FailingCloseFile pdu;
        task.StartUpdateFile(&pdu);
        task.ExportCachedAttendance();
        EXPECT_EQ(Pending(cache, "DAILY_ATT") + Pending(cache, "PERIOD_ATT"), 0);  // marked, not yet kept
        EXPECT_EQ(DurablyPending(folder), 2);
        EXPECT_THROW(task.FinishUpdateFile(), XException);
        EXPECT_EQ(Pending(cache, "DAILY_ATT") + Pending(cache, "PERIOD_ATT"), 2);
        EXPECT_EQ(DurablyPending(folder), 2);

        // A run that fails between the export and the end of its update file keeps them pending too.
        BrokenRunTask broken;
        Recorder brokenLog(broken);
        ParamMap params;
        params["path"] = QString::fromStdString(folder);
        QString result;
        EXPECT_FALSE(broken.BeginExecute(params, BridgeTaskBase::ModeUpdate, result));
        EXPECT_EQ(brokenLog.Count(8, "Attendance Query: Wrote1 records."), 2);  // both rows were written
        sqlite::Database& brokenCache = broken.GetAttendanceCache();
        EXPECT_EQ(Pending(brokenCache, "DAILY_ATT") + Pending(brokenCache, "PERIOD_ATT"), 2);
        EXPECT_EQ(DurablyPending(folder), 2);
    }
    EXPECT_EQ(DurablyPending(folder), 2);

    // The next good run exports them and keeps the marks.
    CacheTask task;
    task.SetOutputFolder(folder.c_str());
    task.StartAttTable("DAILY_ATT", false, false);
    task.StartAttTable("PERIOD_ATT", false, false);
    Export(task, "2024-09-22");
    const std::string pdu = UpdateFile(folder, "20240922100000");
    EXPECT_NE(pdu.find(Section("Cached Daily Attendance", "AttTimeFrameRef", rows)), std::string::npos)
        << pdu;
    EXPECT_NE(pdu.find("S2\t09/02/2024\tP1\tA\t"), std::string::npos) << pdu;
    EXPECT_EQ(DurablyPending(folder), 0);
}
