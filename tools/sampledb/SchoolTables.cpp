// Sample tables of schools, terms and students, and the SQLite catalogue views.

#include "SampleTables.h"

namespace sampledb {

namespace {

struct SchoolInfo
{
    int number;
    const char* name;
    int district;
};

const SchoolInfo kSchools[] = {
    {100, "Varnholm High School", 7},
    {200, "Lakeside Middle School", 7},
    {300, "North Ridge Elementary", 8},
};

// School years by year ID: first and last day of the year record.
struct YearInfo
{
    int yearId;
    int firstYear;  // calendar year of the first day
};

const YearInfo kYears[] = {{24, 2014}, {25, 2015}};

}  // namespace

void CreateSchools(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"School_Number", ColumnKind::Integer},
        {"Name", ColumnKind::Text, 60},
        {"District_Number", ColumnKind::Integer},
    };
    sink.CreateTable("Schools", columns);
    sink.BeginRows("Schools", columns);
    int id = 1;
    for (const SchoolInfo& s : kSchools)
        sink.AddRow({Value::Int(id++), Value::Int(s.number), Value::Str(s.name), Value::Int(s.district)});
    sink.EndRows();
}

void CreateTerms(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"YearID", ColumnKind::Integer},
        {"Name", ColumnKind::Text, 40},
        {"Abbreviation", ColumnKind::Text, 10},
        {"FirstDay", ColumnKind::Date},
        {"LastDay", ColumnKind::Date},
        {"IsYearRec", ColumnKind::Integer},
    };
    sink.CreateTable("Terms", columns);
    sink.BeginRows("Terms", columns);
    for (const SchoolInfo& s : kSchools) {
        for (const YearInfo& y : kYears) {
            const std::string a = std::to_string(y.firstYear);
            const std::string b = std::to_string(y.firstYear + 1);
            const std::string yearText = a + "-" + b;
            struct TermRow
            {
                int n;
                std::string name, abbreviation, first, last;
                int isYear;
            };
            const TermRow rows[] = {
                {0, yearText, a.substr(2) + "-" + b.substr(2), a + "-08-20", b + "-06-10", 1},
                {1, "Semester 1", "S1", a + "-08-20", a + "-12-19", 0},
                {2, "Semester 2", "S2", b + "-01-06", b + "-06-10", 0},
                {3, "Quarter 1", "Q1", a + "-08-20", a + "-10-24", 0},
                {4, "Quarter 2", "Q2", a + "-10-27", a + "-12-19", 0},
                {5, "Quarter 3", "Q3", b + "-01-06", b + "-03-20", 0},
                {6, "Quarter 4", "Q4", b + "-03-23", b + "-06-10", 0},
            };
            for (const TermRow& t : rows) {
                sink.AddRow({Value::Int(y.yearId * 100 + t.n), Value::Int(s.number), Value::Int(y.yearId),
                             Value::Str(t.name), Value::Str(t.abbreviation), Value::Str(t.first),
                             Value::Str(t.last), Value::Int(t.isYear)});
            }
        }
    }
    sink.EndRows();
}

void CreateStudents(Sink& sink, int students)
{
    static const char* const kFirst[] = {"Anna", "Bjorn", "Clara", "David", "Elif", "Finn", "Greta", "Hugo",
                                         "Ines", "Jonas", "Karin", "Lukas", "Mira", "Noah", "Olga",  "Paul"};
    static const char* const kLast[] = {"Andersen",  "Berg",   "Christensen", "Dahl",   "Eriksen", "Fischer",
                                        "Gundersen", "Hansen", "Iversen",     "Jensen", "Karlsen", "Lund"};
    std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"Student_Number", ColumnKind::Integer},
        {"First_Name", ColumnKind::Text, 40},
        {"Last_Name", ColumnKind::Text, 40},
        {"SchoolID", ColumnKind::Integer},
        {"Grade_Level", ColumnKind::Integer},
        {"DOB", ColumnKind::Date},
        {"Enroll_Status", ColumnKind::Integer},
        {"LastFirst", ColumnKind::Text, 80},
        {"Custom", ColumnKind::Blob},
    };
    for (const ColumnDef& column : StudentAlertColumns())
        columns.push_back(column);
    for (const ColumnDef& column : StudentDetailColumns())
        columns.push_back(column);
    sink.CreateTable("Students", columns);
    sink.BeginRows("Students", columns);
    Random random(0x5eed0001);
    const int schoolCount = static_cast<int>(sizeof kSchools / sizeof kSchools[0]);
    for (int i = 0; i < students; ++i) {
        const SchoolInfo& school = kSchools[i % schoolCount];
        const int grade = random.Between(0, 12);
        const std::int64_t born = DaysSince1970(2008 - grade, 1, 1) + random.Between(0, 364);
        const std::string first = kFirst[random.Between(0, 15)];
        const std::string last = kLast[random.Between(0, 11)];
        Row row = {Value::Int(1000 + i), Value::Int(20240000 + i), Value::Str(first), Value::Str(last),
                   Value::Int(school.number), Value::Int(grade), Value::Str(IsoDate(born)),
                   Value::Int(i % 17 == 16 ? 2 : 0), Value::Str(i % 13 == 12 ? "" : last + ", " + first),
                   StudentCustomFields(i, last)};
        AddStudentAlerts(row, i);
        AddStudentDetails(row, i, first, last);
        sink.AddRow(row);
    }
    sink.EndRows();
}

void CreateSqliteCatalogueViews(Sink& sink)
{
    sink.Execute("CREATE VIEW sysobjects AS "
                 "SELECT rowid AS id, name, CASE type WHEN 'table' THEN 'U' WHEN 'view' THEN 'V' END AS type "
                 "FROM sqlite_master WHERE type IN ('table','view') AND name NOT LIKE 'sqlite_%'");
    sink.Execute(
        "CREATE VIEW syscolumns AS "
        "SELECT o.id AS id, p.name AS name FROM sysobjects AS o JOIN pragma_table_info(o.name) AS p");
}

}  // namespace sampledb
