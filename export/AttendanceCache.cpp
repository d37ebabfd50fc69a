// The SQLite attendance change cache and its update-file export.

#include "PDEWriter.h"

#include "AttendancePlan.h"
#include "CacheWriter.h"
#include "Database.h"
#include "Query.h"
#include "SchoolConfig.h"
#include "UpdateFileDelivery.h"
#include "XException.h"
#include "XFileSpec.h"

namespace {

const char* const kDailyTable = "DAILY_ATT";
const char* const kPeriodTable = "PERIOD_ATT";
// The day up to which each attendance table was last read.
const char* const kReadTable = "ATT_READ";
const int kDefaultOverlapDays = 14;
const int kMaxRangeRows = 1000;

using namespace attplan;

// Where a value goes: a parameter of the cache statement (in the order of CacheWriter::Row), or an
// end of a range of periods or time slots.
enum Target
{
    ToCode,
    ToReason,
    ToExcused,
    ToAbsent,
    ToTardy,
    ToTruant,
    ToDiscipline,
    ToStudent,
    ToDate,
    ToKey,
    ToHeader,
    ToId,
    ToRangeStart,
    ToRangeEnd,
    ToNowhere
};
static_assert(ToStudent == CacheWriter::kFirstKey && ToId == CacheWriter::kId &&
                  ToRangeStart == CacheWriter::kParams,
              "the statement's parameters first");

// Where the value of each slot goes.
const Target kSlotTargets[] = {
    ToNowhere,     // SlotNone
    ToStudent,     // SlotStudent
    ToDate,        // SlotDate, parsed
    ToKey,         // SlotTimeFrame
    ToKey,         // SlotPeriod
    ToCode,        // SlotCode
    ToReason,      // SlotReason
    ToRangeStart,  // SlotRangeStartPeriod
    ToRangeEnd,    // SlotRangeEndPeriod
    ToRangeStart,  // SlotRangeStartSlot
    ToRangeEnd,    // SlotRangeEndSlot
    ToExcused,     // SlotExcused
    ToAbsent,      // SlotAbsent
    ToTardy,       // SlotTardy
    ToTruant,      // SlotTruant
    ToDiscipline,  // SlotDiscipline
    ToNowhere,     // SlotUnsupported
};
static_assert(sizeof kSlotTargets / sizeof kSlotTargets[0] == SlotUnsupported + 1, "one target per slot");

bool IsRangeNumber(const XString& text)
{
    return !text.IsEmpty() && text.Length() <= 9 && text.IsDigits();
}

// The first and last number of a record that names a range of periods or time slots: one row each.
void RangeBounds(const XString& start, const XString& end, int& first, int& last)
{
    const XString& from = start.IsEmpty() ? end : start;
    const XString& to = end.IsEmpty() ? start : end;
    if (!IsRangeNumber(from) || !IsRangeNumber(to) || to.ToInt() - from.ToInt() >= kMaxRangeRows)
        throw XException(
            (XString("SQLite Attendance: Invalid range of periods: [") + from + "] to [" + to + "]").CStr());
    first = from.ToInt();
    last = to.ToInt();
}

}  // namespace

void PDEWriter::OpenAttendanceCache()
{
    if (m_attCache->IsOpen())
        return;
    const XString path = OutputPath("Attendance/Attendance.db");
    XFileSpec::MakeFolders(OutputPath("Attendance").CStr());
    // One thread uses the cache: no locking inside SQLite.
    using sqlite::Database;
    m_attCache->Open(path, Database::OpenReadWrite | Database::OpenCreate | Database::OpenNoMutex);
    // A lock that another program holds on the history (a backup, an sqlite3 session) is waited
    // for out of the run's one wait; a longer one fails the run.
    Delivery().Watch(*m_attCache);
    // A commit is on the disk with its journal; the journal's removal follows with the folder
    // (CommitAttendanceCache): the marks of an update file outlive a power loss once the file
    // has its name.
    m_attCache->SetSynchronousFull();
    CompleteUpdateFiles();
}

void PDEWriter::CommitAttendanceCache()
{
    const bool wrote = m_attCache->HasWritten();
    m_attCache->Execute("commit transaction");
    // A failed sync is a warning: the commit stands, only a power loss could undo it.
    if (wrote)
        Delivery().SyncHistory();
}

int PDEWriter::RecordedHistoryTables(sqlite::Database& db)
{
    sqlite::Query query(db);
    query.Prepare("PRAGMA user_version");
    return query.Step() ? query.IntColumn(0) & (kHistoryDaily | kHistoryPeriod) : 0;
}

void PDEWriter::RecordHistoryTables(sqlite::Database& db)
{
    // The history remembers which attendance tables it ever held, so that a table that is gone
    // can be told from one that a run with other flags never made.
    const int recorded = RecordedHistoryTables(db);
    int held = recorded;
    sqlite::Query tables(db);
    tables.Prepare("SELECT name FROM sqlite_master WHERE type='table' AND name IN (?, ?)");
    tables.Bind(1, XString(kDailyTable));
    tables.Bind(2, XString(kPeriodTable));
    while (tables.Step())
        held |= tables.StringColumn(0) == kDailyTable ? kHistoryDaily : kHistoryPeriod;
    tables.Finalize();
    if (held != recorded) {
        XString sql;
        sql.Format(64, "PRAGMA user_version = %d", held);
        db.Execute(sql.CStr());
    }
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
        // A question that got no answer is no missing table: the run fails.
        throw XException(("Could not check whether the table " + name + " exists: " + e.GetMessage()).CStr(),
                         0);
    }
}

XDate PDEWriter::TableReadDate(const XString& table, const XDate& updateDate)
{
    sqlite::Database& db = *m_attCache;
    if (!SQLiteTableExists(db, kReadTable)) {
        db.Execute("CREATE TABLE ATT_READ (tablename TEXT PRIMARY KEY, readdate TEXT)");
        // A history of an earlier version read every table it holds up to the update date.
        if (!updateDate.IsEmpty()) {
            for (const char* name : {kDailyTable, kPeriodTable}) {
                if (SQLiteTableExists(db, name))
                    db.Execute("INSERT INTO ATT_READ (tablename, readdate) VALUES (%Q, %Q)", name,
                               updateDate.ToISO());
            }
        }
    }
    sqlite::Query query(db);
    query.Prepare("SELECT readdate FROM ATT_READ WHERE tablename = ?");
    query.Bind(1, table);
    XDate date;
    if (query.Step())
        date.FromISO(query.StringColumn(0));
    return date;
}

void PDEWriter::StartAttTable(const XString& table, bool overlap, bool extraDay)
{
    const char* method = "PDEWriter::StartAttTable";
    const bool daily = table == kDailyTable;
    if (!daily && table != kPeriodTable)
        LogAndThrow(2, "SQLite Attendance: Unknown cache table: " + table, method);
    // A history check that the start of the run could not make is made before a table is made.
    if (!m_historyCheckPending.IsEmpty()) {
        const XDate recorded = m_historyCheckPending;
        m_historyCheckPending = XDate();
        FailIfHistoryGone(GetParam("filterdaily") == "true", GetParam("filterperiod") == "true", recorded,
                          true);
    }
    m_attTable = table;
    m_attExtraDay = extraDay;
    // Read once WriteAttendanceTable has stored the table's windows.
    m_attUnreadTables.push_back(table);
    LogMessage(7, "Start Attendance Table at: " + GetRunDateTimeString(), method);

    try {
        OpenAttendanceCache();
        SchoolConfig config;
        const bool readable = config.Read(OutputPath("SchoolConfig.xml"));
        const XDate updateDate = readable ? config.updateDate : XDate();
        if (readable && config.hasOverlapInDays) {
            m_overlapInDays = config.overlapInDays;
            m_hasOverlapInDays = true;
        }
        // The tables are made or brought up to date in one commit, which writes nothing when
        // nothing changed; the write lock is waited for first, as a write after a read is not.
        sqlite::Transaction schema(*m_attCache, true);
        // Asked before the table is made: a table the history never held was never read.
        const XDate lastRead = TableReadDate(table, updateDate);

        const char* keyColumn = daily ? "timeframe" : "perkey";
        if (!SQLiteTableExists(*m_attCache, table)) {
            XString sql;
            sql.Format(512,
                       "CREATE TABLE %s (stdkey TEXT, attdate TEXT, %s TEXT, reason TEXT, excused TEXT, "
                       "absent TEXT, "
                       "tardy TEXT, truant TEXT, discipline TEXT, header TEXT, oldcode TEXT, newcode TEXT, "
                       "recid INTEGER)",
                       table.CStr(), keyColumn);
            m_attCache->Execute(sql.CStr());
        } else {
            // The id of the record that filled a row; caches of earlier versions lack it.
            m_attCache->AddMissingColumn(table.CStr(), "recid", "INTEGER");
        }
        RecordHistoryTables(*m_attCache);
        // A row is identified by its day, student, key and header; the day leads, as the rows
        // arrive window by window. Caches of earlier versions had the student first.
        XString index;
        index.Format(64, "DROP INDEX IF EXISTS %s_ROW", table.CStr());
        m_attCache->Execute(index.CStr());
        index.Format(256, "CREATE UNIQUE INDEX IF NOT EXISTS %s_KEY ON %s (attdate, stdkey, %s, header)",
                     table.CStr(), table.CStr(), keyColumn);
        m_attCache->Execute(index.CStr());
        if (schema.Commit())
            Delivery().SyncHistory();

        // Each table starts at the earlier of the update date and the day it was last read: a run
        // that did not read it (its flag off) leaves it behind. A table never read starts at the
        // beginning of the school year.
        m_attStartDate = XDate();
        m_attBlankRead = false;
        if (!updateDate.IsEmpty() && !lastRead.IsEmpty()) {
            m_attStartDate = lastRead < updateDate ? lastRead : updateDate;
            if (overlap) {
                int days = kDefaultOverlapDays;
                if (m_hasOverlapInDays && m_overlapInDays.IsDigits() && !m_overlapInDays.IsEmpty() &&
                    m_overlapInDays.Length() <= 5)
                    days = m_overlapInDays.ToInt();
                // A date recorded by a run whose clock was ahead: the windows still start by today.
                const XDate today = Today();
                if (today < m_attStartDate)
                    m_attStartDate = today;
                m_attStartDate = m_attStartDate.AddDays(-days);
                // The new codes of the days each window reads are emptied just before it reads
                // them (WriteAttendanceTable): a row is sent as deleted only when its day was read
                // and it was not found. A table whose source is missing keeps its rows as they were.
                m_attBlankRead = true;
            }
        }
    } catch (const XException& e) {
        LogAndThrow(2, XString("SQLite Attendance: ") + e.GetMessage(), method);
    }

    if (daily)
        StartTable("Student Daily Attendance", "StudentDailyAtt.pef", false);
    else
        StartTable("Student Period Attendance", "StudentPeriodAtt.pef", false);
}

attplan::ColumnMap PDEWriter::MapAttendanceColumns()
{
    size_t valueColumns = 0;
    for (const OutputColumn& column : m_columns) {
        if (column.op)
            ++valueColumns;
    }
    ColumnMap columns =
        MapColumns(m_currentHeader ? m_currentHeader->titles : std::vector<XString>(), valueColumns);
    for (const XString& title : columns.unsupported)
        LogMessage(8, "SQLite Attendance: Unsupported header: " + title + ", skipping.");
    // The export selects the rows under these headers, also when no window finds a record: the
    // rows of a window that only lost records still go out as deleted.
    for (size_t k = 0; k < columns.fills.size(); ++k) {
        if (columns.fills[k] == SlotTimeFrame || columns.fills[k] == SlotPeriod)
            AddAttHeader(columns.fills[k] == SlotTimeFrame ? m_dailyAttHeaders : m_periodAttHeaders,
                         columns.titles[k]);
    }
    if (!columns.rangeHeader.IsEmpty())
        AddAttHeader(m_periodAttHeaders, columns.rangeHeader);
    return columns;
}

void PDEWriter::WriteAttendanceTable(const XDate& firstDay, const XDate& lastDay, RowFilter filter,
                                     bool lastDayFlag)
{
    const char* method = "PDEWriter::WriteAttendanceTable";
    if (!m_attCache->IsOpen() || m_attTable.IsEmpty())
        LogAndThrow(2, "SQLite Attendance: The attendance cache is not open.", method);
    const bool daily = m_attTable == kDailyTable;
    const char* keyColumn = daily ? "timeframe" : "perkey";

    const XDate today = Today();
    const std::vector<Window> windows =
        PlanWindows(m_attStartDate, firstDay, lastDay, today, lastDayFlag, m_attExtraDay);
    const ColumnMap columns = MapAttendanceColumns();

    const XString upsert = CacheUpsert(m_attTable, keyColumn);
    // Each window first empties the new codes of its own days: what it then does not find there
    // goes out as deleted, and nothing outside the days read does.
    std::vector<XString> blanks;
    if (m_attBlankRead) {
        for (const Window& window : windows) {
            XString sql;
            sql.Format(160,
                       "UPDATE %s SET newcode = '', recid = NULL WHERE attdate >= '%s' AND attdate <= '%s'",
                       m_attTable.CStr(), window.first.ToISO().CStr(), window.last.ToISO().CStr());
            blanks.push_back(sql);
        }
    }

    sqlite::Database& db = *m_attCache;
    bool inTransaction = false;
    try {
        db.Execute("begin transaction");
        inTransaction = true;
        // The rows are stored on the writer's thread while the next ones are read.
        CacheWriter writer(db, upsert.CStr());
        for (size_t w = 0; w < windows.size(); ++w)
            CacheAttendanceWindow(windows[w], columns, filter, writer,
                                  blanks.empty() ? nullptr : blanks[w].CStr());
        writer.Wait();
        Delivery().TellWaits();
        // The next run of this table starts from today, less the overlap; never from an earlier day.
        db.Execute("INSERT INTO ATT_READ (tablename, readdate) VALUES (%Q, %Q) ON CONFLICT (tablename) "
                   "DO UPDATE SET readdate = excluded.readdate WHERE excluded.readdate > ATT_READ.readdate",
                   m_attTable, today.ToISO());
        CommitAttendanceCache();
        inTransaction = false;
    } catch (...) {
        FailAttendanceTable(inTransaction);
    }
    ClearAttendanceFilter();
    for (auto it = m_attUnreadTables.begin(); it != m_attUnreadTables.end(); ++it) {
        if (*it == m_attTable) {
            m_attUnreadTables.erase(it);
            break;
        }
    }
}

void PDEWriter::FailAttendanceTable(bool inTransaction)
{
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
    // The waits of the writer's thread are logged before the failure.
    Delivery().TellWaits();
    sqlite::Database& db = *m_attCache;
    // Keep the windows that finished. The failed one is rolled back: the writer stops at a
    // failure, so a window still open is the one that failed, even when the failure surfaced
    // only after its last row was read.
    if (inTransaction && db.InTransaction()) {
        try {
            db.Execute("ROLLBACK TO att_window");
            db.Execute("RELEASE att_window");
        } catch (...) {
            // No window open: each one was released or rolled back already.
        }
        // The finished windows are committed, waiting only what is left of the run's one wait for
        // another program's lock: a lock that failed the commit (or a window) has had it all.
        // Otherwise the whole table is rolled back; the next run reads its days again.
        try {
            CommitAttendanceCache();
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

void PDEWriter::CacheAttendanceWindow(const attplan::Window& window, const attplan::ColumnMap& columns,
                                      RowFilter filter, CacheWriter& writer, const char* blank)
{
    // The columns with a value operation, and where each one's value goes.
    std::vector<const OutputColumn*> valueColumns;
    std::vector<Target> targets;
    for (const OutputColumn& column : m_columns) {
        if (!column.op)
            continue;
        const size_t k = valueColumns.size();
        valueColumns.push_back(&column);
        targets.push_back(k < columns.fills.size() ? kSlotTargets[columns.fills[k]] : ToNowhere);
    }
    const bool range = !columns.rangeHeader.IsEmpty();

    XString rangeEnds[2];
    XString lastDateText, lastDate;
    PutJobText("Reading " + m_tableTitle + " (" + window.first.Format(m_dateFormat) + " to " +
               window.last.Format(m_dateFormat) + ")...");
    writer.Execute("SAVEPOINT att_window");
    try {
        if (blank)
            writer.Execute(blank);
        FilterAttendance(window.first, window.last);
        OpenTable(true);
        for (bool more = MoveFirst(); more; more = MoveNext()) {
            if (filter && !(this->*filter)())
                continue;
            // The record is read into the writer's next row; the records of one cache row (a period
            // in several bell schedules, a section that meets twice a day) are combined there, the
            // highest id winning as in the statement. Every record fills the same values, so the
            // others stay empty.
            XString* const v = writer.Pending().values;
            for (size_t k = 0; k < valueColumns.size(); ++k) {
                m_currentColumn = valueColumns[k];
                XString value = (this->*valueColumns[k]->op)();
                const Target target = targets[k];
                if (target == ToDate) {
                    if (value != lastDateText) {
                        lastDate = XDate(m_dateFormat, value).ToISO();
                        lastDateText = std::move(value);
                    }
                    v[ToDate] = lastDate;
                } else if (target < ToRangeStart) {
                    v[target] = std::move(value);
                } else if (target != ToNowhere) {
                    rangeEnds[target - ToRangeStart] = std::move(value);
                }
            }
            if (m_attRecordId.op) {
                m_currentColumn = &m_attRecordId;
                v[ToId] = (this->*m_attRecordId.op)();
            }
            m_currentColumn = nullptr;

            // The day is part of the row's key: a record whose date cannot be read is not stored.
            if (v[ToDate].IsEmpty()) {
                XString key = "AttStdRef " + v[ToStudent];
                if (!columns.keyHeader.IsEmpty())
                    key += ", " + columns.keyHeader + " " + v[ToKey];
                LogMessage(4, "SQLite Attendance: A record of " + m_attTable +
                                  " whose date cannot be read was left out: " + key + ".");
                continue;
            }
            if (!range) {
                // A row given earlier holds the header already.
                if (v[ToHeader].IsEmpty())
                    v[ToHeader] = columns.keyHeader;
                writer.Combine();
                continue;
            }
            int first = 0, last = 0;
            RangeBounds(rangeEnds[0], rangeEnds[1], first, last);
            const CacheWriter::Row record = writer.Pending();
            for (int p = first; p <= last; ++p) {
                CacheWriter::Row& row = writer.Pending();
                row = record;
                row.values[ToKey] = XString(p);
                row.values[ToHeader] = columns.rangeHeader;
                writer.Combine();
            }
        }
        // The rows still waiting are stored before the window ends.
        writer.Execute("RELEASE att_window");
        writer.Send();
    } catch (...) {
        m_currentColumn = nullptr;
        // The earlier windows are stored whole; this one's rows are dropped, or rolled back when
        // some were stored already.
        writer.Discard();
        try {
            m_attCache->Execute("ROLLBACK TO att_window");
            m_attCache->Execute("RELEASE att_window");
        } catch (...) {
        }
        throw;
    }
}

void PDEWriter::RunExportCachedAttendance()
{
    ExportCachedAttendance();
}

void PDEWriter::HoldExportMarks()
{
    if (!m_attCache->IsOpen())
        return;
    try {
        Delivery().HoldMarks();
    } catch (const sqlite::SqlError&) {
        throw;
    } catch (const XException& e) {
        LogAndThrow(2, e.GetMessage(), "PDEWriter::HoldExportMarks");
    }
}

void PDEWriter::DropExportMarks()
{
    Delivery().DropMarks();
}
