#pragma once

// UpdateFileDelivery: the update file's name, the marks of the rows it holds, and its way to the
// folder.

#include <cstdint>
#include <functional>
#include <vector>

#include "WaitBudget.h"
#include "XDateTime.h"
#include "XString.h"

class XFile;
namespace sqlite {
class Database;
}

// The update file is written under its name + ".partial". Deliver puts its bytes and its folder
// entry on the disk, commits the marks of its rows together with its name, size and checksum in
// the history (table UPDATE_FILE), syncs the history's folder so that the commit's journal is
// gone on the disk too, and only then gives the file its name and syncs the folder. A commit that
// answers an error is looked up before anything is removed. A file that a run left under its
// temporary name after the commit gets its name from Recover, and only when it is the file the
// history recorded. Every failure throws XException with the text for the run's error line.
class UpdateFileDelivery
{
public:
    // How long a run waits, in all, for locks that other programs hold on the history.
    static const int kBusyTimeoutMs = 10000;

    using Log = std::function<void(int level, const XString& text)>;

    explicit UpdateFileDelivery(sqlite::Database& history);
    virtual ~UpdateFileDelivery();
    UpdateFileDelivery(const UpdateFileDelivery&) = delete;
    UpdateFileDelivery& operator=(const UpdateFileDelivery&) = delete;

    // The output folder and the history's file in it.
    void SetFolder(const XString& folder, const XString& historyPath);
    void SetLog(Log log) { m_log = std::move(log); }

    // A new run: the whole wait for other programs' locks again, told on this thread.
    void NewRun();
    // Has a connection to the history wait for other programs' locks out of the run's one wait
    // (kBusyTimeoutMs in all): once it is spent, a locked history fails at once.
    void Watch(sqlite::Database& db);
    // Logs the waits of other threads that were not logged yet; call it on the run's thread.
    void TellWaits() { m_waits.Tell(); }
    // After a commit of the history: syncs its folder, so that the journal's removal outlives a
    // power loss. A folder that refuses syncs (EINVAL) counts as synced; any other failure is a
    // warning in the log, and the answer is false.
    bool SyncHistory();

    // "Update <stamp>.PDU" for a file started at the time: the stamp of that second, or the second
    // after the latest stamp that the history recorded or that a file of the folder carries.
    XString NewName(const XDateTime& start);

    // Opens the transaction of the marks with the history's write lock, waiting for a lock that
    // another program holds; nothing when the marks are held already. Throws the SqlError of a
    // lock not had in time.
    void HoldMarks();
    bool MarksHeld() const { return m_held; }
    // Rolls the held marks back; nothing when none are held. Never throws.
    void DropMarks();

    // Delivers the complete update file, still open under its temporary name. A failure before
    // the commit leaves neither the file nor the marks; after it, or when it is not known whether
    // the commit was made, the file stays under its temporary name for the next run.
    void Deliver(XFile& file);

    // Gives the file that an earlier run committed but left under its temporary name its name,
    // then removes the other unfinished update files; the file at ownPath (this run's, open) is
    // neither named nor removed.
    void Recover(const XString& ownPath);
    // Removes the unfinished update files of the folder but the one at ownPath.
    void RemoveUnfinished(const XString& ownPath);

    // Size and checksum of the file's bytes.
    void Fingerprint(const XString& path, int64_t& size, XString& checksum);

protected:
    // The file-system calls; a test replaces them to inject faults.
    virtual void SyncFile(XFile& file);
    virtual XString CloseUnnamed(XFile& file);
    virtual void SyncFolder();
    virtual void SyncHistoryFolder();
    virtual void Rename(const XString& from, const XString& to);
    virtual void Remove(const XString& path);
    virtual bool IsPlainFile(const XString& path);
    virtual bool Exists(const XString& path);
    // Names of the folder's files.
    virtual std::vector<XString> FileNames();

private:
    struct Record
    {
        XString name;
        int64_t size = -1;
        XString checksum;
    };
    // How a commit of the marks ended.
    enum class Commit
    {
        Made,
        NotMade,
        Unknown  // it answered an error, and the history could not be read after it
    };
    // Commits the held marks together with the update file's name, size and checksum (size -1:
    // not known); a failure's text goes into error. A COMMIT that answers an error is looked up
    // in the history. Nothing is recorded when no marks are held.
    Commit CommitMarks(const XString& name, int64_t size, const XString& checksum, XString& error);
    // What UPDATE_FILE of the database holds (an empty name: nothing).
    static Record ReadRecord(sqlite::Database& db);
    // Opens a write transaction on db whose commit is durable, its journal's removal included.
    static void BeginWrite(sqlite::Database& db);
    // Makes UPDATE_FILE hold the file alone, in the transaction open on db.
    static void WriteRecord(sqlite::Database& db, const XString& name, int64_t size, const XString& checksum);
    // Records a file delivered without marks, when there is a history; a failure is logged.
    // True when it was recorded.
    bool RecordUnmarked(const XString& name, int64_t size, const XString& checksum);
    // The record of the history, read through a connection of its own when it is not open.
    Record RecordedFile();
    // Opens the history's file, when the history is not open, through a connection of its own
    // that waits for another program's lock; false when there is no file (for writing: or an
    // empty one).
    bool OpenLook(sqlite::Database& look, bool writing);
    void LogText(int level, const XString& text);

    sqlite::Database& m_history;
    XString m_folder;
    XString m_historyPath;
    Log m_log;
    bool m_held = false;
    XString m_committed;  // the name this object recorded with its marks
    sqlite::WaitBudget m_waits{kBusyTimeoutMs};  // the run's one wait for other programs' locks
};
