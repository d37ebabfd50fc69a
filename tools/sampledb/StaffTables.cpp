// Sample tables of staff, transportation, student alerts and medical history: the staff details
// and the alert columns of Students (added by their tables' builders), the bus and transport
// records, the medical log types in Gen and their entries in Log. Sized by the student count.

#include "SampleTables.h"

#include <cstdio>

namespace sampledb {

namespace {

const int kSchoolNumbers[] = {100, 200, 300};

Value Text(const char* text)
{
    return text ? Value::Str(text) : Value::Null();
}

// One packed custom-field record: 0x11, the id in two base-64 digits, 0x12, the length in two
// base-64 digits, the value.
void PackField(std::string& data, int id, const std::string& value)
{
    data += '\x11';
    data += static_cast<char>(id / 64);
    data += static_cast<char>(id % 64);
    data += '\x12';
    data += static_cast<char>(value.size() / 64);
    data += static_cast<char>(value.size() % 64);
    data += value;
}

// A date as the source keeps an empty one, or a real one.
Value DateOrEmpty(int pick, const char* real)
{
    if (pick == 0)
        return Value::Null();
    if (pick == 1)
        return Value::Str("1900-01-01");
    return Value::Str(real);
}

std::string Clock(int minutes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:00", minutes / 60, minutes % 60);
    return text;
}

// The staff custom fields (file number 200) and the medical log types, appended to the tables
// that the lookup builders of the generator create.
void AppendStaffFieldDefinitions(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"FILENO", ColumnKind::Integer},
        {"NAME", ColumnKind::Text, 60},
        {"DESCRIPTION", ColumnKind::Text, 120},
    };
    sink.BeginRows("FieldsTable", columns);
    sink.AddRow({Value::Int(20), Value::Int(200), Value::Str("Staff_Badge"), Value::Str("Badge \"number\"")});
    sink.AddRow({Value::Int(21), Value::Int(200), Value::Str("Staff_CellPhone"), Value::Str("")});
    sink.AddRow({Value::Int(22), Value::Int(200), Value::Str("Staff_Parking_REL"), Value::Null()});
    sink.EndRows();
}

const int kMedicalTypes[] = {2001, 2002, 2004, 2005};
const int kNurseNote = 2003;

void AppendMedicalLogTypes(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},       {"SchoolID", ColumnKind::Integer}, {"Cat", ColumnKind::Text, 30},
        {"Custom", ColumnKind::Blob},      {"Name", ColumnKind::Text, 80},    {"Value", ColumnKind::Text, 40},
        {"ValueT", ColumnKind::Text, 120},
    };
    sink.BeginRows("Gen", columns);
    const struct
    {
        int id, school;
        const char* name;
    } rows[] = {
        {2001, 0, "Medical Visit"},   {2002, 100, "Health Screening"},        {kNurseNote, 100, "Nurse Note"},
        {2004, 200, "Medical Alert"}, {2005, 300, "Mental Health \"Check\""}, {2006, 0, "Parent Contact"},
    };
    for (const auto& r : rows)
        sink.AddRow({Value::Int(r.id), Value::Int(r.school), Value::Str("logtype"), Value::Null(),
                     Value::Str(r.name), Value::Str(""), Value::Null()});
    sink.EndRows();
}

// Medical and other log entries of students and staff; the columns are those of CreateConductLog.
void AppendMedicalLog(Sink& sink, int students)
{
    const std::vector<ColumnDef>& columns = LogColumns();
    static const char* const kEntries[] = {
        "Headache, rested 20 minutes",
        "Vision screening: \"20/40\" left eye\r\nletter sent home",
        "Asthma inhaler given \xE2\x80\x93 parent called",
        "  Flu shot\tbatch 7  ",
        "",
        nullptr,
    };
    static const char* const kSubtypes[] = {"ST1", "ST2", " ST1 ", "", "ST9", nullptr};
    static const int kTeachers[] = {501, 502, 504, 505, 601, 701, 0};
    sink.BeginRows("Log", columns);
    Random random(0x5eed0016);
    std::int64_t dcid = 100000000;
    const std::int64_t firstDay = DaysSince1970(2014, 8, 20);
    for (int i = 0; i < students; ++i) {
        const int entries = random.Between(0, 2);
        for (int e = 0; e < entries; ++e) {
            const bool staffOnly = random.Between(0, 5) == 0;
            const int type = random.Between(0, 4) == 0 ? kNurseNote : kMedicalTypes[random.Between(0, 3)];
            const int school = kSchoolNumbers[(random.Between(0, 19) == 0 ? i + 1 : i) % 3];
            const int datePick = random.Between(0, 9);
            Row row = {
                Value::Int(dcid++),
                staffOnly ? Value::Null() : Value::Int(1000 + i),
                staffOnly || random.Between(0, 2) == 0 ? Value::Int(kTeachers[random.Between(0, 6)])
                                                       : Value::Null(),
                Value::Int(school),
                Value::Int(type),
                Text(kSubtypes[random.Between(0, 5)]),
                Text(kEntries[random.Between(0, 5)]),
                Text(random.Between(0, 1) ? "Hansen, Mira" : nullptr),
                datePick == 0 ? Value::Null()
                              : (datePick == 1 ? Value::Str("1900-01-01")
                                               : Value::Str(IsoDate(firstDay + random.Between(0, 640)))),
                Value::Str(Clock(random.Between(8 * 60, 15 * 60))),
            };
            // The discipline columns stay empty.
            while (row.size() < columns.size())
                row.push_back(Value::Null());
            sink.AddRow(row);
        }
    }
    sink.EndRows();
}

// Bus and other transport records: to school and from it, some ended, some not begun, some
// without dates.
void CreateTransportation(Sink& sink, int students)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"StudentID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"FromTo", ColumnKind::Text, 10},
        {"RouteNumber", ColumnKind::Text, 10},
        {"BusNumber", ColumnKind::Text, 10},
        {"StopNumber", ColumnKind::Text, 20},
        {"Address", ColumnKind::Text, 80},
        {"ArrivalTime", ColumnKind::Time},
        {"DepartureTime", ColumnKind::Time},
        {"ContactNumber", ColumnKind::Text, 20},
        {"DriverName", ColumnKind::Text, 40},
        {"Type", ColumnKind::Text, 20},
        {"LinkingCode", ColumnKind::Text, 20},
        {"Description", ColumnKind::LongText},
        {"SpecialInstructions", ColumnKind::LongText},
        {"Distance", ColumnKind::Double},
        {"DistanceIndicator", ColumnKind::Text, 10},
        {"StartDate", ColumnKind::Date},
        {"EndDate", ColumnKind::Date},
        {"Monday", ColumnKind::Integer},
        {"Tuesday", ColumnKind::Integer},
        {"Wednesday", ColumnKind::Integer},
        {"Thursday", ColumnKind::Integer},
        {"Friday", ColumnKind::Integer},
        {"Saturday", ColumnKind::Integer},
        {"Sunday", ColumnKind::Integer},
    };
    static const char* const kStops[] = {"Elm & 3rd", "Fjord Rd \"north\"", "K\xC3\xB8kkenvej 4", "",
                                         nullptr};
    static const char* const kDrivers[] = {"\xC3\x85sa \xC3\x96"
                                           "berg",
                                           "O'Hara, Sean", "", nullptr};
    static const char* const kTypes[] = {"Regular", "Special needs", "Activity", "", nullptr};
    static const char* const kNotes[] = {"Wheelchair lift", "Sits up front\r\nmotion sickness", "", nullptr};
    static const char* const kDirections[] = {"To", "From", "To", "From", "to", nullptr};
    sink.CreateTable("Transportation", columns);
    sink.BeginRows("Transportation", columns);
    Random random(0x5eed0041);
    int id = 1;
    for (int i = 0; i < students; ++i) {
        const int records = random.Between(0, 3);
        for (int r = 0; r < records; ++r) {
            const int route = random.Between(1, 24);
            const bool weekdays = random.Between(0, 4) != 0;
            // Current, ended, not begun yet, or without dates.
            const int span = random.Between(0, 5);
            Value start, end;
            if (span <= 1) {
                start = DateOrEmpty(random.Between(0, 2), "2014-08-20");
                end = DateOrEmpty(random.Between(0, 2), "2099-06-30");
            } else if (span == 2) {
                start = Value::Str("2014-08-20");
                end = Value::Str("2015-06-10");
            } else if (span == 3) {
                start = Value::Str("2099-08-20");
                end = Value::Null();
            } else {
                start = Value::Null();
                end = Value::Null();
            }
            const int arrives = random.Between(0, 3) ? random.Between(7 * 60, 8 * 60 + 30) : -1;
            const int departs = random.Between(0, 3) ? random.Between(14 * 60 + 30, 16 * 60) : -1;
            sink.AddRow({
                Value::Int(id++),
                Value::Int(1000 + i),
                Value::Int(kSchoolNumbers[i % 3]),
                Text(kDirections[random.Between(0, 5)]),
                random.Between(0, 9) ? Value::Str(std::to_string(route)) : Value::Str(""),
                random.Between(0, 5) ? Value::Str("B" + std::to_string(route * 3 % 40)) : Value::Null(),
                Text(kStops[random.Between(0, 4)]),
                random.Between(0, 2) ? Value::Str(std::to_string(10 + i) + " Harbour Rd") : Value::Null(),
                arrives < 0 ? Value::Null() : Value::Str(Clock(arrives)),
                departs < 0 ? Value::Null() : Value::Str(Clock(departs)),
                random.Between(0, 2) ? Value::Str("(555) 010-" + std::to_string(1000 + route))
                                     : Value::Null(),
                Text(kDrivers[random.Between(0, 3)]),
                Text(kTypes[random.Between(0, 4)]),
                random.Between(0, 4) ? Value::Null() : Value::Str("LNK-" + std::to_string(i)),
                Text(kNotes[random.Between(0, 3)]),
                random.Between(0, 5) ? Value::Null() : Value::Str("Call \"Mom\" if late\r\nKey: 12"),
                random.Between(0, 3) ? Value::Real(0.5 * random.Between(1, 20)) : Value::Null(),
                Text(random.Between(0, 2) ? "miles" : (random.Between(0, 1) ? "km" : nullptr)),
                start,
                end,
                Value::Int(weekdays),
                Value::Int(weekdays),
                Value::Int(weekdays && random.Between(0, 3) != 0),
                Value::Int(weekdays),
                Value::Int(weekdays),
                Value::Int(!weekdays),
                Value::Int(0),
            });
        }
    }
    sink.EndRows();
}

}  // namespace

std::vector<ColumnDef> StaffDetailColumns()
{
    return {
        {"Title", ColumnKind::Text, 40},        {"City", ColumnKind::Text, 40},
        {"Email_Addr", ColumnKind::Text, 80},   {"Ethnicity", ColumnKind::Text, 10},
        {"Home_Phone", ColumnKind::Text, 30},   {"Homeroom", ColumnKind::Text, 10},
        {"Photo", ColumnKind::Integer},         {"PreferredName", ColumnKind::Text, 40},
        {"School_Phone", ColumnKind::Text, 30}, {"StaffStatus", ColumnKind::Integer},
        {"State", ColumnKind::Text, 10},        {"Street", ColumnKind::Text, 80},
        {"Zip", ColumnKind::Text, 10},          {"Custom", ColumnKind::Blob},
    };
}

void AddStaffDetails(Row& row, int staffId)
{
    static const char* const kTitles[] = {"Teacher", "Nurse", "Coach \"Head\"", "Substitute", ""};
    static const char* const kEthnicity[] = {"W", "H", "A", "X", nullptr};
    static const char* const kPhones[] = {"(555) 123-4567", "555 987 6543", "1-800-555-0100", "12345", "",
                                          nullptr};
    const int n = staffId % 97;
    std::string custom;
    if (n % 3 != 2) {
        PackField(custom, 20, "B-" + std::to_string(staffId));
        PackField(custom, 21, "555 010 " + std::to_string(2000 + n));
        if (n % 2)
            PackField(custom, 22, "Lot A\r\nRow " + std::to_string(n));
        PackField(custom, 1, "L-1");  // a student field: not written for staff
    } else if (n % 2) {
        custom.assign("\x11\x00\x05\x12", 4);  // too short
    }
    row.insert(row.end(),
               {
                   Value::Str(kTitles[n % 5]),
                   n % 4 ? Value::Str(n % 2 ? "Harbour Point" : "\xC3\x85lesund") : Value::Null(),
                   n % 3 ? Value::Str("staff" + std::to_string(staffId) + "@school.example") : Value::Null(),
                   Text(kEthnicity[n % 5]),
                   Text(kPhones[n % 6]),
                   Value::Str(n % 2 ? "B12" : ""),
                   Value::Int(n % 2),
                   n % 3 ? Value::Null() : Value::Str("Kari"),
                   Text(kPhones[(n + 1) % 6]),
                   Value::Int(n % 6),
                   Value::Str("ME"),
                   Value::Str(n % 2 ? "12 Pier St\r\nApt 3" : "  7 Quay Lane\t"),
                   Value::Str("0410" + std::to_string(n % 10)),
                   custom.empty() ? Value::Null() : Value::Bytes(custom),
               });
}

std::vector<ColumnDef> StudentAlertColumns()
{
    return {
        {"Alert_Discipline", ColumnKind::LongText}, {"Alert_DisciplineExpires", ColumnKind::Date},
        {"Alert_Guardian", ColumnKind::LongText},   {"Alert_GuardianExpires", ColumnKind::Date},
        {"Alert_Other", ColumnKind::LongText},      {"Alert_OtherExpires", ColumnKind::Date},
    };
}

void AddStudentAlerts(Row& row, int student)
{
    static const char* const kDiscipline[] = {"Bit a classmate's \"pencil\"\r\nSee office",
                                              "Late bus pass revoked", "   ", ""};
    static const char* const kGuardian[] = {"Custody: mother only", "No contact with \"father\"",
                                            "Court order \xE2\x80\x93 see file"};
    static const char* const kOther[] = {"Peanut allergy", "Bee sting kit in office\r\n(EpiPen)", ""};
    // Expiry: none, 1900-01-01, ended, far ahead.
    auto expiry = [](int pick) {
        switch (pick % 4) {
        case 0:
            return Value::Null();
        case 1:
            return Value::Str("1900-01-01");
        case 2:
            return Value::Str("2015-01-31");
        default:
            return Value::Str("2099-06-30");
        }
    };
    // The student's place within its school (the schools take turns).
    const int k = student / 3;
    const bool discipline = k % 3 == 0;
    const bool guardian = k % 4 == 1;
    const bool other = k % 3 == 2;
    row.insert(row.end(), {
                              discipline ? Value::Str(kDiscipline[k / 3 % 4]) : Value::Null(),
                              discipline ? expiry(k / 2) : Value::Null(),
                              guardian ? Value::Str(kGuardian[k % 3]) : Value::Null(),
                              guardian ? expiry(k / 4 + 1) : Value::Null(),
                              other ? Value::Str(kOther[k / 3 % 3]) : Value::Null(),
                              other ? expiry(k) : Value::Null(),
                          });
}

void CreateStaffTables(Sink& sink, int students)
{
    AppendStaffFieldDefinitions(sink);
    AppendMedicalLogTypes(sink);
    AppendMedicalLog(sink, students);
    CreateTransportation(sink, students);
}

}  // namespace sampledb
