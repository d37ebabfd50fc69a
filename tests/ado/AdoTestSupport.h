#pragma once

// The sample data source for the ado tests.

#include "Connection.h"
#include "Recordset.h"
#include "TestOdbcEnv.h"

#include <string>

inline std::string SampleConnectionString() { return "DSN=" + SampleDsn() + ";UID=u;PWD=p;"; }

inline void OpenSample(ado::Connection& connection) {
    UseSampleOdbc();
    connection.Open(SampleConnectionString());
}
