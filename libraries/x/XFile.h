#pragma once

// XFile: a buffered file over POSIX calls.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "XFileSpec.h"
#include "XString.h"

// A file opened through POSIX calls, with its own write buffer (and optional read buffer).
// Every failure, also one found while flushing or closing, throws XException.
class XFile
{
public:
    enum Mode
    {
        ModeRead = 1,
        ModeWrite = 2,
        ModeAppend = 4,
        // With ModeWrite: the bytes go to a temporary file beside the target (its name + the
        // partial suffix), which takes the target's name only when Close succeeds. A target that
        // exists and is not a plain file (a device, a pipe, a link) is written in place.
        ModeReplace = 8
    };

    // Name suffix of the temporary file of ModeReplace.
    static const char* const kPartialSuffix;

    XFile();
    // Closes; errors at that point cannot be reported: call Close first. A ModeReplace file that is
    // still open is discarded instead, so an unfinished file never takes the target's name.
    virtual ~XFile();

    XFile(const XFile&) = delete;
    XFile& operator=(const XFile&) = delete;

    // Mode 2 alone creates the file anew; any other mode opens or creates it; 4 starts at the end.
    // Missing parent folders are created. The file type and creator codes have no effect here.
    virtual void Open(const char* path, uint32_t mode, bool readBuffer = false, uint32_t fileType = 0,
                      uint32_t creator = 0);
    void Open(const XString& path, uint32_t mode, bool readBuffer = false, uint32_t fileType = 0,
              uint32_t creator = 0)
    {
        Open(path.CStr(), mode, readBuffer, fileType, creator);
    }
    void Open(const XFileSpec& spec, uint32_t mode, bool readBuffer = false)
    {
        Open(spec.CStr(), mode, readBuffer, spec.GetType(), spec.GetCreator());
    }
    // Flushes and closes; closing a closed file does nothing. A ModeReplace file then replaces the
    // target (on any failure the temporary file is removed and the target left as it was).
    virtual void Close();
    // Flushes and closes a ModeReplace file but leaves it under its temporary name, which it
    // answers (empty for a file written in place); on any failure the temporary file is removed.
    XString CloseUnnamed();
    // Closes without flushing and without reporting; a ModeReplace file's temporary file is removed.
    void Discard();
    bool IsOpen() const { return m_fd >= 0; }
    const XString& GetPath() const { return m_path; }

    void Write(const void* bytes, size_t length)
    {
        // The common case: room in the write buffer and no buffered reads.
        if (m_wbuf && m_rlen == 0 && length <= kBufferSize - m_wlen && m_fd >= 0) {
            std::memcpy(m_wbuf + m_wlen, bytes, length);
            m_wlen += length;
            return;
        }
        WriteBuffered(bytes, length);
    }
    void Write(const char* text);
    void Write(const XString& text) { Write(text.CStr(), text.Length()); }
    // Answers the number of bytes read (0 at the end).
    size_t Read(void* bytes, size_t length);
    // Reads the rest of the file into the text.
    void ReadAll(XString& text);
    void Flush();
    // Flushes and has the system write the file's bytes to the disk.
    void Sync();
    // Has the system write the folder's entries (a file's new name) to the disk.
    static void SyncFolder(const char* folder);
    // Gives the file the new name, replacing a file of that name. Throws XException with errno as
    // its code.
    static void Rename(const char* from, const char* to);
    // Deletes the file; a file that is not there is no failure. Throws XException with errno as its
    // code.
    static void Remove(const char* path);
    // Reads the whole file into the text, creating nothing; false when it cannot be opened or read
    // (a folder, a missing file).
    static bool ReadWhole(const char* path, XString& text);
    // Size of the file in bytes, including unflushed writes.
    uint64_t GetSize();

protected:
    [[noreturn]] void ThrowIoError(const char* what, int err);

private:
    static constexpr size_t kBufferSize = 64 * 1024;

    void FlushWrite();
    void WriteBuffered(const void* bytes, size_t length);

    int m_fd;
    XString m_path;
    XString m_partialPath;  // ModeReplace: the temporary file written instead of m_path
    char* m_wbuf;
    size_t m_wlen;
    char* m_rbuf;
    size_t m_rpos;
    size_t m_rlen;
    bool m_readBuffer;
};
