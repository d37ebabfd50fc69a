// Faults for the program's child runs, loaded with LD_PRELOAD. VH_FAULT_UPDATE_FILE says what
// happens at the end of the update file:
//   "full": once the whole update file is on the disk under its temporary name, every later write
//           to the attendance cache fails as on a full disk (ENOSPC);
//   "kill-before-marks": the process is killed at once (as by "kill -9") at that point;
//   "kill-after-marks": the process is killed just before the file takes its final name.
// VH_FAULT_CLOCK_DAYS moves the wall clock of the process by that many days (a clock set wrong).
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

namespace {

std::atomic<bool> g_full{false};

template <typename F>
F Real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool EndsWith(const char* text, const char* suffix)
{
    const size_t n = strlen(text), m = strlen(suffix);
    return n >= m && strcmp(text + n - m, suffix) == 0;
}

// The file behind fd is the attendance cache or its journal.
bool IsCache(int fd)
{
    if (!g_full.load())
        return false;
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
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

}  // namespace

extern "C" {

int fsync(int fd)
{
    static const auto real = Real<int (*)(int)>("fsync");
    const int rc = real(fd);
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (rc == 0 && n > 0) {
        path[n] = '\0';
        if (IsUnfinishedUpdateFile(path)) {
            if (strcmp(Fault(), "kill-before-marks") == 0)
                raise(SIGKILL);
            if (strcmp(Fault(), "full") == 0)
                g_full = true;
        }
    }
    return rc;
}

int rename(const char* from, const char* to)
{
    static const auto real = Real<int (*)(const char*, const char*)>("rename");
    if (IsUnfinishedUpdateFile(from) && strcmp(Fault(), "kill-after-marks") == 0)
        raise(SIGKILL);
    return real(from, to);
}

ssize_t write(int fd, const void* buf, size_t count)
{
    static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    if (IsCache(fd)) {
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
