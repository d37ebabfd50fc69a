// Buffered files over POSIX calls, and file and folder helpers.

#include "XFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "XException.h"

namespace {

char* NewBuffer(size_t size)
{
    char* buf = static_cast<char*>(std::malloc(size));
    if (!buf)
        throw XException("Failed to allocate memory.");
    return buf;
}

}  // namespace

const char* const XFile::kPartialSuffix = ".partial";

XFile::XFile()
    : m_fd(-1), m_wbuf(nullptr), m_wlen(0), m_rbuf(nullptr), m_rpos(0), m_rlen(0), m_readBuffer(false)
{
}

XFile::~XFile()
{
    if (!m_partialPath.IsEmpty()) {
        // Left open by a failure: the target keeps its old content.
        Discard();
    } else {
        try {
            Close();
        } catch (...) {
            // A destructor cannot report; callers that care call Close themselves.
        }
    }
    std::free(m_wbuf);
    std::free(m_rbuf);
}

void XFile::ThrowIoError(const char* what, int err)
{
    ThrowXException(err, "Could not %s file ( %d ): %s", what, err, m_path.CStr());
}

void XFile::Open(const char* path, uint32_t mode, bool readBuffer, uint32_t, uint32_t)
{
    Close();
    const size_t len = StrLen(path);
    if (len == 0 || path[len - 1] == '/')
        ThrowXException(0, "Can't open non-file: %s", path ? path : "");

    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);  // a failure shows in open below

    bool replace = (mode & ModeReplace) && (mode & (ModeRead | ModeWrite | ModeAppend)) == ModeWrite;
    XString openPath(path);
    if (replace) {
        struct stat target;
        if (::lstat(path, &target) == 0) {
            if (S_ISDIR(target.st_mode))
                ThrowXException(0, "Can't open non-file: %s", path);
            // Only a plain file is replaced; a device, pipe or link is written in place.
            replace = S_ISREG(target.st_mode);
        }
        if (replace)
            openPath += kPartialSuffix;
    }

    int flags = O_CLOEXEC | O_CREAT;
    if ((mode & (ModeRead | ModeWrite | ModeAppend)) == ModeWrite)
        flags |= O_WRONLY | O_TRUNC;
    else if ((mode & ModeRead) && (mode & (ModeWrite | ModeAppend)))
        flags |= O_RDWR;
    else if (mode & (ModeWrite | ModeAppend))
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;

    int fd;
    do {
        fd = ::open(openPath.CStr(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        int err = errno;
        ThrowXException(err, "Could not open file ( %d ): %s", err, openPath.CStr());
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        ThrowXException(0, "Can't open non-file: %s", path);
    }
    if ((mode & ModeAppend) && lseek(fd, 0, SEEK_END) < 0 && errno != ESPIPE) {
        int err = errno;
        ::close(fd);
        ThrowXException(err, "Could not open file ( %d ): %s", err, path);
    }
    m_fd = fd;
    m_path = path;
    m_partialPath = replace ? openPath : XString();
    m_wlen = 0;
    m_rpos = m_rlen = 0;
    m_readBuffer = readBuffer;
}

void XFile::Close()
{
    if (m_fd < 0)
        return;
    try {
        FlushWrite();
    } catch (...) {
        Discard();
        throw;
    }
    int rc = ::close(m_fd);
    int err = errno;
    m_fd = -1;
    m_rpos = m_rlen = 0;
    if (rc != 0 && err != EINTR) {
        Discard();
        ThrowIoError("close", err);
    }
    if (m_partialPath.IsEmpty())
        return;
    const XString partial = m_partialPath;
    m_partialPath = XString();
    if (::rename(partial.CStr(), m_path.CStr()) != 0) {
        err = errno;
        ::unlink(partial.CStr());
        ThrowXException(err, "Could not replace file ( %d ): %s", err, m_path.CStr());
    }
}

XString XFile::CloseUnnamed()
{
    const XString partial = m_partialPath;
    m_partialPath = XString();
    try {
        Close();
    } catch (...) {
        if (!partial.IsEmpty())
            ::unlink(partial.CStr());
        throw;
    }
    return partial;
}

void XFile::Discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_wlen = 0;
    m_rpos = m_rlen = 0;
    if (!m_partialPath.IsEmpty()) {
        ::unlink(m_partialPath.CStr());
        m_partialPath = XString();
    }
}

void XFile::FlushWrite()
{
    size_t done = 0;
    while (done < m_wlen) {
        ssize_t n = ::write(m_fd, m_wbuf + done, m_wlen - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            m_wlen = 0;
            ThrowIoError("write", err);
        }
        done += (size_t)n;
    }
    m_wlen = 0;
}

void XFile::Flush()
{
    if (m_fd >= 0)
        FlushWrite();
}

void XFile::Sync()
{
    if (m_fd < 0)
        return;
    FlushWrite();
    if (::fsync(m_fd) != 0 && errno != EINVAL) {
        const int err = errno;
        ThrowIoError("sync", err);
    }
}

void XFile::SyncFolder(const char* folder)
{
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        ThrowXException(err, "Could not open folder ( %d ): %s", err, folder);
    }
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0 && err != EINVAL)
        ThrowXException(err, "Could not sync folder ( %d ): %s", err, folder);
}

void XFile::Rename(const char* from, const char* to)
{
    if (::rename(from, to) != 0) {
        const int err = errno;
        ThrowXException(err, "Could not rename file ( %d ): %s", err, from);
    }
}

void XFile::Remove(const char* path)
{
    if (::unlink(path) != 0 && errno != ENOENT) {
        const int err = errno;
        ThrowXException(err, "Could not delete file ( %d ): %s", err, path);
    }
}

void XFile::WriteBuffered(const void* bytes, size_t length)
{
    if (m_fd < 0)
        ThrowIoError("write", EBADF);
    if (length == 0)
        return;
    if (m_rpos < m_rlen) {
        // Writing after buffered reads: move the file position back to where the reader stands.
        lseek(m_fd, -(off_t)(m_rlen - m_rpos), SEEK_CUR);
    }
    m_rpos = m_rlen = 0;
    if (!m_wbuf)
        m_wbuf = NewBuffer(kBufferSize);
    const char* src = static_cast<const char*>(bytes);
    if (m_wlen + length > kBufferSize) {
        FlushWrite();
        if (length >= kBufferSize) {
            // Large blocks go straight to the file.
            size_t done = 0;
            while (done < length) {
                ssize_t n = ::write(m_fd, src + done, length - done);
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    ThrowIoError("write", errno);
                }
                done += (size_t)n;
            }
            return;
        }
    }
    std::memcpy(m_wbuf + m_wlen, src, length);
    m_wlen += length;
}

void XFile::Write(const char* text)
{
    Write(text, StrLen(text));
}

size_t XFile::Read(void* bytes, size_t length)
{
    if (m_fd < 0)
        ThrowIoError("read", EBADF);
    FlushWrite();
    char* dst = static_cast<char*>(bytes);
    size_t got = 0;
    while (got < length) {
        if (m_rpos == m_rlen) {
            if (!m_rbuf)
                m_rbuf = NewBuffer(kBufferSize);
            ssize_t n;
            do {
                n = ::read(m_fd, m_rbuf, kBufferSize);
            } while (n < 0 && errno == EINTR);
            if (n < 0)
                ThrowIoError("read", errno);
            m_rpos = 0;
            m_rlen = (size_t)n;
            if (n == 0)
                break;
        }
        size_t take = m_rlen - m_rpos;
        if (take > length - got)
            take = length - got;
        std::memcpy(dst + got, m_rbuf + m_rpos, take);
        m_rpos += take;
        got += take;
    }
    return got;
}

void XFile::ReadAll(XString& text)
{
    text = "";
    char chunk[8192];
    size_t n;
    while ((n = Read(chunk, sizeof chunk)) > 0)
        text.Append(chunk, n);
}

bool XFile::ReadWhole(const char* path, XString& text)
{
    text = "";
    int fd;
    do {
        fd = ::open(path ? path : "", O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    char chunk[8192];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) != 0) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            text = "";
            return false;
        }
        text.Append(chunk, (size_t)n);
    }
    ::close(fd);
    return true;
}

uint64_t XFile::GetSize()
{
    if (m_fd < 0)
        ThrowIoError("read", EBADF);
    FlushWrite();
    struct stat st;
    if (fstat(m_fd, &st) != 0)
        ThrowIoError("read", errno);
    return (uint64_t)st.st_size;
}
