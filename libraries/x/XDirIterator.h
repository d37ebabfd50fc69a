#pragma once

// XDirIterator: the entries of a folder.

#include <cstdint>
#include <vector>

#include "XString.h"

// Entry attributes.
enum XFileAttributes : uint32_t
{
    XAttrReadOnly = 0x01,
    XAttrHidden = 0x02,
    XAttrFolder = 0x10,
    XAttrNormal = 0x80,
};

// Iterates a folder's entries whose names match a wildcard pattern (case-insensitive, "*" and "?").
// Files are always answered; folders only when the filter holds XAttrFolder, never those
// whose names begin with ".". Entries come in name order.
class XDirIterator
{
public:
    XDirIterator(const char* folder, const char* pattern = "*", uint32_t attributeFilter = 0);
    ~XDirIterator();

    // The next entry's full path and attributes; false at the end.
    bool Next(XString& path, uint32_t& attributes);
    // Starts the search again and answers the first entry.
    bool Restart(XString& path, uint32_t& attributes);
    // Name of the entry last answered.
    const XString& GetName() const { return m_name; }

    // The names of all the folder's entries but "." and "..", in name order. Throws XException
    // "Could not read the folder <folder>: <the system's text>" with errno as its code.
    static std::vector<XString> Names(const char* folder);

private:
    void Load();

    XString m_folder;
    XString m_pattern;
    uint32_t m_filter;
    std::vector<XString> m_names;
    std::vector<uint32_t> m_attrs;
    size_t m_next;
    XString m_name;
};
