// File paths and their name parts.

#include "XFileSpec.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "XException.h"

namespace fs = std::filesystem;

namespace {

void CheckLength(size_t length)
{
    if (length > XFileSpec::MaxLength())
        ThrowXException(0, "Appended length (%u) would make path length exceed maximum %u.", (unsigned)length,
                        (unsigned)XFileSpec::MaxLength());
}

bool IsMissing(const std::error_code& ec)
{
    return ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
}

}  // namespace

size_t XFileSpec::MaxLength()
{
    return PATH_MAX;
}

XFileSpec::XFileSpec(const char* path) : m_type(0), m_creator(0)
{
    CheckLength(StrLen(path));
    m_path = path;
}

XFileSpec& XFileSpec::operator=(const char* path)
{
    CheckLength(StrLen(path));
    m_path = path;
    return *this;
}

void XFileSpec::SetFolder(const char* folder)
{
    size_t len = StrLen(folder);
    bool slash = len > 0 && folder[len - 1] == '/';
    CheckLength(len + (slash || len == 0 ? 0 : 1));
    m_path = folder;
    if (len > 0 && !slash)
        m_path += '/';
}

void XFileSpec::SetName(const char* name)
{
    const size_t nameLen = StrLen(name);
    const char* path = m_path.CStr();
    const char* slash = std::strrchr(path, '/');
    size_t keep;
    bool addSlash = false;
    if (slash) {
        keep = (size_t)(slash - path) + 1;
    } else {
        keep = m_path.Length();
        addSlash = keep > 0;
    }
    CheckLength(keep + (addSlash ? 1 : 0) + nameLen);
    m_path.Truncate(keep);
    if (addSlash)
        m_path += '/';
    m_path += name;
}

XString XFileSpec::GetName() const
{
    const char* path = m_path.CStr();
    const char* slash = std::strrchr(path, '/');
    return slash ? XString(slash + 1) : m_path;
}

XString XFileSpec::GetFolder() const
{
    const char* path = m_path.CStr();
    const char* slash = std::strrchr(path, '/');
    if (!slash)
        return XString();
    if (slash == path)
        return XString("/");
    return m_path.Left((size_t)(slash - path));
}

bool XFileSpec::Exists() const
{
    if (m_path.IsEmpty())
        return false;
    std::error_code ec;
    fs::file_status st = fs::status(m_path.CStr(), ec);
    if (ec)
        return !IsMissing(ec);  // a location that cannot be checked counts as present
    return fs::exists(st);
}

bool XFileSpec::IsFolder() const
{
    std::error_code ec;
    return !m_path.IsEmpty() && fs::is_directory(m_path.CStr(), ec);
}

XFileSpec::Kind XFileSpec::KindOf(const char* path, bool followLinks)
{
    struct stat st;
    if (!path || (followLinks ? ::stat(path, &st) : ::lstat(path, &st)) != 0)
        return KindNone;
    if (S_ISREG(st.st_mode))
        return KindFile;
    return S_ISDIR(st.st_mode) ? KindFolder : KindOther;
}

int64_t XFileSpec::FileSizeOf(const char* path)
{
    struct stat st;
    if (!path || ::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return (int64_t)st.st_size;
}

bool XFileSpec::MakeFolders(const char* folder)
{
    if (!folder || !*folder)
        return false;
    std::error_code ec;
    fs::create_directories(folder, ec);
    return KindOf(folder, true) == KindFolder;
}

XString XFileSpec::AbsolutePath(const char* path)
{
    std::string full;
    if (!path || *path != '/') {
        std::error_code ec;
        full = fs::current_path(ec).string();
        full += '/';
    }
    full += path ? path : "";
    // A ".." takes the name before it away; one at the root is kept.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
        size_t end = full.find('/', start);
        if (end == std::string::npos)
            end = full.size();
        const std::string part = full.substr(start, end - start);
        if (part == ".." && !parts.empty() && parts.back() != "..")
            parts.pop_back();
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        start = end + 1;
    }
    XString result;
    for (const std::string& part : parts) {
        result += '/';
        result += part.c_str();
    }
    return result.IsEmpty() ? XString("/") : result;
}

void XFileSpec::Delete(const char* filter) const
{
    if (m_path.IsEmpty())
        return;
    const fs::path path(m_path.CStr());
    std::error_code ec;
    fs::file_status st = fs::symlink_status(path, ec);
    if (ec || !fs::exists(st))
        return;

    if (fs::is_directory(st)) {
        const char* pattern = filter && *filter ? filter : "*";
        std::vector<fs::path> entries;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(it->path());
        for (const fs::path& entry : entries) {
            if (fnmatch(pattern, entry.filename().c_str(), FNM_CASEFOLD) != 0)
                continue;
            XFileSpec(entry.c_str()).Delete("*");
        }
        std::error_code ignore;
        if (fs::is_empty(path, ignore) && !fs::remove(path, ec) && ec)
            ThrowXException(ec.value(), "Could not delete spec: %s", m_path.CStr());
        return;
    }

    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow, ec);
    if (!fs::remove(path, ec) && ec)
        ThrowXException(ec.value(), "Could not delete spec: %s", m_path.CStr());
}
