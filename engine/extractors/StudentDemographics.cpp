#include "ExtractKit.h"

// Student demographics, physical address and lunch balance.

void ExpEngine::CreateStudentDemo()
{
    using H = ColumnHandles;
    static const char* const kMethod = "ExpEngine::CreateStudentDemo";

    m_busTextMissing = true;
    TableExtract t(*this, "Student Demographics: Demographics", "Students2.pef");
    ODBCTable* demo = t.Source("Demographics", "demo");
    if (!demo) {
        LogMessage(4, "Student Demographics: Required Table Demographicsdoes not exist.", kMethod);
        LogMessage(7, "Student Demographics:Demographics: Required Table Demographics does not exist.",
                   kMethod);
        return;
    }
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    m_handles.studentsTable = stu;

    ODBCField* key = t.Add(stu, Col("ID").Out("StdKey").Req().Into(&H::studentKey));
    ODBCField* demoKey = t.Add(demo, Col("ID").Out("StdKey").Req());
    t.Add(demo, Col("Home_Lang_CD")
                    .Out("StdHomeLanguage", &ExpEngine::LanguageText)
                    .Custom("HomeLanguage", "Home Lang.", "#custombasicfield", "NOFORMAT"));
    t.Add(demo, Col("Primary_Lang_CD").Out("StdLanguage", &ExpEngine::LanguageText));
    t.Add(demo, Col("Lim_Eng_Prof").Out("StdIsESL", &ExpEngine::FormatYN));
    ODBCField* status = t.Add(stu, Col("Enroll_Status").Req().Into(&H::status));
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));

    t.Join(demoKey, key);
    AddSchoolRestriction(m_altSchoolNumbers);
    t.WhereEnrolled(status);
    t.OrderBy(key);
    t.Write(&ExpEngine::IsIncludedStudent);
}

void ExpEngine::CreateStudentAddress()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Student Demographics: Address", "StudentPhysAddr.pef");
    ODBCTable* addr = t.Source("Address", "addr");
    if (t.Missing("Student Address: Required Table does not exist."))
        return;

    ODBCField* key = t.Add(addr, Col("StudentID").Out("StdKey").Req().Into(&H::studentKey));
    t.Add(addr, Col("Addr_Type_CD").Out("notUsed"));
    ODBCField* start = t.Add(addr, Col("Effective_Start_Dt").Out("notUsed"));
    ODBCField* end = t.Add(addr, Col("Effective_End_Dt").Out("notUsed"));
    t.Add(addr, Col("Street_Name").Out("StdAddress1"));
    t.Add(addr, Col("Line_Two_Text").Out("StdAddress2"));
    t.Add(addr, Col("City").Out("StdCity"));
    t.Add(addr, Col("County").Out("StdCounty").Custom("County", "County", "#customcomfield", "NOFORMAT"));
    t.Add(addr, Col("State_CD").Out("StdState"));
    t.Add(addr, Col("Postal_Code").Out("StdZip"));
    t.Add(addr, Col("District_Of_Residence")
                    .Out("StdDistrict")
                    .Custom("District", "District", "#customcomfield", "NOFORMAT"));
    t.Add(addr, Col("Country_CD").Out("StdCountry"));

    // In effect today. An address without an end date, or without a start date, is in effect.
    const XString today = SQLDate(XDate::Today());
    if (end) {
        t.Where(end, today, ">", 1);
        t.Condition("OR", end, "NULL", "IS");
    }
    if (start) {
        t.Where(start, today, "<=", 1);
        t.Condition("OR", start, "NULL", "IS");
    }
    t.OrderBy(key);
    t.Write(&ExpEngine::IsIncludedStudent);
}

void ExpEngine::CreateLunchBalance()
{
    using H = ColumnHandles;
    m_busTextMissing = true;
    TableExtract t(*this, "Student Demographics: Lunch Balance", "LunchBalance.pef");
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    m_handles.studentsTable = stu;

    ODBCField* key = t.Add(stu, Col("ID").Out("FeeStdRef").Req().Into(&H::studentKey));
    ODBCField* status = t.Add(stu, Col("Enroll_Status").Req().Into(&H::status));
    t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));
    t.Constant("FeeAccountRef", "lunch");
    t.Constant("FeeKey", "balance");
    t.Add(stu, Col("Balance1").Out("FeeCredit", &ExpEngine::FeeCreditAmount));
    t.Add(stu, Col("Balance1").Out("FeeDebit", &ExpEngine::FeeDebitAmount));
    t.Constant("FeeCategoryRef", "lunch");
    t.Constant("FeeName", "Lunch Balance");

    AddSchoolRestriction(m_altSchoolNumbers);
    t.WhereEnrolled(status);
    t.OrderBy(key);
    t.Write(&ExpEngine::IsIncludedStudent);
}
