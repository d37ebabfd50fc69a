// Row filters and value converters of the engine: they read the current record through the
// column handles and answer from the lookup tables.
#include "ExpEngine.h"

#include "ValueText.h"

#include <utility>

namespace {

// The stored pair of the key, or null.
const XStringPair* FindPair(const XVector<XStringPair>& table, XString key)
{
    XStringPair probe;
    probe.key = std::move(key);
    return table.Search(&probe);
}

bool HasKey(const XVector<XStringPair>& table, XString key)
{
    return FindPair(table, std::move(key)) != nullptr;
}

// The value stored for the key, or the fallback.
XString ValueOf(const XVector<XStringPair>& table, XString key, const char* fallback = "")
{
    const XStringPair* pair = FindPair(table, std::move(key));
    return pair ? pair->value : XString(fallback);
}

// Adds the key with an empty value unless it is there already.
void AddKey(XVector<XStringPair>& table, XString key)
{
    XStringPair probe;
    probe.key = std::move(key);
    size_t index = 0;
    if (!table.Search(&probe, &index))
        table.InsertAt(index, new XStringPair(probe.key, XString()));
}

// The two texts joined by the separator; an empty one leaves the other alone.
XString Joined(const XString& first, const XString& second, const char* separator)
{
    if (first.IsEmpty())
        return second;
    if (second.IsEmpty())
        return first;
    return first + separator + second;
}

XString Labelled(const char* label, const XString& text)
{
    return text.IsEmpty() ? XString() : label + text;
}

XString ZeroAsEmpty(XString text)
{
    return text == "0" ? XString() : text;
}

}  // namespace

// ---- row filters ----

bool ExpEngine::IsIncludedStudent()
{
    return HasKey(m_includedStudents, GetTrimmedString(m_handles.studentKey));
}

bool ExpEngine::IsIncludedStudentAlert()
{
    if (GetTrimmedString(m_handles.alertText).IsEmpty())
        return false;
    return IsIncludedStudent();
}

bool ExpEngine::IsIncludedStaff()
{
    return HasKey(m_includedStaff, GetTrimmedString(m_handles.staffKey));
}

bool ExpEngine::IsUsedDay()
{
    return HasKey(m_usedDays, GetTrimmedString(m_handles.dayKey));
}

bool ExpEngine::IsUsedCourse()
{
    return HasKey(m_usedCourses, GetTrimmedString(m_handles.courseKey));
}

bool ExpEngine::IsIncludedSchedule()
{
    return IsIncludedStudent() && CollectStaffKey();
}

bool ExpEngine::CollectCourseKey()
{
    if (m_handles.courseKey)
        AddKey(m_usedCourses, GetTrimmedString(m_handles.courseKey));
    return true;
}

bool ExpEngine::CollectStaffKey()
{
    if (m_handles.staffKey)
        AddKey(m_includedStaff, GetTrimmedString(m_handles.staffKey));
    return true;
}

// ---- value converters ----

XString ExpEngine::GetSecKey()
{
    XString text = valuetext::Integer(GetWholeNumber(m_handles.sectionKey));
    if (*text.CStr() == '-')
        LogMessage(4, "SecKey contains -, even after modification: " + text, "ExpEngine::GetSecKey");
    return text;
}

XString ExpEngine::FeeCreditAmount()
{
    // Money is read as a double: a float would turn 1234.56 into 1234.560059.
    const double amount = GetDouble(GetCurrentField());
    if (amount == 0.0)
        return XString("0");
    return amount > 0.0 ? valuetext::Fixed(amount, 6) : XString();
}

XString ExpEngine::FeeDebitAmount()
{
    const double amount = GetDouble(GetCurrentField());
    if (amount == 0.0)
        return XString("0");
    return amount < 0.0 ? valuetext::Fixed(-amount, 2) : XString();
}

XString ExpEngine::GradeLevelText()
{
    if (!GetCurrentColumn())
        return XString();
    DataAccessField* field = GetCurrentField();
    // No grade at all is no grade, not kindergarten.
    if (IsNull(field))
        return XString();
    const int64_t grade = GetWholeNumber(field);
    if (grade == -1)
        return XString("PK4");
    if (grade == 0)
        return GetTrimmedString(field).IsEmpty() ? XString() : XString("K");
    return valuetext::Integer(grade);
}

XString ExpEngine::StudentNameText()
{
    XString key = GetTrimmedString(m_handles.studentKey);
    const XStringPair* pair = FindPair(m_studentNames, key);
    return pair ? pair->value : key;
}

XString ExpEngine::StaffNameText()
{
    XString key = GetTrimmedString(m_handles.staffKey);
    const XStringPair* pair = FindPair(m_staffNames, key);
    return pair ? pair->value : key;
}

XString ExpEngine::RefereeStaffText()
{
    if (!IsIncludedStudent())
        return XString();
    return ZeroAsEmpty(GetTrimmedString(m_handles.staffKey));
}

XString ExpEngine::PerpStudentText()
{
    m_perpetratorFlag = false;
    XString text;
    if (IsIncludedStudent())
        text = ZeroAsEmpty(GetTrimmedString(m_handles.studentKey));
    if (text.IsEmpty())
        m_perpetratorFlag = true;
    return text;
}

XString ExpEngine::PerpNameText()
{
    return m_perpetratorFlag ? StudentNameText() : XString();
}

XString ExpEngine::EmptyText()
{
    return XString();
}

XString ExpEngine::TargetStudentText()
{
    return IsIncludedStudent() ? GetTrimmedString(m_handles.studentKey) : XString();
}

XString ExpEngine::TargetNameText()
{
    if (IsIncludedStudent() || IsIncludedStaff())
        return XString();
    XString name = StudentNameText();
    return name.IsEmpty() ? StaffNameText() : name;
}

XString ExpEngine::NextBusNoteKey()
{
    // The writer's record counter: the discipline notes go on counting on it.
    return "Bus_" + valuetext::Integer(++m_recordCounter);
}

XString ExpEngine::BusNoteTitle()
{
    // 1900-01-01 and the null date are no date.
    const XString start = m_handles.startDate ? FormatDateBlank1900(m_handles.startDate) : XString();
    const XString end = m_handles.endDate ? FormatDateBlank1900(m_handles.endDate) : XString();
    const XString title = "Bus " + GetTrimmedString(m_handles.fromTo) + " School";
    return Joined(title, Joined(start, end, "->"), ": ");
}

XString ExpEngine::JoinBusFields()
{
    return Joined(GetTrimmedString(m_handles.distance), GetTrimmedString(m_handles.distanceIndicator), " ");
}

XString ExpEngine::BusDaysText()
{
    static const char* const kLetters[7] = {"M", "T", "W", "Th", "F", "Sa", "Su"};
    XString days;
    for (int day = 0; day < 7; ++day) {
        if (GetBool(m_handles.weekdays[day]))
            days += kLetters[day];
    }
    return days;
}

XString ExpEngine::BusRouteText()
{
    return Joined(Labelled("Route: ", GetTrimmedString(m_handles.route)),
                  Labelled("Bus #: ", GetTrimmedString(m_handles.busNumber)), "; ");
}

XString ExpEngine::BusRouteStopText()
{
    XString text = Joined(Labelled("Route: ", GetTrimmedString(m_handles.route)),
                          Labelled("Bus Stop: ", GetTrimmedString(m_handles.stop)), "; ");
    if (!text.IsEmpty())
        m_busTextMissing = false;
    return text;
}

XString ExpEngine::YearTermKeyText()
{
    XString year = GetTrimmedString(m_handles.yearId);
    if (!year.IsEmpty())
        year += "00";
    return year;
}

XString ExpEngine::ActiveFlagText()
{
    return XString(GetWholeNumber(m_handles.status) == 0 ? "Y" : "N");
}

XString ExpEngine::StaffActiveFlag()
{
    return XString(GetWholeNumber(m_handles.status) == 1 ? "Y" : "N");
}

XString ExpEngine::StaffTypeName()
{
    static const char* const kNames[] = {"Not Assigned", "Teacher", "Staff", "Lunch Staff", "Substitute"};
    const int64_t type = GetWholeNumber(m_handles.staffType);
    return type >= 0 && type <= 4 ? XString(kNames[type]) : XString();
}

XString ExpEngine::GradeCodeWord()
{
    XString code = GetTrimmedString(m_handles.citizenship);
    if (code == "E")
        return XString("Excellent");
    if (code == "S")
        return XString("Satisfactory");
    if (code == "U")
        return XString("Unsatisfactory");
    if (code == "N")
        return XString("Neutral");
    return code;
}

XString ExpEngine::AbsenceFlagText()
{
    return ValueOf(m_absenceCodes, GetTrimmedString(m_handles.attendanceCode), "N");
}

XString ExpEngine::AbsentStatusDigit()
{
    return XString(GetTrimmedString(m_handles.presenceStatus) == "Absent" ? "1" : "0");
}

XString ExpEngine::TardyFlagText()
{
    return ValueOf(m_tardyCodes, GetTrimmedString(m_handles.attendanceCode), "0");
}

XString ExpEngine::EthnicityText()
{
    return ValueOf(m_ethnicityCodes, GetTrimmedString(m_handles.ethnicity));
}

XString ExpEngine::LanguageText()
{
    return ValueOf(m_languageCodes, FormatText());
}

XString ExpEngine::ConsequenceText()
{
    return ValueOf(m_consequenceCodes, GetTrimmedString(m_handles.consequence));
}

XString ExpEngine::SubtypeText()
{
    return ValueOf(m_subtypeCodes, GetTrimmedString(m_handles.subtype));
}

XString ExpEngine::IncidentLocationText()
{
    return ValueOf(m_incidentLocations, GetTrimmedString(m_handles.incidentLocation));
}

XString ExpEngine::EntryCodeText()
{
    return ValueOf(m_entryCodes, GetTrimmedString(m_handles.entryCode));
}

XString ExpEngine::ExitCodeText()
{
    return ValueOf(m_exitCodes, GetTrimmedString(m_handles.exitCode));
}

XString ExpEngine::LeaveDateText()
{
    if (!m_handles.leaveDate || GetTrimmedString(m_handles.exitCode).IsEmpty())
        return XString();
    return FormatDateBlank1900(m_handles.leaveDate);
}

XString ExpEngine::TimeOfDayText()
{
    if (!GetCurrentColumn())
        return XString();
    DataAccessField* field = GetCurrentField();
    // Seconds after midnight; no value, or one outside the day, is no time.
    if (IsNull(field))
        return XString();
    const int64_t seconds = GetWholeNumber(field);
    if (seconds < 0 || seconds > 86399)
        return XString();
    XString text = XTime(static_cast<int32_t>(seconds) * 1000).Format(GetTimeFormat());
    text.Trim();
    return text;
}

XString ExpEngine::GroupSequenceNumber()
{
    XString key = GetTrimmedString(m_handles.bellKey);
    if (key != m_lastGroupKey) {
        m_groupCounter = 0;
        m_lastGroupKey = std::move(key);
    }
    return valuetext::Integer(++m_groupCounter);
}

int ExpEngine::DayLetterToNumber(const XString& letter)
{
    if (letter.Length() != 1)
        return 0;
    const char c = *letter.CStr();
    return c >= 'A' && c <= 'Z' ? c - 'A' + 1 : 0;
}

XString ExpEngine::DayNumberToLetter(int number)
{
    return number >= 1 && number <= 26 ? XString(static_cast<char>('A' + number - 1)) : XString();
}
