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

// The lookup sources: general codes, custom-field definitions, and a student's packed
// custom fields (NULL, empty, stray or short data for some students).
void CreateGen(Sink& sink);
void CreateFieldsTable(Sink& sink);
Value StudentCustomFields(int student, const std::string& lastName);

// Conduct, grades, fees and lunch (ConductTables.cpp): the conduct codes are appended to Gen
// (after CreateGen); the sections and their schedules carry the section IDs of the grades.
void CreateConductCodes(Sink& sink);
// The columns of the log table (discipline, medical and other entries).
const std::vector<ColumnDef>& LogColumns();
void CreateConductLog(Sink& sink, int students);
void CreateSectionTables(Sink& sink, int students);
void CreateGradeTables(Sink& sink, int students);
void CreateFeeTables(Sink& sink, int students);
void CreateLunchLedger(Sink& sink, int students);

// The school structure (StructureTables.cpp): courses, rotation days, rooms, periods, bell
// schedules, calendar days and grading bins; the sections of CreateSectionTables use them.
void CreateStructureTables(Sink& sink, int students);

// Attendance (AttendanceTables.cpp): the attendance codes, and a full school year of daily and
// period attendance over the sections of CreateSectionTables and the periods of
// CreateStructureTables (both called before it).
void CreateAttendanceCodes(Sink& sink);
void CreateAttendance(Sink& sink, int students);

// Staff, transportation, alerts and medical history (StaffTables.cpp): the staff details and the
// student alert columns that CreateTeachers and CreateStudents add to their tables, and, after
// CreateGen, CreateFieldsTable and CreateConductLog, the staff field definitions, the medical log
// types and entries, and the Transportation table.
std::vector<ColumnDef> StaffDetailColumns();
void AddStaffDetails(Row& row, int staffId);
std::vector<ColumnDef> StudentAlertColumns();
void AddStudentAlerts(Row& row, int student);
void CreateStaffTables(Sink& sink, int students);

// The student record (StudentTables.cpp): the address, enrolment, guardian, contact and medical
// columns that CreateStudents adds to Students, the home languages and the physical addresses.
std::vector<ColumnDef> StudentDetailColumns();
void AddStudentDetails(Row& row, int student, const std::string& first, const std::string& last);
void CreateDemographics(Sink& sink, int students);
void CreateAddresses(Sink& sink, int students);

// A row for every kind of value the readers must handle.
void CreateTypeSamples(Sink& sink);
// Eight mixed columns, for reading speed.
void CreateBenchRows(Sink& sink, std::int64_t rows);

// Every <Table>.tsv of the folder as a table (see TsvTables.cpp for the format).
void LoadTsvTables(Sink& sink, const std::string& folder);

// sysobjects (id, name, type) and syscolumns (id, name) over SQLite's own catalogue.
void CreateSqliteCatalogueViews(Sink& sink);

}  // namespace sampledb
