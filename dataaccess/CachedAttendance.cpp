#include "ODBCDataAccess.h"

#include "Database.h"
#include "Query.h"
#include "SqlError.h"

// The change-date filter of the attendance queries and the export of the cached attendance rows
// into the update file.

namespace {

// One half of the export: the daily or the period rows.
struct CacheSection
{
    const char* table;      // cache table
    const char* keyColumn;  // timeframe or perkey
    const char* orHeader;   // the header that also takes rows with an empty header
    const char* title;      // output table title
    const char* fileName;
    const char* method;  // prefix of the failure lines
    bool period;
};

const CacheSection kDaily = {"DAILY_ATT",
                             "timeframe",
                             "AttTimeFrameRef",
                             "Cached Daily Attendance",
                             "StudentDailyAtt.pef",
                             "CreateStudentDailyAttendanceFromDB",
                             false};
const CacheSection kPeriod = {"PERIOD_ATT",
                              "perkey",
                              "AttPerRef",
                              "Cached Period Attendance",
                              "StudentPeriodAtt.pef",
                              "CreateStudentPeriodAttendanceFromDB",
                              true};

XString Quoted(const XString& value)
{
    return "'" + value + "'";
}

// The SELECT of one section; with values the text for the log, else with parameters.
XString SelectText(const CacheSection& s, bool orForm, const XString* header)
{
    XString sql = XString("SELECT stdkey, attdate, reason, excused, absent, tardy, truant, discipline, ") +
                  s.keyColumn + ", oldcode, newcode FROM " + s.table +
                  " WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL) AND ";
    const XString value = header ? Quoted(*header) : XString("?");
    if (orForm)
        sql += "(header = " + value + " OR header = '')";
    else
        sql += "header = " + value;
    return sql;
}

// The UPDATE that marks one row exported; with values the text for the log, else with parameters.
XString UpdateText(const CacheSection& s, bool orForm, const XString* values)
{
    const char* const names[] = {"stdkey", "attdate", s.keyColumn, "newcode"};
    XString sql = XString("UPDATE ") + s.table + " SET oldcode=newcode WHERE ";
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            sql += " AND ";
        sql += XString(names[i]) + "=" + (values ? Quoted(values[i]) : XString("?"));
    }
    const XString header = values ? Quoted(values[4]) : XString("?");
    if (orForm)
        sql += " AND (header = " + header + " OR header = '')";
    else
        sql += " AND header=" + header;
    return sql;
}

// The UPDATE that marks every pending row of a section exported; with the header the text for
// the log, else with a parameter.
XString MarkAllText(const CacheSection& s, bool orForm, const XString* header)
{
    const XString value = header ? Quoted(*header) : XString("?");
    XString sql =
        XString("UPDATE ") + s.table +
        " SET oldcode=newcode WHERE newcode IS NOT NULL AND (newcode <> oldcode OR oldcode IS NULL)";
    if (orForm)
        sql += " AND (header = " + value + " OR header = '')";
    else
        sql += " AND header = " + value;
    return sql;
}

}  // namespace

// ---- the change-date filter ----

void ODBCDataAccess::FilterAttendance(const XDate& first, const XDate& last)
{
    if (!m_changeDateField)
        LogAndThrow(5, "FilterAttendance: There is no change date set! So cannot filter.",
                    "ODBCDataAccess::FilterAttendance");
    // Only the previous window's own conditions go; every other condition of the query stays.
    for (; m_filterConditionCount > 0 && !m_query.conditions.empty(); --m_filterConditionCount) {
        if (m_query.conditions.back()->m_left != m_changeDateField)
            break;
        m_query.conditions.pop_back();
    }
    m_filterConditionCount = 0;
    if (!first.IsEmpty() && first.GetDay() != 0) {
        AddCondition("AND", m_changeDateField, ">=", SQLDate(first), 0);
        ++m_filterConditionCount;
    }
    if (!last.IsEmpty() && last.GetDay() != 0) {
        AddCondition("AND", m_changeDateField, "<=", SQLDate(last), 0);
        ++m_filterConditionCount;
    }
}

void ODBCDataAccess::ClearAttendanceFilter()
{
    m_changeDateField = nullptr;
    m_filterConditionCount = 0;
}

// ---- the export ----

bool DataAccessBase::FilterAttendanceRow(const XString&)
{
    return true;
}

void DataAccessBase::ExportCachedAttendance()
{
    ExportAttendance(false);
}

void DataAccessBase::ExportAttendance(bool applyRowFilter)
{
    CreateStudentDailyAttendanceFromDB(applyRowFilter);
    CreateStudentPeriodAttendanceFromDB(applyRowFilter);
}

namespace {

// Writes one header's section of a cache table into the update file and marks its rows exported.
// Any failure, of the cache or of the file, fails the run.
void ExportSection(DataAccessBase& task, const CacheSection& s, const XString& header, bool applyRowFilter)
{
    XTextFile* file = task.GetUpdateFile();
    if (!file || !file->IsOpen())
        task.LogAndThrow(2, XString(s.method) + ": the update file is not open.");

    task.StartTable(s.title, s.fileName, false);
    task.ClearColumns();
    const XString headerTitles[] = {"AttStdRef",  "AttDate", header,     "AttAttCodeRef", "AttAttReasonRef",
                                    "AttExcused", "AttAbs",  "AttTardy", "AttTruant",     "AttDiscipline"};
    for (const XString& title : headerTitles)
        task.AddHeaderField(title.CStr());
    task.WriteCurrentHeader(*file);

    const bool orForm = header == s.orHeader;
    sqlite::Database& cache = task.GetAttendanceCache();
    // The values of the last UPDATE of one row: stdkey, attdate, key, newcode, header.
    XString values[5];
    values[4] = header;
    XString lastUpdate;
    int rows = 0;
    try {
        // The marks become durable only when the update file has been finished.
        task.HoldExportMarks();
        sqlite::Query select(cache);
        select.Prepare(SelectText(s, orForm, nullptr).CStr());
        select.Bind(1, header);
        task.LogMessage(9, "Attendance Query: " + SelectText(s, orForm, &header));
        // With the row filter each written row is marked at once (the rows it leaves out stay
        // pending); without it every row the SELECT found is written, and all are marked together
        // after the last one.
        sqlite::Query update(cache);
        update.Prepare(applyRowFilter ? UpdateText(s, orForm, nullptr).CStr()
                                      : MarkAllText(s, orForm, nullptr).CStr());

        // Columns of the SELECT by position; the rows of one day follow each other, so the date's
        // text is made once per day.
        enum
        {
            StdKey,
            AttDate,
            Reason,
            Excused,
            Absent,
            Tardy,
            Truant,
            Discipline,
            Key,
            OldCode,
            NewCode
        };
        XString day, shownDay;
        while (select.Step()) {
            ++rows;
            XString key = select.StringColumn(StdKey);
            XString stored = select.StringColumn(AttDate);
            if (stored != day || rows == 1) {
                XDate date;
                date.FromISO(stored);
                shownDay = date.Format(task.GetDateFormat());
                day = std::move(stored);
            }
            if (applyRowFilter && !task.FilterAttendanceRow(key))
                continue;
            values[0] = std::move(key);
            values[1] = day;
            values[2] = select.StringColumn(Key);
            values[3] = select.StringColumn(NewCode);
            file->WriteField(values[0]);
            file->WriteField(shownDay);
            file->WriteField(values[2]);
            file->WriteField(values[3]);
            for (int column = Reason; column <= Discipline; ++column)
                file->WriteField(select.StringColumn(column));
            file->EndLine();

            if (applyRowFilter) {
                lastUpdate = UpdateText(s, orForm, values);
                update.Reset();
                for (int i = 0; i < 5; ++i)
                    update.Bind(i + 1, values[i]);
                update.Step();
            }
        }
        task.LogMessage(8, "Attendance Query: Wrote" + XString(rows) + " records.");
        select.Finalize();
        if (!applyRowFilter) {
            lastUpdate = MarkAllText(s, orForm, &header);
            update.Bind(1, header);
            update.Step();
        }
        update.Finalize();
    } catch (const sqlite::SqlError& e) {
        // A section cut short would be resent whole by the next run, or its rows lost: the run
        // fails, and neither the update file nor any mark of this pass stays.
        if (s.period) {
            task.LogMessage(4, XString(s.method) + " Warning: " + e.GetMessage());
            task.LogMessage(9, "Update Query: " + lastUpdate);
            task.LogMessage(7, XString(s.method) + " At least 1 update failed");
        } else {
            task.LogMessage(8, XString(s.method) + " Error: " + e.GetMessage());
            task.LogMessage(9, "Update Query: " + lastUpdate);
        }
        task.CloseQuery();
        task.ClearColumns();
        task.LogAndThrow(2, XString("SQLite Attendance: Could not export the attendance history: ") + e.GetMessage(),
                         s.method);
    }

    task.WriteTableEnd(*file);
    task.WriteTimingStamps(*file);
    task.CloseQuery();
    task.ClearColumns();
    task.OnTableEnd();
    task.EndTable();
}

void ExportCacheTable(DataAccessBase& task, const CacheSection& s, const std::vector<XString>& headers,
                      bool applyRowFilter)
{
    // A copy: the list may not change while its sections are written.
    const std::vector<XString> names(headers);
    for (const XString& header : names)
        ExportSection(task, s, header, applyRowFilter);
}

}  // namespace

bool DataAccessBase::HistoryTableExists(const char* table)
{
    // No history open: no table of it.
    if (!GetAttendanceCache().IsOpen())
        return false;
    try {
        return SQLiteTableExists(GetAttendanceCache(), table);
    } catch (const XException& e) {
        LogAndThrow(2, XString("SQLite Attendance: ") + e.GetMessage(), "DataAccessBase::HistoryTableExists");
    }
}

void DataAccessBase::CreateStudentDailyAttendanceFromDB(bool applyRowFilter)
{
    if (!HistoryTableExists(kDaily.table)) {
        PutJobText("Daily Attendance Table does not exist, skipping");
        return;
    }
    LogMessage(7, "Exporting Daily Attendance from DB");
    ExportCacheTable(*this, kDaily, m_dailyAttHeaders, applyRowFilter);
}

void DataAccessBase::CreateStudentPeriodAttendanceFromDB(bool applyRowFilter)
{
    if (!HistoryTableExists(kPeriod.table)) {
        PutJobText("Period Attendance Table does not exist, skipping");
        return;
    }
    LogMessage(7, "Exporting Period Attendance from DB");
    if (m_periodAttHeaders.empty()) {
        AddAttHeader(m_periodAttHeaders, "AttPerRef");
        LogMessage(
            8, "CreateStudentPeriodAttendanceFromDB: Either no data returned or No Period Timeframe header "
               "set, assuming AttPerRef");
    }
    ExportCacheTable(*this, kPeriod, m_periodAttHeaders, applyRowFilter);
}
