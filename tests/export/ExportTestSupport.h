#pragma once

// Helpers of the export tests: a task writing into a temporary folder with a fixed clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FakeTask.h"
#include "TestFiles.h"

namespace fs = std::filesystem;

using vhtest::ReadBytes;
using vhtest::TempFolder;
using vhtest::Thrown;
using vhtest::WriteBytes;

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

// A run configuration record of school 101 in the folder.
inline void WriteConfig(const TempFolder& folder, const std::string& updateDate,
                        const std::string& overlap = "")
{
    WriteBytes(
        folder.File("SchoolConfig.xml"),
        "<SchoolConfig><BridgeAlias></BridgeAlias><District></District><School>101</School><Year>2023-2024"
        "</Year><DataSource>FakeDSN</DataSource><Version>3.3.2.0</Version><UpdateDate>" +
            updateDate + "</UpdateDate>" +
            (overlap.empty() ? "" : "<OverlapInDays>" + overlap + "</OverlapInDays>") + "</SchoolConfig>");
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
