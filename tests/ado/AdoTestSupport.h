#pragma once

// The sample data source for the ado tests, and OLE dates from their parts.

#include "Connection.h"
#include "OleDate.h"
#include "Recordset.h"
#include "TestOdbcEnv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

inline std::string SampleConnectionString()
{
    return "DSN=" + SampleDsn() + ";UID=u;PWD=p;";
}

inline void OpenSample(ado::Connection& connection)
{
    UseSampleOdbc();
    connection.Open(SampleConnectionString());
}

inline double Ole(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, std::uint32_t ns = 0)
{
    ado::DateTimeParts p;
    p.year = y;
    p.month = mo;
    p.day = d;
    p.hour = h;
    p.minute = mi;
    p.second = s;
    p.nanosecond = ns;
    double date = 0;
    EXPECT_TRUE(ado::PartsToOleDate(p, date));
    return date;
}
