// Walking the entries of a folder by pattern and attributes.

#include "XDirIterator.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fnmatch.h>
#include <string>
#include <system_error>

#include "XException.h"

namespace fs = std::filesystem;

XDirIterator::XDirIterator(const char* folder, const char* pattern, uint32_t attributeFilter)
    : m_folder(folder), m_pattern(pattern && *pattern ? pattern : "*"), m_filter(attributeFilter), m_next(0)
{
    m_folder.TrimRightChars("/");
    if (m_folder.IsEmpty() && folder && *folder == '/')
        m_folder = "/";
    Load();
}

XDirIterator::~XDirIterator() = default;

void XDirIterator::Load()
{
    m_names.clear();
    m_attrs.clear();
    m_next = 0;
    std::error_code ec;
    std::vector<std::pair<std::string, uint32_t>> found;
    for (fs::directory_iterator it(m_folder.CStr(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (fnmatch(m_pattern.CStr(), name.c_str(), FNM_CASEFOLD) != 0)
            continue;
        std::error_code sec;
        const fs::file_status st = it->status(sec);
        uint32_t attrs = 0;
        if (!sec && fs::is_directory(st)) {
            if (!(m_filter & XAttrFolder) || name[0] == '.')
                continue;
            attrs |= XAttrFolder;
        }
        if (name[0] == '.')
            attrs |= XAttrHidden;
        if (!sec && (st.permissions() & fs::perms::owner_write) == fs::perms::none)
            attrs |= XAttrReadOnly;
        if (attrs == 0)
            attrs = XAttrNormal;
        found.emplace_back(name, attrs);
    }
    std::sort(found.begin(), found.end());
    for (const auto& entry : found) {
        m_names.emplace_back(entry.first.c_str());
        m_attrs.push_back(entry.second);
    }
}

bool XDirIterator::Next(XString& path, uint32_t& attributes)
{
    if (m_next >= m_names.size())
        return false;
    m_name = m_names[m_next];
    attributes = m_attrs[m_next];
    ++m_next;
    path = m_folder;
    if (!(m_folder == "/"))
        path += '/';
    path += m_name;
    return true;
}

bool XDirIterator::Restart(XString& path, uint32_t& attributes)
{
    Load();
    return Next(path, attributes);
}

std::vector<XString> XDirIterator::Names(const char* folder)
{
    DIR* dir = ::opendir(folder ? folder : "");
    std::vector<std::string> found;
    int err = dir ? 0 : errno;
    while (dir) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            err = errno;
            break;
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            found.emplace_back(entry->d_name);
    }
    if (dir)
        ::closedir(dir);
    if (err != 0) {
        XString message("Could not read the folder ");
        message += folder ? folder : "";
        message += ": ";
        message += std::strerror(err);
        throw XException(message.CStr(), err);
    }
    std::sort(found.begin(), found.end());
    std::vector<XString> names;
    names.reserve(found.size());
    for (const std::string& name : found)
        names.emplace_back(name.c_str());
    return names;
}
