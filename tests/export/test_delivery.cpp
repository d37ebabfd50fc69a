// The update file's delivery: its stamp, the commit of its marks, its name and the leftovers of
// earlier runs, with faults injected at its file-system calls.

#include "ExportTestSupport.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "Database.h"
#include "Query.h"
#include "UpdateFileDelivery.h"

namespace {

const char kFirst[] = "Update 20240305140709.PDU";

// A delivery whose file-system calls fail where asked, and are recorded in events when given.
class FaultyDelivery : public UpdateFileDelivery
{
public:
    using UpdateFileDelivery::UpdateFileDelivery;
    std::string failAt;  // "sync-folder", "sync-history" or "rename"
    std::vector<std::string>* events = nullptr;

protected:
    void SyncFile(XFile& file) override
    {
        Note("sync update file");
        UpdateFileDelivery::SyncFile(file);
    }
    void SyncFolder() override
    {
        Note("sync folder");
        if (failAt == "sync-folder")
            throw XException("Could not sync folder ( 5 ): injected", EIO);
        UpdateFileDelivery::SyncFolder();
    }
    void SyncHistoryFolder() override
    {
        Note("sync history folder");
        if (failAt == "sync-history")
            throw XException("Could not sync folder ( 5 ): injected", EIO);
        UpdateFileDelivery::SyncHistoryFolder();
    }
    void Rename(const XString& from, const XString& to) override
    {
        Note("rename");
        if (failAt == "rename")
            throw XException("Could not rename file ( 13 ): injected", EACCES);
        UpdateFileDelivery::Rename(from, to);
    }

private:
    void Note(const char* event)
    {
        if (events)
            events->push_back(event);
    }
};

// SQLite's default file system for the connections opened while it lives, wrapped so that the
// syncs of the history and of its journal and the removal of the journal (with SQLite's request
// to sync the folder after it) go into the event list, and so that they fail where asked.
class RecordingVfs
{
public:
    // Faults: the next syncs of the history fail (its bytes are not synced); the next removal of
    // the journal is made but answers an error; every read of the history fails.
    static int failHistorySyncs;
    static bool failJournalRemoval;
    static bool failHistoryReads;

    explicit RecordingVfs(std::vector<std::string>& events)
    {
        s_events = &events;
        s_real = sqlite3_vfs_find(nullptr);
        m_vfs = *s_real;
        m_vfs.zName = "recording";
        m_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
        m_vfs.xOpen = Open;
        m_vfs.xDelete = Delete;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~RecordingVfs()
    {
        sqlite3_vfs_unregister(&m_vfs);
        s_events = nullptr;
        failHistorySyncs = 0;
        failJournalRemoval = failHistoryReads = false;
    }
    RecordingVfs(const RecordingVfs&) = delete;
    RecordingVfs& operator=(const RecordingVfs&) = delete;

private:
    // Ours, followed by the real file.
    struct File
    {
        sqlite3_file base;
        const char* kind;  // "history" or "journal"
    };
    static sqlite3_file* Real(sqlite3_file* f)
    {
        return reinterpret_cast<sqlite3_file*>(reinterpret_cast<File*>(f) + 1);
    }
    static const char* KindOf(const char* name)
    {
        const size_t n = name ? std::strlen(name) : 0;
        return n > 8 && std::strcmp(name + n - 8, "-journal") == 0 ? "journal" : "history";
    }
    static void Note(const std::string& event)
    {
        if (s_events)
            s_events->push_back(event);
    }

    static int Open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags)
    {
        File* file = reinterpret_cast<File*>(f);
        file->base.pMethods = nullptr;
        file->kind = KindOf(name);
        const int rc = s_real->xOpen(s_real, name, Real(f), flags, outFlags);
        if (Real(f)->pMethods)
            file->base.pMethods = &kMethods;
        return rc;
    }
    static bool IsHistory(sqlite3_file* f) { return std::strcmp(reinterpret_cast<File*>(f)->kind, "history") == 0; }
    static int Delete(sqlite3_vfs*, const char* name, int syncFolder)
    {
        Note(std::string("delete ") + KindOf(name) + (syncFolder ? ", folder synced" : ""));
        const int rc = s_real->xDelete(s_real, name, syncFolder);
        if (rc == SQLITE_OK && failJournalRemoval && std::strcmp(KindOf(name), "journal") == 0) {
            failJournalRemoval = false;
            return SQLITE_IOERR_DELETE;
        }
        return rc;
    }
    static int Sync(sqlite3_file* f, int flags)
    {
        Note(std::string("sync ") + reinterpret_cast<File*>(f)->kind);
        if (IsHistory(f) && failHistorySyncs > 0) {
            --failHistorySyncs;
            return SQLITE_IOERR_FSYNC;
        }
        return Real(f)->pMethods->xSync(Real(f), flags);
    }
    static int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
    static int Read(sqlite3_file* f, void* p, int n, sqlite3_int64 at)
    {
        if (IsHistory(f) && failHistoryReads)
            return SQLITE_IOERR_READ;
        return Real(f)->pMethods->xRead(Real(f), p, n, at);
    }
    static int Write(sqlite3_file* f, const void* p, int n, sqlite3_int64 at)
    {
        return Real(f)->pMethods->xWrite(Real(f), p, n, at);
    }
    static int Truncate(sqlite3_file* f, sqlite3_int64 size)
    {
        return Real(f)->pMethods->xTruncate(Real(f), size);
    }
    static int FileSize(sqlite3_file* f, sqlite3_int64* size)
    {
        return Real(f)->pMethods->xFileSize(Real(f), size);
    }
    static int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
    static int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
    static int CheckReservedLock(sqlite3_file* f, int* out)
    {
        return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
    }
    static int FileControl(sqlite3_file* f, int op, void* arg)
    {
        return Real(f)->pMethods->xFileControl(Real(f), op, arg);
    }
    static int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
    static int DeviceCharacteristics(sqlite3_file* f)
    {
        return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
    }

    static const sqlite3_io_methods kMethods;
    static std::vector<std::string>* s_events;
    static sqlite3_vfs* s_real;
    sqlite3_vfs m_vfs;
};

// Version 1: no shared memory and no memory mapping, which a rollback journal does not use.
const sqlite3_io_methods RecordingVfs::kMethods = {1,
                                                   Close,
                                                   Read,
                                                   Write,
                                                   Truncate,
                                                   Sync,
                                                   FileSize,
                                                   Lock,
                                                   Unlock,
                                                   CheckReservedLock,
                                                   FileControl,
                                                   SectorSize,
                                                   DeviceCharacteristics,
                                                   nullptr,
                                                   nullptr,
                                                   nullptr,
                                                   nullptr,
                                                   nullptr,
                                                   nullptr};
std::vector<std::string>* RecordingVfs::s_events = nullptr;
sqlite3_vfs* RecordingVfs::s_real = nullptr;
int RecordingVfs::failHistorySyncs = 0;
bool RecordingVfs::failJournalRemoval = false;
bool RecordingVfs::failHistoryReads = false;

// The events with runs of the same event made one (SQLite may sync a file twice in a row).
std::vector<std::string> Squeezed(const std::vector<std::string>& events)
{
    std::vector<std::string> out;
    for (const std::string& event : events) {
        if (out.empty() || out.back() != event)
            out.push_back(event);
    }
    return out;
}

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

// A task whose delivery records its file-system calls in the events.
class RecordingTask : public FakeTask
{
public:
    explicit RecordingTask(std::vector<std::string>& events)
    {
        FaultyDelivery* delivery = new FaultyDelivery(*m_attCache);
        delivery->events = &events;
        m_delivery.reset(delivery);
    }
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
    sqlite::WaitBudget brief(100);
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
        h.db.SetWaitBudget(brief);
        XTextFile file;
        h.Write(file, kFirst, "S1\tA\r\n");
        EXPECT_EQ(Thrown([&] { h.delivery.Deliver(file); }),
                  "SQLite Attendance: Could not mark the exported rows: database is locked");
        EXPECT_EQ(brief.WaitsBegun(), 1);
        EXPECT_GE(brief.SpentMs(), 100);
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

TEST(UpdateFileDelivery, TheMarksAndTheirJournalsRemovalAreOnTheDiskBeforeTheFileTakesItsName)
{
    std::vector<std::string> events;
    RecordingVfs vfs(events);
    {
        History h;
        h.delivery.events = &events;
        XTextFile file;
        h.Write(file, kFirst, "S1\tA\r\n");
        events.clear();
        h.delivery.Deliver(file);
        // The file's bytes and entry; the commit: journal, history, the journal removed; the
        // history's folder synced after it; then the name and its folder.
        const std::vector<std::string> expected = {"sync update file",    "sync folder",  "sync journal",
                                                   "sync history",        "delete journal",
                                                   "sync history folder", "rename",       "sync folder"};
        EXPECT_EQ(Squeezed(events), expected);
        EXPECT_EQ(h.Pending(), 0);
        EXPECT_EQ(ReadBytes(h.folder.File(kFirst)), "S1\tA\r\n");

        // A file without marks is recorded by a commit that is as durable.
        fs::remove(h.folder.File(kFirst));
        h.db.Close();
        XTextFile unmarked;
        unmarked.Open(h.folder.File("Update 20240305140710.PDU").c_str(),
                      XFile::ModeWrite | XFile::ModeReplace);
        unmarked.Write("none\r\n");
        events.clear();
        h.delivery.Deliver(unmarked);
        EXPECT_EQ(Squeezed(events), expected);
        EXPECT_EQ(h.Recorded(), "Update 20240305140710.PDU/6");
    }

    // Every commit of the history that the task opens is followed by the sync of its folder: the
    // cache's own (making its table) as well as the marks'.
    TempFolder folder;
    RecordingTask task(events);
    Prepare(task, folder);
    XTextFile update;
    events.clear();
    task.StartUpdateFile(&update);
    task.StartAttTable("DAILY_ATT", false, false);
    task.HoldExportMarks();
    task.GetAttendanceCache().Execute("UPDATE DAILY_ATT SET oldcode = newcode");
    task.FinishUpdateFile();
    std::vector<std::string> removals;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].rfind("delete journal", 0) == 0)
            removals.push_back(events[i] + " / " + (i + 1 < events.size() ? events[i + 1] : ""));
    }
    EXPECT_EQ(removals.size(), 2u);
    EXPECT_EQ(removals, std::vector<std::string>(removals.size(), "delete journal / sync history folder"));
}

TEST(UpdateFileDelivery, ACommitThatAnswersAnErrorIsLookedUpBeforeAnythingIsRemoved)
{
    std::vector<std::string> events;
    RecordingVfs vfs(events);
    History h;
    const std::string partial = h.folder.File(kFirst) + ".partial";
    {
        // The journal is gone, and with it the chance to roll back: the marks are made, and the
        // file takes its name.
        XTextFile file;
        h.Write(file, kFirst, "S1\tA\r\n");
        RecordingVfs::failJournalRemoval = true;
        h.delivery.Deliver(file);
        EXPECT_EQ(ReadBytes(h.folder.File(kFirst)), "S1\tA\r\n");
        EXPECT_EQ(h.Pending(), 0);
        EXPECT_EQ(h.Recorded(), std::string(kFirst) + "/6");
        EXPECT_TRUE(h.Logged("4 The commit of the marks answered \"disk I/O error\", but the attendance history "
                             "holds them with the update file " +
                             std::string(kFirst) + "."));
    }
    h.db.Execute("UPDATE DAILY_ATT SET oldcode = NULL");
    const char kSecond[] = "Update 20240305140710.PDU";
    {
        // The history's bytes did not reach the disk: the journal rolls the marks back, and the
        // file goes.
        XTextFile file;
        h.Write(file, kSecond, "S1\tA\r\n");
        RecordingVfs::failHistorySyncs = 1;
        EXPECT_EQ(Thrown([&] { h.delivery.Deliver(file); }),
                  "SQLite Attendance: Could not mark the exported rows: disk I/O error");
        EXPECT_FALSE(fs::exists(h.folder.File(kSecond)));
        EXPECT_FALSE(fs::exists(h.folder.File(kSecond) + ".partial"));
        EXPECT_EQ(h.Pending(), 1);
        EXPECT_EQ(h.Recorded(), std::string(kFirst) + "/6");
    }
    {
        // The history cannot be read after the failed commit: the file keeps its temporary name,
        // and the next run's look at the history decides (here: rolled back, so removed).
        XTextFile file;
        h.Write(file, kSecond, "S1\tA\r\n");
        RecordingVfs::failHistorySyncs = 1;
        RecordingVfs::failHistoryReads = true;
        EXPECT_EQ(Thrown([&] { h.delivery.Deliver(file); }),
                  "SQLite Attendance: Could not mark the exported rows: disk I/O error. Whether the rows are "
                  "marked could not be read: disk I/O error. The update file keeps its temporary name: the "
                  "next run gives it its name when the attendance history holds the marks, and removes it "
                  "otherwise.");
        EXPECT_EQ(ReadBytes(h.folder.File(kSecond) + ".partial"), "S1\tA\r\n");
        RecordingVfs::failHistoryReads = false;
        h.delivery.Recover(XString());
        EXPECT_FALSE(fs::exists(h.folder.File(kSecond) + ".partial"));
        EXPECT_FALSE(fs::exists(h.folder.File(kSecond)));
        EXPECT_EQ(h.Pending(), 1);
    }
    EXPECT_FALSE(fs::exists(partial));
}

TEST(UpdateFileDelivery, AHistoryFolderThatCannotBeSyncedKeepsTheMarkedFileUnnamed)
{
    std::vector<std::string> events;
    History h;
    h.delivery.events = &events;
    h.delivery.failAt = "sync-history";
    XTextFile file;
    h.Write(file, kFirst, "S1\tA\r\n");
    EXPECT_EQ(Thrown([&] { h.delivery.Deliver(file); }),
              "Could not give the update file " + std::string(kFirst) +
                  " its name: the folder of the attendance history could not be synced. Its rows are marked "
                  "sent; the next run gives it its name.");
    EXPECT_TRUE(h.Logged("4 The last commit of the attendance history may not outlive a power loss: Could not "
                         "sync folder ( 5 ): injected"));
    EXPECT_EQ(h.Pending(), 0);
    EXPECT_EQ(h.Recorded(), std::string(kFirst) + "/6");
    EXPECT_FALSE(fs::exists(h.folder.File(kFirst)));
    // Named only after a sync of the history's folder succeeds.
    EXPECT_THROW(h.delivery.Recover(XString()), XException);
    EXPECT_FALSE(fs::exists(h.folder.File(kFirst)));
    h.delivery.failAt.clear();
    events.clear();
    h.delivery.Recover(XString());
    EXPECT_EQ(ReadBytes(h.folder.File(kFirst)), "S1\tA\r\n");
    EXPECT_EQ(events, (std::vector<std::string>{"sync history folder", "rename", "sync folder"}));
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
