// Student inclusion, the school restriction of student and staff queries, and the
// alternative-school test on a student's custom fields.
#include "ExtractKit.h"
#include "LookupBatch.h"

#include <memory>

namespace {

// Letters, digits and "_" only: a name that may stand inside a quoted SQL literal.
bool IsPlainName(const XString& name)
{
    if (name.IsEmpty())
        return false;
    for (const char* p = name.CStr(); *p; ++p) {
        const char c = *p;
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

}  // namespace

void ExpEngine::AddSchoolRestriction(const std::vector<XString>& altSchoolNumbers)
{
    ODBCField* school = m_handles.schoolId;
    if (altSchoolNumbers.empty()) {
        AddCondition("AND", school, "=", m_schoolNumber, 0);
        return;
    }
    AddCondition("AND", school, "=", altSchoolNumbers.front(), 1);
    for (size_t i = 1; i < altSchoolNumbers.size(); ++i)
        AddCondition("OR", school, "=", altSchoolNumbers[i], 1);
    AddCondition("OR", school, "=", m_schoolNumber, 0);

    if (m_altSchoolField.IsEmpty() || !m_handles.studentsTable)
        return;
    m_handles.customColumn = AddFieldColumn(m_handles.studentsTable, "Custom", nullptr, nullptr, false);
    // Any other name stays out of the statement; the row test on the custom fields still applies.
    if (!IsPlainName(m_altSchoolField))
        return;
    // The INNER JOIN builder would drop the raw condition: this query is built the plain way.
    SetAnsiJoin(false);
    AddRawCondition("AND",
                    "vh_customfields.getCF('Students', " + m_handles.studentsTable->Alias() + ".id, '" +
                        m_altSchoolField + "') = '1'",
                    0);
}

bool ExpEngine::FilterAlternativeSchool()
{
    if (!m_handles.customColumn)
        return false;
    XStack<CustomFieldValue> items;
    const bool parsed = ParseCustomFieldData(items, GetBytes(m_handles.customColumn));
    if (!parsed)
        LogMessage(4, "Custom Field for: " + GetTrimmedString(m_handles.studentKey) +
                          " had a problem, will try to continue.");
    // The last field parsed decides.
    bool decided = false;
    bool passes = false;
    while (CustomFieldValue* popped = items.Pop()) {
        std::unique_ptr<CustomFieldValue> item(popped);
        if (decided)
            continue;
        const LookupEntry* info = FindFieldInfo(*item);
        if (!info || info->name != m_altSchoolField)
            continue;
        const XString value = NormalizeYesNo(NoTabsText(item->value));
        LogMessage(8, "Found: " + m_altSchoolNumberText + ": " + value, "ExpEngine::FilterAlternativeSchool");
        passes = value == "Yes";
        decided = true;
    }
    return passes;
}

void ExpEngine::BuildStudentInclusion()
{
    static const char* const method = "ExpEngine::BuildStudentInclusion";
    using H = ColumnHandles;
    const bool altTest = !m_altSchoolField.IsEmpty();
    if (altTest && m_altSchoolNumbers.empty()) {
        LogMessage(4,
                   "Alt School Field " + m_altSchoolField +
                       " is set without an Alt School Number: no student is included.",
                   method);
    } else if (altTest && !IsPlainName(m_altSchoolField)) {
        LogMessage(4,
                   "Alt School Field " + m_altSchoolField +
                       " is not only letters, digits and _: it is not sent to the database; the "
                       "students' own custom fields are tested.",
                   method);
    }

    // A missing Students table ends the run here, before any file is touched.
    TableExtract t(*this, "Student Inclusion", "");
    ODBCTable* students = t.RequiredSource("Students", "stu");
    m_handles.studentsTable = students;
    ODBCField* id = t.Add(students, Col("ID").Req().Into(&H::studentKey));
    ODBCField* status = t.Add(students, Col("Enroll_Status").Req().Into(&H::status));
    ODBCField* lastFirst = t.Add(students, Col("LastFirst"));
    t.Add(students, Col("SchoolID").Req().Into(&H::schoolId));
    AddSchoolRestriction(m_altSchoolNumbers);
    t.OrderBy(id);

    OpenTable(true);
    const int32_t records = GetRecordCount();
    // Without an inactive date only active students (status 0); with one, inactive (1) as well.
    const bool withInactive = !m_inactiveDate.IsEmpty();
    PairBatch names(m_studentNames);
    PairBatch included(m_includedStudents);
    for (bool more = MoveFirst(); more; more = MoveNext()) {
        if (altTest && !FilterAlternativeSchool())
            continue;
        const XString name = GetTrimmedString(lastFirst);
        const XString key = GetTrimmedString(id);
        if (name.IsEmpty() && key.IsEmpty())
            continue;
        if (!name.IsEmpty())
            names.Add(key, name);
        const XString enrolment = GetTrimmedString(status);
        const bool active = enrolment == "0";
        if (!active && !(withInactive && enrolment == "1"))
            continue;
        included.Add(key, XString());
    }
    names.Flush();
    included.Flush();
    t.End();

    LogMessage(7, "Totals: Records " + XString(records), method);
    LogMessage(7, "Totals: Names " + XString(static_cast<unsigned long>(m_studentNames.Count())), method);
    LogMessage(7, "Totals: Inclusion " + XString(static_cast<unsigned long>(m_includedStudents.Count())),
               method);
}
