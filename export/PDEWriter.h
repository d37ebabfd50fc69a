#pragma once

// PDEWriter: the import-file writer.

#include <memory>
#include <vector>

#include "BridgeTaskBase.h"
#include "SISExpCustomField.h"
#include "SISExpCustomFieldList.h"
#include "SISExpHeader.h"
#include "XDate.h"
#include "XDateTime.h"
#include "XFileSpec.h"
#include "XString.h"
#include "XTextFile.h"
#include "XVersion.h"

class CacheWriter;
class DataAccessField;
class SchoolConfig;
class UpdateFileDelivery;
namespace attplan {
struct ColumnMap;
struct Window;
}  // namespace attplan
namespace sqlite {
class Database;
}

// The import-file writer: per-table data files, the main ".PDE" file, the ".PDU" update file,
// the custom-field include files, the attendance change cache and "SchoolConfig.xml".
class PDEWriter : public BridgeTaskBase
{
public:
    typedef XString (PDEWriter::*ValueOperation)();
    typedef bool (PDEWriter::*RowFilter)();

    // One output column of the current table.
    struct OutputColumn
    {
        DataAccessField* field;
        XString name;
        ValueOperation op;
        int command;  // without an operation: 0 nothing, 1 the name text, 2 end of line, 4 ColumnCommandHook
    };

    PDEWriter();
    ~PDEWriter() override;

    // --- the run ---
    // Compares the run configuration with "SchoolConfig.xml"; on a change deletes the update files,
    // the attendance cache and "SchoolConfig.xml" and empties the update date.
    virtual void StartWriter();
    // Leaves update mode, starts the run's clock, deletes the header blocks, empties the titles of
    // the registered lists' headers.
    virtual void StartImport();
    // Writes "<short name>.PDE" and the include files of the registered lists that do not exist yet.
    virtual void FinishImport();
    // Empty here; a task registers its lists.
    virtual void RegisterCustomFieldLists();
    // Enters update mode and opens "Update YYYYMMDDHHNNSS.PDU" through the given file object; the
    // stamp sorts after every earlier update file's.
    virtual void StartUpdateFile(XTextFile* file);
    // Writes the timing block into the update file and delivers it (UpdateFileDelivery): the export
    // marks are committed with the file's name, then the file takes its name; a failure before the
    // commit leaves neither the file nor the marks.
    virtual void FinishUpdateFile();
    // BridgeTaskBase::BeginExecute; export marks still held afterwards (a run that ended before its
    // update file was finished) are dropped, so their rows stay pending.
    bool BeginExecute(ParamMap params, int mode, QString& result) override;

    // --- operations of the database layer ---
    virtual void FilterAttendance(const XDate& first, const XDate& last) = 0;
    virtual void ClearAttendanceFilter() = 0;
    virtual void ExportCachedAttendance() = 0;
    virtual bool OpenTable(bool run) = 0;
    virtual bool MoveFirst() = 0;
    virtual bool MoveNext() = 0;
    virtual void ClearQuery() = 0;
    virtual XString BuildQuery() = 0;
    virtual XString GetDatabasePath() = 0;

    // Deletes every "*.pde" file of the folder (empty: the output folder).
    virtual void DeletePDEFiles(XString importFolder = XString());
    // Records the run configuration, deletes the header blocks, "Export complete.", "bridge_complete".
    virtual void Finish();
    // Called by a column with command 4; does nothing here.
    virtual void ColumnCommandHook(DataAccessField* field);
    // Sets the run's time stamp to now and answers it as "dd/mm/yyyy|hh:nn:ss" and a blank.
    virtual XString GetRunDateTimeString();

    // --- one output table ---
    void StartTable(const XString& title, const XString& fileName, bool safeInclude);
    void AddColumn(DataAccessField* field, const XString& name, ValueOperation op, int command);
    // Appends the title (when given) to the current header; a custom-field name adds one line to the
    // writer's own custom fields (once per name).
    void AddHeaderField(const char* title, const char* customName = nullptr, const char* caption = nullptr,
                        const char* marker = nullptr, const char* format = nullptr);
    // Empties the output columns and the query model.
    void ClearColumns();
    // Writes the current table; answers the number of record lines.
    int WriteTable(RowFilter filter, const XString& firstLine);
    void EndTable();
    // "// " + title and the TAB-joined column titles of the current header.
    void WriteCurrentHeader(XTextFile& file);
    // "*" and an empty line.
    void WriteTableEnd(XTextFile& file);
    // "// Start Time: " and "// End Time: " lines.
    void WriteTimingStamps(XTextFile& file);
    void MakeOutputPath(XFileSpec& spec, const XString& name);
    void SetDateFormat(const XString& format) { m_dateFormat = format; }

    void AddCustomFieldList(SISExpCustomFieldList* list);
    void ClearHeaders();
    void WriteSchoolConfig();

    // --- attendance change cache ---
    // table: "DAILY_ATT" or "PERIOD_ATT".
    void StartAttTable(const XString& table, bool overlap, bool extraDay);
    void WriteAttendanceTable(const XDate& firstDay, const XDate& lastDay, RowFilter filter,
                              bool lastDayFlag);
    void RunExportCachedAttendance();
    bool SQLiteTableExists(sqlite::Database& db, const XString& name);
    // Rows marked exported in the cache after this call stay pending until FinishUpdateFile
    // commits the marks with the update file's record: they are held in a write transaction of
    // the cache (opened once, waiting for a lock that another program holds out of the run's one
    // wait; nothing when the cache is closed). DropExportMarks rolls them back.
    void HoldExportMarks();
    // Rolls the held marks back (their rows stay pending); nothing when none are held.
    void DropExportMarks();
    // Gives the records of the current attendance table a record id, read by op with the field as
    // the current column: of several records of one cache row the highest id wins. ClearColumns
    // forgets it.
    void SetAttendanceRecordId(DataAccessField* field, ValueOperation op)
    {
        m_attRecordId = {field, XString(), op, 0};
    }

    // Value operation: the record counter plus 1, as decimal text.
    XString NextCounterString();

    // --- fields read by the database layer and the engine ---
    const XString& GetDateFormat() const { return m_dateFormat; }
    const XString& GetTimeFormat() const { return m_timeFormat; }
    const XString& GetDateTimeFormat() const { return m_dateTimeFormat; }
    const OutputColumn* GetCurrentColumn() const { return m_currentColumn; }
    DataAccessField* GetCurrentField() const { return m_currentColumn ? m_currentColumn->field : nullptr; }
    const XString& GetTableTitle() const { return m_tableTitle; }
    const XString& GetTableFile() const { return m_tableFile; }
    bool IsUpdateMode() const { return m_updateMode; }
    XTextFile* GetUpdateFile() const { return m_updateFile; }
    const XDateTime& GetRunStartTime() const { return m_runStartTime; }
    sqlite::Database& GetAttendanceCache() { return *m_attCache; }
    const std::vector<XString>& GetDailyAttHeaders() const { return m_dailyAttHeaders; }
    const std::vector<XString>& GetPeriodAttHeaders() const { return m_periodAttHeaders; }
    // Keeps a name once, in byte order.
    static void AddAttHeader(std::vector<XString>& list, const XString& name);
    void SetMinVersion(const XVersion& version) { m_minVersion = version; }
    void SetMaxExpectedTimeSlots(int count) { m_maxExpectedTimeSlots = count; }
    const std::vector<std::unique_ptr<SISExpHeader>>& GetHeaders() const { return m_headers; }
    SISExpHeader* GetCurrentHeader() const { return m_currentHeader; }

protected:
    XString m_dateFormat;
    XString m_timeFormat;
    XString m_dateTimeFormat;

    std::vector<OutputColumn> m_columns;
    const OutputColumn* m_currentColumn = nullptr;
    XString m_tableTitle;
    XString m_tableFile;

    std::vector<std::unique_ptr<SISExpHeader>> m_headers;
    SISExpHeader* m_currentHeader = nullptr;
    std::vector<SISExpCustomField> m_customFields;           // the writer's own, from AddHeaderField
    std::vector<SISExpCustomFieldList*> m_customFieldLists;  // registered, not owned

    bool m_updateMode = false;
    XTextFile* m_updateFile = nullptr;
    XDateTime m_runStartTime;
    XDateTime m_runTimeStamp;  // GetRunDateTimeString
    XVersion m_minVersion;
    int m_maxExpectedTimeSlots = 0;
    int m_recordCounter = 0;

    // Attendance cache.
    std::unique_ptr<sqlite::Database> m_attCache;
    std::vector<XString> m_dailyAttHeaders;  // holds "AttTimeFrameRef" from construction on
    std::vector<XString> m_periodAttHeaders;
    XString m_attTable;
    bool m_attExtraDay = false;
    // The first day of the current table's windows: the earlier of UpdateDate and the table's own
    // ATT_READ date (today when that is earlier still), moved back by the overlap days; empty, so
    // the school year's first day, when either date is missing (a first run, a table never read).
    XDate m_attStartDate;
    std::unique_ptr<UpdateFileDelivery> m_delivery;  // the update file's name, marks and delivery
    bool m_attBlankRead = false;  // each window empties the new codes of its days before reading them
    std::vector<XString> m_attUnreadTables;  // cache tables started but not read (a missing source table)
    OutputColumn m_attRecordId{nullptr, XString(), nullptr, 0};

    // The update date to record: advanced when an update pass finished.
    bool m_updatePassDone = false;
    // The recorded update date of a history check that another program's lock left to the
    // update pass.
    XDate m_historyCheckPending;
    bool m_historyCheckLeft = false;
    XDate m_newUpdateDate;

private:
    SchoolConfig CurrentConfig();
    void WriteBanner(XTextFile& file);
    void WriteFormatPragmas(XTextFile& file);
    void WriteMainFile(const XString& name);
    void WriteIncludeFiles();
    void OpenAttendanceCache();
    // Commits the cache's open transaction; one that wrote is followed by a sync of the history's
    // folder (a failed sync is a warning).
    void CommitAttendanceCache();
    // The title-to-column map of the current attendance table; its key titles join the export's
    // header lists.
    attplan::ColumnMap MapAttendanceColumns();
    // The error path of WriteAttendanceTable, called while its exception is handled: keeps the
    // finished windows where no lock is in the way and fails the run with the error.
    [[noreturn]] void FailAttendanceTable(bool inTransaction);
    // The day up to which the history read the table (empty: never). A history without these
    // days (an earlier version's) records its tables as read up to the update date.
    XDate TableReadDate(const XString& table, const XDate& updateDate);
    // Reads one window of the current attendance query into the cache through the writer, after
    // the blank statement (if any) that empties the new codes of the window's days.
    void CacheAttendanceWindow(const attplan::Window& window, const attplan::ColumnMap& columns,
                               RowFilter filter, CacheWriter& writer, const char* blank);
    void DeleteUpdateFiles();
    // How the attendance history lacks what the run's flags read: "is missing", "is empty",
    // "has no table ..."; empty when it has it (or, unless last, cannot be checked for another
    // program's lock held through the run's one wait: the update pass asks again). A history
    // that cannot be read fails the run.
    XString HistoryGone(bool daily, bool period, bool last = false);
    // Fails the run when the history lacks what the run's flags read though the configuration
    // records updates up to the date.
    void FailIfHistoryGone(bool daily, bool period, const XDate& recorded, bool last);
    // The attendance tables that the history ever held (kHistoryDaily, kHistoryPeriod), and the
    // record of those it holds now.
    static const int kHistoryDaily = 1;
    static const int kHistoryPeriod = 2;
    int RecordedHistoryTables(sqlite::Database& db);
    void RecordHistoryTables(sqlite::Database& db);
    // Gives the update file whose rows an earlier run marked sent, but which that run left under
    // its temporary name, its name when it is the file recorded with the marks; removes the other
    // unfinished update files but this run's.
    void CompleteUpdateFiles();
    void RemoveUnfinishedUpdateFiles(const XString& current);
    // The delivery, bound to the output folder.
    UpdateFileDelivery& Delivery();
    XString QueryTextForMessage();
    // Logs and throws "Failed with error [text] while writing file [name]".
    [[noreturn]] void FailFile(const XString& name, const XString& error);

    XString m_overlapInDays;  // "OverlapInDays" as read from "SchoolConfig.xml"
    bool m_hasOverlapInDays = false;
};
