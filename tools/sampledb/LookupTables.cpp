// The sources of the engine's lookup tables: the general code table, the custom-field
// definitions, and the packed custom fields of a student.
#include "SampleTables.h"

namespace sampledb {

namespace {

// One packed record: 0x11, the field id and the value length as two base-64 digits each
// (0x12 between them), then the value.
void AppendRecord(std::string& data, int id, const std::string& value, std::size_t claimed)
{
    data += '\x11';
    data += static_cast<char>(id / 64);
    data += static_cast<char>(id % 64);
    data += '\x12';
    data += static_cast<char>(claimed / 64);
    data += static_cast<char>(claimed % 64);
    data += value;
}

void AppendRecord(std::string& data, int id, const std::string& value)
{
    AppendRecord(data, id, value, value.size());
}

}  // namespace

Value StudentCustomFields(int student, const std::string& lastName)
{
    if (student % 23 == 22)
        return Value::Null();
    if (student % 19 == 18)
        return Value::Bytes(std::string());
    std::string data;
    if (student % 29 == 28)
        data += "\xAA\xBB";  // stray bytes before the first record
    AppendRecord(data, 1, "L-" + std::to_string(100 + student));
    AppendRecord(data, 2, student % 5 == 0 ? "1" : (student % 5 == 1 ? "y" : "No"));
    AppendRecord(data, 3, lastName);
    AppendRecord(data, 4, "555-01" + std::to_string(10 + student % 90));
    if (student % 7 == 0) {
        AppendRecord(data, 5, "Allergic to nuts\r\nSee nurse \xC3\x85se \"first\"\t!");
        data += '\x01';
    }
    if (student % 31 == 30)
        AppendRecord(data, 5, "cut", 40);  // claims more bytes than it has
    return Value::Bytes(data);
}

void CreateFieldsTable(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},
        {"FILENO", ColumnKind::Integer},
        {"NAME", ColumnKind::Text, 60},
        {"DESCRIPTION", ColumnKind::Text, 120},
    };
    sink.CreateTable("FieldsTable", columns);
    sink.BeginRows("FieldsTable", columns);
    const struct
    {
        int id, file;
        const char *name, *description;
    } rows[] = {
        {1, 100, "Locker", "Locker number"},
        {2, 100, "AltSch", "Alternative school"},
        {3, 100, "cnt1_LNAME", ""},
        {4, 100, "cnt1_HPHONE", "Contact\thome phone"},
        {5, 100, "Notes", "Health \"notes\"\r\nfrom the nurse"},
        {6, 200, "Log_Severity", nullptr},
        {2, 100, "AltSchOld", "An older definition of the same id"},
    };
    for (const auto& r : rows)
        sink.AddRow({Value::Int(r.id), Value::Int(r.file), Value::Str(r.name),
                     r.description ? Value::Str(r.description) : Value::Null()});
    sink.EndRows();
}

void CreateGen(Sink& sink)
{
    const std::vector<ColumnDef> columns = {
        {"ID", ColumnKind::Integer},       {"SchoolID", ColumnKind::Integer}, {"Cat", ColumnKind::Text, 30},
        {"Custom", ColumnKind::Blob},      {"Name", ColumnKind::Text, 80},    {"Value", ColumnKind::Text, 40},
        {"ValueT", ColumnKind::Text, 120},
    };
    sink.CreateTable("Gen", columns);
    sink.BeginRows("Gen", columns);
    const struct
    {
        int school;
        const char *category, *name, *value, *valueT;
    } rows[] = {
        {100, "ethnicity", "Hispanic", "H", nullptr},
        {100, "ethnicity", "White", "W", nullptr},
        {100, "Ethnicity", "Asian", "A", nullptr},
        {0, "ETHNICITY", "Native \"First\" Nations", "N", nullptr},
        {100, "ethnicity", "Hispanic (old code)", "H", nullptr},
        {100, "language", "English", "en", nullptr},
        {100, "language", "Norsk", "no", nullptr},
        {200, "language",
         "Fran\xC3\xA7"
         "ais",
         "fr", nullptr},
        {100, "entrycodes", "E1", "", "New enrolment"},
        {100, "entrycodes", "E2", "", "Transfer in"},
        {100, "exitcodes", "X1", "", "Moved away"},
        {100, "exitcodes", "X2", "", "Graduated"},
        {100, "consequence", "Detention", "DET", nullptr},
        {100, "consequence", "Suspension", "SUS", nullptr},
        {100, "subType", "", "ST1", "Asthma episode"},
        {100, "subType", "", "ST2", "Sports\tinjury"},
        {100, "disc_loc_dtl", "GYM", "Gymnasium", nullptr},
        {100, "disc_loc_dtl", "CAF", "Cafeteria", nullptr},
        {100, "other", "Unused", "U", "Unused"},
        {100, nullptr, "No category", "Z", nullptr},
    };
    int id = 1;
    for (const auto& r : rows) {
        const auto text = [](const char* t) { return t ? Value::Str(t) : Value::Null(); };
        sink.AddRow({Value::Int(id++), Value::Int(r.school), text(r.category), Value::Null(), text(r.name),
                     text(r.value), text(r.valueT)});
    }
    sink.EndRows();
}

}  // namespace sampledb
