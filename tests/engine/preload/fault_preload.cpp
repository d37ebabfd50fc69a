// Faults for the program's child runs, loaded with LD_PRELOAD. VH_FAULT_UPDATE_FILE says what
// happens at the end of the update file:
//   "full": once the whole update file is on the disk under its temporary name, every later write
//           to the attendance cache fails as on a full disk (ENOSPC);
//   "kill-before-marks": the process is killed at once (as by "kill -9") at that point;
//   "kill-after-marks": the process is killed just before the file takes its final name;
//   "kill-after-rename": the process is killed just after the file took its final name, before
//           its folder is synced;
//   "pause-export": when the export of the cached attendance begins (its first log line), the
//           process makes the file VH_FAULT_PAUSE_FILE and waits until it is gone again (once);
//   "pause-cache": the same when the first window of daily attendance is read, before the
//           attendance cache commits it.
// VH_FAULT_PAUSE_SQL: the first statement prepared whose text holds this text waits the same way
// before it runs (once).
// VH_RECORD_LOGINS names a file to which every connection the program opens is appended, each value
// in hex: "connect <dsn> <user> <password>" for SQLConnect, "driver <string>" for SQLDriverConnect.
// VH_FAULT_HISTORY_CHECK="<table>:<n>": the n-th check whether the history holds the table (the
// query of sqlite_master for that name) fails with a disk I/O error.
// VH_FAULT_STATUS says what happens to the result files at the end of the run:
//   "kill-status": the process is killed (as by "kill -9") at its first write of the status file;
//   "full-finished": every write of the finished file fails as on a full disk (ENOSPC);
//   "kill-config": the process is killed at its first write of SchoolConfig.xml's temporary file.
// VH_POWER_LOG names a file that keeps what a power loss would undo: folder entries that no sync
// of their folder has made final. Each creation of a file, removal and rename is appended as a
// line ("create", "unlink", "rename" and the paths, TAB-separated, folders resolved); a removed
// file and a file replaced by a rename are kept as hard links in the folder VH_POWER_LOG + ".aside"
// (made by the test) so that they can come back. An fsync or fdatasync of a folder appends "sync"
// and the folder: the operations in it before that line are final. The test undoes the others.
// VH_FAULT_CLOCK_DAYS moves the wall clock of the process by that many days (a clock set wrong).
// VH_FAULT_FOLDER_SYNC="<n>:<EIO|EINVAL>[:always]": the n-th fsync or fdatasync of a folder whose
// path ends in "/Attendance" (counted from the start of the process) fails with that errno and
// syncs nothing; with ":always" every later one fails too.
// VH_FAULT_JOURNAL_REMOVAL="<n>": the n-th removal of "Attendance/Attendance.db-journal" is made
// but answers EIO.
// VH_SIGNAL_AT_END="<signal>[,<signal>...]:<writing|status|exit>": the process sends itself the
// signals (numbers, in that order) at the first write of its status file under its temporary name
// ("writing"), just after its status file took its name ("status"), or once main has returned ("exit").
// VH_COUNT_CACHE_WRITES names a file to which the run appends, when it ends, "DAILY_ATT <n>
// PERIOD_ATT <m>": the rows it gave SQLite to store in each attendance cache table.
// VH_COUNT_STARTS names a file to which each process that loads the library appends a line as it
// starts: "start <program name>".
// VH_COUNT_TEXT_LOOKUPS names a file to which the run appends, when it ends, "texts <n>": the texts
// that the program asked Qt to hash or to compare with another (QString's qHash, == and <; a search
// of a string list counts each text of the list).
#include <QString>
#include <QStringList>

#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <stdarg.h>
#include <sys/stat.h>
#include <time.h>

namespace {

std::atomic<bool> g_full{false};

template <typename F> F Real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool EndsWith(const char* text, const char* suffix)
{
    const size_t n = strlen(text), m = strlen(suffix);
    return n >= m && strcmp(text + n - m, suffix) == 0;
}

// The path of the file that fd is open on.
bool PathOf(int fd, char* path, size_t size)
{
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, size - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
    return true;
}

// The file behind fd is the attendance cache or its journal.
bool IsCache(int fd)
{
    if (!g_full.load())
        return false;
    char path[4096];
    if (!PathOf(fd, path, sizeof path))
        return false;
    return strstr(path, "/Attendance/Attendance.db") != nullptr;
}

const char* Fault()
{
    const char* fault = getenv("VH_FAULT_UPDATE_FILE");
    return fault ? fault : "";
}

// The seconds by which the wall clock is moved.
time_t ClockShift()
{
    static const time_t shift = [] {
        const char* days = getenv("VH_FAULT_CLOCK_DAYS");
        return days ? static_cast<time_t>(atol(days)) * 86400 : 0;
    }();
    return shift;
}

bool IsUnfinishedUpdateFile(const char* path)
{
    return path && EndsWith(path, ".PDU.partial");
}

// Makes the pause file and waits (a minute at most) until another process removes it; once.
void Pause()
{
    static std::atomic<bool> paused{false};
    if (paused.exchange(true))
        return;
    const char* path = getenv("VH_FAULT_PAUSE_FILE");
    if (!path || !*path)
        return;
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    close(fd);
    const timespec step = {0, 2000000};
    for (int i = 0; i < 30000 && access(path, F_OK) == 0; ++i)
        nanosleep(&step, nullptr);
}

bool Contains(const void* bytes, size_t length, const char* text)
{
    return memmem(bytes, length, text, strlen(text)) != nullptr;
}

// Appends the hex of an ODBC text argument (SQL_NTS or a length) to line.
void AppendHex(char* line, size_t size, const SQLCHAR* text, SQLSMALLINT length)
{
    size_t at = strlen(line);
    const size_t n = !text               ? 0
                     : length == SQL_NTS ? strlen(reinterpret_cast<const char*>(text))
                                         : size_t(length);
    snprintf(line + at, size - at, " ");
    for (size_t i = 0; i < n && (at = strlen(line)) + 3 < size; ++i)
        snprintf(line + at, size - at, "%02x", text[i]);
}

void RecordLogin(const char* line)
{
    const char* file = getenv("VH_RECORD_LOGINS");
    if (!file || !*file)
        return;
    if (FILE* f = fopen(file, "a")) {
        fprintf(f, "%s\n", line);
        fclose(f);
    }
}

// ---- the power-loss record

const char* PowerLog()
{
    const char* log = getenv("VH_POWER_LOG");
    return log && *log ? log : nullptr;
}

// The path with its folder resolved (the file itself need not exist).
bool Resolved(const char* path, char* out, size_t size)
{
    const char* slash = strrchr(path, '/');
    char folder[PATH_MAX];
    if (!slash)
        snprintf(folder, sizeof folder, ".");
    else if (slash == path)
        snprintf(folder, sizeof folder, "/");
    else
        snprintf(folder, sizeof folder, "%.*s", int(slash - path), path);
    char real[PATH_MAX];
    if (!realpath(folder, real))
        return false;
    const int n = snprintf(out, size, "%s/%s", strcmp(real, "/") == 0 ? "" : real, slash ? slash + 1 : path);
    return n > 0 && size_t(n) < size;
}

std::mutex g_powerMutex;

// Appends one line to the record.
void Record(const char* kind, const char* first, const char* second = nullptr, const char* third = nullptr)
{
    if (FILE* f = fopen(PowerLog(), "a")) {
        fprintf(f, "%s\t%s", kind, first);
        if (second)
            fprintf(f, "\t%s", second);
        if (third)
            fprintf(f, "\t%s", third);
        fprintf(f, "\n");
        fclose(f);
    }
}

// Keeps a hard link of the file in the aside folder, whose path goes into aside; false when the
// path is no plain file.
bool KeepAside(const char* path, char* aside, size_t size)
{
    struct stat st;
    if (lstat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    static std::atomic<int> count{0};
    snprintf(aside, size, "%s.aside/%d-%d", PowerLog(), int(getpid()), ++count);
    return link(path, aside) == 0;
}

// An fsync or fdatasync of fd that succeeded: a folder's entries are final.
void RecordSync(int fd)
{
    struct stat st;
    char path[PATH_MAX];
    if (!PowerLog() || fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || !PathOf(fd, path, sizeof path))
        return;
    std::lock_guard<std::mutex> lock(g_powerMutex);
    Record("sync", path);
}

int Unlink(const char* path)
{
    static const auto real = Real<int (*)(const char*)>("unlink");
    char full[PATH_MAX], aside[PATH_MAX];
    if (!PowerLog() || !path || !Resolved(path, full, sizeof full))
        return real(path);
    std::lock_guard<std::mutex> lock(g_powerMutex);
    const bool kept = KeepAside(full, aside, sizeof aside);
    const int rc = real(path);
    if (rc == 0 && kept)
        Record("unlink", full, aside);
    else if (kept)
        real(aside);
    return rc;
}

int Open(const char* name, const char* path, int flags, mode_t mode)
{
    using OpenFn = int (*)(const char*, int, ...);
    static const auto realOpen = Real<OpenFn>("open");
    static const auto realOpen64 = Real<OpenFn>("open64");
    const OpenFn real = strcmp(name, "open") == 0 ? realOpen : realOpen64;
    char full[PATH_MAX];
    struct stat st;
    if (!PowerLog() || !(flags & O_CREAT) || !path || !Resolved(path, full, sizeof full))
        return real(path, flags, mode);
    std::lock_guard<std::mutex> lock(g_powerMutex);
    const bool existed = lstat(full, &st) == 0;
    const int fd = real(path, flags, mode);
    if (fd >= 0 && !existed)
        Record("create", full);
    return fd;
}

// The errno with which the folder sync fault fails a sync of fd, or 0.
int FolderSyncFault(int fd)
{
    const char* fault = getenv("VH_FAULT_FOLDER_SYNC");
    struct stat st;
    char path[PATH_MAX];
    if (!fault || !*fault || fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || !PathOf(fd, path, sizeof path) ||
        !EndsWith(path, "/Attendance"))
        return 0;
    static std::atomic<int> seen{0};
    const int n = ++seen, nth = atoi(fault);
    if (n != nth && !(n > nth && strstr(fault, ":always")))
        return 0;
    return strstr(fault, ":EINVAL") ? EINVAL : EIO;
}

// True when the journal fault makes this removal of path, which was made, answer an error.
bool JournalRemovalFails(const char* path)
{
    const char* fault = getenv("VH_FAULT_JOURNAL_REMOVAL");
    if (!fault || !*fault || !path || !EndsWith(path, "/Attendance/Attendance.db-journal"))
        return false;
    static std::atomic<int> seen{0};
    return ++seen == atoi(fault);
}

// The status fault for a write to fd: true when the write fails as on a full disk; a kill does not
// come back.
bool StatusWriteFails(int fd)
{
    const char* fault = getenv("VH_FAULT_STATUS");
    if (!fault || !*fault)
        return false;
    char path[4096];
    if (!PathOf(fd, path, sizeof path))
        return false;
    if (strcmp(fault, "kill-status") == 0 && strstr(path, "/Data ExtractorStatus.tmp"))
        raise(SIGKILL);
    if (strcmp(fault, "kill-config") == 0 && EndsWith(path, "/SchoolConfig.xml.partial"))
        raise(SIGKILL);
    return strcmp(fault, "full-finished") == 0 && strstr(path, "/finished_bridge.tmp");
}

// Sends the signal of VH_SIGNAL_AT_END to the process when its point is this one.
void SignalAtEnd(const char* point)
{
    const char* wanted = getenv("VH_SIGNAL_AT_END");
    if (!wanted || !*wanted || !EndsWith(wanted, point))
        return;
    for (const char* at = wanted; *at >= '0' && *at <= '9';) {
        kill(getpid(), atoi(at));
        at += strspn(at, "0123456789");
        at += *at == ',' ? 1 : 0;
    }
}

// The first write of the status file under its temporary name.
void SignalWhileStatusIsWritten(int fd)
{
    // Asked once: this runs on every write of the process.
    static const bool wanted = getenv("VH_SIGNAL_AT_END") && EndsWith(getenv("VH_SIGNAL_AT_END"), ":writing");
    static std::atomic<bool> sent{false};
    if (!wanted || sent)
        return;
    char path[4096];
    if (PathOf(fd, path, sizeof path) && EndsWith(path, "/Data ExtractorStatus.tmp.partial") && !sent.exchange(true))
        SignalAtEnd(":writing");
}

void SignalAfterMain()
{
    SignalAtEnd(":exit");
}

// Registered before the program's own exit handlers, so it runs after them.
__attribute__((constructor)) void RegisterSignalAfterMain()
{
    atexit(SignalAfterMain);
}

__attribute__((constructor)) void RecordStart()
{
    const char* file = getenv("VH_COUNT_STARTS");
    if (FILE* out = file && *file ? fopen(file, "a") : nullptr) {
        fprintf(out, "start %s\n", program_invocation_short_name);
        fclose(out);
    }
}

}  // namespace

extern "C" {

size_t fwrite(const void* bytes, size_t size, size_t count, FILE* stream)
{
    static const auto real = Real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    if (strcmp(Fault(), "pause-export") == 0 &&
        Contains(bytes, size * count, "Exporting Daily Attendance from DB"))
        Pause();
    if (strcmp(Fault(), "pause-cache") == 0 &&
        Contains(bytes, size * count, "Reading Student Daily Attendance ("))
        Pause();
    return real(bytes, size, count, stream);
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT stmt, SQLCHAR* sql, SQLINTEGER length)
{
    static const auto real = Real<SQLRETURN (*)(SQLHSTMT, SQLCHAR*, SQLINTEGER)>("SQLPrepare");
    const char* wanted = getenv("VH_FAULT_PAUSE_SQL");
    if (wanted && *wanted && sql) {
        const size_t n = length == SQL_NTS ? strlen(reinterpret_cast<const char*>(sql)) : size_t(length);
        if (Contains(sql, n, wanted))
            Pause();
    }
    return real(stmt, sql, length);
}

SQLRETURN SQL_API SQLConnect(SQLHDBC dbc, SQLCHAR* dsn, SQLSMALLINT dsnLength, SQLCHAR* user,
                             SQLSMALLINT userLength, SQLCHAR* password, SQLSMALLINT passwordLength)
{
    using Connect =
        SQLRETURN (*)(SQLHDBC, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT);
    static const auto real = Real<Connect>("SQLConnect");
    char line[4096] = "connect";
    AppendHex(line, sizeof line, dsn, dsnLength);
    AppendHex(line, sizeof line, user, userLength);
    AppendHex(line, sizeof line, password, passwordLength);
    RecordLogin(line);
    return real(dbc, dsn, dsnLength, user, userLength, password, passwordLength);
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC dbc, SQLHWND window, SQLCHAR* in, SQLSMALLINT inLength,
                                   SQLCHAR* out, SQLSMALLINT outSize, SQLSMALLINT* outLength,
                                   SQLUSMALLINT completion)
{
    using DriverConnect = SQLRETURN (*)(SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                        SQLSMALLINT*, SQLUSMALLINT);
    static const auto real = Real<DriverConnect>("SQLDriverConnect");
    char line[4096] = "driver";
    AppendHex(line, sizeof line, in, inLength);
    RecordLogin(line);
    return real(dbc, window, in, inLength, out, outSize, outLength, completion);
}

int fsync(int fd)
{
    static const auto real = Real<int (*)(int)>("fsync");
    if (const int err = FolderSyncFault(fd)) {
        errno = err;
        return -1;
    }
    const int rc = real(fd);
    char path[4096];
    if (rc == 0)
        RecordSync(fd);
    if (rc == 0 && PathOf(fd, path, sizeof path)) {
        if (IsUnfinishedUpdateFile(path)) {
            if (strcmp(Fault(), "kill-before-marks") == 0)
                raise(SIGKILL);
            if (strcmp(Fault(), "full") == 0)
                g_full = true;
        }
    }
    return rc;
}

int fdatasync(int fd)
{
    static const auto real = Real<int (*)(int)>("fdatasync");
    if (const int err = FolderSyncFault(fd)) {
        errno = err;
        return -1;
    }
    const int rc = real(fd);
    if (rc == 0)
        RecordSync(fd);
    return rc;
}

int rename(const char* from, const char* to)
{
    static const auto real = Real<int (*)(const char*, const char*)>("rename");
    const bool update = IsUnfinishedUpdateFile(from);
    if (update && strcmp(Fault(), "kill-after-marks") == 0)
        raise(SIGKILL);
    char fullFrom[PATH_MAX], fullTo[PATH_MAX], aside[PATH_MAX] = "";
    int rc;
    if (PowerLog() && from && to && Resolved(from, fullFrom, sizeof fullFrom) &&
        Resolved(to, fullTo, sizeof fullTo)) {
        std::lock_guard<std::mutex> lock(g_powerMutex);
        const bool kept = KeepAside(fullTo, aside, sizeof aside);
        rc = real(from, to);
        if (rc == 0)
            Record("rename", fullFrom, fullTo, kept ? aside : nullptr);
        else if (kept)
            Real<int (*)(const char*)>("unlink")(aside);
    } else {
        rc = real(from, to);
    }
    if (rc == 0 && update && strcmp(Fault(), "kill-after-rename") == 0)
        raise(SIGKILL);
    if (rc == 0 && to && EndsWith(to, "/Data ExtractorStatus.tmp"))
        SignalAtEnd(":status");
    return rc;
}

int unlink(const char* path)
{
    const int rc = Unlink(path);
    if (rc == 0 && JournalRemovalFails(path)) {
        errno = EIO;
        return -1;
    }
    return rc;
}

int remove(const char* path)
{
    static const auto real = Real<int (*)(const char*)>("remove");
    struct stat st;
    if (PowerLog() && path && lstat(path, &st) == 0 && !S_ISDIR(st.st_mode))
        return Unlink(path);
    return real(path);
}

// The mode argument of open, given only with O_CREAT or O_TMPFILE.
#define VH_OPEN_MODE(flags, mode)                                                                            \
    mode_t mode = 0;                                                                                         \
    if (((flags)&O_CREAT) || ((flags)&O_TMPFILE) == O_TMPFILE) {                                             \
        va_list args;                                                                                        \
        va_start(args, flags);                                                                               \
        mode = va_arg(args, mode_t);                                                                         \
        va_end(args);                                                                                        \
    }

int open(const char* path, int flags, ...)
{
    VH_OPEN_MODE(flags, mode)
    return Open("open", path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    VH_OPEN_MODE(flags, mode)
    return Open("open64", path, flags, mode);
}

ssize_t write(int fd, const void* buf, size_t count)
{
    static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    SignalWhileStatusIsWritten(fd);
    if (IsCache(fd) || StatusWriteFails(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count);
}

ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
    static const auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    if (IsCache(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count, offset);
}

ssize_t pwrite64(int fd, const void* buf, size_t count, off64_t offset)
{
    static const auto real = Real<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    if (IsCache(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count, offset);
}

struct sqlite3_stmt;

static std::atomic<long> g_cacheWrites[2];

__attribute__((destructor)) static void ReportCacheWrites()
{
    const char* file = getenv("VH_COUNT_CACHE_WRITES");
    if (FILE* out = file && *file ? fopen(file, "a") : nullptr) {
        fprintf(out, "DAILY_ATT %ld PERIOD_ATT %ld\n", g_cacheWrites[0].load(), g_cacheWrites[1].load());
        fclose(out);
    }
}

int sqlite3_step(sqlite3_stmt* stmt)
{
    static const auto real = Real<int (*)(sqlite3_stmt*)>("sqlite3_step");
    static const auto text = Real<const char* (*)(sqlite3_stmt*)>("sqlite3_sql");
    static const bool counting = getenv("VH_COUNT_CACHE_WRITES") != nullptr;
    if (const char* sql = counting && text ? text(stmt) : nullptr) {
        if (strncmp(sql, "INSERT INTO DAILY_ATT ", 22) == 0)
            ++g_cacheWrites[0];
        else if (strncmp(sql, "INSERT INTO PERIOD_ATT ", 23) == 0)
            ++g_cacheWrites[1];
    }
    static const auto expanded = Real<char* (*)(sqlite3_stmt*)>("sqlite3_expanded_sql");
    static const auto release = Real<void (*)(void*)>("sqlite3_free");
    static std::atomic<int> seen{0};
    const char* fault = getenv("VH_FAULT_HISTORY_CHECK");
    const char* colon = fault ? strchr(fault, ':') : nullptr;
    if (colon && expanded && release) {
        char wanted[256];
        snprintf(wanted, sizeof wanted, "SELECT * FROM sqlite_master WHERE type='table' AND name='%.*s'",
                 int(colon - fault), fault);
        char* sql = expanded(stmt);
        const bool check = sql && strcmp(sql, wanted) == 0;
        release(sql);
        if (check && ++seen == atoi(colon + 1))
            return 10;  // SQLITE_IOERR
    }
    return real(stmt);
}

}  // extern "C"

static std::atomic<long> g_textLookups{0};
static const bool g_countTexts = getenv("VH_COUNT_TEXT_LOOKUPS") != nullptr;

__attribute__((destructor)) static void ReportTextLookups()
{
    const char* file = getenv("VH_COUNT_TEXT_LOOKUPS");
    if (FILE* out = file && *file ? fopen(file, "a") : nullptr) {
        fprintf(out, "texts %ld\n", g_textLookups.load());
        fclose(out);
    }
}

uint qHash(const QString& key, uint seed) noexcept
{
    static const auto real = Real<uint (*)(const QString&, uint)>("_Z5qHashRK7QStringj");
    if (g_countTexts)
        ++g_textLookups;
    return real(key, seed);
}

bool operator==(const QString& a, const QString& b) noexcept
{
    static const auto real = Real<bool (*)(const QString&, const QString&)>("_ZeqRK7QStringS1_");
    if (g_countTexts)
        ++g_textLookups;
    return real(a, b);
}

bool operator<(const QString& a, const QString& b) noexcept
{
    static const auto real = Real<bool (*)(const QString&, const QString&)>("_ZltRK7QStringS1_");
    if (g_countTexts)
        ++g_textLookups;
    return real(a, b);
}

bool QtPrivate::QStringList_contains(const QStringList* list, const QString& text, Qt::CaseSensitivity cs)
{
    static const auto real = Real<bool (*)(const QStringList*, const QString&, Qt::CaseSensitivity)>(
        "_ZN9QtPrivate20QStringList_containsEPK11QStringListRK7QStringN2Qt15CaseSensitivityE");
    if (g_countTexts)
        g_textLookups += list->size();
    return real(list, text, cs);
}

extern "C" {

int clock_gettime(clockid_t clock, struct timespec* ts) noexcept
{
    static const auto real = Real<int (*)(clockid_t, struct timespec*)>("clock_gettime");
    const int rc = real(clock, ts);
    if (rc == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE))
        ts->tv_sec += ClockShift();
    return rc;
}

time_t time(time_t* out) noexcept
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    if (out)
        *out = ts.tv_sec;
    return ts.tv_sec;
}

}  // extern "C"
