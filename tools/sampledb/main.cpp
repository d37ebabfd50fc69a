// vh-sampledb: writes the deterministic sample school database.
//   vh-sampledb <output.db> [students] [--bench-rows=N] [--pg-script=<file.sql>]
//   vh-sampledb <output.db> --tables=<folder> [--pg-script=<file.sql>]
// With --pg-script the school tables are also written as a PostgreSQL script (schema vh).
// With --tables the database holds only the hand-made tables of the folder's .tsv files.

#include "PgScriptSink.h"
#include "SampleDb.h"
#include "SampleTables.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

namespace {

int Usage()
{
    std::cerr << "usage: vh-sampledb <output.db> [students] [--bench-rows=N] [--pg-script=<file.sql>]\n"
                 "       vh-sampledb <output.db> --tables=<folder> [--pg-script=<file.sql>]\n";
    return 2;
}

bool ParseCount(const std::string& text, long long& out)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12)
        return false;
    out = std::stoll(text);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string path;
    long long students = 40;
    long long benchRows = 2500;
    std::string pgScript;
    std::string tables;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--pg-script=", 0) == 0) {
            pgScript = arg.substr(12);
            if (pgScript.empty())
                return Usage();
        } else if (arg.rfind("--tables=", 0) == 0) {
            tables = arg.substr(9);
            if (tables.empty())
                return Usage();
        } else if (arg.rfind("--bench-rows=", 0) == 0) {
            if (!ParseCount(arg.substr(13), benchRows))
                return Usage();
        } else if (positional == 0) {
            path = arg;
            ++positional;
        } else if (positional == 1) {
            if (!ParseCount(arg, students) || students > 10000000)
                return Usage();
            ++positional;
        } else {
            return Usage();
        }
    }
    if (path.empty())
        return Usage();
    try {
        if (!tables.empty()) {
            sampledb::SqliteSink sink(path);
            sampledb::LoadTsvTables(sink, tables);
            sampledb::CreateSqliteCatalogueViews(sink);
            sink.Commit();
            if (!pgScript.empty()) {
                sampledb::PgScriptSink pg(pgScript, "vh");
                sampledb::LoadTsvTables(pg, tables);
                pg.Finish();
            }
            return 0;
        }
        sampledb::SqliteSink sink(path);
        sampledb::CreateSchools(sink);
        sampledb::CreateTerms(sink);
        sampledb::CreateStudents(sink, static_cast<int>(students));
        sampledb::CreateCalendar(sink);
        sampledb::CreateTeachers(sink);
        sampledb::CreateGen(sink);
        sampledb::CreateFieldsTable(sink);
        sampledb::CreateConductCodes(sink);
        sampledb::CreateConductLog(sink, static_cast<int>(students));
        sampledb::CreateStaffTables(sink, static_cast<int>(students));
        sampledb::CreateSectionTables(sink, static_cast<int>(students));
        sampledb::CreateGradeTables(sink, static_cast<int>(students));
        sampledb::CreateFeeTables(sink, static_cast<int>(students));
        sampledb::CreateLunchLedger(sink, static_cast<int>(students));
        sampledb::CreateStructureTables(sink, static_cast<int>(students));
        sampledb::CreateAttendanceCodes(sink);
        sampledb::CreateAttendance(sink, static_cast<int>(students));
        sampledb::CreateDemographics(sink, static_cast<int>(students));
        sampledb::CreateAddresses(sink, static_cast<int>(students));
        sampledb::CreateTypeSamples(sink);
        sampledb::CreateBenchRows(sink, benchRows);
        sampledb::CreateSqliteCatalogueViews(sink);
        sink.Commit();
        if (!pgScript.empty()) {
            sampledb::PgScriptSink pg(pgScript, "vh");
            sampledb::CreateSchools(pg);
            sampledb::CreateTerms(pg);
            sampledb::CreateStudents(pg, static_cast<int>(students));
            sampledb::CreateCalendar(pg);
            sampledb::CreateTeachers(pg);
            sampledb::CreateGen(pg);
            sampledb::CreateFieldsTable(pg);
            sampledb::CreateConductCodes(pg);
            sampledb::CreateConductLog(pg, static_cast<int>(students));
            sampledb::CreateStaffTables(pg, static_cast<int>(students));
            sampledb::CreateSectionTables(pg, static_cast<int>(students));
            sampledb::CreateGradeTables(pg, static_cast<int>(students));
            sampledb::CreateFeeTables(pg, static_cast<int>(students));
            sampledb::CreateLunchLedger(pg, static_cast<int>(students));
            sampledb::CreateStructureTables(pg, static_cast<int>(students));
            sampledb::CreateAttendanceCodes(pg);
            sampledb::CreateAttendance(pg, static_cast<int>(students));
            sampledb::CreateDemographics(pg, static_cast<int>(students));
            sampledb::CreateAddresses(pg, static_cast<int>(students));
            pg.Finish();
        }
    } catch (const std::exception& e) {
        std::cerr << "vh-sampledb: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
