#ifndef EXPORTTESTSUPPORT_H
#define EXPORTTESTSUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "FakeTask.h"

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "exp-test-XXXXXX").string();
        char* made = mkdtemp(&pattern[0]);
        path = made ? made : "";
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// 2024-03-05 14:07:09.
inline XDateTime FixedNow()
{
    XDate day;
    day.SetYMD(2024, 3, 5);
    XTime time;
    time.Set(14, 7, 9);
    return XDateTime(day, time);
}

inline XDate Ymd(int y, int m, int d)
{
    XDate day;
    day.SetYMD(y, m, d);
    return day;
}

// A task writing into the folder, with the application properties and a fixed clock.
inline void Prepare(FakeTask& task, const TempFolder& folder)
{
    task.SetOutputFolder(folder.path.c_str());
    task.SetFixedNow(FixedNow());
    task.m_params["appTitle_"] = "Tamberlyn Data Extractor for Varnholm";
    task.m_params["appVersion_"] = "3.3.2.0";
    task.m_params["appShortName_"] = "Varnholm";
    task.m_params["path"] = QString::fromStdString(folder.path);
    task.m_schoolNumber = "101";
    task.m_schoolYear = "2023-2024";
}

inline bool HasLine(const QStringList& lines, const QString& line)
{
    return lines.contains(line);
}

#endif
