#pragma once

// A small SQLite source database of its own (every column type, formatter rows,
// a view that fails part-way through its rows) behind the ODBC data source "reader_source".
// The ODBC configuration also keeps the sample data source, so both names work in one process.

#include "SampleDb.h"
#include "SampleTables.h"
#include "TestFiles.h"
#include "TestOdbcEnv.h"

#include <string>

namespace readertest {

using vhtest::TempFolder;

inline std::string LongText()
{
    std::string text;
    for (int i = 0; text.size() < 100000; ++i)
        text += "line " + std::to_string(i) + " of a long note;";
    return text;
}

inline void BuildSource(const std::string& path)
{
    sampledb::SqliteSink db(path);
    sampledb::CreateSqliteCatalogueViews(db);

    db.Execute("CREATE TABLE TypeSample (id INTEGER, txt VARCHAR(60), memo TEXT, d DATE, ts TIMESTAMP, "
               "dbl DOUBLE, amount NUMERIC(10,2), big BIGINT, raw BLOB, flag BIT)");
    db.Execute("INSERT INTO TypeSample (id) VALUES (1)");
    db.Execute("INSERT INTO TypeSample VALUES "
               "(2, '', '', '1899-12-30', '1899-12-30 00:00:00', 12.5, -15.00, 9000000000, X'00FF10', 1), "
               "(3, '  A' || char(9) || 'B  ', 'x' || char(13) || char(10) || 'y', '1900-01-01', "
               "'1900-01-01 00:00:00', 3.0, -1.25, -5, X'41', 0), "
               "(4, '-5', '12', '2024-09-03', '2024-09-03 14:05:09', 0.0, 0, 0, NULL, NULL), "
               "(5, '1.5', '" +
               LongText() + "', '1899-12-31', '2024-09-03 00:00:00', 100.0, 1234.5, 7, NULL, 1)");

    db.Execute("CREATE TABLE FormatSample (id INTEGER, txt TEXT, amount NUMERIC(10,2), d DATE, ts TIMESTAMP, "
               "n INTEGER, f DOUBLE, flag INTEGER, phone TEXT)");
    db.Execute("INSERT INTO FormatSample VALUES "
               "(1, '  Lunch' || char(13) || char(10) || 'Room' || char(9), -12.5, '1899-12-30', "
               "'2024-09-03 09:05:07', 0, 2.5, 1, '(555) 123-4567 ext 12'), "
               "(2, '0', 1234.5, '1899-12-31', '2024-09-03 00:00:00', 42, 0.0, 0, 'N/A'), "
               "(3, 'N/A', 0, '1900-01-01', NULL, -7, 99.5, NULL, '12345'), "
               "(4, 'YES', NULL, NULL, '1900-01-01 13:30:00', NULL, NULL, 2, '5551234567'), "
               "(5, 'lunchroom', 0.126, '1600-01-01', NULL, 5, -0.5, 0, ''), "
               "(6, 'n', 3, '2024-02-29', NULL, 0, 1, 1, '')");
    db.Execute("INSERT INTO FormatSample (id, txt) VALUES (7, 'LUNCH')");

    db.Execute("CREATE TABLE Codes (Code TEXT, Title TEXT)");
    db.Execute("INSERT INTO Codes VALUES ('A', 'Absent'), ('T', 'Tardy')");

    // Rows beyond the first fetched blocks fail with an integer overflow.
    db.Execute("CREATE TABLE Numbers (n INTEGER)");
    db.Execute("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 20000) "
               "INSERT INTO Numbers SELECT n FROM c");
    db.Execute("CREATE VIEW BadWalk AS SELECT n, CASE WHEN n < 15000 THEN n "
               "ELSE abs(-9223372036854775807 - 1 + (n - n)) END AS v FROM Numbers");
    db.Execute("CREATE TABLE Empty (n INTEGER)");
    db.Commit();
}

// The folder of the source database and its ODBC configuration; built once per process.
inline const std::string& SourceFolder()
{
    static const TempFolder temp("vh-readers");
    static const std::string folder = [] {
        BuildSource(temp.path + "/source.db");
        return temp.path;
    }();
    return folder;
}

// Points the driver manager at the source database, also read row by row (so that a failing
// row surfaces while walking) as "reader_source_step"; call before any ODBC use.
inline void UseReaderSource()
{
    const std::string& dir = SourceFolder();
    vhtest::UseOwnSqliteSources(
        dir, {{"reader_source", dir + "/source.db"}, {"reader_source_step", dir + "/source.db", true}});
}

inline const char* SourceConnectionString()
{
    return "DSN=reader_source;";
}

}  // namespace readertest
