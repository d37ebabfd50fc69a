#include "ExtractKit.h"

// Final grades of the current year and the grade comment bank.

bool ExpEngine::HasGradeText()
{
    // The query's two grade tests let an empty or blank grade through on databases that tell
    // '' from ' '; the trimmed text decides on every database.
    return m_handles.grade && !GetTrimmedString(m_handles.grade).IsEmpty();
}

void ExpEngine::CreateStudentGrades()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Student Grades", "StudentGrades.pef");
    ODBCTable* bins = t.Source("PGFinalGrades", "bins");
    ODBCTable* sec = t.Source("Sections", "sec");
    ODBCTable* term = t.Source("Terms", "term");
    ODBCTable* stusched = t.Source("CC", "stusched");
    if (t.Missing("Grades: Required Table does not exist."))
        return;
    const char* marker = "#customgradefield";
    ODBCField* student = t.Add(bins, Col("StudentID").Out("GrdStdRef").Req().Into(&H::studentKey));
    ODBCField* section = t.Add(bins, Col("SectionID").Out("GrdSecRef").Req().Into(&H::sectionKey));
    t.Add(bins, Col("FinalGradeName").Out("GrdBinRef"));
    ODBCField* grade = t.Add(
        bins,
        Col("Grade").Out("GrdGrade").Req().Into(&H::grade).Custom("Grade", "Grade", marker, "NOFORMAT"));
    ODBCField* percent =
        t.Add(bins, Col("Percent").Out("GrdPercent").Req().Custom("Percent", "Percent", marker, "NUMERIC"));
    t.Add(bins, Col("Comment")
                    .Out("GrdComment", &DataAccessBase::FormatPrefixGS)
                    .Custom("Comment", "Comment", marker, "NOFORMAT"));
    t.Add(bins, Col("Citizenship")
                    .Out("GrdCitizenship", &ExpEngine::GradeCodeWord)
                    .Into(&H::citizenship)
                    .Custom("Citizenship", "Citizenship", marker, "NOFORMAT"));
    ODBCField* secSchool = t.Add(sec, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* secId = t.Add(sec, Col("ID").Req());
    ODBCField* termSchool = t.Add(term, Col("SchoolID").Req());
    ODBCField* termYear = t.Add(term, Col("YearID").Req().Into(&H::yearId));
    ODBCField* termId = t.Add(term, Col("ID").Req());
    ODBCField* secTerm = t.Add(sec, Col("TermID").Req());
    ODBCField* schedStudent = t.Add(stusched, Col("StudentID").Req());
    ODBCField* schedSection = t.Add(stusched, Col("SectionID").Req());
    ODBCField* schedTerm = t.Add(stusched, Col("TermID").Req());
    ODBCField* schedSchool = t.Add(stusched, Col("SchoolID").Req());

    AddSchoolRestriction(m_altSchoolNumbers);
    t.Join(termSchool, secSchool);
    t.WhereYear(termYear);
    t.Join(secId, section);
    t.Where(percent, "0", "<>");
    t.Where(grade, "''", "<>", 1);
    t.Condition("OR", grade, "' '", "<>", 0);
    t.Join(termId, secTerm);
    t.Join(student, schedStudent);
    t.Join(section, schedSection);
    t.Join(termId, schedTerm);
    t.WhereSchool(schedSchool);
    t.OrderBy(student);
    t.Write(&ExpEngine::HasGradeText);
}

void ExpEngine::CreateGradeScores()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Grade Comments", "GradeScores.pef");
    ODBCTable* cmt = t.Source("PGCommentBank", "cmt");
    if (t.Missing("Grade Scores: Required Table PGCommentBank does not exist."))
        return;
    t.Add(cmt, Col("SchoolID").Req().Into(&H::schoolId));
    t.Add(cmt, Col("Category").Out("Category"));
    t.Add(cmt, Col("Code").Out("GrdScoreKey", &DataAccessBase::FormatPrefixGS).Req());
    t.Add(cmt, Col("Comment").Out("GrdScoreDesc"));
    AddSchoolRestriction(m_altSchoolNumbers);
    t.Write();
}
