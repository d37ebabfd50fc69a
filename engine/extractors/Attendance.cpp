#include "ExtractKit.h"

// Attendance codes (full pass) and the daily and period attendance of the update pass, which go
// into the attendance change cache.

namespace {

// The instruction block atop "AttCodes.pef"; the writer ends the last line.
const char* const kAttCodesInstructions[] = {
    "////////////////////////////////////////////////////////////////////////////////////////////////",
    "// Attendance Codes",
    "//",
    "// Instructions:",
    "//",
    "// To include user-defined values for these fields in the export:",
    "//\t1. a)  Find the Code/Key representing the field you wish to change from the list below.  ",
    "//\t   b)  Or enter a new Code/Key representing the field you wish to define.  ",
    "//\t       This Code must be found within the database or no entries will be associated with it.  ",
    "//\t2. Change the values associated with that key to appropriate values.",
    "//\t        See the User Guide Chapter 4: Customizing the Export for more information.",
    "//",
    "//  IMPORTANT: Once this file has been generated it will no longer be updated by the values in",
    "//             the Database.  If you need to update the list of Codes, or their values based on ",
    "//             the values in the Database you will need to rename or delete this file.",
    "//             Be aware that if you do not re-enter any values that were changed previously.",
    "//             you may lose that information.",
    "//",
};

XString AttCodesFirstLines()
{
    XString lines;
    for (const char* line : kAttCodesInstructions) {
        if (!lines.IsEmpty())
            lines += "\r\n";
        lines += line;
    }
    return lines;
}

// One table of the attendance cache: started as a cache table, its rows stored window by window.
class AttendanceExtract : public TableExtract
{
public:
    AttendanceExtract(ExpEngine& engine, const char* cacheTable) : TableExtract(engine)
    {
        m_engine.StartAttTable(cacheTable, true, false);
    }

    // Of the records that share a cache row (one student, day and section or time frame) the one
    // with the highest id wins, whatever the rows' physical order: unchanged data reads the same
    // every time.
    void KeepRecordId(ODBCTable* att)
    {
        if (ODBCField* id = Add(att, Col("ID")))
            m_engine.SetAttendanceRecordId(
                id, static_cast<PDEWriter::ValueOperation>(&DataAccessBase::FormatText));
    }

    // The windows of the school year over the attendance date, each record of an included student
    // stored in the cache.
    void Write(ODBCField* attendanceDate, const XDate& firstDay, const XDate& lastDay)
    {
        m_engine.SetChangeDateField(attendanceDate);
        m_engine.WriteAttendanceTable(
            firstDay, lastDay, static_cast<PDEWriter::RowFilter>(&ExpEngine::IsIncludedStudent), false);
    }
};

}  // namespace

void ExpEngine::CreateAttCodes()
{
    using H = ColumnHandles;
    TableExtract t(*this, "Attendance Codes", "AttCodes.pef");
    ODBCTable* code = t.Source("Attendance_Code", "attCode");
    if (t.Missing("Attendance Codes: Required Table does not exist."))
        return;
    ODBCField* id = t.Add(code, Col("ID").Out("AttCodeKey").Req());
    ODBCField* attCode = t.Add(code, Col("Att_Code").Out("AttCodeCode").Req().Into(&H::attendanceCode));
    t.Add(code, Col("Description").Out("AttCodeDesc"));
    // Selected on ID; the flags come from the stored code and presence status.
    t.Add(code, Col("ID").Out("AttCodeExcused", &ExpEngine::AbsenceFlagText));
    t.Add(
        code,
        Col("Presence_Status_CD").Out("AttCodeAbs", &ExpEngine::AbsentStatusDigit).Into(&H::presenceStatus));
    t.Add(code, Col("ID").Out("AttCodeTardy", &ExpEngine::TardyFlagText));
    ODBCField* school = t.Add(code, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* year = t.Add(code, Col("YearID").Req().Into(&H::yearId));
    t.WhereYear(year);
    t.Where(attCode, "NOT NULL", "IS");
    t.WhereSchool(school);
    t.OrderBy(id);
    t.WriteUserOwned(nullptr, AttCodesFirstLines());
}

void ExpEngine::CreateDailyAttendance(XDate yearStart, XDate yearEnd)
{
    using H = ColumnHandles;
    AttendanceExtract t(*this, "DAILY_ATT");
    // A missing table ends the cache table without a message.
    ODBCTable* att = t.Source("Attendance", "att");
    if (!att)
        return;
    t.Add(att, Col("StudentID").Out("AttStdRef").Req().Into(&H::studentKey));
    ODBCField* date = t.Add(att, Col("ATT_Date").Out("AttDate", &ExpEngine::FormatDate).Req());
    t.Add(att, Col("Attendance_CodeID").Out("AttAttCodeRef").Req());
    t.Constant("AttTimeFrameRef", "DAILY");
    t.Add(att, Col("SchoolID").Req().Into(&H::schoolId));
    AddSchoolRestriction(m_altSchoolNumbers);
    t.WhereYear(t.Add(att, Col("YearID").Req().Into(&H::yearId)));
    t.Where(t.Add(att, Col("ATT_Mode_Code").Req()), "'ATT_ModeDaily'");
    t.KeepRecordId(att);
    t.Write(date, yearStart, yearEnd);
}

void ExpEngine::CreatePeriodAttendance(XDate yearStart, XDate yearEnd)
{
    using H = ColumnHandles;
    AttendanceExtract t(*this, "PERIOD_ATT");
    ODBCTable* att = t.Source("Attendance", "att");
    ODBCTable* schedule = t.Source("CC", "stusched");
    ODBCTable* bellItem = t.Source("Bell_Schedule_Items", "bellItem");
    ODBCTable* bell = t.Source("Bell_Schedule", "bell");
    if (!att || !schedule || !bellItem || !bell)
        return;
    t.Add(att, Col("StudentID").Out("AttStdRef").Req().Into(&H::studentKey));
    ODBCField* date = t.Add(att, Col("ATT_Date").Out("AttDate", &ExpEngine::FormatDate).Req());
    t.Add(att, Col("Attendance_CodeID").Out("AttAttCodeRef").Req());
    t.Add(schedule, Col("SectionID").Out("AttSecRef", &ExpEngine::GetSecKey).Req().Into(&H::sectionKey));
    ODBCField* scheduleRef = t.Add(att, Col("CCID").Req());
    ODBCField* scheduleId = t.Add(schedule, Col("ID").Req());
    t.Join(scheduleRef, scheduleId);

    ODBCField* school = t.Add(att, Col("SchoolID").Req().Into(&H::schoolId));
    ODBCField* scheduleSchool = t.Add(schedule, Col("SchoolID").Req());
    ODBCField* bellSchool = t.Add(bell, Col("SchoolID").Req());
    t.Join(school, scheduleSchool);
    t.Join(school, bellSchool);
    AddSchoolRestriction(m_altSchoolNumbers);

    ODBCField* year = t.Add(att, Col("YearID").Req().Into(&H::yearId));
    ODBCField* bellYear = t.Add(bell, Col("Year_ID").Req());
    t.WhereYear(year);
    t.Join(year, bellYear);

    ODBCField* period = t.Add(att, Col("PeriodID").Req());
    ODBCField* itemPeriod = t.Add(bellItem, Col("Period_ID").Req());
    t.Join(period, itemPeriod);
    ODBCField* bellId = t.Add(bell, Col("ID").Req());
    ODBCField* itemBell = t.Add(bellItem, Col("Bell_Schedule_ID").Req());
    t.Join(bellId, itemBell);
    t.Where(t.Add(att, Col("ATT_Mode_Code").Req()), "'ATT_ModeMeeting'");
    t.KeepRecordId(att);
    t.Write(date, yearStart, yearEnd);
}
