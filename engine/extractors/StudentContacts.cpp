#include "ExtractKit.h"

// Student contacts (doctor and two emergency contacts) and medical records, all from the
// Students table.

namespace {

struct ContactKind
{
    const char* title;
    const char* file;
    const char* nameColumn;
    const char* phoneColumn;
    // Constant columns in output order: title, then text; a null title ends the list.
    const char* constants[5][2];
    bool statusRequired;
};

void WriteContacts(ExpEngine& engine, const ContactKind& kind)
{
    using H = ExpEngine::ColumnHandles;
    TableExtract t(engine, kind.title, kind.file);
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    ODBCField* key = t.Add(stu, Col("ID").Out("ConStdRef").Req().Into(&H::studentKey));
    ODBCField* status = t.Add(stu, Col("Enroll_Status").Req(kind.statusRequired).Into(&H::status));
    for (const auto& constant : kind.constants) {
        if (constant[0])
            t.Constant(constant[0], constant[1]);
    }
    ODBCField* name = t.Add(stu, Col(kind.nameColumn).Out("ConFullName").Into(&H::contactName));
    ODBCField* phone = t.Add(stu, Col(kind.phoneColumn)
                                      .Out("ConPhone", &ExpEngine::FormatPhoneNumber)
                                      .Into(&H::contactPhone)
                                      .Custom("Phone", "Phone", "#customcomfield", "PHONE"));
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));

    engine.AddSchoolRestriction(engine.GetAltSchoolNumbers());
    if (name) {
        t.Where(name, "NOT NULL", "IS", phone ? 1 : 0);
        if (phone)
            t.Condition("OR", phone, "NOT NULL", "IS");
    } else if (phone) {
        t.Where(phone, "NOT NULL", "IS");
    }
    t.WhereEnrolled(status);
    t.OrderBy(key);
    t.Write(&ExpEngine::IsIncludedContact);
}

}  // namespace

bool ExpEngine::IsIncludedContact()
{
    // A blank name and a blank phone make no contact.
    if (GetTrimmedString(m_handles.contactName).IsEmpty() &&
        GetTrimmedString(m_handles.contactPhone).IsEmpty())
        return false;
    return IsIncludedStudent();
}

void ExpEngine::CreateStudentDoctor()
{
    WriteContacts(*this, {"Student Contact: Doctor",
                          "StudentDoctor.pef",
                          "Doctor_Name",
                          "Doctor_Phone",
                          {{"ConKey", "Doctor"},
                           {"ConDontContact", "Y"},
                           {"ConType", "Health"},
                           {"ConRelationship", "Doctor"}},
                          true});
}

void ExpEngine::CreateStudentEmergency1()
{
    WriteContacts(*this, {"Student Contacts: Emergency Contact 1",
                          "StudentEmerg1.pef",
                          "Emerg_Contact_1",
                          "Emerg_Phone_1",
                          {{"ConKey", "Emerg1"},
                           {"ConRelationship", "EmergContact1"},
                           {"ConDontContact", "N"},
                           {"ConType", "Emergency"},
                           {"ConIsEmergency", "Y"}},
                          true});
}

void ExpEngine::CreateStudentEmergency2()
{
    WriteContacts(*this, {"Student Contacts: Emergency Contact 2",
                          "StudentEmerg2.pef",
                          "Emerg_Contact_2",
                          "Emerg_Phone_2",
                          {{"ConKey", "Emerg2"},
                           {"ConRelationship", "EmergContact2"},
                           {"ConDontContact", "N"},
                           {"ConType", "Emergency"}},
                          false});
}

void ExpEngine::CreateStudentMedConditions()
{
    using H = ColumnHandles;
    FileExtract t(*this, "Student Medical Conditions", "StuMedCond.pef");
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    for (const char* title : {"MedConditStdRef", "MedConditTypeRef", "MedConditNote", "MedConditSeverity"})
        AddHeaderField(title);
    ODBCField* key = t.Add(stu, Col("ID").Req().Into(&H::studentKey));
    ODBCField* special = t.Add(stu, Col("Medical_Considerations"));
    ODBCField* allergies = t.Add(stu, Col("allergies"));
    ODBCField* alert = t.Add(stu, Col("Alert_Medical"));
    ODBCField* expires = t.Add(stu, Col("Alert_MedicalExpires"));
    ODBCField* status = t.Add(stu, Col("Enroll_Status").Req().Into(&H::status));
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));
    AddSchoolRestriction(m_altSchoolNumbers);
    t.WhereEnrolled(status);
    t.OrderBy(key);

    const XDate today = XDate::Today();
    const XDate noExpiry(XDate::Day1900);
    t.ForEachRecord([&] {
        if (!IsIncludedStudent())
            return;
        const XString id = GetTrimmedString(key);
        const XString specialText = GetSingleLineString(special);
        if (!specialText.IsEmpty())
            t.WriteLine({id, "SpecMed", specialText, "Normal"});
        const XString allergyText = GetSingleLineString(allergies);
        if (!allergyText.IsEmpty())
            t.WriteLine({id, "Allergy", allergyText, "Normal"});
        const XString alertText = GetSingleLineString(alert);
        if (!alertText.IsEmpty()) {
            // An alert without an expiry date (empty, 1899-12-30 or 1900-01-01) does not expire.
            const XDate expiry = GetDate(expires);
            if (expiry.IsEmpty() || expiry == noExpiry || expiry >= today)
                t.WriteLine({id, "MedAlert", alertText, "Alert"});
        }
    });
    t.End();
}

void ExpEngine::CreateStudentImmunizations()
{
    using H = ColumnHandles;
    FileExtract t(*this, "Student Immunization History", "StudentMedImmun.pef");
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    for (const char* title :
         {"MedHistKey", "MedHistStdRef", "MedHistTypeRef", "MedHistNote", "MedHistTypeCategory"})
        AddHeaderField(title);
    ODBCField* key = t.Add(stu, Col("ID").Req().Into(&H::studentKey));
    struct Immunization
    {
        const char* column;
        const char* type;
        ODBCField* field;
    };
    Immunization kinds[] = {{"immunizaton_polio", "ImmPolio", nullptr},
                            {"immunizaton_mmr", "ImmMMR", nullptr},
                            {"immunizaton_dpt", "ImmDPT", nullptr}};
    for (Immunization& kind : kinds)
        kind.field = t.Add(stu, Col(kind.column));
    ODBCField* status = t.Add(stu, Col("Enroll_Status").Req().Into(&H::status));
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));
    AddSchoolRestriction(m_altSchoolNumbers);
    t.WhereEnrolled(status);
    t.OrderBy(key);

    t.ForEachRecord([&] {
        if (!IsIncludedStudent())
            return;
        const XString id = GetTrimmedString(key);
        for (const Immunization& kind : kinds) {
            const XString text = GetSingleLineString(kind.field);
            if (!text.IsEmpty())
                t.WriteLine({kind.column, id, kind.type, text, "IMMUN"});
        }
    });
    t.End();
}
