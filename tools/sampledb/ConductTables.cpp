// Sample tables of conduct, grades, fees and lunch: the discipline log, its codes in Gen, final
// grades with the comment bank, the fee ledgers and the lunch ledger. Sized by the student count.

#include "SampleTables.h"

#include <cstdio>

namespace sampledb {

namespace {

const int kSchoolNumbers[] = {100, 200, 300};
const int kSchoolCount = 3;
const int kYearIds[] = {24, 25};
// A staff member of each school (the sample teachers).
const int kStaff[] = {501, 601, 701};

int SchoolOf(int student)
{
    return kSchoolNumbers[student % kSchoolCount];
}

Value Text(const char* text)
{
    return text ? Value::Str(text) : Value::Null();
}

// Cents as a money value.
Value Money(long long cents)
{
    return Value::Real(static_cast<double>(cents) / 100.0);
}

// A date of the school year that begins in August of firstYear: day 0 is August 20.
std::string YearDate(int yearId, int day)
{
    return IsoDate(DaysSince1970(yearId == 24 ? 2014 : 2015, 8, 20) + day);
}

// Dates as the source keeps them: mostly real, sometimes NULL or 1900-01-01.
Value OddDate(Random& random, int yearId, int day)
{
    const int pick = random.Between(0, 19);
    if (pick == 0)
        return Value::Null();
    if (pick == 1)
        return Value::Str("1900-01-01");
    return Value::Str(YearDate(yearId, day));
}

std::string TimeOfDay(int seconds)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

}  // namespace

void CreateConductCodes(Sink& sink)
{
    // Appended to the general code table; the columns are those of CreateGen.
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},       {"SchoolID", ColumnKind::Integer}, {"Cat", ColumnKind::Text, 30},
        {"Custom", ColumnKind::Blob},      {"Name", ColumnKind::Text, 80},    {"Value", ColumnKind::Text, 40},
        {"ValueT", ColumnKind::Text, 120},
    };
    sink.BeginRows("Gen", columns);
    const struct
    {
        int school;
        const char *category, *name, *value, *valueT;
    } rows[] = {
        {100, "disc_incid_cat", "FIGHT", "Fighting", nullptr},
        {100, "disc_incid_cat", "BULLY", "Bullying & \"teasing\"", nullptr},
        {100, "disc_incid_cat", "LATE", "Late to class", nullptr},
        {100, "disc_incid_cat", "VAND",
         "Vandalism \xE2\x80\x93 "
         "damage",
         nullptr},
        {200, "disc_incid_cat", "FIGHT", "Fighting (Lakeside)", nullptr},
        {300, "disc_incid_cat", "THEFT", "Theft", nullptr},
        {100, "disc_action_dtl", "DET", "Detention", nullptr},
        {100, "disc_action_dtl", "SUSP", "Suspension \xE2\x80\x93 out of school", nullptr},
        {100, "disc_action_dtl", "WARN", "Warning", nullptr},
        {100, "disc_action_dtl", nullptr, "No code", nullptr},
        {200, "disc_action_dtl", "DET", "Detention (Lakeside)", nullptr},
        {100, "subtype", "-100000", "1", "Minor incident"},
        {100, "subtype", "-100000", "2", "Major incident"},
        {200, "subtype", "-100000", "3", "Incident with \"police\""},
        {100, "subtype", "-100000", "", nullptr},
        {0, "subtype", "-200", "M1", "Not a discipline subtype"},
        {100, "consequence", "Parent call", "PC", nullptr},
        {100, "consequence", "R\xC3\xA9paration", "REP", nullptr},
        {100, "disc_loc_dtl", "HALL", "Hallway \"B\"", nullptr},
        {100, "disc_loc_dtl", "BUS", "School bus", nullptr},
    };
    int id = 1000;
    for (const auto& r : rows) {
        sink.AddRow({Value::Int(id++), Value::Int(r.school), Text(r.category), Value::Null(), Text(r.name),
                     Text(r.value), Text(r.valueT)});
    }
    sink.EndRows();
}

const std::vector<ColumnDef>& LogColumns()
{
    static const std::vector<ColumnDef> columns = {
        {"DCID", ColumnKind::Integer},
        {"StudentID", ColumnKind::Integer},
        {"TeacherID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"LogTypeID", ColumnKind::Integer},
        {"Subtype", ColumnKind::Text, 10},
        {"Entry", ColumnKind::LongText},
        {"Entry_Author", ColumnKind::Text, 60},
        {"Entry_Date", ColumnKind::Date},
        {"Entry_Time", ColumnKind::Time},
        {"Discipline_IncidentDate", ColumnKind::Date},
        {"Discipline_IncidentLocation", ColumnKind::Text, 20},
        {"Discipline_IncidentType", ColumnKind::Text, 20},
        {"Discipline_WeaponType", ColumnKind::Text, 20},
        {"Discipline_AlcoholRelatedFlag", ColumnKind::Text, 5},
        {"Discipline_DrugRelatedFlag", ColumnKind::Text, 5},
        {"Discipline_DrugTypeDetail", ColumnKind::Text, 40},
        {"Discipline_GangRelatedFlag", ColumnKind::Text, 5},
        {"Discipline_HateCrimeFlag", ColumnKind::Integer},
        {"Discipline_PoliceInvolvedFlag", ColumnKind::Text, 5},
        {"Discipline_ActionTaken", ColumnKind::Text, 20},
        {"Discipline_ActionDate", ColumnKind::Date},
        {"Discipline_ActionTakenEndDate", ColumnKind::Date},
        {"Discipline_AdministratorID", ColumnKind::Integer},
        {"Consequence", ColumnKind::Text, 10},
        {"Custom", ColumnKind::Blob},
    };
    return columns;
}

void CreateConductLog(Sink& sink, int students)
{
    const std::vector<ColumnDef>& columns = LogColumns();
    static const char* const kTypes[] = {"FIGHT", "BULLY", "LATE", "VAND", "THEFT", ""};
    static const char* const kLocations[] = {"HALL", "BUS", "GYM", "", nullptr};
    static const char* const kActions[] = {"DET", "SUSP", "WARN", "", nullptr};
    static const char* const kConsequences[] = {"PC", "REP", "DET", "", nullptr};
    static const char* const kFlags[] = {"1", "0", "Y", "n", "yes", "X", "", "maybe", nullptr};
    static const char* const kEntries[] = {
        "Pushed a classmate in the hall",
        "Argued with the \"substitute\"\r\nand left the room",
        "Late three times this week",
        "Damaged a locker \xE2\x80\x93 parents informed",
        "  Found with a phone\tduring the test  ",
        nullptr,
    };
    static const char* const kAuthors[] = {"Berg, Karin", "Hansen, Mira", "Dahl, Finn", "", nullptr};
    static const int kTeachers[] = {501, 502, 504, 505, 601, 701, 0};
    sink.CreateTable("Log", columns);
    sink.BeginRows("Log", columns);
    Random random(0x5eed0017);
    int dcid = 70000;
    for (int i = 0; i < students; ++i) {
        const int entries = random.Between(0, 3);
        for (int e = 0; e < entries; ++e) {
            const int yearId = kYearIds[random.Between(0, 1)];
            const int day = random.Between(-30, 320);
            const bool discipline = random.Between(0, 4) != 0;
            // Now and then an entry is logged at another school than the student's.
            const int school = random.Between(0, 24) == 0 ? SchoolOf(i + 1) : SchoolOf(i);
            const int actionDay = day + random.Between(0, 5);
            sink.AddRow({
                Value::Int(dcid++),
                i % 37 == 36 ? Value::Null() : Value::Int(1000 + i),
                Value::Int(kTeachers[random.Between(0, 6)]),
                Value::Int(school),
                Value::Int(discipline ? -100000 : 3),
                Text(random.Between(0, 3) == 0 ? nullptr : (random.Between(0, 1) ? "1" : " 2 ")),
                Text(kEntries[random.Between(0, 5)]),
                Text(kAuthors[random.Between(0, 4)]),
                OddDate(random, yearId, day),
                random.Between(0, 9) == 0
                    ? Value::Null()
                    : Value::Str(TimeOfDay(random.Between(7, 16) * 3600 + random.Between(0, 3599))),
                OddDate(random, yearId, day),
                Text(kLocations[random.Between(0, 4)]),
                Value::Str(kTypes[random.Between(0, 5)]),
                Text(random.Between(0, 9) == 0 ? "Knife" : nullptr),
                Text(kFlags[random.Between(0, 8)]),
                Text(kFlags[random.Between(0, 8)]),
                Text(random.Between(0, 9) == 0 ? "Cannabis" : ""),
                Text(kFlags[random.Between(0, 8)]),
                random.Between(0, 4) == 0 ? Value::Null() : Value::Int(random.Between(0, 1)),
                Text(kFlags[random.Between(0, 8)]),
                Text(kActions[random.Between(0, 4)]),
                OddDate(random, yearId, actionDay),
                random.Between(0, 2) == 0 ? Value::Null() : Value::Str(YearDate(yearId, actionDay + 3)),
                random.Between(0, 5) == 0 ? Value::Null() : Value::Int(kTeachers[random.Between(0, 3)]),
                Text(kConsequences[random.Between(0, 4)]),
                i % 5 == 0 ? StudentCustomFields(i, "Log") : Value::Null(),
            });
        }
    }
    sink.EndRows();
}

void CreateGradeTables(Sink& sink, int students)
{
    const std::vector<ColumnDef> bank = {
        {"ID", ColumnKind::Integer},        {"SchoolID", ColumnKind::Integer},
        {"Category", ColumnKind::Text, 40}, {"Code", ColumnKind::Text, 10},
        {"Comment", ColumnKind::Text, 200},
    };
    sink.CreateTable("PGCommentBank", bank);
    sink.BeginRows("PGCommentBank", bank);
    const struct
    {
        int school;
        const char *category, *code, *comment;
    } comments[] = {
        {100, "Effort", "EF1", "Always brings a \"can-do\" attitude"},
        {100, "Effort", "EF2", "Needs to hand in work on time"},
        {100, nullptr, "GEN", "A pleasure to teach \xE2\x80\x93 keep it up"},
        {100, "Conduct", "CO1", "Talks during lessons\r\nsee note"},
        {100, "Conduct", "", "Empty code"},
        {200, "Effort", "EF1", "Works hard (Lakeside)"},
        {300, "Effort", "EF1", "Works hard (North Ridge)"},
    };
    int id = 1;
    for (const auto& c : comments)
        sink.AddRow({Value::Int(id++), Value::Int(c.school), Text(c.category), Value::Str(c.code),
                     Value::Str(c.comment)});
    sink.EndRows();

    // One final grade per student, section and grading bin of the student's schedule: sections
    // (school index + 1) * 10000 + year * 100 + semester * 10 + course, as the schedule tables of
    // the sample school number them.
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},        {"StudentID", ColumnKind::Integer},
        {"SectionID", ColumnKind::Integer}, {"FinalGradeName", ColumnKind::Text, 10},
        {"Grade", ColumnKind::Text, 10},    {"Percent", ColumnKind::Double},
        {"Comment", ColumnKind::Text, 10},  {"Citizenship", ColumnKind::Text, 5},
    };
    static const char* const kGrades[] = {"A", "A-", "B+", "B", "C", "D", "F", "P", "", " ", nullptr};
    static const char* const kCodes[] = {"EF1", "EF2", "GEN", "CO1", "", nullptr};
    static const char* const kMarks[] = {"E", "S", "U", "N", "X", "", nullptr};
    sink.CreateTable("PGFinalGrades", columns);
    sink.BeginRows("PGFinalGrades", columns);
    Random random(0x5eed0018);
    id = 1;
    for (int i = 0; i < students; ++i) {
        const int schoolIndex = i % kSchoolCount;
        for (int yearId : kYearIds) {
            for (int semester = 1; semester <= 2; ++semester) {
                for (int k = 0; k < 3; ++k) {
                    const int course = (i + k) % 5;
                    const int section = (schoolIndex + 1) * 10000 + yearId * 100 + semester * 10 + course;
                    const char* bins[] = {semester == 1 ? "S1" : "S2", semester == 1 ? "Q2" : "Q4"};
                    for (const char* bin : bins) {
                        const int pick = random.Between(0, 10);
                        const int percent = pick >= 8 ? 0 : random.Between(40, 100);
                        sink.AddRow({Value::Int(id++), Value::Int(1000 + i), Value::Int(section),
                                     Value::Str(bin), Text(kGrades[pick]),
                                     Value::Real(percent + (random.Between(0, 3) == 0 ? 0.5 : 0.0)),
                                     Text(kCodes[random.Between(0, 5)]), Text(kMarks[random.Between(0, 6)])});
                    }
                }
            }
        }
    }
    sink.EndRows();
}

void CreateFeeTables(Sink& sink, int students)
{
    static const char* const kFeeTypes[] = {"Lunch",      "ATHLETIC", "Class",
                                            "Field Trip", "Transit",  "activity"};
    static const char* const kCourses[] = {"MATH", "ENG", "HIST", "ART", "BIO", ""};

    const std::vector<ColumnDef> fee = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"StudentID", ColumnKind::Integer},
        {"YearID", ColumnKind::Integer},
        {"Course_Number", ColumnKind::Text, 20},
        {"CreationDate", ColumnKind::Date},
        {"FeeCharged", ColumnKind::Numeric, 10, 2},
        {"Fee_Type_Name", ColumnKind::Text, 40},
        {"Priority", ColumnKind::Integer},
        {"Adjustment", ColumnKind::Numeric, 10, 2},
        {"Course_Name", ColumnKind::Text, 60},
        {"Date_Value", ColumnKind::Date},
        {"Fee_Amount", ColumnKind::Numeric, 10, 2},
        {"Fee_Balance", ColumnKind::Numeric, 10, 2},
        {"Fee_Category_Name", ColumnKind::Text, 40},
        {"Fee_Paid", ColumnKind::Numeric, 10, 2},
        {"Group_Transaction", ColumnKind::Integer},
        {"OriginalFee", ColumnKind::Numeric, 10, 2},
        {"Pro_Rated", ColumnKind::Integer},
        {"SchoolFee_ID", ColumnKind::Integer},
        {"System_User_ID", ColumnKind::Integer},
        {"TermID", ColumnKind::Integer},
        {"Description", ColumnKind::Text, 120},
    };
    sink.CreateTable("Fee", fee);
    sink.BeginRows("Fee", fee);
    Random random(0x5eed0019);
    int id = 1;
    for (int i = 0; i < students; ++i) {
        const int fees = random.Between(0, 2);
        for (int f = 0; f < fees; ++f) {
            const int yearId = kYearIds[random.Between(0, 1)];
            const int type = random.Between(0, 5);
            const int course = random.Between(0, 5);
            // Charges, refunds (negative) and waived fees (zero); 1234.56 needs more than a float.
            const int pick = random.Between(0, 9);
            const long long cents = pick == 0   ? 0
                                    : pick == 1 ? -4550
                                    : pick == 2 ? 123456
                                                : random.Between(100, 9999);
            const long long paid = cents > 0 ? cents * random.Between(0, 2) / 2 : 0;
            sink.AddRow(
                {Value::Int(id),
                 Value::Int(SchoolOf(i)),
                 Value::Int(1000 + i),
                 Value::Int(yearId),
                 Value::Str(kCourses[course]),
                 OddDate(random, yearId, random.Between(0, 300)),
                 Money(cents),
                 Value::Str(kFeeTypes[type]),
                 random.Between(0, 4) == 0 ? Value::Null() : Value::Int(random.Between(1, 3)),
                 random.Between(0, 2) == 0 ? Value::Null() : Money(random.Between(-500, 500)),
                 Value::Str(course == 5 ? "  "
                                        : std::string(kCourses[course]) + " \xE2\x80\x93 section\r\nA"),
                 OddDate(random, yearId, random.Between(0, 300)),
                 Money(cents),
                 Money(cents - paid),
                 Value::Str(type == 0 ? "Lunch \"plan\"" : kFeeTypes[type]),
                 paid ? Money(paid) : Value::Null(),
                 random.Between(0, 3) == 0 ? Value::Int(random.Between(1, 50)) : Value::Null(),
                 Money(cents),
                 random.Between(0, 3) == 0 ? Value::Null() : Value::Int(random.Between(0, 1)),
                 Value::Int(200 + type),
                 Value::Int(9),
                 Value::Int(yearId * 100 + random.Between(1, 2)),
                 Text(random.Between(0, 4) == 0 ? nullptr : "Charged by the office\tdesk")});
            ++id;
        }
    }
    sink.EndRows();

    const std::vector<ColumnDef> fees = {
        {"ID", ColumnKind::Integer},           {"SchoolID", ColumnKind::Integer},
        {"YearID", ColumnKind::Integer},       {"StudentID", ColumnKind::Integer},
        {"Date_Value", ColumnKind::Date},      {"Credit", ColumnKind::Numeric, 10, 2},
        {"Debit", ColumnKind::Numeric, 10, 2}, {"Description", ColumnKind::Text, 120},
        {"FeesType", ColumnKind::Text, 40},    {"Time", ColumnKind::Time},
        {"Cash", ColumnKind::Numeric, 10, 2},  {"NetEffect", ColumnKind::Numeric, 10, 2},
        {"EnteredBy", ColumnKind::Text, 40},   {"Course_Number", ColumnKind::Text, 20},
    };
    const std::vector<ColumnDef> transactions = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"YearID", ColumnKind::Integer},
        {"StudentID", ColumnKind::Integer},
        {"DateTime", ColumnKind::Timestamp},
        {"Description", ColumnKind::Text, 120},
        {"FeeID", ColumnKind::Integer},
        {"NetEffect", ColumnKind::Numeric, 10, 2},
        {"Payment_Method", ColumnKind::Text, 20},
        {"Payment_Ref_Nbr", ColumnKind::Text, 20},
        {"Receipt_Nbr", ColumnKind::Text, 20},
        {"Time", ColumnKind::Integer},
        {"Transaction_Type", ColumnKind::Text, 20},
        {"Amount", ColumnKind::Numeric, 10, 2},
        {"Date_Value", ColumnKind::Date},
        {"DCID", ColumnKind::Integer},
        {"Global_NetEffect", ColumnKind::Numeric, 10, 2},
        {"Global_Starting_Balance", ColumnKind::Numeric, 10, 2},
        {"Group_Transaction_ID", ColumnKind::Integer},
        {"Internal_Info_For_Trigger", ColumnKind::Text, 60},
        {"Starting_Balance", ColumnKind::Numeric, 10, 2},
        {"System_User_ID", ColumnKind::Integer},
        {"TeacherID", ColumnKind::Integer},
    };
    static const char* const kMethods[] = {"Cash", "Cheque", "Card", "", nullptr};
    sink.CreateTable("Fees", fees);
    sink.CreateTable("Fee_Transaction", transactions);

    // The ledger of each student: payments (positive), charges (negative) and zero corrections,
    // written into the payments and then, from the same draws, into the transactions.
    for (int pass = 0; pass < 2; ++pass) {
        sink.BeginRows(pass == 0 ? "Fees" : "Fee_Transaction", pass == 0 ? fees : transactions);
        Random ledger(0x5eed001a);
        id = 1;
        for (int i = 0; i < students; ++i) {
            const int entries = ledger.Between(0, 3);
            long long balance = 0;
            for (int e = 0; e < entries; ++e) {
                const int yearId = kYearIds[ledger.Between(0, 1)];
                const int day = ledger.Between(0, 300);
                const int pick = ledger.Between(0, 9);
                const long long net = pick == 0  ? 0
                                      : pick < 4 ? -ledger.Between(100, 5000)
                                                 : ledger.Between(100, 150000);
                const int seconds = ledger.Between(7 * 3600, 17 * 3600);
                const int method = ledger.Between(0, 4);
                const int type = ledger.Between(0, 5);
                const bool nullNet = ledger.Between(0, 29) == 0;
                const Value date = OddDate(ledger, yearId, day);
                const bool grouped = ledger.Between(0, 3) == 0;
                if (pass == 0) {
                    sink.AddRow({Value::Int(id), Value::Int(SchoolOf(i)), Value::Int(yearId),
                                 Value::Int(1000 + i), date, net > 0 ? Money(net) : Value::Int(0),
                                 net < 0 ? Money(-net) : Value::Null(),
                                 Value::Str(net < 0 ? "Charge \"fee\"" : "Paid at the office\r\ndesk"),
                                 Value::Str(kFeeTypes[type]),
                                 method == 4 ? Value::Null() : Value::Str(TimeOfDay(seconds)),
                                 method == 0 ? Money(net > 0 ? net : 0) : Value::Null(),
                                 nullNet ? Value::Null() : Money(net),
                                 Text(kMethods[method] ? "Office" : nullptr), Value::Str(kCourses[type])});
                } else {
                    sink.AddRow({Value::Int(id),
                                 Value::Int(SchoolOf(i)),
                                 Value::Int(yearId),
                                 Value::Int(1000 + i),
                                 Value::Str(YearDate(yearId, day) + " " + TimeOfDay(seconds)),
                                 Value::Str(net < 0 ? "Charge \xE2\x80\x93 fee" : "Payment"),
                                 Value::Int(1 + id % 50),
                                 nullNet ? Value::Null() : Money(net),
                                 Text(kMethods[method]),
                                 Value::Str(method == 1 ? "CHK " + std::to_string(id) : ""),
                                 Value::Str("R-" + std::to_string(10000 + id)),
                                 Value::Int(seconds),
                                 Value::Str(net < 0 ? "Charge" : "Payment"),
                                 Money(net < 0 ? -net : net),
                                 date,
                                 Value::Int(90000 + id),
                                 Money(balance + net),
                                 Money(balance),
                                 grouped ? Value::Int(id / 2) : Value::Null(),
                                 Value::Str(e == 0 ? "first\r\nentry" : ""),
                                 Money(balance),
                                 Value::Int(9),
                                 method == 3 ? Value::Null() : Value::Int(kStaff[i % kSchoolCount])});
                }
                balance += net;
                ++id;
            }
        }
        sink.EndRows();
    }
}

void CreateLunchLedger(Sink& sink, int students)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"StudentID", ColumnKind::Integer},
        {"Credit", ColumnKind::Numeric, 10, 2},
        {"Debit", ColumnKind::Numeric, 10, 2},
        {"Description", ColumnKind::Text, 120},
        {"Time", ColumnKind::Time},
        {"TransType", ColumnKind::Text, 20},
        {"ALaCarte", ColumnKind::Text, 60},
        {"Batch", ColumnKind::Integer},
        {"Cash", ColumnKind::Numeric, 10, 2},
        {"Date_Value", ColumnKind::Date},
        {"DCID", ColumnKind::Integer},
        {"EnteredBy", ColumnKind::Text, 40},
        {"MealPrice", ColumnKind::Numeric, 10, 2},
        {"NetEffect", ColumnKind::Numeric, 10, 2},
    };
    static const char* const kExtras[] = {"Milk", "Apple \"large\"", "Cookie\r\nJuice", "", nullptr};
    sink.CreateTable("GLDetail", columns);
    sink.BeginRows("GLDetail", columns);
    Random random(0x5eed001b);
    int id = 1;
    for (int i = 0; i < students; ++i) {
        const int meals = random.Between(2, 12);
        for (int m = 0; m < meals; ++m) {
            const int yearId = kYearIds[random.Between(0, 1)];
            const bool deposit = random.Between(0, 5) == 0;
            const long long price = deposit ? 0 : 335 + 5 * random.Between(0, 20);
            const long long credit = deposit ? 100 * random.Between(5, 40) : 0;
            sink.AddRow({Value::Int(id), Value::Int(SchoolOf(i)), Value::Int(1000 + i), Money(credit),
                         deposit ? Value::Null() : Money(price),
                         Value::Str(deposit ? "Deposit \xE2\x80\x93 cash" : "Lunch\tmeal"),
                         Value::Str(TimeOfDay(random.Between(7 * 3600, 14 * 3600))),
                         Value::Str(deposit ? "Deposit" : "Meal"), Text(kExtras[random.Between(0, 4)]),
                         random.Between(0, 4) == 0 ? Value::Null() : Value::Int(random.Between(1, 99)),
                         deposit ? Money(credit) : Value::Null(),
                         OddDate(random, yearId, random.Between(0, 300)), Value::Int(80000 + id),
                         Text(deposit ? "Office" : nullptr), deposit ? Value::Null() : Money(price),
                         Money(credit - price)});
            ++id;
        }
    }
    sink.EndRows();
}

void CreateSectionTables(Sink& sink, int students)
{
    // Five courses a semester in each school and year; section IDs as the grades use them.
    static const char* const kCourseNames[] = {"MATH", "ENG", "HIST", "ART", "BIO"};
    static const char* const kExpressions[] = {"1(A)", "2(A)", "3(B)", "4(A-B)", "5(B) 6-7(A,B)"};
    static const int kTeachers[][4] = {{501, 502, 504, 505}, {601, 601, 601, 601}, {701, 701, 701, 701}};
    const std::vector<ColumnDef> sections = {
        {"ID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},
        {"TermID", ColumnKind::Integer},
        {"Course_Number", ColumnKind::Text, 20},
        {"Section_Number", ColumnKind::Text, 10},
        {"Teacher", ColumnKind::Integer},
        {"Room", ColumnKind::Text, 10},
        {"Expression", ColumnKind::Text, 40},
        {"Comment", ColumnKind::Text, 120},
    };
    sink.CreateTable("Sections", sections);
    sink.BeginRows("Sections", sections);
    for (int schoolIndex = 0; schoolIndex < kSchoolCount; ++schoolIndex) {
        for (int yearId : kYearIds) {
            for (int semester = 1; semester <= 2; ++semester) {
                for (int course = 0; course < 5; ++course) {
                    const int id = (schoolIndex + 1) * 10000 + yearId * 100 + semester * 10 + course;
                    sink.AddRow({Value::Int(id), Value::Int(kSchoolNumbers[schoolIndex]),
                                 Value::Int(yearId * 100 + semester), Value::Str(kCourseNames[course]),
                                 Value::Str(std::to_string(semester)),
                                 Value::Int(kTeachers[schoolIndex][course % 4]),
                                 Value::Str(course == 4 ? "" : "R" + std::to_string(100 + course)),
                                 Value::Str(kExpressions[course]),
                                 Text(course == 2 ? "Field trip in May\r\n\"bring lunch\"" : nullptr)});
                }
            }
        }
    }
    sink.EndRows();

    const std::vector<ColumnDef> schedules = {
        {"ID", ColumnKind::Integer},        {"StudentID", ColumnKind::Integer},
        {"SectionID", ColumnKind::Integer}, {"TermID", ColumnKind::Integer},
        {"SchoolID", ColumnKind::Integer},  {"DateEnrolled", ColumnKind::Date},
        {"DateLeft", ColumnKind::Date},
    };
    sink.CreateTable("CC", schedules);
    sink.BeginRows("CC", schedules);
    int id = 1;
    for (int i = 0; i < students; ++i) {
        const int schoolIndex = i % kSchoolCount;
        for (int yearId : kYearIds) {
            for (int semester = 1; semester <= 2; ++semester) {
                const int first = semester == 1 ? 0 : 139;
                for (int k = 0; k < 3; ++k) {
                    const int course = (i + k) % 5;
                    const int section = (schoolIndex + 1) * 10000 + yearId * 100 + semester * 10 + course;
                    // A dropped enrolment keeps its section as a negative number.
                    const bool dropped = i % 11 == 10 && k == 2;
                    sink.AddRow({Value::Int(id++), Value::Int(1000 + i),
                                 Value::Int(dropped ? -section : section),
                                 Value::Int(yearId * 100 + semester), Value::Int(kSchoolNumbers[schoolIndex]),
                                 Value::Str(YearDate(yearId, first)),
                                 dropped ? Value::Str(YearDate(yearId, first + 10))
                                         : (i % 13 == 12 ? Value::Str("1900-01-01")
                                                         : Value::Str(YearDate(yearId, first + 130)))});
                }
            }
        }
    }
    sink.EndRows();
}

}  // namespace sampledb
