// Sample tables of the student record: the address, enrolment, guardian, contact and medical
// columns of Students (added by its builder), the home languages in Demographics and the
// physical addresses in Address. Sized by the student count; every value depends on the
// student's number only.

#include "SampleTables.h"

namespace sampledb {

namespace {

Value Text(const char* text)
{
    return text ? Value::Str(text) : Value::Null();
}

// A date as the source keeps an empty one (NULL or 1900-01-01), or a real one.
Value DateOrEmpty(int pick, const std::string& real)
{
    if (pick == 0)
        return Value::Null();
    if (pick == 1)
        return Value::Str("1900-01-01");
    return Value::Str(real);
}

const char* const kPhones[] = {"(555) 201-3344",  "5552013344", "555-0199",         "1 555 201 3344",
                               "+47 55 12 34 56", "call mom",   "555 201 3344 x12", nullptr};
const char* const kStreets[] = {"12 Harbour Rd", "3 Rue d'\xC3\x89t\xC3\xA9", "S\xC3\xB8ndre gate 4",
                                "  7 Quay Lane\t", "Apt \"B\", 9 Pier St"};
const char* const kCities[] = {"Varnholm", "\xC3\x85lesund", "Lyon", "Harbour Point"};

}  // namespace

std::vector<ColumnDef> StudentDetailColumns()
{
    return {
        {"Middle_Name", ColumnKind::Text, 40},
        {"Gender", ColumnKind::Text, 2},
        {"Street", ColumnKind::Text, 60},
        {"City", ColumnKind::Text, 40},
        {"State", ColumnKind::Text, 4},
        {"Zip", ColumnKind::Text, 10},
        {"Mailing_City", ColumnKind::Text, 40},
        {"Mailing_Street", ColumnKind::Text, 60},
        {"Mailing_State", ColumnKind::Text, 4},
        {"Mailing_Zip", ColumnKind::Text, 10},
        {"Track", ColumnKind::Text, 4},
        {"Homeroom", ColumnKind::Text, 10},
        {"Locker_Number", ColumnKind::Text, 10},
        {"Locker_Combination", ColumnKind::Text, 12},
        {"Bus_Route", ColumnKind::Text, 10},
        {"Bus_Stop", ColumnKind::Text, 40},
        {"PhotoFlag", ColumnKind::Integer},
        {"EntryDate", ColumnKind::Date},
        {"ExitDate", ColumnKind::Date},
        {"GuardianEmail", ColumnKind::Text, 60},
        {"ClassOf", ColumnKind::Integer},
        {"State_StudentNumber", ColumnKind::Text, 20},
        {"TransferComment", ColumnKind::LongText},
        {"GuardianFax", ColumnKind::Text, 30},
        {"EntryCode", ColumnKind::Text, 10},
        {"ExitCode", ColumnKind::Text, 10},
        {"Balance1", ColumnKind::Double},
        {"Ethnicity", ColumnKind::Text, 4},
        {"Father", ColumnKind::Text, 60},
        {"Home_Phone", ColumnKind::Text, 30},
        {"Mother", ColumnKind::Text, 60},
        {"SchoolEntryDate", ColumnKind::Date},
        {"SchoolEntryGradeLevel", ColumnKind::Integer},
        {"DistrictOfResidence", ColumnKind::Text, 20},
        {"EnrollmentType", ColumnKind::Text, 20},
        {"EnrollmentCode", ColumnKind::Text, 10},
        {"ExitComment", ColumnKind::Text, 60},
        {"Team", ColumnKind::Text, 20},
        {"House", ColumnKind::Text, 20},
        {"Building", ColumnKind::Text, 20},
        {"SummerSchoolNote", ColumnKind::Text, 60},
        {"Doctor_Name", ColumnKind::Text, 60},
        {"Doctor_Phone", ColumnKind::Text, 30},
        {"Emerg_Contact_1", ColumnKind::Text, 60},
        {"Emerg_Phone_1", ColumnKind::Text, 30},
        {"Emerg_Contact_2", ColumnKind::Text, 60},
        {"Emerg_Phone_2", ColumnKind::Text, 30},
        {"Medical_Considerations", ColumnKind::LongText},
        {"allergies", ColumnKind::LongText},
        {"Alert_Medical", ColumnKind::LongText},
        {"Alert_MedicalExpires", ColumnKind::Date},
        {"immunizaton_polio", ColumnKind::Text, 40},
        {"immunizaton_mmr", ColumnKind::Text, 40},
        {"immunizaton_dpt", ColumnKind::Text, 40},
    };
}

void AddStudentDetails(Row& row, int student, const std::string& first, const std::string& last)
{
    static const char* const kEthnicity[] = {"H", "W", "A", "N", "Q", nullptr};
    static const char* const kEntryCodes[] = {"E1", "E2", "", "E9"};
    static const char* const kExitCodes[] = {"X1", "X2", "", nullptr};
    static const char* const kDoctors[] = {"Dr. \xC3\x85se Lund", "Dr. O'Neill", "  ", nullptr};
    static const char* const kConditions[] = {"Asthma\r\ninhaler in the office", "Diabetes \"type 1\"",
                                              "Wears glasses", nullptr, ""};
    static const char* const kAllergies[] = {"Peanuts\tand tree nuts", "Latex", nullptr, "", "Bee stings"};
    const int n = student;
    // The students of one school are every third one: k varies where n % 3 would not.
    const int k = student / 3;
    const bool left = n % 11 == 10;
    const std::string parent = (n % 2 ? "Karin " : "Liam ") + last;
    // Balance: in credit, owing, settled or unknown.
    const Value balance = n % 4 == 0   ? Value::Real(12.5 + n % 9)
                          : n % 4 == 1 ? Value::Real(-3.25 - n % 5)
                          : n % 4 == 2 ? Value::Real(0)
                                       : Value::Null();
    row.insert(row.end(),
               {
                   k % 3 ? Value::Null() : Value::Str(n % 2 ? "Ann \"Annie\"" : ""),
                   Text(n % 7 == 6 ? nullptr : (n % 2 ? "F" : "M")),
                   Value::Str(kStreets[n % 5]),
                   Value::Str(kCities[n % 4]),
                   Value::Str(n % 4 == 1 ? "" : "WA"),
                   Value::Str("980" + std::to_string(10 + n % 80)),
                   k % 3 == 0 ? Value::Str(kCities[(n + 1) % 4]) : Value::Null(),
                   k % 3 == 0 ? Value::Str("PO Box " + std::to_string(k % 300)) : Value::Null(),
                   k % 3 == 0 ? Value::Str("WA") : Value::Null(),
                   k % 3 == 0 ? Value::Str("98002") : Value::Null(),
                   Value::Str(n % 2 ? "A" : "B"),
                   Value::Str("R" + std::to_string(100 + n % 12)),
                   n % 5 == 4 ? Value::Null() : Value::Str("L-" + std::to_string(100 + n)),
                   n % 5 == 4 ? Value::Null() : Value::Str(std::to_string(n % 40) + "-12-34"),
                   // The district keeps its buses in Transportation: no route or stop here.
                   Value::Null(),
                   Value::Str(n % 2 ? "" : "  "),
                   Value::Int(k % 3 == 0 ? 1 : 0),
                   DateOrEmpty(n % 6, "2026-08-" + std::to_string(17 + n % 10)),
                   left ? Value::Str("2027-01-" + std::to_string(10 + n % 15)) : DateOrEmpty(n % 2, ""),
                   n % 4 == 3 ? Value::Null() : Value::Str(first + "." + last + "@family.example"),
                   Value::Int(2027 + n % 13),
                   Value::Str("WA-" + std::to_string(400000 + n)),
                   n % 9 == 0 ? Value::Str("Came from Ridge School\r\nrecords \"pending\"") : Value::Null(),
                   Text(kPhones[(n + 3) % 8]),
                   Text(kEntryCodes[n % 4]),
                   left ? Text(kExitCodes[n % 4]) : Value::Null(),
                   balance,
                   Text(kEthnicity[n % 6]),
                   n % 2 ? Value::Null() : Value::Str(parent),
                   Text(kPhones[n % 8]),
                   n % 2 ? Value::Str(parent) : Value::Null(),
                   DateOrEmpty(n % 5, "2016-09-0" + std::to_string(1 + n % 9)),
                   n % 4 == 0 ? Value::Null() : Value::Int(n % 13),
                   Value::Str(k % 3 ? "D7" : ""),
                   Value::Str(n % 2 ? "Regular" : "Transfer"),
                   Value::Str("R" + std::to_string(n % 4)),
                   left ? Value::Str("Family moved\nnorth") : Value::Null(),
                   Value::Str(n % 2 ? "Blue" : "Gr\xC3\xB8nn"),
                   Value::Str(k % 3 ? "Oak" : "Birch"),
                   Value::Str(n % 2 ? "Main" : "Annex"),
                   n % 8 == 0 ? Value::Str("  Reading camp\t") : Value::Null(),
                   Text(kDoctors[n % 4]),
                   Text(kPhones[(n + 1) % 8]),
                   n % 6 == 5 ? Value::Null() : Value::Str(parent),
                   Text(kPhones[(n + 2) % 8]),
                   k % 3 ? Value::Null() : Value::Str("   "),
                   k % 3 ? Value::Str("(555) 777-0" + std::to_string(100 + n % 900)) : Value::Str(""),
                   Text(kConditions[n % 5]),
                   Text(kAllergies[n % 5]),
                   n % 4 == 0 ? Value::Str("Carries an EpiPen") : Value::Null(),
                   DateOrEmpty(k % 3, n % 2 ? "2015-06-30" : "2099-06-30"),
                   k % 3 ? Value::Str("2012-05-0" + std::to_string(1 + n % 9)) : Value::Null(),
                   n % 4 ? Value::Str("2013-06-01 \"booster\"") : Value::Str(""),
                   n % 5 ? Value::Null() : Value::Str("2014-03-01 (Dr. M\xC3\xBCller)"),
               });
}

void CreateDemographics(Sink& sink, int students)
{
    static const char* const kLanguages[] = {"en", "no", "fr", "EN", " en ", "xx", nullptr};
    static const char* const kEsl[] = {"YES", "n", "1", "0", "maybe", "", nullptr};
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"Home_Lang_CD", ColumnKind::Text, 10},
        {"Primary_Lang_CD", ColumnKind::Text, 10},
        {"Lim_Eng_Prof", ColumnKind::Text, 10},
    };
    sink.CreateTable("Demographics", columns);
    sink.BeginRows("Demographics", columns);
    for (int i = 0; i < students; ++i) {
        if (i % 10 == 9)
            continue;  // no row
        sink.AddRow({Value::Int(1000 + i), Text(kLanguages[i % 7]), Text(kLanguages[(i + 3) % 7]),
                     Text(kEsl[i % 7])});
    }
    // A row without a student.
    sink.AddRow({Value::Int(1000 + students), Value::Str("en"), Value::Str("en"), Value::Str("Y")});
    sink.EndRows();
}

void CreateAddresses(Sink& sink, int students)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"StudentID", ColumnKind::Integer},
        {"Addr_Type_CD", ColumnKind::Text, 20},
        {"Effective_Start_Dt", ColumnKind::Date},
        {"Effective_End_Dt", ColumnKind::Date},
        {"Street_Name", ColumnKind::Text, 60},
        {"Line_Two_Text", ColumnKind::Text, 60},
        {"City", ColumnKind::Text, 40},
        {"County", ColumnKind::Text, 40},
        {"State_CD", ColumnKind::Text, 4},
        {"Postal_Code", ColumnKind::Text, 10},
        {"District_Of_Residence", ColumnKind::Text, 20},
        {"Country_CD", ColumnKind::Text, 4},
    };
    sink.CreateTable("Address", columns);
    sink.BeginRows("Address", columns);
    int id = 1;
    for (int i = 0; i < students; ++i) {
        const int student = 1000 + i;
        const std::string zip = "980" + std::to_string(10 + i % 80);
        // In effect: open-ended or ending far ahead.
        sink.AddRow({Value::Int(id++), Value::Int(student), Value::Str("Physical"), Value::Str("2020-08-01"),
                     i % 2 ? Value::Null() : Value::Str("2099-06-30"), Value::Str(kStreets[i % 5]),
                     i % 4 ? Value::Null() : Value::Str("Apt \"B\""), Value::Str(kCities[i % 4]),
                     i / 3 % 3 ? Value::Str("King") : Value::Null(), Value::Str(i % 4 == 1 ? "" : "WA"),
                     Value::Str(zip), Value::Str(i / 3 % 3 ? "D7" : ""),
                     Value::Str(i % 4 == 1 ? "NO" : "US")});
        // An old address that ended, and one that starts next year.
        if (i / 3 % 3 == 0)
            sink.AddRow({Value::Int(id++), Value::Int(student), Value::Str("Physical"),
                         Value::Str("2015-01-01"), Value::Str("2019-12-31"), Value::Str("1 Old Road"),
                         Value::Null(), Value::Str("Varnholm"), Value::Str("King"), Value::Str("WA"),
                         Value::Str(zip), Value::Str("D7"), Value::Str("US")});
        if (i % 7 == 0)
            sink.AddRow({Value::Int(id++), Value::Int(student), Value::Str("Mailing"),
                         Value::Str("2098-01-01"), Value::Null(), Value::Str("9 Future Way"), Value::Null(),
                         Value::Str("Varnholm"), Value::Null(), Value::Str("WA"), Value::Str(zip),
                         Value::Null(), Value::Str("US")});
    }
    sink.EndRows();
}

}  // namespace sampledb
