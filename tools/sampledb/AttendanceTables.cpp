// Sample attendance: the attendance codes of every school and year, and a full school year
// (year 25) of daily attendance and of period attendance for every meeting of the students'
// sections, sized by the student count, and a few odd records.

#include "SampleTables.h"

#include <vector>

namespace sampledb {

namespace {

const int kSchoolNumbers[] = {100, 200, 300};
const int kSchoolCount = 3;
const int kYearIds[] = {24, 25};

// The current year's record: 2015-08-20 to 2016-06-10.
const int kYearIndex = 1;
const int kYearId = 25;

// Codes of each school and year; ID = (school index + 1) * 1000 + year index * 100 + n.
struct CodeInfo
{
    int n;
    const char* code;  // null: NULL
    const char* description;
    const char* presence;  // null: NULL
};

const CodeInfo kCodes[] = {
    {1, "P", "Present", "Present"},
    {2, "A", "Absent \"unexcused\"", "Absent"},
    {3, "E", "Excused – doctor's note", "Absent"},
    {4, "T", "Tardy", "Present"},
    {5, "TD", "Tardy > 10 min", ""},
    {6, "U", "Unexcused", "absent"},
    {7, "ISS", "In-school\r\nsuspension", nullptr},
    {8, "", "Empty code", "Present"},
    {9, nullptr, "No code", "Absent"},
    {10, "Z", "Zéro – field trip", "Absent "},
};

int CodeId(int schoolIndex, int yearIndex, int n)
{
    return (schoolIndex + 1) * 1000 + yearIndex * 100 + n;
}

// A code for one record: mostly present, sometimes absent, tardy or excused.
int DrawCode(Random& random)
{
    static const struct
    {
        int below;
        int n;
    } kShares[] = {{86, 1}, {91, 2}, {94, 4}, {96, 3}, {97, 5}, {98, 6}, {99, 7}, {100, 10}};
    const int pick = random.Between(0, 99);
    for (const auto& share : kShares) {
        if (pick < share.below)
            return share.n;
    }
    return 1;
}

// The rows of the student schedules (CC) and the periods as CreateSectionTables and
// CreateStructureTables number them.
int ScheduleId(int student, int yearIndex, int semester, int k)
{
    return 1 + ((student * 2 + yearIndex) * 2 + (semester - 1)) * 3 + k;
}

int PeriodId(int schoolIndex, int yearIndex, int period)
{
    return schoolIndex * 100 + yearIndex * 10 + period;
}

// The periods in which a section of course c meets on rotation day A (0) or B (1), after the
// sections' expressions "1(A)", "2(A)", "3(B)", "4(A-B)" and "5(B) 6-7(A,B)".
std::vector<int> Meetings(int course, int letter)
{
    switch (course) {
    case 0:
        return letter == 0 ? std::vector<int>{1} : std::vector<int>{};
    case 1:
        return letter == 0 ? std::vector<int>{2} : std::vector<int>{};
    case 2:
        return letter == 1 ? std::vector<int>{3} : std::vector<int>{};
    case 3:
        return {4};
    default:
        return letter == 1 ? std::vector<int>{5, 6, 7} : std::vector<int>{6, 7};
    }
}

struct SchoolDay
{
    int offset;  // days since the year's first day
    int letter;  // rotation day A (0) or B (1)
    std::string iso;
};

// The days in session of the current year: weekdays outside the winter break and the October
// teacher workdays (as the sample calendar has them), with their rotation day.
std::vector<SchoolDay> SchoolDays()
{
    const std::int64_t first = DaysSince1970(2015, 8, 20);
    const std::int64_t last = DaysSince1970(2016, 6, 10);
    const std::int64_t winterFrom = DaysSince1970(2015, 12, 22);
    const std::int64_t winterTo = DaysSince1970(2016, 1, 2);
    std::vector<SchoolDay> days;
    int rotation = 0;
    for (std::int64_t day = first; day <= last; ++day) {
        const int weekday = static_cast<int>((day + 4) % 7);  // 0 Sunday
        if (weekday == 0 || weekday == 6 || (day >= winterFrom && day <= winterTo))
            continue;
        const std::string iso = IsoDate(day);
        if (weekday == 5 && (day - first) % 14 < 7 && iso.substr(5, 2) == "10")
            continue;
        days.push_back({static_cast<int>(day - first), rotation % 2, iso});
        ++rotation;
    }
    return days;
}

Value Text(const char* text)
{
    return text ? Value::Str(text) : Value::Null();
}

}  // namespace

void CreateAttendanceCodes(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},           {"SchoolID", ColumnKind::Integer},
        {"YearID", ColumnKind::Integer},       {"Att_Code", ColumnKind::Text, 10},
        {"Description", ColumnKind::Text, 60}, {"Presence_Status_CD", ColumnKind::Text, 20},
    };
    sink.CreateTable("Attendance_Code", columns);
    sink.BeginRows("Attendance_Code", columns);
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int yearIndex = 0; yearIndex < 2; ++yearIndex) {
            for (const CodeInfo& c : kCodes) {
                sink.AddRow({Value::Int(CodeId(schoolIndex, yearIndex, c.n)),
                             Value::Int(kSchoolNumbers[schoolIndex]), Value::Int(kYearIds[yearIndex]),
                             Text(c.code), Value::Str(c.description), Text(c.presence)});
            }
        }
    }
    sink.EndRows();
}

void CreateAttendance(Sink& sink, int students)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"StudentID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"YearID", ColumnKind::Integer},
        {"ATT_Date", ColumnKind::Date},
        {"Attendance_CodeID", ColumnKind::Integer},
        {"ATT_Mode_Code", ColumnKind::Text, 20},
        {"CCID", ColumnKind::Integer},
        {"PeriodID", ColumnKind::Integer},
        {"Att_Comment", ColumnKind::LongText},
    };
    sink.CreateTable("Attendance", columns);
    sink.BeginRows("Attendance", columns);
    const std::vector<SchoolDay> days = SchoolDays();
    Random random(0x5eed0a77);
    std::int64_t id = 1;
    Row row(columns.size());
    const char* const daily = "ATT_ModeDaily";
    const char* const meeting = "ATT_ModeMeeting";
    auto add = [&](int student, int schoolIndex, int yearId, Value date, Value code, const char* mode,
                   Value schedule, Value period, Value comment) {
        row[0] = Value::Int(id++);
        row[1] = Value::Int(1000 + student);
        row[2] = Value::Int(kSchoolNumbers[schoolIndex]);
        row[3] = Value::Int(yearId);
        row[4] = std::move(date);
        row[5] = std::move(code);
        row[6] = Text(mode);
        row[7] = std::move(schedule);
        row[8] = std::move(period);
        row[9] = std::move(comment);
        sink.AddRow(row);
    };
    auto comment = [&](int n) {
        // Now and then a note, with quotes, accents and a line break.
        if (random.Between(0, 199) != 0)
            return Value::Null();
        return n == 1 ? Value::Str("") : Value::Str("Arrived 10:15 \"bus late\"\r\nnote – é");
    };

    // Day by day, as a school enters them.
    for (const SchoolDay& day : days) {
        // The sections of the semester in which the students sit that day.
        const int semester = day.offset <= 130 ? 1 : day.offset >= 139 && day.offset <= 269 ? 2 : 0;
        const int first = semester == 1 ? 0 : 139;
        for (int student = 0; student < students; ++student) {
            const int schoolIndex = student % kSchoolCount;
            const int n = DrawCode(random);
            add(student, schoolIndex, kYearId, Value::Str(day.iso),
                Value::Int(CodeId(schoolIndex, kYearIndex, n)), daily, Value::Null(), Value::Null(),
                comment(n));
            if (semester == 0)
                continue;
            for (int k = 0; k < 3; ++k) {
                const bool dropped = student % 11 == 10 && k == 2;
                if (dropped && day.offset > first + 10)
                    continue;
                for (int period : Meetings((student + k) % 5, day.letter)) {
                    const int code = DrawCode(random);
                    add(student, schoolIndex, kYearId, Value::Str(day.iso),
                        Value::Int(CodeId(schoolIndex, kYearIndex, code)), meeting,
                        Value::Int(ScheduleId(student, kYearIndex, semester, k)),
                        Value::Int(PeriodId(schoolIndex, kYearIndex, period)), comment(code));
                }
            }
        }
    }

    // Odd records: no date, the empty date, no code (on a Saturday), last year, no mode, a meeting
    // without its schedule.
    for (int student = 0; student < students && student < kSchoolCount; ++student) {
        const int schoolIndex = student % kSchoolCount;
        const Value code = Value::Int(CodeId(schoolIndex, kYearIndex, 2));
        add(student, schoolIndex, kYearId, Value::Null(), code, daily, Value::Null(), Value::Null(),
            Value::Null());
        add(student, schoolIndex, kYearId, Value::Str("1900-01-01"), code, daily, Value::Null(),
            Value::Null(), Value::Null());
        add(student, schoolIndex, kYearId, Value::Str("2015-08-22"), Value::Null(), daily, Value::Null(),
            Value::Null(), Value::Str("Saturday event"));
        add(student, schoolIndex, kYearIds[0], Value::Str("2015-05-04"),
            Value::Int(CodeId(schoolIndex, 0, 2)), daily, Value::Null(), Value::Null(), Value::Null());
        add(student, schoolIndex, kYearId, Value::Str(days[4].iso), code, nullptr, Value::Null(),
            Value::Null(), Value::Null());
        add(student, schoolIndex, kYearId, Value::Str(days[5].iso), code, meeting, Value::Null(),
            Value::Int(PeriodId(schoolIndex, kYearIndex, 1)), Value::Null());
    }
    sink.EndRows();

    // The keys that the attendance queries reach: the records by date, the schedules by ID.
    sink.CreateIndex("Attendance", "Date", "ATT_Date");
    sink.CreateIndex("CC", "ID", "ID");
}

}  // namespace sampledb
