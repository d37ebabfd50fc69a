#pragma once

// One function per source table of the sample school database.

#include "SampleDb.h"

#include <cstdint>
#include <string>

namespace sampledb {

void CreateSchools(Sink& sink);
void CreateTerms(Sink& sink);
void CreateStudents(Sink& sink, int students);
// School years by school location, and the staff of the schools.
void CreateCalendar(Sink& sink);
void CreateTeachers(Sink& sink);

// A row for every kind of value the readers must handle.
void CreateTypeSamples(Sink& sink);
// Eight mixed columns, for reading speed.
void CreateBenchRows(Sink& sink, std::int64_t rows);

// Every <Table>.tsv of the folder as a table (see TsvTables.cpp for the format).
void LoadTsvTables(Sink& sink, const std::string& folder);

// sysobjects (id, name, type) and syscolumns (id, name) over SQLite's own catalogue.
void CreateSqliteCatalogueViews(Sink& sink);

}  // namespace sampledb
