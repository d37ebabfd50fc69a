// The update file's delivery: its stamp, the commit of its marks, its name and the leftovers of
// earlier runs, with faults injected at its file-system calls.

#include "ExportTestSupport.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "Database.h"
#include "Query.h"
#include "UpdateFileDelivery.h"

namespace {

const char kFirst[] = "Update 20240305140709.PDU";

// A delivery whose file-system calls fail where asked.
class FaultyDelivery : public UpdateFileDelivery
{
public:
    using UpdateFileDelivery::UpdateFileDelivery;
    std::string failAt;  // "sync-folder" or "rename"

protected:
    void SyncFolder() override
    {
        if (failAt == "sync-folder")
            throw XException("Could not sync folder ( 5 ): injected", EIO);
        UpdateFileDelivery::SyncFolder();
    }
    void Rename(const XString& from, const XString& to) override
    {
        if (failAt == "rename")
            throw XException("Could not rename file ( 13 ): injected", EACCES);
        UpdateFileDelivery::Rename(from, to);
    }
};

// A history with one pending row, and the delivery into its folder.
struct History
{
    History()
    {
        fs::create_directories(folder.File("Attendance"));
        db.Open(Path().c_str());
        db.Execute("CREATE TABLE DAILY_ATT (stdkey TEXT, oldcode TEXT, newcode TEXT)");
        db.Execute("INSERT INTO DAILY_ATT VALUES ('S1', NULL, 'A')");
        delivery.SetFolder(folder.path.c_str(), Path().c_str());
        delivery.SetLog([this](int level, const XString& text) {
            log.push_back(std::to_string(level) + " " + text.CStr());
        });
    }
    std::string Path() const { return folder.File("Attendance/Attendance.db"); }
    // Marks the row and starts the update file with the text, under its temporary name.
    void Write(XTextFile& file, const char* name, const char* text)
    {
        delivery.HoldMarks();
        db.Execute("UPDATE DAILY_ATT SET oldcode = newcode");
        file.Open(folder.File(name).c_str(), XFile::ModeWrite | XFile::ModeReplace);
        file.Write(text);
    }
    // Pending rows as another program sees them.
    int Pending() const
    {
        sqlite::Database other;
        other.Open(Path().c_str());
        sqlite::Query q(other);
        q.Prepare("SELECT COUNT(*) AS n FROM DAILY_ATT WHERE oldcode IS NULL");
        q.Step();
        return q.IntColumn("n");
    }
    std::string Recorded() const
    {
        sqlite::Database other;
        other.Open(Path().c_str());
        sqlite::Query table(other);
        table.Prepare("SELECT name FROM sqlite_master WHERE name = 'UPDATE_FILE'");
        if (!table.Step())
            return "";
        sqlite::Query q(other);
        q.Prepare("SELECT name || '/' || size AS r FROM UPDATE_FILE");
        return q.Step() ? q.StringColumn("r").CStr() : "";
    }
    bool Logged(const std::string& line) const
    {
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    TempFolder folder;
    sqlite::Database db;
    FaultyDelivery delivery{db};
    std::vector<std::string> log;
};

XDateTime At(int y, int m, int d, int hh, int nn, int ss)
{
    XTime time;
    time.Set(hh, nn, ss);
    return XDateTime(Ymd(y, m, d), time);
}

}  // namespace

TEST(UpdateFileDelivery, AFailureBeforeTheCommitLeavesNeitherFileNorMarks)
{
    History h;
    {
        // The folder's new entry cannot be put on the disk.
        h.delivery.failAt = "sync-folder";
        XTextFile file;
        h.Write(file, kFirst, "S1\tA\r\n");
        EXPECT_EQ(Thrown([&] { h.delivery.Deliver(file); }),
                  "Failed with error [Could not sync folder ( 5 ): injected] while writing file [" +
                      std::string(kFirst) + "]");
        EXPECT_FALSE(fs::exists(h.folder.File(kFirst)));
        EXPECT_FALSE(fs::exists(h.folder.File(kFirst) + ".partial"));
        EXPECT_FALSE(h.delivery.MarksHeld());
        EXPECT_EQ(h.Pending(), 1);
        EXPECT_EQ(h.Recorded(), "");
    }
    {
        // Another program reads the history: the commit waits, then fails.
        h.delivery.failAt.clear();
        sqlite::Database reader;
        reader.Open(h.Path().c_str());
        reader.Execute("BEGIN");
        reader.Execute("SELECT COUNT(*) FROM DAILY_ATT");
        h.db.SetBusyTimeout(100);
        XTextFile file;
        h.Write(file, kFirst, "S1\tA\r\n");
        EXPECT_EQ(Thrown([&] { h.delivery.Deliver(file); }),
                  "SQLite Attendance: Could not mark the exported rows: database is locked");
        reader.Execute("ROLLBACK");
        EXPECT_FALSE(fs::exists(h.folder.File(kFirst)));
        EXPECT_FALSE(fs::exists(h.folder.File(kFirst) + ".partial"));
        EXPECT_EQ(h.Pending(), 1);
        EXPECT_EQ(h.Recorded(), "");
    }
    // Without faults the file takes its name with its marks.
    XTextFile file;
    h.Write(file, kFirst, "S1\tA\r\n");
    h.delivery.Deliver(file);
    EXPECT_EQ(ReadBytes(h.folder.File(kFirst)), "S1\tA\r\n");
    EXPECT_EQ(h.Pending(), 0);
    EXPECT_EQ(h.Recorded(), std::string(kFirst) + "/6");
}

TEST(UpdateFileDelivery, OnlyTheCommittedFileTakesItsName)
{
    History h;
    const std::string target = h.folder.File(kFirst);
    const std::string partial = target + ".partial";
    h.delivery.failAt = "rename";
    XTextFile file;
    h.Write(file, kFirst, "S1\tA\r\n");
    EXPECT_EQ(Thrown([&] { h.delivery.Deliver(file); }),
              "Could not give the update file " + std::string(kFirst) +
                  " its name: Permission denied. Its rows are marked sent; the next run gives it its name.");
    EXPECT_EQ(h.Pending(), 0);
    EXPECT_EQ(h.Recorded(), std::string(kFirst) + "/6");
    h.delivery.failAt.clear();

    // This run's own file, still open, is neither named nor removed.
    h.delivery.Recover(target.c_str());
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(ReadBytes(partial), "S1\tA\r\n");

    // Other bytes under the recorded name are not the committed file.
    WriteBytes(partial, "S1\tB\r\n");
    WriteBytes(h.folder.File("Update 20240301000000.PDU.partial"), "unfinished");
    h.delivery.Recover(XString());
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_FALSE(fs::exists(h.folder.File("Update 20240301000000.PDU.partial")));
    EXPECT_TRUE(h.Logged("4 Did not give the unfinished update file " + std::string(kFirst) +
                         ".partial its name: it is not the file that the attendance history recorded."));

    // The committed bytes take the name.
    WriteBytes(partial, "S1\tA\r\n");
    h.delivery.Recover(XString());
    EXPECT_EQ(ReadBytes(target), "S1\tA\r\n");
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_TRUE(h.Logged("7 Gave the update file " + std::string(kFirst) + " of an earlier run its name."));

    // An update file of that name is never replaced.
    WriteBytes(target, "imported\r\n");
    WriteBytes(partial, "S1\tA\r\n");
    h.delivery.Recover(XString());
    EXPECT_EQ(ReadBytes(target), "imported\r\n");
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_TRUE(h.Logged("4 Did not give the unfinished update file " + std::string(kFirst) +
                         ".partial its name: an update file of that name exists."));
}

TEST(UpdateFileDelivery, AStampSortsAfterEveryRecordedOrPresentOne)
{
    History h;
    EXPECT_STREQ(h.delivery.NewName(FixedNow()).CStr(), kFirst);

    h.db.Execute("CREATE TABLE UPDATE_FILE (name TEXT, size INTEGER, checksum TEXT)");
    h.db.Execute("INSERT INTO UPDATE_FILE VALUES ('Update 20240305140709.PDU', 6, '')");
    EXPECT_STREQ(h.delivery.NewName(FixedNow()).CStr(), "Update 20240305140710.PDU");
    // A clock a day behind.
    EXPECT_STREQ(h.delivery.NewName(At(2024, 3, 4, 14, 7, 9)).CStr(), "Update 20240305140710.PDU");
    EXPECT_STREQ(h.delivery.NewName(At(2024, 3, 5, 14, 7, 11)).CStr(), "Update 20240305140711.PDU");

    // Files of the folder count, finished or not; names without a real time do not.
    WriteBytes(h.folder.File("Update 20240305235959.PDU.partial"), "");
    WriteBytes(h.folder.File("update 20240305235958.pdu"), "");
    WriteBytes(h.folder.File("Update 20241399000000.PDU"), "");
    WriteBytes(h.folder.File("Update later.PDU"), "");
    EXPECT_STREQ(h.delivery.NewName(FixedNow()).CStr(), "Update 20240306000000.PDU");

    // With the history closed its record is still read.
    fs::remove(h.folder.File("Update 20240305235959.PDU.partial"));
    fs::remove(h.folder.File("update 20240305235958.pdu"));
    h.db.Close();
    EXPECT_STREQ(h.delivery.NewName(FixedNow()).CStr(), "Update 20240305140710.PDU");
}

TEST(UpdateFileDelivery, AStampWaitsForALockedHistoryAndNeverRepeatsTheRecordedOne)
{
    History h;
    h.db.Execute("CREATE TABLE UPDATE_FILE (name TEXT, size INTEGER, checksum TEXT)");
    h.db.Execute("INSERT INTO UPDATE_FILE VALUES ('Update 20240305140709.PDU', 6, '')");
    h.db.Close();
    // The recorded file was imported and removed; another program holds the write lock a moment.
    sqlite::Database other;
    other.Open(h.Path().c_str());
    other.Execute("BEGIN EXCLUSIVE");
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.Execute("ROLLBACK");
    });
    const XString name = h.delivery.NewName(FixedNow());
    release.join();
    EXPECT_STREQ(name.CStr(), "Update 20240305140710.PDU");

    // A name given without the record (the clock's second) is refused once the history is open.
    h.db.Open(h.Path().c_str());
    EXPECT_EQ(Thrown([&] { h.delivery.Recover(h.folder.File(kFirst).c_str()); }),
              "The update file " + std::string(kFirst) + " does not sort after " + kFirst +
                  ", the last one recorded in the attendance history, which could not be read when the file "
                  "was named.");
    h.delivery.Recover(h.folder.File("Update 20240305140710.PDU").c_str());
}

TEST(UpdateFileDelivery, AFileWithoutMarksIsRecordedSoThatTheNextStampSortsAfterIt)
{
    History h;
    h.db.Close();
    // A run that reads no attendance delivers its file with the history closed.
    {
        XTextFile file;
        file.Open(h.folder.File(kFirst).c_str(), XFile::ModeWrite | XFile::ModeReplace);
        file.Write("none\r\n");
        h.delivery.Deliver(file);
    }
    EXPECT_EQ(h.Recorded(), std::string(kFirst) + "/6");
    EXPECT_EQ(h.Pending(), 1);
    fs::remove(h.folder.File(kFirst));  // imported
    EXPECT_STREQ(h.delivery.NewName(FixedNow()).CStr(), "Update 20240305140710.PDU");

    // A committed file that waits for its name keeps its record, and gets its name later.
    WriteBytes(h.folder.File(kFirst) + ".partial", "none\r\n");
    {
        XTextFile file;
        file.Open(h.folder.File("Update 20240305140710.PDU").c_str(), XFile::ModeWrite | XFile::ModeReplace);
        file.Write("other\r\n");
        h.delivery.Deliver(file);
    }
    EXPECT_EQ(h.Recorded(), std::string(kFirst) + "/6");
    // A run that reads no attendance names it too, with the history closed.
    h.delivery.Recover(XString());
    EXPECT_EQ(ReadBytes(h.folder.File(kFirst)), "none\r\n");
    fs::remove(h.folder.File(kFirst));
    fs::remove(h.folder.File("Update 20240305140710.PDU"));

    // Without a history (or with an empty file) nothing is made.
    fs::remove(h.Path());
    WriteBytes(h.Path(), "");
    XTextFile file;
    file.Open(h.folder.File("Update 20240305140710.PDU").c_str(), XFile::ModeWrite | XFile::ModeReplace);
    file.Write("none\r\n");
    h.delivery.Deliver(file);
    EXPECT_TRUE(fs::exists(h.folder.File("Update 20240305140710.PDU")));
    EXPECT_EQ(fs::file_size(h.Path()), 0u);
}

TEST(UpdateFileDelivery, ARepeatedSecondAfterTheFileWasImportedGivesANewName)
{
    TempFolder folder;
    const std::string first = folder.File(kFirst);
    {
        FakeTask task;
        Prepare(task, folder);
        XTextFile update;
        task.StartUpdateFile(&update);
        task.StartAttTable("DAILY_ATT", false, false);
        task.HoldExportMarks();
        task.FinishUpdateFile();
    }
    ASSERT_TRUE(fs::exists(first));
    fs::remove(first);  // imported

    // The same second again: the run names its own file, after the recorded one.
    FakeTask task;
    Prepare(task, folder);
    XTextFile update;
    task.StartUpdateFile(&update);
    EXPECT_STREQ(XFileSpec(update.GetPath()).GetName().CStr(), "Update 20240305140710.PDU");
    task.StartAttTable("DAILY_ATT", false, false);
    EXPECT_TRUE(fs::exists(folder.File("Update 20240305140710.PDU.partial")));
    task.HoldExportMarks();
    task.FinishUpdateFile();
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(folder.File("Update 20240305140710.PDU")));
    EXPECT_FALSE(fs::exists(folder.File("Update 20240305140710.PDU.partial")));
}

TEST(UpdateFileDelivery, AHistoryOfAnEarlierVersionKeepsItsFileAndIsWidened)
{
    History h;
    // Recorded by an earlier version: the name alone, trusted.
    h.db.Execute("CREATE TABLE UPDATE_FILE (name TEXT)");
    h.db.Execute("INSERT INTO UPDATE_FILE VALUES ('Update 20240305140709.PDU')");
    WriteBytes(h.folder.File(kFirst) + ".partial", "S0\tA\r\n");
    h.delivery.Recover(XString());
    EXPECT_EQ(ReadBytes(h.folder.File(kFirst)), "S0\tA\r\n");

    // The next file is recorded with its size.
    XTextFile file;
    const XString name = h.delivery.NewName(FixedNow());
    EXPECT_STREQ(name.CStr(), "Update 20240305140710.PDU");
    h.Write(file, name.CStr(), "S1\tA\r\n");
    h.delivery.Deliver(file);
    EXPECT_EQ(h.Recorded(), "Update 20240305140710.PDU/6");
}
