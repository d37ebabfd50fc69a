#include "ExtractKit.h"

// Discipline, legal and other alerts of the student record.

namespace {

struct Alert
{
    const char* title;
    const char* fileName;
    const char* keyTitle;
    const char* alertColumn;
    const char* alertTitle;
    const char* expiryColumn;
    bool note;  // written as a student note, with a title and a running key
};

const Alert kDiscipline = {"Student Demographics: Discipline Alert",
                           "DisciplineAlert.pef",
                           "NoteStdRef",
                           "Alert_Discipline",
                           "NoteContent",
                           "Alert_DisciplineExpires",
                           true};
const Alert kLegal = {"Student Demographics: Legal Alert",
                      "StudentLegal.pef",
                      "StdKey",
                      "Alert_Guardian",
                      "StdLegalAlert",
                      "Alert_GuardianExpires",
                      false};
const Alert kOther = {"Student Demographics: Other Alert",
                      "OtherAlert.pef",
                      "StdKey",
                      "Alert_Other",
                      "StdNote",
                      "Alert_OtherExpires",
                      false};

// The columns, conditions and order of one alert table on Students (already added as stu).
void WriteAlert(TableExtract& t, ODBCTable* stu, const Alert& alert)
{
    using H = ExpEngine::ColumnHandles;
    ExpEngine& engine = t.engine();
    ODBCField* id = t.Add(stu, Col("ID").Out(alert.keyTitle).Req().Into(&H::studentKey));
    ODBCField* status = t.Add(stu, Col("Enroll_Status").Into(&H::status));
    if (alert.note)
        t.Constant("NoteTitle", "Discipline Alert");
    ODBCField* text = t.Add(stu, Col(alert.alertColumn)
                                     .Out(alert.alertTitle, &DataAccessBase::FormatNoLineBreaks)
                                     .Into(&H::alertText));
    ODBCField* expiry = t.Add(stu, Col(alert.expiryColumn));
    if (alert.note)
        t.Computed("NoteKey", &PDEWriter::NextCounterString);
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));

    engine.AddSchoolRestriction(engine.GetAltSchoolNumbers());
    if (text) {
        // Where the empty text is NULL, NOT LIKE '' would hold for no record at all.
        if (t.EmptyTextIsNull())
            t.Where(text, "NULL", "IS NOT");
        else
            t.Where(text, "''", "NOT LIKE");
        if (expiry) {
            // Not expired: today or later, 1900-01-01 or no date at all.
            t.Where(expiry, engine.SQLDate(XDate::Today()), ">=", 1);
            t.Condition("OR", expiry, engine.SQLDate(XDate(XDate::Day1900)), "=", 1);
            t.Condition("OR", expiry, "NULL", "IS", 0);
        }
    }
    t.WhereEnrolled(status);
    t.OrderBy(id);
    t.Write(&ExpEngine::IsIncludedStudentAlert);
}

}  // namespace

void ExpEngine::CreateDisciplineAlert()
{
    TableExtract t(*this, kDiscipline.title, kDiscipline.fileName);
    m_handles.studentsTable = t.RequiredSource("Students", "stu");
    WriteAlert(t, m_handles.studentsTable, kDiscipline);
}

void ExpEngine::CreateLegalAlert()
{
    TableExtract t(*this, kLegal.title, kLegal.fileName);
    m_handles.studentsTable = t.RequiredSource("Students", "stu");
    WriteAlert(t, m_handles.studentsTable, kLegal);
}

void ExpEngine::CreateOtherAlert()
{
    TableExtract t(*this, kOther.title, kOther.fileName);
    m_handles.studentsTable = t.RequiredSource("Students", "stu");
    WriteAlert(t, m_handles.studentsTable, kOther);
}
