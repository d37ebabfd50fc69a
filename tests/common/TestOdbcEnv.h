#pragma once

// Points the ODBC driver manager at the sample data source built into the build
// tree, so that tests never touch /etc. Call UseSampleOdbc() before any ODBC use.

#include <cstdlib>
#include <string>

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

}  // namespace vhtest

using vhtest::SampleDsn;
using vhtest::TestDataDir;
using vhtest::UseSampleOdbc;
