#pragma once

// Temporary folders, whole-file reads and writes, and thrown messages for the tests.

#include "XException.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace vhtest {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder
{
public:
    explicit TempFolder(const std::string& prefix = "vh-test")
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        const char* made = mkdtemp(&pattern[0]);
        path = made ? made : "";
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Writes the bytes, making the folders on the way.
inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The message of the library exception that the call throws, or "(nothing thrown)".
inline std::string Thrown(const std::function<void()>& call)
{
    try {
        call();
    } catch (const XException& e) {
        return e.GetMessage();
    }
    return "(nothing thrown)";
}

// The exception of type E that the call throws, if it throws one.
template <class E, class F> std::optional<E> Caught(F call)
{
    try {
        call();
    } catch (const E& e) {
        return e;
    }
    return std::nullopt;
}

}  // namespace vhtest
