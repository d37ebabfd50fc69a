// The update file's name, the marks of its rows and its way to the folder.

#include "UpdateFileDelivery.h"

#include <cstdio>
#include <cstring>

#include "Database.h"
#include "Query.h"
#include "StringHelpers.h"
#include "XDirIterator.h"
#include "XException.h"
#include "XFile.h"
#include "XFileSpec.h"

namespace {

const char* const kStampFormat = "YYYYMMDDHHNNSS";
const size_t kStampLength = 14;
const char* const kCouldNotMark = "SQLite Attendance: Could not mark the exported rows: ";
const char* const kMarksDropped = "the attendance cache dropped them after an error.";

bool EndsWithNoCase(const char* text, const char* suffix)
{
    const size_t n = std::strlen(text), m = std::strlen(suffix);
    return n >= m && StrCmpNoCase(text + n - m, suffix) == 0;
}

// An unfinished update file: "Update " ... ".PDU.partial".
bool IsUnfinishedName(const XString& name)
{
    const XString suffix = XString(".PDU") + XFile::kPartialSuffix;
    return StrCmpNoCasePrefix(name.CStr(), "Update ") == 0 && EndsWithNoCase(name.CStr(), suffix.CStr());
}

// The time stamp of "Update <stamp>.PDU" or of its unfinished file, when it is a real time.
bool StampOf(const XString& name, XString& text, XDateTime& stamp)
{
    const size_t prefix = 7;
    const char* s = name.CStr();
    if (name.Length() < prefix + kStampLength || StrCmpNoCasePrefix(s, "Update ") != 0)
        return false;
    const char* rest = s + prefix + kStampLength;
    const XString partial = XString(".PDU") + XFile::kPartialSuffix;
    if (StrCmpNoCase(rest, ".PDU") != 0 && StrCmpNoCase(rest, partial.CStr()) != 0)
        return false;
    int v[6];
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    const char* p = s + prefix;
    for (int i = 0; i < 6; ++i) {
        v[i] = 0;
        for (int k = 0; k < widths[i]; ++k, ++p) {
            if (*p < '0' || *p > '9')
                return false;
            v[i] = v[i] * 10 + (*p - '0');
        }
    }
    XDate date;
    if (!date.SetYMD(v[0], v[1], v[2]) || v[3] > 23 || v[4] > 59 || v[5] > 59)
        return false;
    stamp.Set(date, XTime(((v[3] * 60 + v[4]) * 60 + v[5]) * 1000));
    text = XString(s + prefix).Left(kStampLength);
    return true;
}

void NextSecond(XDateTime& stamp)
{
    int32_t ms = stamp.GetTime().GetMs() + 1000;
    if (ms >= XTime::MsPerDay) {
        ms -= XTime::MsPerDay;
        stamp.Date() = stamp.GetDate().AddDays(1);
    }
    stamp.Time().SetMs(ms);
}

XString UpdateName(const XDateTime& stamp)
{
    return "Update " + stamp.Format(kStampFormat) + ".PDU";
}

XString NameOf(const XString& path)
{
    const char* slash = std::strrchr(path.CStr(), '/');
    return slash ? XString(slash + 1) : path;
}

XString FolderOf(const XString& path)
{
    const char* slash = std::strrchr(path.CStr(), '/');
    return slash ? path.Left(size_t(slash - path.CStr())) : XString(".");
}

}  // namespace

UpdateFileDelivery::UpdateFileDelivery(sqlite::Database& history) : m_history(history)
{
    NewRun();
}

UpdateFileDelivery::~UpdateFileDelivery() = default;

void UpdateFileDelivery::SetFolder(const XString& folder, const XString& historyPath)
{
    m_folder = folder;
    m_historyPath = historyPath;
}

void UpdateFileDelivery::LogText(int level, const XString& text)
{
    if (m_log)
        m_log(level, text);
}

// ---------------------------------------------------------------- waits and syncs

void UpdateFileDelivery::NewRun()
{
    m_waits.Reset();
    // Each wait is logged once, as it begins, and so is its end when the run has waited enough.
    m_waits.SetReporter([this](sqlite::WaitBudget::Event event) {
        const XString seconds(kBusyTimeoutMs / 1000);
        if (event == sqlite::WaitBudget::WaitBegins)
            LogText(4, "Waiting for another program's lock on the attendance history (a run waits " + seconds +
                           " s at most in all).");
        else
            LogText(4, "Another program held the attendance history through the run's whole wait of " + seconds +
                           " s: the run waits no more.");
    });
}

void UpdateFileDelivery::Watch(sqlite::Database& db)
{
    db.SetWaitBudget(m_waits);
}

bool UpdateFileDelivery::SyncHistory()
{
    if (m_historyPath.IsEmpty())
        return true;
    try {
        SyncHistoryFolder();
        return true;
    } catch (const XException& e) {
        LogText(4, XString("The last commit of the attendance history may not outlive a power loss: ") +
                       e.GetMessage());
        return false;
    }
}

// ---------------------------------------------------------------- the name

UpdateFileDelivery::Record UpdateFileDelivery::ReadRecord(sqlite::Database& db)
{
    Record record;
    sqlite::Query table(db);
    table.Prepare("SELECT name FROM sqlite_master WHERE type='table' AND name='UPDATE_FILE'");
    if (!table.Step())
        return record;
    table.Finalize();
    // Histories of earlier versions hold the name alone.
    sqlite::Query recorded(db);
    recorded.Prepare("SELECT * FROM UPDATE_FILE");
    if (!recorded.Step())
        return record;
    record.name = recorded.StringColumn("name");
    if (recorded.ColumnIndex("size") >= 0 && !recorded.IsNullColumn("size")) {
        record.size = recorded.Int64Column("size");
        if (recorded.ColumnIndex("checksum") >= 0)
            record.checksum = recorded.StringColumn("checksum");
    }
    return record;
}

UpdateFileDelivery::Record UpdateFileDelivery::RecordedFile()
{
    if (m_history.IsOpen())
        return ReadRecord(m_history);
    // The history is opened by the attendance tables; the name alone needs no more than a look.
    // It waits for another program's lock: the folder lacks the files already imported.
    sqlite::Database look;
    return OpenLook(look, false) ? ReadRecord(look) : Record();
}

bool UpdateFileDelivery::OpenLook(sqlite::Database& look, bool writing)
{
    if (m_historyPath.IsEmpty() || !IsPlainFile(m_historyPath))
        return false;
    // Only a history that is there is written: the look never makes one of an empty file.
    if (writing && XFileSpec::FileSizeOf(m_historyPath.CStr()) <= 0)
        return false;
    look.Open(m_historyPath, sqlite::Database::OpenReadWrite);
    Watch(look);
    return true;
}

XString UpdateFileDelivery::NewName(const XDateTime& start)
{
    XString latest;
    XDateTime latestStamp;
    auto consider = [&](const XString& name) {
        XString text;
        XDateTime stamp;
        if (StampOf(name, text, stamp) && std::strcmp(text.CStr(), latest.CStr()) > 0) {
            latest = text;
            latestStamp = stamp;
        }
    };
    try {
        consider(RecordedFile().name);
    } catch (const XException& e) {
        LogText(4, XString("Could not read the name of the last update file from the attendance history: ") +
                       e.GetMessage());
    }
    for (const XString& name : FileNames())
        consider(name);

    XDateTime stamp = start;
    if (!latest.IsEmpty() && std::strcmp(stamp.Format(kStampFormat).CStr(), latest.CStr()) <= 0) {
        stamp = latestStamp;
        NextSecond(stamp);
    }
    XString name = UpdateName(stamp);
    while (Exists(m_folder + "/" + name) || Exists(m_folder + "/" + name + XFile::kPartialSuffix)) {
        NextSecond(stamp);
        name = UpdateName(stamp);
    }
    return name;
}

// ---------------------------------------------------------------- the marks

void UpdateFileDelivery::HoldMarks()
{
    if (!m_history.IsOpen())
        return;
    if (m_held) {
        if (m_history.InTransaction())
            return;
        // SQLite rolled the transaction back on an error (a full disk): the marks of the rows
        // already written went with it.
        m_held = false;
        throw XException((XString(kCouldNotMark) + kMarksDropped).CStr());
    }
    // The write lock is taken now, waiting for another program's: a read transaction that had to
    // become a write one later would fail at once on a lock, without waiting.
    BeginWrite(m_history);
    m_held = true;
}

void UpdateFileDelivery::DropMarks()
{
    if (!m_held)
        return;
    m_held = false;
    if (!m_history.InTransaction())
        return;
    try {
        m_history.Execute("ROLLBACK");
    } catch (const XException& e) {
        // The journal stays behind and SQLite rolls the marks back when the cache is next opened.
        LogText(8, XString("SQLite Attendance: Rollback of the marks failed: ") + e.GetMessage());
    }
}

UpdateFileDelivery::Commit UpdateFileDelivery::CommitMarks(const XString& name, int64_t size,
                                                            const XString& checksum, XString& error)
{
    if (!m_held)
        return Commit::Made;
    if (!m_history.IsOpen()) {
        m_held = false;
        return Commit::Made;
    }
    if (!m_history.InTransaction()) {
        m_held = false;
        error = kMarksDropped;
        return Commit::NotMade;
    }
    bool committing = false;
    try {
        // The update file that holds the rows is recorded with their marks.
        if (!name.IsEmpty())
            WriteRecord(m_history, name, size, checksum);
        committing = true;
        m_history.Execute("COMMIT");
        m_held = false;
        m_committed = name;
        return Commit::Made;
    } catch (const XException& e) {
        error = e.GetMessage();
    }
    // A COMMIT that leaves its transaction open was not made (a lock held it up); nor was one
    // that did not run, or whose transaction could not even be rolled back.
    const bool open = m_history.InTransaction();
    DropMarks();
    if (!committing || open || m_history.InTransaction())
        return Commit::NotMade;
    // A COMMIT that answered an error may have been made all the same (its journal was removed
    // before a later step failed): the history says which.
    try {
        const Record record = ReadRecord(m_history);
        if (name.IsEmpty() || record.name != name || record.size != size || record.checksum != checksum)
            return Commit::NotMade;
    } catch (const XException& e) {
        error += XString(". Whether the rows are marked could not be read: ") + e.GetMessage();
        return Commit::Unknown;
    }
    LogText(4, "The commit of the marks answered \"" + error + "\", but the attendance history holds them " +
                   "with the update file " + name + ".");
    m_committed = name;
    return Commit::Made;
}

void UpdateFileDelivery::BeginWrite(sqlite::Database& db)
{
    // The journal and the history are on the disk at the commit; the folder follows (SyncHistory).
    db.SetSynchronousFull();
    db.Execute("BEGIN IMMEDIATE");
}

void UpdateFileDelivery::WriteRecord(sqlite::Database& db, const XString& name, int64_t size,
                                     const XString& checksum)
{
    db.Execute("CREATE TABLE IF NOT EXISTS UPDATE_FILE (name TEXT, size INTEGER, checksum TEXT)");
    db.AddMissingColumn("UPDATE_FILE", "size", "INTEGER");
    db.AddMissingColumn("UPDATE_FILE", "checksum", "TEXT");
    db.Execute("DELETE FROM UPDATE_FILE");
    if (size >= 0)
        db.Execute("INSERT INTO UPDATE_FILE (name, size, checksum) VALUES (%Q, %lld, %Q)", name,
                   static_cast<long long>(size), checksum);
    else
        db.Execute("INSERT INTO UPDATE_FILE (name) VALUES (%Q)", name);
}

bool UpdateFileDelivery::RecordUnmarked(const XString& name, int64_t size, const XString& checksum)
{
    try {
        // A run that reads no attendance makes no history.
        sqlite::Database look;
        sqlite::Database* db = &m_history;
        if (!m_history.IsOpen()) {
            if (!OpenLook(look, true))
                return false;
            db = &look;
        }
        BeginWrite(*db);
        try {
            // A committed file still waiting for its name keeps its record: the next update run
            // names it by that record.
            const Record waiting = ReadRecord(*db);
            if (!waiting.name.IsEmpty() && Exists(m_folder + "/" + waiting.name + XFile::kPartialSuffix))
                LogText(7, "The update file " + name + " is not recorded in the attendance history: " +
                               waiting.name + " waits for its name.");
            else
                WriteRecord(*db, name, size, checksum);
            db->Execute("COMMIT");
            return true;
        } catch (...) {
            if (db->InTransaction())
                db->Execute("ROLLBACK");
            throw;
        }
    } catch (const XException& e) {
        LogText(4,
                "Could not record the update file " + name + " in the attendance history: " + e.GetMessage());
    }
    return false;
}

// ---------------------------------------------------------------- the file

void UpdateFileDelivery::Fingerprint(const XString& path, int64_t& size, XString& checksum)
{
    // FNV-1a, 64 bits.
    uint64_t hash = 14695981039346656037ull;
    int64_t total = 0;
    XFile file;
    file.Open(path, XFile::ModeRead);
    char chunk[65536];
    size_t n;
    while ((n = file.Read(chunk, sizeof chunk)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            hash ^= static_cast<unsigned char>(chunk[i]);
            hash *= 1099511628211ull;
        }
        total += static_cast<int64_t>(n);
    }
    file.Close();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    size = total;
    checksum = text;
}

void UpdateFileDelivery::Deliver(XFile& file)
{
    const XString path = file.GetPath();
    const XString name = NameOf(path);
    XString partial;
    int64_t size = -1;
    XString checksum;
    try {
        SyncFile(file);
        partial = CloseUnnamed(file);
        if (!partial.IsEmpty()) {
            // The new entry is on the disk before the marks are: the marks never outlive the file.
            SyncFolder();
            Fingerprint(partial, size, checksum);
        }
    } catch (const XException& e) {
        file.Discard();
        if (!partial.IsEmpty()) {
            try {
                Remove(partial);
            } catch (...) {
            }
        }
        // The rows of an unfinished file were not delivered: they stay pending.
        DropMarks();
        throw XException(
            ("Failed with error [" + XString(e.GetMessage()) + "] while writing file [" + name + "]").CStr());
    }
    // A file without marks is recorded too: a later stamp sorts after it once it is imported.
    Commit marks = Commit::Made;
    XString error;
    // A commit of the history that the file's name must follow.
    const bool marking = m_held && m_history.IsOpen();
    bool committed = marking;
    if (m_held)
        marks = CommitMarks(name, size, checksum, error);
    else if (!partial.IsEmpty())
        committed = RecordUnmarked(name, size, checksum);
    if (marks == Commit::NotMade) {
        if (!partial.IsEmpty()) {
            try {
                Remove(partial);
            } catch (...) {
            }
        }
        throw XException((kCouldNotMark + error).CStr());
    }
    // Neither removed nor named: the next run's Recover finds out which the history holds.
    if (marks == Commit::Unknown)
        throw XException((kCouldNotMark + error +
                          ". The update file keeps its temporary name: the next run gives it its name when the "
                          "attendance history holds the marks, and removes it otherwise.")
                             .CStr());
    // The commit's journal is gone on the disk before the file has its name: a power loss never
    // rolls back the marks of a named file.
    const bool synced = !committed || SyncHistory();
    if (partial.IsEmpty())
        return;
    if (!synced && marking)
        throw XException(("Could not give the update file " + name +
                          " its name: the folder of the attendance history could not be synced. Its rows are "
                          "marked sent; the next run gives it its name.")
                             .CStr());
    try {
        Rename(partial, path);
    } catch (const XException& e) {
        throw XException(("Could not give the update file " + name +
                          " its name: " + std::strerror(e.GetCode()) +
                          ". Its rows are marked sent; the next run gives it its name.")
                             .CStr());
    }
    try {
        SyncFolder();
    } catch (const XException& e) {
        LogText(4, e.GetMessage());
    }
}

// ---------------------------------------------------------------- leftovers

void UpdateFileDelivery::Recover(const XString& ownPath)
{
    const XString own = ownPath.IsEmpty() ? XString() : ownPath + XFile::kPartialSuffix;
    const Record record = RecordedFile();
    // A name given while the history could not be read may repeat or precede the recorded one.
    XString ownStamp, recordedStamp;
    XDateTime ignored;
    if (!ownPath.IsEmpty() && NameOf(ownPath) != m_committed && StampOf(NameOf(ownPath), ownStamp, ignored) &&
        StampOf(record.name, recordedStamp, ignored) &&
        std::strcmp(ownStamp.CStr(), recordedStamp.CStr()) <= 0)
        throw XException(("The update file " + NameOf(ownPath) + " does not sort after " + record.name +
                          ", the last one recorded in the attendance history, which could not be read "
                          "when the file was named.")
                             .CStr());
    const XString target = m_folder + "/" + record.name;
    const XString partial = target + XFile::kPartialSuffix;
    // This run's own file is still being written: it is never named here.
    if (!record.name.IsEmpty() && partial != own && IsPlainFile(partial)) {
        const XString shown = record.name + XFile::kPartialSuffix;
        bool committed = record.size < 0;  // recorded by an earlier version, without its size
        if (Exists(target)) {
            LogText(4, "Did not give the unfinished update file " + shown +
                           " its name: an update file of that name exists.");
        } else {
            if (!committed) {
                int64_t size = -1;
                XString checksum;
                Fingerprint(partial, size, checksum);
                committed = size == record.size && checksum == record.checksum;
            }
            // The commit's journal is gone on the disk before the file has its name.
            if (committed && !SyncHistory())
                throw XException(("Could not give the update file " + record.name +
                                  " its name: the folder of the attendance history could not be synced.")
                                     .CStr());
            if (committed) {
                try {
                    Rename(partial, target);
                } catch (const XException& e) {
                    throw XException(("Could not give the update file " + record.name +
                                      " its name: " + std::strerror(e.GetCode()))
                                         .CStr());
                }
                SyncFolder();
                LogText(7, "Gave the update file " + record.name + " of an earlier run its name.");
            } else {
                LogText(4, "Did not give the unfinished update file " + shown +
                               " its name: it is not the file that the attendance history recorded.");
            }
        }
    }
    RemoveUnfinished(ownPath);
}

void UpdateFileDelivery::RemoveUnfinished(const XString& ownPath)
{
    const XString own = ownPath.IsEmpty() ? XString() : NameOf(ownPath) + XFile::kPartialSuffix;
    for (const XString& name : FileNames()) {
        if (name == own || !IsUnfinishedName(name))
            continue;
        try {
            Remove(m_folder + "/" + name);
            LogText(8, "Removed the unfinished update file " + name);
        } catch (const XException& e) {
            LogText(4, e.GetMessage());
        }
    }
}

// ---------------------------------------------------------------- file-system calls

void UpdateFileDelivery::SyncFile(XFile& file)
{
    file.Sync();
}

XString UpdateFileDelivery::CloseUnnamed(XFile& file)
{
    return file.CloseUnnamed();
}

void UpdateFileDelivery::SyncFolder()
{
    XFile::SyncFolder(m_folder.CStr());
}

void UpdateFileDelivery::SyncHistoryFolder()
{
    XFile::SyncFolder(FolderOf(m_historyPath).CStr());
}

void UpdateFileDelivery::Rename(const XString& from, const XString& to)
{
    XFile::Rename(from.CStr(), to.CStr());
}

void UpdateFileDelivery::Remove(const XString& path)
{
    XFile::Remove(path.CStr());
}

bool UpdateFileDelivery::IsPlainFile(const XString& path)
{
    return XFileSpec::KindOf(path.CStr(), false) == XFileSpec::KindFile;
}

bool UpdateFileDelivery::Exists(const XString& path)
{
    return XFileSpec::KindOf(path.CStr(), false) != XFileSpec::KindNone;
}

std::vector<XString> UpdateFileDelivery::FileNames()
{
    std::vector<XString> names;
    XDirIterator it(m_folder.CStr(), "Update *");
    XString path;
    uint32_t attributes = 0;
    while (it.Next(path, attributes))
        names.push_back(it.GetName());
    return names;
}
