// Faults for the program's child runs, loaded with LD_PRELOAD. Once a file has been renamed to a
// name ending in ".PDU", VH_FAULT_AFTER_PDU says what happens next:
//   "full": every later write to the attendance cache fails as on a full disk (ENOSPC);
//   "kill": the process is killed at once, as by "kill -9".
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
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

}  // namespace

extern "C" {

int rename(const char* from, const char* to)
{
    static const auto real = Real<int (*)(const char*, const char*)>("rename");
    const int rc = real(from, to);
    const char* fault = getenv("VH_FAULT_AFTER_PDU");
    if (rc == 0 && fault && to && EndsWith(to, ".PDU")) {
        if (strcmp(fault, "kill") == 0)
            raise(SIGKILL);
        if (strcmp(fault, "full") == 0)
            g_full = true;
    }
    return rc;
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

}  // extern "C"
