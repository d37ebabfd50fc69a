// Sample tables of the school structure: courses, rotation days, rooms, periods, bell
// schedules, calendar days and grading bins of the three schools in years 24 and 25.

#include "SampleTables.h"

namespace sampledb {

namespace {

const int kSchoolNumbers[] = {100, 200, 300};
const int kSchoolCount = 3;

struct YearInfo
{
    int yearId;
    int firstYear;  // the year record runs from 08-20 of this year to 06-10 of the next
};

const YearInfo kYears[] = {{24, 2014}, {25, 2015}};
const int kYearCount = 2;

// Rotation days of every school: the sections meet on A and B only.
const char* const kDayLetters[] = {"A", "B", "C", "D"};
const int kDayCount = 4;

// Periods of a day: a number and a name; 7 is the advisory period without a name.
const int kPeriodCount = 7;

Value Text(const char* text)
{
    return text ? Value::Str(text) : Value::Null();
}

int CycleDayId(int schoolIndex, int letter)
{
    return schoolIndex * 10 + letter + 1;
}

int PeriodId(int schoolIndex, int year, int period)
{
    return schoolIndex * 100 + year * 10 + period;
}

// Bell schedules 1 regular, 2 late start, 3 assembly.
int BellId(int schoolIndex, int year, int kind)
{
    return schoolIndex * 10 + year * 3 + kind;
}

int Weekday(std::int64_t day)  // 0 Sunday .. 6 Saturday
{
    return static_cast<int>((day + 4) % 7);
}

}  // namespace

void CreateCourseTable(Sink& sink, int students)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"Course_Number", ColumnKind::Text, 20},
        {"Course_Name", ColumnKind::Text, 60},
    };
    sink.CreateTable("Courses", columns);
    sink.BeginRows("Courses", columns);
    // The district catalogue is kept under the first school; the sections of every school use it.
    const struct
    {
        const char* number;
        const char* name;
    } catalogue[] = {
        {"MATH", "Mathematics"},   {"ENG", "English \"Literature\""},
        {"HIST", "History"},       {"ART", "Art & Design"},
        {"BIO", nullptr},          {"FRE", "Français é"},
        {"MUS", "Music\r\nChoir"}, {"PE", "Physical Education"},
    };
    int id = 1;
    for (const auto& c : catalogue)
        sink.AddRow({Value::Int(id++), Value::Int(kSchoolNumbers[0]), Value::Str(c.number), Text(c.name)});
    // Electives that no section uses, more for a larger school.
    const int electives = 4 + students / 40;
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int e = 1; e <= electives; ++e) {
            const std::string number =
                "EL" + std::to_string(kSchoolNumbers[schoolIndex]) + "-" + std::to_string(e);
            sink.AddRow({Value::Int(id++), Value::Int(kSchoolNumbers[schoolIndex]), Value::Str(number),
                         Value::Str("Elective " + std::to_string(e) + (e % 5 == 0 ? " O'Neill" : ""))});
        }
    }
    sink.EndRows();
}

void CreateCycleDayTable(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"Letter", ColumnKind::Text, 2},
        {"Abbr", ColumnKind::Text, 20},
    };
    sink.CreateTable("Cycle_Day", columns);
    sink.BeginRows("Cycle_Day", columns);
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int letter = 0; letter < kDayCount; ++letter) {
            const std::string name = std::string("Day ") + kDayLetters[letter];
            sink.AddRow({Value::Int(CycleDayId(schoolIndex, letter)), Value::Int(kSchoolNumbers[schoolIndex]),
                         Value::Str(kDayLetters[letter]), letter == 3 ? Value::Null() : Value::Str(name)});
        }
    }
    // A second name for B at the first school.
    sink.AddRow({Value::Int(99), Value::Int(kSchoolNumbers[0]), Value::Str("B"), Value::Str("Día B")});
    sink.EndRows();
}

void CreateRoomTable(Sink& sink, int students)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"Room_Number", ColumnKind::Text, 10},
        {"Name", ColumnKind::Text, 40},
    };
    sink.CreateTable("Room", columns);
    sink.BeginRows("Room", columns);
    static const char* const kNames[] = {"Biology Lab", "O'Neill Hall \"Main\"", nullptr, "Café",
                                         "  West\r\nWing\t"};
    const int rooms = 6 + students / 50;
    int id = 1;
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int r = 0; r < rooms; ++r) {
            sink.AddRow({Value::Int(id++), Value::Int(kSchoolNumbers[schoolIndex]),
                         Value::Str("R" + std::to_string(100 + r)), Text(kNames[r % 5])});
        }
    }
    sink.EndRows();
}

void CreatePeriodTable(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"Year_ID", ColumnKind::Integer},
        {"Period_Number", ColumnKind::Text, 10},
        {"Abbreviation", ColumnKind::Text, 20},
        {"Sort_Order", ColumnKind::Integer},
    };
    sink.CreateTable("Period", columns);
    sink.BeginRows("Period", columns);
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int year = 0; year < kYearCount; ++year) {
            for (int period = 1; period <= kPeriodCount; ++period) {
                const std::string name = period == 5 ? "Lunch \"L\"" : "Per " + std::to_string(period);
                sink.AddRow({Value::Int(PeriodId(schoolIndex, year, period)),
                             Value::Int(kSchoolNumbers[schoolIndex]), Value::Int(kYears[year].yearId),
                             Value::Str(std::to_string(period)),
                             period == 7 ? Value::Null() : Value::Str(name), Value::Int(period)});
            }
        }
    }
    sink.EndRows();
}

void CreateBellScheduleTables(Sink& sink)
{
    const std::vector<ColumnDef> schedules = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"Year_ID", ColumnKind::Integer},
        {"Name", ColumnKind::Text, 40},
    };
    static const char* const kKinds[] = {"Regular", "Late Start 'B'", "Assembly – Aula é"};
    sink.CreateTable("Bell_Schedule", schedules);
    sink.BeginRows("Bell_Schedule", schedules);
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int year = 0; year < kYearCount; ++year) {
            for (int kind = 1; kind <= 3; ++kind)
                sink.AddRow({Value::Int(BellId(schoolIndex, year, kind)),
                             Value::Int(kSchoolNumbers[schoolIndex]), Value::Int(kYears[year].yearId),
                             Value::Str(kKinds[kind - 1])});
        }
    }
    sink.EndRows();

    // Times in seconds after midnight.
    const std::vector<ColumnDef> items = {
        {"ID", ColumnKind::Integer},        {"Bell_Schedule_ID", ColumnKind::Integer},
        {"Period_ID", ColumnKind::Integer}, {"Start_Time", ColumnKind::Integer},
        {"End_Time", ColumnKind::Integer},
    };
    sink.CreateTable("Bell_Schedule_Items", items);
    sink.BeginRows("Bell_Schedule_Items", items);
    int id = 1;
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int year = 0; year < kYearCount; ++year) {
            // Regular: periods 1 to 6 of 50 minutes from 8:00; late start: 40 minutes from 10:00;
            // assembly: the advisory period after the third. Items are stored newest first.
            for (int kind = 1; kind <= 3; ++kind) {
                const int start = kind == 2 ? 10 * 3600 : 8 * 3600;
                const int length = kind == 2 ? 40 * 60 : 50 * 60;
                const int order[] = {1, 2, 3, 7, 4, 5, 6};
                int at = start;
                int written = 0;
                int rows[7][2];
                for (int period : order) {
                    if (period == 7 && kind != 3)
                        continue;
                    rows[written][0] = period;
                    rows[written][1] = at;
                    ++written;
                    at += length + 5 * 60;
                }
                for (int k = written - 1; k >= 0; --k) {
                    sink.AddRow({Value::Int(id++), Value::Int(BellId(schoolIndex, year, kind)),
                                 Value::Int(PeriodId(schoolIndex, year, rows[k][0])), Value::Int(rows[k][1]),
                                 Value::Int(rows[k][1] + length)});
                }
            }
        }
    }
    sink.EndRows();
}

void CreateCalendarDayTable(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"Date_Value", ColumnKind::Date},
        {"Cycle_Day_ID", ColumnKind::Integer},
        {"Bell_Schedule_ID", ColumnKind::Integer},
        {"InSession", ColumnKind::Integer},
        {"Note", ColumnKind::LongText},
    };
    sink.CreateTable("Calendar_Day", columns);
    sink.BeginRows("Calendar_Day", columns);
    int id = 1;
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int year = 0; year < kYearCount; ++year) {
            const std::int64_t first = DaysSince1970(kYears[year].firstYear, 8, 20);
            const std::int64_t last = DaysSince1970(kYears[year].firstYear + 1, 6, 10);
            const std::int64_t winterFrom = DaysSince1970(kYears[year].firstYear, 12, 22);
            const std::int64_t winterTo = DaysSince1970(kYears[year].firstYear + 1, 1, 2);
            int rotation = 0;
            for (std::int64_t day = first; day <= last; ++day) {
                const int weekday = Weekday(day);
                if (weekday == 0 || weekday == 6)
                    continue;
                const bool winter = day >= winterFrom && day <= winterTo;
                // Every other Friday in October is a teacher workday without a rotation day.
                const bool workday =
                    weekday == 5 && (day - first) % 14 < 7 && IsoDate(day).substr(5, 2) == "10";
                const int letter = rotation % 2;
                if (!winter && !workday)
                    ++rotation;
                const int bell = weekday == 3 ? 2 : (day - first) % 30 == 0 ? 3 : 1;
                Value note = Value::Null();
                if (winter)
                    note = Value::Str("Winter break – \"no school\"");
                else if (workday)
                    note = Value::Str("Teacher workday\r\nno students");
                else if (day == first)
                    note = Value::Str("First day of school");
                sink.AddRow({Value::Int(id++), Value::Int(kSchoolNumbers[schoolIndex]),
                             Value::Str(IsoDate(day)),
                             Value::Int(workday ? 0 : CycleDayId(schoolIndex, letter)),
                             Value::Int(BellId(schoolIndex, year, bell)),
                             Value::Int(winter || workday ? 0 : 1), note});
            }
        }
    }
    sink.EndRows();
}

void CreateTermBinTable(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},     {"SchoolID", ColumnKind::Integer},   {"YearID", ColumnKind::Integer},
        {"TermID", ColumnKind::Integer}, {"StoreCode", ColumnKind::Text, 10}, {"Date1", ColumnKind::Date},
        {"Date2", ColumnKind::Date},
    };
    sink.CreateTable("TermBins", columns);
    sink.BeginRows("TermBins", columns);
    int id = 1;
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (const YearInfo& y : kYears) {
            const std::string a = std::to_string(y.firstYear);
            const std::string b = std::to_string(y.firstYear + 1);
            // Term n of the year's terms; S1 is stored for both quarters of the first semester.
            const struct
            {
                int term;
                const char* code;
                std::string first, last;
            } bins[] = {
                {1, "S1", a + "-08-20", a + "-12-19"}, {3, "S1", a + "-08-20", a + "-12-19"},
                {2, "S2", b + "-01-06", b + "-06-10"}, {3, "Q1", a + "-08-20", a + "-10-24"},
                {4, "Q2", a + "-10-27", a + "-12-19"}, {5, "Q3", b + "-01-06", b + "-03-20"},
                {6, "Q4", b + "-03-23", b + "-06-10"}, {2, "E1", "", "1900-01-01"},
            };
            for (const auto& bin : bins) {
                sink.AddRow({Value::Int(id++), Value::Int(kSchoolNumbers[schoolIndex]), Value::Int(y.yearId),
                             Value::Int(y.yearId * 100 + bin.term), Value::Str(bin.code),
                             bin.first.empty() ? Value::Null() : Value::Str(bin.first),
                             Value::Str(bin.last)});
            }
        }
    }
    sink.EndRows();
}

void CreateStructureTables(Sink& sink, int students)
{
    CreateCourseTable(sink, students);
    CreateCycleDayTable(sink);
    CreateRoomTable(sink, students);
    CreatePeriodTable(sink);
    CreateBellScheduleTables(sink);
    CreateCalendarDayTable(sink);
    CreateTermBinTable(sink);
}

}  // namespace sampledb
