#include "ExtractKit.h"

// Medical log types from Gen, and the medical history entries of the Log table.

namespace {

const char* const kNoLog = "Medical History: Required Table does not exist.";

// An optional minus sign and digits: a code that may stand unquoted in SQL.
bool IsWholeNumber(const XString& text)
{
    const char* p = text.CStr();
    if (*p == '-')
        ++p;
    if (!*p)
        return false;
    for (; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
    }
    return true;
}

// The log type is one of the codes (the list is not empty).
void WhereMedicalType(TableExtract& t, ODBCField* logType, const XVector<XString>& codes)
{
    for (size_t i = 0; i < codes.Count(); ++i)
        t.Condition(i == 0 ? "AND" : "OR", logType, *codes.At(i), "=", 1);
}

}  // namespace

void ExpEngine::BuildMedicalCodeLUT()
{
    m_medicalLogTypes.DeleteAll();
    TableExtract t(*this, "Retrieving Medical Code", "MedicalCodes.txt");
    ODBCTable* gen = t.Source("Gen", "general");
    if (t.Missing("Medical Codes: Required Table does not exist."))
        return;
    ODBCField* school = t.Add(gen, Col("SchoolID").Req());
    ODBCField* cat = t.Add(gen, Col("Cat").Req());
    ODBCField* name = t.Add(gen, Col("Name").Req());
    ODBCField* id = t.Add(gen, Col("ID"));
    t.Where(cat, "'logtype'");
    t.Where(school, "0", "=", 1);
    t.Condition("OR", school, GetSchoolNumber(), "=", 0);
    t.Where(name, "'%Medical%'", "LIKE", 1);
    t.Condition("OR", name, "'%Health%'", "LIKE", 0);

    OpenTable(true);
    for (bool more = MoveFirst(); more; more = MoveNext()) {
        const XString code = GetTrimmedString(id);
        if (IsWholeNumber(code))
            m_medicalLogTypes.Add(new XString(code));
        else
            LogMessage(
                4, "Medical log type " + code.Quoted() + " is not a whole number; its entries are left out.",
                "ExpEngine::BuildMedicalCodeLUT");
    }
    t.Write();
}

void ExpEngine::CreateStudentMedicalHistory()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Student Medical History From Log", "StudentMedHist.pef");
    ODBCTable* log = t.Source("Log", "log");
    if (t.Missing(kNoLog))
        return;
    t.Add(log, Col("DCID").Out("MedHistKey"));
    ODBCField* student = t.Add(log, Col("StudentID").Out("MedHistStdRef").Into(&H::studentKey));
    t.Add(log, Col("Entry_Date").Out("MedHistDate", &ExpEngine::FormatDate));
    t.Add(log, Col("Subtype").Out("MedHistTypeRef", &ExpEngine::SubtypeText).Into(&H::subtype));
    t.Add(log, Col("Entry").Out("MedHistNote", &DataAccessBase::FormatNoLineBreaks));
    t.Add(log, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* logType = t.Add(log, Col("LogTypeID").Req());
    AddSchoolRestriction(m_altSchoolNumbers);
    t.Where(student, "NULL", "IS NOT");
    t.Where(logType, "-100000", "<>");
    WhereMedicalType(t, logType, m_medicalLogTypes);
    t.Where(logType, "-100000", "<>");
    t.Write(&ExpEngine::IsIncludedStudent);
}

void ExpEngine::CreateStaffMedicalHistory()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Staff Medical History From Log", "StaffMedHist.pef");
    ODBCTable* log = t.Source("Log", "log");
    if (t.Missing(kNoLog))
        return;
    ODBCField* key = t.Add(log, Col("DCID").Out("MedHistKey"));
    ODBCField* teacher = t.Add(log, Col("TeacherID").Out("MedHistStaffRef").Into(&H::staffKey));
    t.Add(log, Col("Entry_Date").Out("MedHistDate", &ExpEngine::FormatDate));
    t.Add(log, Col("Subtype").Out("MedHistTypeRef", &ExpEngine::SubtypeText).Into(&H::subtype));
    ODBCField* logType = t.Add(log, Col("LogTypeID").Out("LogTypeID"));
    t.Add(log, Col("Entry").Out("MedHistNote", &DataAccessBase::FormatNoLineBreaks));
    ODBCField* school = t.Add(log, Col("SchoolID").Req().Into(&H::schoolId));
    t.Where(logType, "-100000", "<>");
    t.WhereSchool(school);
    t.Where(teacher, "NULL", "IS NOT");
    t.Where(teacher, "0", "<>");
    WhereMedicalType(t, logType, m_medicalLogTypes);
    t.OrderBy(key);
    t.OrderBy(teacher);
    t.Write(&ExpEngine::IsIncludedStaff);
}
