#pragma once

// Points the ODBC driver manager at the sample data source built into the build tree, so that
// tests never touch /etc. Call UseSampleOdbc() before any ODBC use. Tests with SQLite databases
// of their own build them through the sample data library (sampledb) and name them with
// UseOwnSqliteSources(); the drivers are always those of the build's odbcinst.ini.

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef VH_TESTDATA_DIR
#error "VH_TESTDATA_DIR must be defined (link the vh_testenv target)"
#endif

namespace vhtest {

inline std::string TestDataDir()
{
    return VH_TESTDATA_DIR;
}

inline std::string SampleDsn()
{
    return "vh_school";
}

inline std::string SampleDatabasePath()
{
    return TestDataDir() + "/school.db";
}

inline void UseSampleOdbc()
{
    const std::string dir = TestDataDir();
    setenv("ODBCSYSINI", dir.c_str(), 1);
    setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
}

// A data source of the SQLite driver; with stepApi the driver reads row by row.
struct SqliteSource
{
    std::string name;
    std::string database;
    bool stepApi = false;
};

// Writes folder/odbc.ini with the sources and points the driver manager at it. The sample data
// sources stay visible (they are the system's).
inline void UseOwnSqliteSources(const std::string& folder, const std::vector<SqliteSource>& sources)
{
    const std::string ini = folder + "/odbc.ini";
    std::ofstream out(ini);
    for (const SqliteSource& s : sources)
        out << "[" << s.name << "]\nDriver=SQLite3\nDatabase=" << s.database << "\nNoCreat=1\n"
            << (s.stepApi ? "StepAPI=1\n" : "") << "\n";
    if (!out)
        throw std::runtime_error("cannot write " + ini);
    setenv("ODBCSYSINI", TestDataDir().c_str(), 1);
    setenv("ODBCINI", ini.c_str(), 1);
}

}  // namespace vhtest

using vhtest::SampleDsn;
using vhtest::TestDataDir;
using vhtest::UseSampleOdbc;
