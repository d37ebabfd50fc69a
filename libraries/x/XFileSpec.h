#pragma once

// XFileSpec: a file path.

#include <cstdint>

#include "XString.h"

// A file path with a name part after the last "/". Its length is limited to PATH_MAX.
class XFileSpec
{
public:
    XFileSpec() : m_type(0), m_creator(0) {}
    XFileSpec(const char* path);
    XFileSpec(const XString& path) : XFileSpec(path.CStr()) {}

    XFileSpec& operator=(const char* path);
    XFileSpec& operator=(const XString& path) { return *this = path.CStr(); }

    // Sets the path to a folder, ending it with "/" so that SetName appends to it.
    void SetFolder(const char* folder);
    // Replaces the name part after the last "/" (or appends "/" and the name when there is none).
    // Throws "Appended length (%u) would make path length exceed maximum %u." past the limit.
    void SetName(const char* name);
    void SetName(const XString& name) { SetName(name.CStr()); }

    const char* CStr() const { return m_path.CStr(); }
    const XString& Path() const { return m_path; }
    bool IsEmpty() const { return m_path.IsEmpty(); }
    // The name part (after the last "/"); empty for a folder path ending in "/".
    XString GetName() const;
    // The folder part, without the trailing "/".
    XString GetFolder() const;

    // True when the file or folder exists (also when the check itself fails other than "not found");
    // false for an empty path.
    bool Exists() const;
    bool IsFolder() const;

    // What a path names; KindNone also when the check fails. Without followLinks a link is
    // KindOther, whatever it points to.
    enum Kind
    {
        KindNone,
        KindFile,
        KindFolder,
        KindOther
    };
    static Kind KindOf(const char* path, bool followLinks);
    // Size in bytes of the plain file a path names (links followed); -1 when there is none or
    // the check fails.
    static int64_t FileSizeOf(const char* path);

    // Creates the folder and any missing parents; answers whether the folder is there afterwards.
    static bool MakeFolders(const char* folder);
    // The path made absolute against the working folder, without "." parts, ".." after a name,
    // doubled or trailing "/".
    static XString AbsolutePath(const char* path);
    // A file is made writable and deleted ("Could not delete spec: %s" on failure); a folder is
    // emptied of the entries matching the filter and removed when empty. A missing path is left alone.
    void Delete(const char* filter = "*") const;

    // Four-character file type and creator codes; kept but without effect on this platform.
    void SetTypeCreator(uint32_t type, uint32_t creator)
    {
        m_type = type;
        m_creator = creator;
    }
    uint32_t GetType() const { return m_type; }
    uint32_t GetCreator() const { return m_creator; }

    static size_t MaxLength();

private:
    XString m_path;
    uint32_t m_type;
    uint32_t m_creator;
};

// Builds a four-character code such as 'TEXT' as one 32-bit value.
inline uint32_t XFourCC(const char* code)
{
    return (uint32_t)(unsigned char)code[0] << 24 | (uint32_t)(unsigned char)code[1] << 16 |
           (uint32_t)(unsigned char)code[2] << 8 | (uint32_t)(unsigned char)code[3];
}
