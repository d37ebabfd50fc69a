#pragma once

// Folders and data sources of the engine tests, set up once by the test program's main.

#include <QString>

namespace enginetest {

// A new empty folder under the temporary folder.
QString NewFolder(const QString& name);

// Data sources in the test run's own odbc.ini, from tests/engine/schools/<test|one>/*.tsv:
//  "vh_test": schools 10 and 20 with terms, calendar and teachers;
//  "vh_one":  one school (30), no Terms table.
extern const char* const kTestDsn;
extern const char* const kOneSchoolDsn;

// Sets HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR, ODBCSYSINI and ODBCINI and builds the test databases.
void SetUp();

}  // namespace enginetest
