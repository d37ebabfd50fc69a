#include "ExtractKit.h"

#include <memory>
#include <set>
#include <string>

// Staff demographics and staff custom fields, from Teachers.

namespace {

const char* const kNoTeachers = "Staff: Required Table: Teachers does not exist.";

// The school's staff with status 1 or 2, by ID.
void SelectSchoolStaff(TableExtract& t, ODBCField* id, ODBCField* status, ODBCField* school)
{
    t.WhereSchool(school);
    t.Where(status, "1", "=", 1);
    t.Condition("OR", status, "2", "=", 0);
    t.OrderBy(id);
}

// The parsed items of one record; those still held are deleted with it.
struct ParsedItems : XStack<ExpEngine::CustomFieldValue>
{
    ~ParsedItems()
    {
        while (ExpEngine::CustomFieldValue* item = Pop())
            delete item;
    }
};

}  // namespace

void ExpEngine::CreateStaff()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Staff Demographics", "Staff.pef");
    ODBCTable* staff = t.Source("Teachers", "staff");
    if (t.Missing(kNoTeachers))
        return;
    ODBCField* id = t.Add(staff, Col("ID").Out("StaffKey").Req().Into(&H::staffKey));
    t.Add(staff, Col("TeacherNumber").Out("StaffNum").Req());
    t.Add(staff, Col("Title").Out("StaffPosition").Req());
    t.Add(staff, Col("City").Out("StaffCity"));
    t.Add(staff, Col("Email_Addr").Out("StaffEmail").Custom("Email", "Email", "#customcomfield", "EMAIL"));
    t.Add(staff, Col("Ethnicity")
                     .Out("StaffEthnicity", &ExpEngine::EthnicityText)
                     .Into(&H::ethnicity)
                     .Custom("Ethnicity", "Ethnicity", "#custombasicfield", "NOFORMAT"));
    t.Add(staff, Col("First_Name").Out("StaffFirstName").Req());
    // Some sources spell the home phone column Home_phone.
    for (const char* homePhone : {"Home_Phone", "Home_phone"}) {
        if (t.Add(staff, Col(homePhone)
                             .Out("StaffHomePhone", &DataAccessBase::FormatPhoneNumber)
                             .Custom("HomePhone", "Home Phone", "#customcomfield", "PHONE")))
            break;
    }
    t.Add(staff, Col("Homeroom").Out("StaffHRRoomNum"));
    t.Add(staff, Col("LastFirst").Out("StaffFullName"));
    t.Add(staff, Col("Last_Name").Out("StaffLastName").Req());
    t.Add(staff, Col("Middle_Name").Out("StaffMiddleName"));
    t.Add(staff, Col("Photo").Out("notUsed", &DataAccessBase::FormatYesNo));
    t.Add(staff, Col("PreferredName").Out("StaffNickname"));
    t.Add(staff, Col("School_Phone")
                     .Out("StaffSchoolPhone", &DataAccessBase::FormatPhoneNumber)
                     .Custom("SchoolPhone", "School Phone", "#customcomfield", "PHONE"));
    t.Add(staff, Col("StaffStatus")
                     .Out("StaffStatus", &ExpEngine::StaffTypeName)
                     .Into(&H::staffType)
                     .Custom("StaffStatus", "Staff Status", "#customschoolfield", "NOFORMAT"));
    t.Add(staff, Col("State").Out("StaffState"));
    ODBCField* status =
        t.Add(staff, Col("Status").Out("StaffActive", &ExpEngine::StaffActiveFlag).Req().Into(&H::status));
    t.Add(staff, Col("Street").Out("StaffAddress1"));
    t.Add(staff, Col("Zip").Out("StaffZip"));
    ODBCField* school = t.Add(staff, Col("SchoolID").Req().Into(&H::schoolId));
    SelectSchoolStaff(t, id, status, school);
    t.Write(&ExpEngine::IsIncludedStaff);
}

void ExpEngine::CreateStaffCustom()
{
    using H = ColumnHandles;
    FileExtract f(*this, "Staff: Custom", "StaffCustom.pef");
    ODBCTable* staff = f.Source("Teachers", "staff");
    if (f.Missing(kNoTeachers))
        return;
    for (const char* title : {"StaffKey", "StaffComKind", "StaffComValue", "StaffComValType"})
        AddHeaderField(title);
    ODBCField* id = f.Add(staff, Col("ID").Req().Into(&H::staffKey));
    ODBCField* custom = f.Add(staff, Col("Custom"));
    ODBCField* status = f.Add(staff, Col("Status").Req().Into(&H::status));
    ODBCField* school = f.Add(staff, Col("SchoolID").Req().Into(&H::schoolId));
    SelectSchoolStaff(f, id, status, school);

    // Names given a custom-field line by this call.
    std::set<std::string> declared;
    ParsedItems items;
    f.ForEachRecord([&] {
        if (!IsIncludedStaff())
            return;
        const XString key = GetTrimmedString(id);
        if (!ParseCustomFieldData(items, custom ? GetBytes(custom) : XBuffer()))
            LogMessage(4, "Custom Field for: " + key + " had a problem, will try to continue.");
        // The last parsed field first.
        while (CustomFieldValue* popped = items.Pop()) {
            std::unique_ptr<CustomFieldValue> item(popped);
            const LookupEntry* info = FindFieldInfo(*item);
            if (!info || info->fileNumber != "200") {
                LogMessage(8, "Custom Field: " + item->key +
                                  " not found in table or not correct Table, skipping.");
                continue;
            }
            const XString format = GetCustomFieldFormat(*item);
            f.WriteLine({key, SISExpCustomField::WrittenText(info->name), NoTabsText(item->value), format});
            if (declared.insert(info->name.CStr()).second &&
                IsNewCustomField(*m_registeredCustomFields, info->name)) {
                const XString description = NoTabsText(info->description);
                m_registeredCustomFields->AddCustomField(
                    info->name, description.IsEmpty() ? ContactFieldCaption(info->name) : description,
                    format == "PHONE" ? "#customcomfield" : "#customschoolfield", format);
            }
        }
    });
}
