#include "ExtractKit.h"

// Fees, payments, fee credits and debits, lunch transactions: ledger lines of the school's
// students.

namespace {

// The students of the school joined to a fee source, year and enrolment conditions included.
// The fee source's StudentID, SchoolID and YearID are given (YearID may be missing).
void AddFeeStudentConditions(ExpEngine& engine, TableExtract& t, ODBCField* stuSchool, ODBCField* stuId,
                             ODBCField* stuStatus, ODBCField* feeSchool, ODBCField* feeStudent,
                             ODBCField* feeYear)
{
    t.WhereSchool(stuSchool);
    t.Join(stuSchool, feeSchool);
    t.WhereYear(feeYear);
    t.Join(stuId, feeStudent);
    if (engine.GetInactiveDate().IsEmpty()) {
        t.Where(stuStatus, "0");
    } else {
        t.Where(stuStatus, "0", "=", 1);
        t.Condition("OR", stuStatus, "1", "=", 0);
    }
}

}  // namespace

void ExpEngine::CreateSchoolFees()
{
    using H = ColumnHandles;
    TableExtract t(*this, "School Fees", "Fees.pef");
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    ODBCTable* fee = t.Source("Fee", "fee1");
    if (t.Missing("School Fees: Required Table Fee does not exist."))
        return;
    m_handles.studentsTable = stu;
    ODBCField* feeSchool = t.Add(fee, Col("SchoolID").Out("SchoolID").Req());
    ODBCField* feeStudent = t.Add(fee, Col("StudentID").Out("FeeStdRef").Req());
    ODBCField* feeYear = t.Add(fee, Col("YearID").Out("YearID").Into(&H::yearId));
    ODBCField* stuSchool = t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* stuId = t.Add(stu, Col("ID").Req().Into(&H::studentKey));
    ODBCField* stuStatus = t.Add(stu, Col("Enroll_Status").Req().Into(&H::status));
    t.Add(fee, Col("ID").Out("FeeKey"));
    t.Add(fee, Col("Course_Number").Out("FeeSecRef"));
    t.Add(fee, Col("CreationDate").Out("FeeDate", &ExpEngine::FormatDate));
    t.Add(fee, Col("FeeCharged").Out("FeeCredit", &ExpEngine::FeeCreditAmount));
    t.Add(fee, Col("FeeCharged").Out("FeeDebit", &ExpEngine::FeeDebitAmount));
    t.Add(fee, Col("Fee_Type_Name").Out("FeeName", &DataAccessBase::FormatNoTabs));
    t.Add(fee, Col("Fee_Type_Name").Out("FeeCategoryRef", &ExpEngine::FormatCategoryWord));
    t.Add(fee, Col("Priority").Out("FeePriority"));
    t.Constant("FeeAccountRef", "school");
    t.Add(fee, Col("Adjustment").Out("Adjustment", &DataAccessBase::FormatFloat));
    t.Add(fee, Col("Course_Name").Out("Course_Name", &DataAccessBase::FormatNoTabs));
    t.Add(fee, Col("Date_Value").Out("Date_Value", &ExpEngine::FormatDate));
    t.Add(fee, Col("Fee_Amount").Out("ProRatedAmount", &DataAccessBase::FormatFloat));
    t.Add(fee, Col("Fee_Balance").Out("Fee_Balance", &DataAccessBase::FormatFloat));
    t.Add(fee, Col("Fee_Category_Name").Out("Fee_Category_Name"));
    t.Add(fee, Col("Fee_Paid").Out("Paid"));
    t.Add(fee, Col("Group_Transaction").Out("Group"));
    t.Add(fee, Col("OriginalFee").Out("OriginalFee"));
    t.Add(fee, Col("Pro_Rated").Out("Pro_Rated", &DataAccessBase::FormatInt));
    t.Add(fee, Col("SchoolFee_ID").Out("SchoolFee_ID"));
    t.Add(fee, Col("System_User_ID").Out("UserID"));
    t.Add(fee, Col("TermID").Out("TermID"));
    t.Add(fee, Col("Description").Out("FeeNote"));

    AddFeeStudentConditions(*this, t, stuSchool, stuId, stuStatus, feeSchool, feeStudent, feeYear);
    t.OrderBy(stuId);
    t.Write(&ExpEngine::IsIncludedStudent);
}

void ExpEngine::CreatePayments()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Student Payments", "Payments.pef");
    ODBCTable* fees = t.Source("Fees", "");
    if (t.Missing("Student Payments: Required Table Fees does not exist."))
        return;
    ODBCField* school = t.Add(fees, Col("SchoolID").Req());
    ODBCField* year = t.Add(fees, Col("YearID").Out("SchoolYear").Into(&H::yearId));
    ODBCField* student = t.Add(fees, Col("StudentID").Out("FeeStdRef").Req().Into(&H::studentKey));
    t.Add(fees, Col("ID").Out("FeeKey").Req());
    t.Add(fees, Col("Date_Value").Out("FeeDate", &ExpEngine::FormatDate));
    t.Add(fees, Col("Credit").Out("FeeCredit", &DataAccessBase::FormatFloat));
    t.Add(fees, Col("Debit").Out("FeeDebit", &DataAccessBase::FormatFloat));
    t.Add(fees, Col("Description").Out("FeeNote", &DataAccessBase::FormatNoTabs));
    t.Add(fees, Col("FeesType").Out("FeeName"));
    t.Add(fees, Col("FeesType").Out("FeeCategoryRef", &ExpEngine::FormatCategoryWord));
    t.Add(fees, Col("Time").Out("FeeTime", &DataAccessBase::FormatTime));
    t.Constant("FeeAccountRef", "school");
    t.Add(fees, Col("Cash").Out("Cash"));
    t.Add(fees, Col("NetEffect").Out("NetEffect", &DataAccessBase::FormatFloat));
    t.Add(fees, Col("EnteredBy").Out("StaffRef"));
    t.Add(fees, Col("Course_Number").Out("Course_Number", &DataAccessBase::FormatNoTabs));

    t.WhereSchool(school);
    t.WhereYear(year);
    t.OrderBy(student);
    t.Write(&ExpEngine::IsIncludedStudent);
}

namespace {

// Student Fee Credits and Student Fee Debits: the fee transactions by the sign of their net
// effect (zero counts as a credit).
void WriteFeeTransactions(ExpEngine& engine, ODBCTable*& studentsTable, bool credits)
{
    using H = ExpEngine::ColumnHandles;
    TableExtract t(engine, credits ? "Student Fee Credits" : "Student Fee Debits",
                   credits ? "FeeCredit.pef" : "FeeDebit.pef");
    ODBCTable* stu = t.RequiredSource("Students", "stu");
    ODBCTable* ft = t.Source("Fee_Transaction", "");
    if (t.Missing(credits ? "Student Fee Credits: Required Table Fee_Transaction does not exist."
                          : "Student Fee Debits: Required Table Fee_Transaction does not exist."))
        return;
    studentsTable = stu;
    ODBCField* feeSchool = t.Add(ft, Col("SchoolID").Req());
    ODBCField* feeYear = t.Add(ft, Col("YearID").Out("SchoolYear").Into(&H::yearId));
    ODBCField* feeStudent = t.Add(ft, Col("StudentID").Out("FeeStdRef").Req());
    ODBCField* stuSchool = t.Add(stu, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* stuId = t.Add(stu, Col("ID").Req().Into(&H::studentKey));
    ODBCField* stuStatus = t.Add(stu, Col("Enroll_Status").Req().Into(&H::status));
    t.Add(ft, Col("DateTime").Out("FeeDateTime"));
    t.Add(ft, Col("Description").Out("FeeNote"));
    t.Add(ft, Col("FeeID").Out("FeeTargetFeeRef"));
    t.Add(ft, Col("ID").Out("FeeKey").Req());
    ODBCField* netEffect = t.Add(ft, credits ? Col("NetEffect").Out("FeeCredit", &ExpEngine::FeeCreditAmount)
                                             : Col("NetEffect").Out("FeeDebit", &ExpEngine::FeeDebitAmount));
    t.Add(ft, Col("Payment_Method").Out("FeeMethod"));
    t.Add(ft, Col("Payment_Ref_Nbr").Out("FeeMethodNumber"));
    t.Add(ft, Col("Receipt_Nbr").Out("FeeReceipt"));
    t.Add(ft, Col("Time").Out("FeeTime"));
    t.Add(ft, Col("Transaction_Type").Out("FeeName"));
    t.Constant("FeeAccountRef", "school");
    for (const char* column :
         {"Amount", "Date_Value", "DCID", "Global_NetEffect", "Global_Starting_Balance",
          "Group_Transaction_ID", "Internal_Info_For_Trigger", "Starting_Balance", "System_User_ID"})
        t.Add(ft, Col(column).Out(column));
    t.Add(ft, Col("TeacherID").Out("StaffRef"));

    AddFeeStudentConditions(engine, t, stuSchool, stuId, stuStatus, feeSchool, feeStudent, feeYear);
    t.Where(netEffect, "0", credits ? ">=" : "<");
    t.OrderBy(stuId);
    t.Write(&ExpEngine::IsIncludedStudent);
}

}  // namespace

void ExpEngine::CreateFeeCredits()
{
    WriteFeeTransactions(*this, m_handles.studentsTable, true);
}

void ExpEngine::CreateFeeDebits()
{
    WriteFeeTransactions(*this, m_handles.studentsTable, false);
}

void ExpEngine::CreateLunchTransactions()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Lunch Transactions", "LunchTransaction.pef");
    ODBCTable* gl = t.Source("GLDetail", "");
    if (t.Missing("Lunch Transactions: Required Table GLDetail does not exist."))
        return;
    ODBCField* school = t.Add(gl, Col("SchoolID").Req());
    t.Add(gl, Col("ID").Out("FeeKey").Req());
    ODBCField* student = t.Add(gl, Col("StudentID").Out("FeeStdRef").Req().Into(&H::studentKey));
    t.Add(gl, Col("Credit").Out("FeeCredit", &DataAccessBase::FormatFloat));
    t.Add(gl, Col("Debit").Out("FeeDebit", &DataAccessBase::FormatFloat));
    t.Add(gl, Col("Description").Out("FeeNote", &DataAccessBase::FormatNoTabs));
    t.Add(gl, Col("Time").Out("FeeTime", &DataAccessBase::FormatTime));
    t.Add(gl, Col("TransType").Out("FeeMethod", &DataAccessBase::FormatNoTabs));
    t.Add(gl, Col("TransType").Out("FeeName", &DataAccessBase::FormatNoTabs));
    t.Constant("FeeAccountRef", "lunch");
    t.Constant("FeeCategoryRef", "lunch");
    t.Add(gl, Col("ALaCarte").Out("ALaCarte", &DataAccessBase::FormatNoTabs));
    t.Add(gl, Col("Batch").Out("Batch", &DataAccessBase::FormatInt));
    t.Add(gl, Col("Cash").Out("Cash", &DataAccessBase::FormatFloat));
    t.Add(gl, Col("Date_Value").Out("Date_Value", &ExpEngine::FormatDate));
    t.Add(gl, Col("DCID").Out("DCID", &DataAccessBase::FormatInt));
    t.Add(gl, Col("EnteredBy").Out("StaffRef"));
    t.Add(gl, Col("MealPrice").Out("MealPrice", &DataAccessBase::FormatFloat));
    t.Add(gl, Col("NetEffect").Out("NetEffect", &DataAccessBase::FormatFloat));

    t.WhereSchool(school);
    t.OrderBy(student);
    t.Write(&ExpEngine::IsIncludedStudent);
}
