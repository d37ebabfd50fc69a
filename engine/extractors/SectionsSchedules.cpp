#include "ExtractKit.h"

#include <cctype>
#include <cstring>
#include <vector>

// Sections, section schedules and student schedules.

namespace {

const char* const kSections = "ExpEngine::CreateSections";
const char* const kSectionSchedules = "ExpEngine::CreateSectionSchedules";

// Longest period range of a meeting expression that is expanded.
const long long kMaxPeriodRange = 1000;

// The leading decimal number of a text, as atoi reads it, held within bounds.
long long LeadingNumber(const XString& text)
{
    const char* p = text.CStr();
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    long long number = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (number < 1000000000)
            number = number * 10 + (*p - '0');
    }
    return negative ? -number : number;
}

XString Trimmed(XString text)
{
    text.Trim();
    return text;
}

// A text for a log line: line breaks become blanks.
XString OneLine(XString text)
{
    text.Replace('\r', ' ');
    text.Replace('\n', ' ');
    return text;
}

// Splits a list such as "1, 3-5" into its items, each trimmed.
void SplitItems(XString text, std::vector<XString>& items)
{
    items.clear();
    for (;;) {
        const size_t comma = text.Find(',');
        if (comma == text.Length()) {
            items.push_back(Trimmed(text));
            return;
        }
        items.push_back(Trimmed(text.Left(comma)));
        text = Trimmed(text.Mid(comma + 1));
    }
}

bool SplitRange(const XString& item, XString& from, XString& to)
{
    const size_t dash = item.Find('-');
    if (dash == item.Length())
        return false;
    from = Trimmed(item.Left(dash));
    to = Trimmed(item.Mid(dash + 1));
    return true;
}

// Reports the source table that is missing; the last one named wins.
void NoteMissing(ODBCTable* table, const char* text, XString& missing)
{
    if (!table)
        missing = text;
}

bool MissingTables(TableExtract& t, const XString& missing, const char* what, const char* method)
{
    if (missing.IsEmpty())
        return false;
    const XString message = XString(what) + ": Missing tables";
    t.engine().LogMessage(4, message, method);
    t.engine().LogMessage(7, message + missing, method);
    t.End();
    return true;
}

// Expands meeting expressions such as "1-3(A) 4(B,C)": groups of periods followed by days in
// parentheses, each a list of items or ranges. The lists are kept between expressions.
class MeetingExpression
{
public:
    explicit MeetingExpression(ExpEngine& engine) : m_engine(engine) {}

    // Calls line(day, period) for every day of a group, and within it every period.
    template <typename Line> void Expand(const XString& section, XString expression, Line line)
    {
        while (!expression.IsEmpty()) {
            const size_t open = expression.Find('(');
            const char* closing =
                open == expression.Length() ? nullptr : std::strchr(expression.CStr() + open + 1, ')');
            if (!closing) {
                m_engine.LogMessage(4,
                                    "Section " + section +
                                        ": meeting expression group without its parentheses, rest ignored: " +
                                        OneLine(expression),
                                    kSectionSchedules);
                return;
            }
            const size_t close = static_cast<size_t>(closing - expression.CStr());
            ExpandPeriods(section, Trimmed(expression.Left(open)));
            ExpandDays(Trimmed(expression.Mid(open + 1, close)));
            expression = Trimmed(expression.Mid(close + 1));
            for (const XString& day : m_days) {
                if (day.IsEmpty())
                    continue;
                for (const XString& period : m_periods) {
                    if (!period.IsEmpty())
                        line(day, period);
                }
            }
        }
    }

private:
    void ExpandPeriods(const XString& section, const XString& text)
    {
        SplitItems(text, m_items);
        m_periods.clear();
        XString from, to;
        for (const XString& item : m_items) {
            if (!SplitRange(item, from, to)) {
                m_periods.push_back(item);
                continue;
            }
            const long long first = LeadingNumber(from);
            const long long last = LeadingNumber(to);
            if (last - first + 1 > kMaxPeriodRange) {
                m_engine.LogMessage(4,
                                    "Section " + section + ": period range " + OneLine(item) +
                                        " has more than " + XString(kMaxPeriodRange) + " periods, skipped.",
                                    kSectionSchedules);
                continue;
            }
            for (long long period = first; period <= last; ++period)
                m_periods.push_back(XString(period));
        }
    }

    void ExpandDays(const XString& text)
    {
        SplitItems(text, m_items);
        m_days.clear();
        XString from, to;
        for (const XString& item : m_items) {
            if (!SplitRange(item, from, to)) {
                m_days.push_back(item);
                continue;
            }
            // Only the letters A to Z come out of a range.
            const int last = ExpEngine::DayLetterToNumber(to);
            for (int day = ExpEngine::DayLetterToNumber(from); day <= last; ++day) {
                XString letter = ExpEngine::DayNumberToLetter(day);
                if (!letter.IsEmpty())
                    m_days.push_back(std::move(letter));
            }
        }
    }

    ExpEngine& m_engine;
    std::vector<XString> m_items;
    std::vector<XString> m_periods;
    std::vector<XString> m_days;
};

}  // namespace

void ExpEngine::CreateStudentSchedules()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Student Schedules", "StudentSched.pef");
    SetAnsiJoin(true);
    ODBCTable* cc = t.Source("CC", "stusched");
    ODBCTable* sec = t.Source("Sections", "sec");
    ODBCTable* term = t.Source("Terms", "term");
    if (t.Missing("Student Schedules: Required Table does not exist."))
        return;
    ODBCField* student = t.Add(cc, Col("StudentID").Out("StdKey").Req().Into(&H::studentKey));
    ODBCField* section = t.Add(cc, Col("SectionID").Out("StdSecRef").Req().Into(&H::sectionKey));
    t.Add(cc, Col("DateEnrolled").Out("StdSecStartDate", &ExpEngine::FormatDate));
    t.Add(cc, Col("DateLeft").Out("StdSecEndDate", &ExpEngine::FormatDate));
    t.Add(sec, Col("Teacher").Into(&H::staffKey));
    ODBCField* ccSchool = t.Add(cc, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* secSchool = t.Add(sec, Col("SchoolID").Req());
    ODBCField* secId = t.Add(sec, Col("ID").Req());
    ODBCField* year = t.Add(term, Col("YearID").Req().Into(&H::yearId));
    ODBCField* termId = t.Add(term, Col("ID").Req());
    ODBCField* ccTerm = t.Add(cc, Col("TermID").Req());
    t.Join(secSchool, ccSchool);
    t.Join(secId, section);
    t.Join(ccTerm, termId);
    // With alternative schools every school's schedules are read; inclusion decides.
    if (GetAltSchoolNumbers().empty())
        t.WhereSchool(ccSchool);
    t.WhereYear(year);
    t.OrderBy(student);
    t.OrderBy(section);
    t.Distinct();
    t.Write(&ExpEngine::IsIncludedSchedule);
}

void ExpEngine::CreateSections()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Sections", "Sections.pef");
    SetAnsiJoin(true);
    XString missing;
    ODBCTable* sec = t.Source("Sections", "sec");
    NoteMissing(sec, "; Sections table", missing);
    ODBCTable* term = t.Source("Terms", "term");
    NoteMissing(term, "; Terms table", missing);
    ODBCTable* cc = t.Source("CC", "stusched");
    NoteMissing(cc, "; CC table", missing);
    if (MissingTables(t, missing, "Create Sections", kSections))
        return;
    ODBCField* section =
        t.Add(cc, Col("SectionID").Out("SecKey", &ExpEngine::GetSecKey).Req().Into(&H::sectionKey));
    t.Add(sec, Col("Course_Number").Out("SecCrsRef").Req().Into(&H::courseKey));
    ODBCField* secTerm = t.Add(sec, Col("TermID").Out("SecTermRef").Req());
    t.Add(sec, Col("Room").Out("SecRoomRef"));
    t.Add(sec, Col("Teacher").Out("SecStaffRef").Into(&H::staffKey));
    t.Add(sec, Col("Comment").Out("SecNote", &DataAccessBase::FormatNoLineBreaks));
    ODBCField* ccSchool = t.Add(cc, Col("SchoolID").Into(&H::schoolId));
    ODBCField* secSchool = t.Add(sec, Col("SchoolID"));
    ODBCField* termSchool = t.Add(term, Col("SchoolID"));
    ODBCField* year = t.Add(term, Col("YearID").Into(&H::yearId));
    ODBCField* termId = t.Add(term, Col("ID"));
    ODBCField* ccTerm = t.Add(cc, Col("TermID"));
    ODBCField* secId = t.Add(sec, Col("ID"));
    t.Join(secId, section);
    t.Join(secTerm, ccTerm);
    t.Join(ccSchool, secSchool);
    t.Join(ccTerm, termId);
    t.Join(ccSchool, termSchool);
    t.WhereSchool(ccSchool);
    t.WhereYear(year);
    t.OrderBy(section);
    // One line per section with a schedule record in the school and year.
    t.Distinct();
    t.Write(&ExpEngine::CollectCourseKey);
}

void ExpEngine::CreateSectionSchedules()
{
    using H = ColumnHandles;
    FileExtract f(*this, "Section Schedules", "SectionSchedule.pef");
    SetAnsiJoin(true);
    XString missing;
    ODBCTable* stu = f.Source("Students", "stu");
    NoteMissing(stu, "; Students table", missing);
    m_handles.studentsTable = stu;
    ODBCTable* sec = f.Source("Sections", "sec");
    NoteMissing(sec, "; Sections table", missing);
    ODBCTable* term = f.Source("Terms", "term");
    NoteMissing(term, "; Terms table", missing);
    ODBCTable* cc = f.Source("CC", "stusched");
    NoteMissing(cc, "; CC table", missing);
    if (MissingTables(f, missing, "Create Section Schedules", kSectionSchedules))
        return;
    ODBCField* ccSection = f.Add(cc, Col("SectionID"));
    ODBCField* secTerm = f.Add(sec, Col("TermID"));
    ODBCField* status = f.Add(stu, Col("Enroll_Status").Into(&H::status));
    ODBCField* ccSchool = f.Add(cc, Col("SchoolID").Into(&H::schoolId));
    ODBCField* stuSchool = f.Add(stu, Col("SchoolID"));
    ODBCField* secSchool = f.Add(sec, Col("SchoolID"));
    ODBCField* termSchool = f.Add(term, Col("SchoolID"));
    ODBCField* year = f.Add(term, Col("YearID").Into(&H::yearId));
    ODBCField* termId = f.Add(term, Col("ID"));
    ODBCField* ccTerm = f.Add(cc, Col("TermID"));
    ODBCField* secId = f.Add(sec, Col("ID"));
    ODBCField* stuId = f.Add(stu, Col("ID").Into(&H::studentKey));
    ODBCField* ccStudent = f.Add(cc, Col("StudentID"));
    for (const char* title : {"SecKey", "SecDayRef", "SecPerRef"})
        AddHeaderField(title);
    ODBCField* expression = f.Add(sec, Col("Expression").Req());
    f.Join(secId, ccSection);
    f.Join(secTerm, ccTerm);
    f.Join(ccSchool, secSchool);
    f.Join(ccTerm, termId);
    f.Join(ccSchool, termSchool);
    f.Join(ccSchool, stuSchool);
    f.Join(ccStudent, stuId);
    f.WhereSchool(ccSchool);
    f.WhereYear(year);
    if (GetInactiveDate().IsEmpty()) {
        f.Where(status, "0");
    } else {
        f.Where(status, "0", "=", 1);
        AddCondition("OR", status, "=", "1", 0);
    }
    f.OrderBy(secId);
    f.Distinct();

    MeetingExpression meetings(*this);
    XString previous;
    XStringPair probe;
    f.ForEachRecord([&] {
        XString key = GetTrimmedString(secId);
        // One record per enrolled student: a section's expression is read from its first record.
        if (key == previous)
            return;
        previous = key;
        meetings.Expand(key, GetTrimmedString(expression), [&](const XString& day, const XString& period) {
            f.WriteLine({key, day, period});
            probe.key = day;
            if (!m_usedDays.Search(&probe))
                m_usedDays.Add(new XStringPair(day, XString()));
        });
    });
    f.End();
}
