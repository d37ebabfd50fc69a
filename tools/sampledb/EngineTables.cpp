// Sample tables of the engine's lists: calendar and teachers.

#include "SampleTables.h"

namespace sampledb {

// School years of the year list, by school location (text, as the source keeps it).
void CreateCalendar(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"School_Year", ColumnKind::Text, 20},
        {"School_Location", ColumnKind::Text, 10},
    };
    sink.CreateTable("Calendar", columns);
    sink.BeginRows("Calendar", columns);
    const struct
    {
        const char* year;
        const char* location;
    } rows[] = {
        {"2014-2015", "100"}, {"2015-16", "100"}, {"", "100"}, {"2014-2015", "200"}, {"2015-16", "300"}};
    int id = 1;
    for (const auto& r : rows)
        sink.AddRow({Value::Int(id++), Value::Str(r.year), Value::Str(r.location)});
    sink.EndRows();
}

// Staff of the schools; status 1 is active.
void CreateTeachers(Sink& sink)
{
    std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},          {"TeacherNumber", ColumnKind::Text, 10},
        {"LastFirst", ColumnKind::Text, 80},  {"Last_Name", ColumnKind::Text, 40},
        {"First_Name", ColumnKind::Text, 40}, {"Middle_Name", ColumnKind::Text, 40},
        {"Status", ColumnKind::Integer},      {"SchoolID", ColumnKind::Integer},
    };
    for (const ColumnDef& column : StaffDetailColumns())
        columns.push_back(column);
    sink.CreateTable("Teachers", columns);
    sink.BeginRows("Teachers", columns);
    const struct
    {
        int id;
        const char *number, *lastFirst, *last, *first, *middle;
        int status, school;
    } rows[] = {
        {505, "T505", "", "", "Solo", "", 1, 100},
        {504, "T504", "Hansen, Mira", "Hansen", "Mira", "", 1, 100},
        {503, "T503", "Gone, Hugo", "Gone", "Hugo", "", 2, 100},
        {502, "", "", "Dahl", "Finn", "Ole", 1, 100},
        {501, "T501", "Berg, Karin", "Berg", "Karin", "", 1, 100},
        {601, "T601", "Lund, Olga", "Lund", "Olga", "", 1, 200},
        {701, "T701", "Fischer, Paul", "Fischer", "Paul", "", 1, 300},
    };
    for (const auto& r : rows) {
        Row row = {Value::Int(r.id),    Value::Str(r.number), Value::Str(r.lastFirst), Value::Str(r.last),
                   Value::Str(r.first), Value::Str(r.middle), Value::Int(r.status),    Value::Int(r.school)};
        AddStaffDetails(row, r.id);
        sink.AddRow(row);
    }
    sink.EndRows();
}

}  // namespace sampledb
