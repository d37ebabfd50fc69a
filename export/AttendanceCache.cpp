#include "PDEWriter.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "Database.h"
#include "Query.h"
#include "SchoolConfig.h"
#include "XException.h"

namespace {

const char* const kDailyTable = "DAILY_ATT";
const char* const kPeriodTable = "PERIOD_ATT";
const int kDefaultOverlapDays = 14;
const int kMaxRangeRows = 1000;

// What a column's value fills in a cache row.
enum Slot
{
    SlotNone,
    SlotStudent,
    SlotDate,
    SlotTimeFrame,
    SlotPeriod,
    SlotCode,
    SlotReason,
    SlotRangeStartPeriod,
    SlotRangeEndPeriod,
    SlotRangeStartSlot,
    SlotRangeEndSlot,
    SlotExcused,
    SlotAbsent,
    SlotTardy,
    SlotTruant,
    SlotDiscipline,
    SlotUnsupported
};

Slot SlotOfTitle(const XString& title)
{
    XString t(title);
    t.MakeUpper();
    struct Entry
    {
        const char* title;
        Slot slot;
    };
    static const Entry entries[] = {
        {"ATTSTDREF", SlotStudent},
        {"ATTDATE", SlotDate},
        {"ATTPERREF", SlotPeriod},
        {"ATTSECREF", SlotPeriod},
        {"ATTTIMESLOT", SlotPeriod},
        {"ATTTIMEFRAMEREF", SlotTimeFrame},
        {"ATTATTCODEREF", SlotCode},
        {"ATTATTREASONREF", SlotReason},
        {"ATTSTARTPERREF", SlotRangeStartPeriod},
        {"ATTENDPERREF", SlotRangeEndPeriod},
        {"ATTSTARTTIMESLOT", SlotRangeStartSlot},
        {"ATTENDTIMESLOT", SlotRangeEndSlot},
        {"ATTEXCUSED", SlotExcused},
        {"ATTABS", SlotAbsent},
        {"ATTTARDY", SlotTardy},
        {"ATTTRUANT", SlotTruant},
        {"ATTDISCIPLINE", SlotDiscipline},
        {"ATTEXCABS", SlotNone},
        {"ATTUNEXCABS", SlotNone},
        {"ATTEXCTARDY", SlotNone},
        {"ATTUNEXCTARDY", SlotNone},
    };
    for (const Entry& entry : entries) {
        if (t == entry.title)
            return entry.slot;
    }
    return SlotUnsupported;
}

// One cache row before it is stored.
struct AttRow
{
    XString student, date, key, header, code, reason, excused, absent, tardy, truant, discipline;
    XString rangeStart, rangeEnd, rangeHeader;
    bool hasRange = false;
};

bool IsRangeNumber(const XString& text)
{
    return !text.IsEmpty() && text.Length() <= 9 && text.IsDigits();
}

}  // namespace

void PDEWriter::OpenAttendanceCache()
{
    if (m_attCache->IsOpen())
        return;
    const XString path = OutputPath("Attendance/Attendance.db");
    std::error_code ec;
    std::filesystem::create_directories(OutputPath("Attendance").CStr(), ec);
    m_attCache->Open(path);
}

bool PDEWriter::SQLiteTableExists(sqlite::Database& db, const XString& name)
{
    try {
        sqlite::Query query(db);
        query.Prepare("SELECT * FROM sqlite_master WHERE type='table' AND name=?");
        query.Bind(1, name);
        return query.Step();
    } catch (const XException& e) {
        LogMessage(8, "SQLite: Create Table Failed: " + name + ": " + e.GetMessage());
        return false;
    }
}

void PDEWriter::StartAttTable(const XString& table, bool overlap, bool extraDay)
{
    const char* method = "PDEWriter::StartAttTable";
    const bool daily = table == kDailyTable;
    if (!daily && table != kPeriodTable)
        LogAndThrow(2, "SQLite Attendance: Unknown cache table: " + table, method);
    m_attTable = table;
    m_attExtraDay = extraDay;
    LogMessage(7, "Start Attendance Table at: " + GetRunDateTimeString(), method);

    try {
        OpenAttendanceCache();
        const char* keyColumn = daily ? "timeframe" : "perkey";
        if (!SQLiteTableExists(*m_attCache, table)) {
            XString sql;
            sql.Format(512,
                       "CREATE TABLE %s (stdkey TEXT, attdate TEXT, %s TEXT, reason TEXT, excused TEXT, "
                       "absent TEXT, "
                       "tardy TEXT, truant TEXT, discipline TEXT, header TEXT, oldcode TEXT, newcode TEXT)",
                       table.CStr(), keyColumn);
            m_attCache->Execute(sql.CStr());
        }
        XString index;
        index.Format(256, "CREATE INDEX IF NOT EXISTS %s_ROW ON %s (stdkey, attdate, %s, header)",
                     table.CStr(), table.CStr(), keyColumn);
        m_attCache->Execute(index.CStr());

        SchoolConfig config;
        const bool readable = config.Read(OutputPath("SchoolConfig.xml"));
        m_attStartDate = readable ? config.updateDate : XDate();
        if (readable && config.hasOverlapInDays) {
            m_overlapInDays = config.overlapInDays;
            m_hasOverlapInDays = true;
        }
        if (overlap && !m_attStartDate.IsEmpty()) {
            int days = kDefaultOverlapDays;
            if (m_hasOverlapInDays && m_overlapInDays.IsDigits() && !m_overlapInDays.IsEmpty() &&
                m_overlapInDays.Length() <= 5)
                days = m_overlapInDays.ToInt();
            m_attStartDate = m_attStartDate.AddDays(-days);

            sqlite::Transaction transaction(*m_attCache);
            sqlite::Query blank(*m_attCache);
            XString sql;
            sql.Format(128, "UPDATE %s SET newcode = '' WHERE attdate >= ?", table.CStr());
            blank.Prepare(sql.CStr());
            blank.Bind(1, m_attStartDate.ToISO());
            blank.Step();
            blank.Finalize();
            transaction.Commit();
        }
    } catch (const XException& e) {
        LogAndThrow(2, XString("SQLite Attendance: ") + e.GetMessage(), method);
    }

    if (daily)
        StartTable("Student Daily Attendance", "StudentDailyAtt.pef", false);
    else
        StartTable("Student Period Attendance", "StudentPeriodAtt.pef", false);
}

void PDEWriter::WriteAttendanceTable(const XDate& firstDay, const XDate& lastDay, RowFilter filter,
                                     bool lastDayFlag)
{
    const char* method = "PDEWriter::WriteAttendanceTable";
    if (!m_attCache->IsOpen() || m_attTable.IsEmpty())
        LogAndThrow(2, "SQLite Attendance: The attendance cache is not open.", method);
    const bool daily = m_attTable == kDailyTable;
    const char* keyColumn = daily ? "timeframe" : "perkey";

    // The windows: seven days each, the next starting on the previous one's end day.
    XDate start = m_attStartDate;
    if (start.IsEmpty() || (!firstDay.IsEmpty() && start < firstDay))
        start = firstDay;
    XDate limit = Today();
    if (!lastDay.IsEmpty() && lastDay < limit)
        limit = lastDay;
    if (!firstDay.IsEmpty() && limit < firstDay)
        limit = firstDay;
    if (start.IsEmpty())
        start = limit;
    std::vector<std::pair<XDate, XDate>> windows;
    for (;;) {
        XDate end = start.AddDays(6);
        if (end > limit) {
            end = lastDayFlag ? limit.AddDays(1) : limit;
            if (start <= end)
                windows.push_back({start, end});
            break;
        }
        windows.push_back({start, end});
        start = end;
    }
    if (m_attExtraDay) {
        for (auto& window : windows)
            window.second = window.second.AddDays(1);
    }

    // Which cache column each value fills: the value of the k-th column that has a value operation
    // belongs to the k-th title. Columns without one (constant, read-only) store nothing.
    std::vector<Slot> columnSlots;
    std::vector<XString> slotTitles;
    {
        const std::vector<XString> noTitles;
        const std::vector<XString>& titles = m_currentHeader ? m_currentHeader->titles : noTitles;
        size_t k = 0;
        for (const OutputColumn& column : m_columns) {
            if (!column.op)
                continue;
            Slot slot = SlotNone;
            XString title;
            if (k < titles.size()) {
                title = titles[k];
                slot = SlotOfTitle(title);
                if (slot == SlotUnsupported) {
                    LogMessage(8, "SQLite Attendance: Unsupported header: " + title + ", skipping.");
                    slot = SlotNone;
                }
            }
            columnSlots.push_back(slot);
            slotTitles.push_back(title);
            ++k;
        }
    }

    XString update, insert;
    update.Format(
        512,
        "UPDATE %s SET newcode = ?1, reason = ?2, excused = ?3, absent = ?4, tardy = ?5, truant = ?6, "
        "discipline = ?7 WHERE stdkey = ?8 AND attdate = ?9 AND %s = ?10 AND header = ?11",
        m_attTable.CStr(), keyColumn);
    insert.Format(
        512,
        "INSERT INTO %s (newcode, reason, excused, absent, tardy, truant, discipline, stdkey, attdate, %s, "
        "header, oldcode) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, NULL)",
        m_attTable.CStr(), keyColumn);

    sqlite::Database& db = *m_attCache;
    auto store = [&](sqlite::Query& query, const AttRow& row, const XString& key, const XString& header) {
        query.Reset(true);
        query.Bind(1, row.code);
        query.Bind(2, row.reason);
        query.Bind(3, row.excused);
        query.Bind(4, row.absent);
        query.Bind(5, row.tardy);
        query.Bind(6, row.truant);
        query.Bind(7, row.discipline);
        query.Bind(8, row.student);
        query.Bind(9, row.date);
        query.Bind(10, key);
        query.Bind(11, header);
        query.Step();
    };

    bool inTransaction = false;
    try {
        db.Execute("begin transaction");
        inTransaction = true;
        sqlite::Query updateQuery(db);
        sqlite::Query insertQuery(db);
        updateQuery.Prepare(update.CStr());
        insertQuery.Prepare(insert.CStr());
        auto storeRow = [&](const AttRow& row, const XString& key, const XString& header) {
            store(updateQuery, row, key, header);
            if (sqlite3_changes(db.Handle()) == 0)
                store(insertQuery, row, key, header);
        };

        std::vector<XString> values;
        for (const auto& window : windows) {
            PutJobText("Reading " + m_tableTitle + " (" + window.first.Format(m_dateFormat) + " to " +
                       window.second.Format(m_dateFormat) + ")...");
            db.Execute("SAVEPOINT att_window");
            try {
                FilterAttendance(window.first, window.second);
                OpenTable(true);
                for (bool more = MoveFirst(); more; more = MoveNext()) {
                    if (filter && !(this->*filter)())
                        continue;
                    values.clear();
                    for (const OutputColumn& column : m_columns) {
                        if (!column.op)
                            continue;
                        m_currentColumn = &column;
                        values.push_back((this->*column.op)());
                    }
                    m_currentColumn = nullptr;

                    AttRow row;
                    for (size_t k = 0; k < values.size() && k < columnSlots.size(); ++k) {
                        const XString& value = values[k];
                        switch (columnSlots[k]) {
                        case SlotStudent:
                            row.student = value;
                            break;
                        case SlotDate:
                            row.date = XDate(m_dateFormat, value).ToISO();
                            break;
                        case SlotTimeFrame:
                        case SlotPeriod:
                            row.key = value;
                            row.header = slotTitles[k];
                            AddAttHeader(columnSlots[k] == SlotTimeFrame ? m_dailyAttHeaders
                                                                         : m_periodAttHeaders,
                                         slotTitles[k]);
                            break;
                        case SlotCode:
                            row.code = value;
                            break;
                        case SlotReason:
                            row.reason = value;
                            break;
                        case SlotRangeStartPeriod:
                        case SlotRangeStartSlot:
                            row.rangeStart = value;
                            row.hasRange = true;
                            row.rangeHeader =
                                columnSlots[k] == SlotRangeStartPeriod ? "AttPerRef" : "AttTimeSlot";
                            break;
                        case SlotRangeEndPeriod:
                        case SlotRangeEndSlot:
                            row.rangeEnd = value;
                            row.hasRange = true;
                            row.rangeHeader =
                                columnSlots[k] == SlotRangeEndPeriod ? "AttPerRef" : "AttTimeSlot";
                            break;
                        case SlotExcused:
                            row.excused = value;
                            break;
                        case SlotAbsent:
                            row.absent = value;
                            break;
                        case SlotTardy:
                            row.tardy = value;
                            break;
                        case SlotTruant:
                            row.truant = value;
                            break;
                        case SlotDiscipline:
                            row.discipline = value;
                            break;
                        default:
                            break;
                        }
                    }

                    if (!row.hasRange) {
                        storeRow(row, row.key, row.header);
                        continue;
                    }
                    XString first = row.rangeStart.IsEmpty() ? row.rangeEnd : row.rangeStart;
                    XString last = row.rangeEnd.IsEmpty() ? row.rangeStart : row.rangeEnd;
                    if (!IsRangeNumber(first) || !IsRangeNumber(last) ||
                        last.ToInt() - first.ToInt() >= kMaxRangeRows)
                        throw XException((XString("SQLite Attendance: Invalid range of periods: [") + first +
                                          "] to [" + last + "]")
                                             .CStr());
                    AddAttHeader(m_periodAttHeaders, row.rangeHeader);
                    for (int p = first.ToInt(); p <= last.ToInt(); ++p)
                        storeRow(row, XString(p), row.rangeHeader);
                }
                db.Execute("RELEASE att_window");
            } catch (...) {
                m_currentColumn = nullptr;
                try {
                    db.Execute("ROLLBACK TO att_window");
                    db.Execute("RELEASE att_window");
                } catch (...) {
                }
                throw;
            }
        }
        updateQuery.Finalize();
        insertQuery.Finalize();
        db.Execute("commit transaction");
        inTransaction = false;
    } catch (...) {
        XString error;
        bool known = true;
        try {
            throw;
        } catch (const XException& e) {
            error = e.GetMessage();
        } catch (const std::exception& e) {
            error = e.what();
        } catch (...) {
            known = false;
        }
        // Keep the windows that finished; the failed one was rolled back.
        if (inTransaction && !sqlite3_get_autocommit(db.Handle())) {
            try {
                db.Execute("commit transaction");
            } catch (...) {
                try {
                    db.Execute("rollback transaction");
                } catch (...) {
                }
            }
        }
        try {
            ClearAttendanceFilter();
        } catch (...) {
        }
        const XString sql = QueryTextForMessage();
        if (known)
            LogAndThrow(2, "Failed with error [" + error + "] while caching attendance table [" + m_attTable +
                               "] with query: " + sql);
        LogAndThrow(2, "Failed with unknown error while caching attendance table [" + m_attTable +
                           "] with query: " + sql);
    }
    ClearAttendanceFilter();
}

void PDEWriter::RunExportCachedAttendance()
{
    ExportCachedAttendance();
}

void PDEWriter::HoldExportMarks()
{
    if (!m_attCache->IsOpen())
        return;
    // A transaction that SQLite rolled back on an error took the savepoint with it.
    if (m_exportMarksHeld && !sqlite3_get_autocommit(m_attCache->Handle()))
        return;
    m_attCache->Execute("SAVEPOINT export_marks");
    m_exportMarksHeld = true;
}

void PDEWriter::ReleaseExportMarks(bool keep)
{
    if (!m_exportMarksHeld)
        return;
    m_exportMarksHeld = false;
    if (!m_attCache->IsOpen() || sqlite3_get_autocommit(m_attCache->Handle()))
        return;
    XString error;
    if (keep) {
        try {
            m_attCache->Execute("RELEASE export_marks");
            return;
        } catch (const XException& e) {
            error = e.GetMessage();
        }
    }
    try {
        m_attCache->Execute("ROLLBACK TO export_marks");
        m_attCache->Execute("RELEASE export_marks");
    } catch (...) {
    }
    if (keep)
        LogAndThrow(2, "SQLite Attendance: Could not mark the exported rows: " + error,
                    "PDEWriter::ReleaseExportMarks");
}
