// The import-file writer: main file, data files, update file and run files.

#include "PDEWriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "Database.h"
#include "Query.h"
#include "SchoolConfig.h"
#include "SqlError.h"
#include "StringHelpers.h"
#include "UpdateFileDelivery.h"
#include "XDirIterator.h"
#include "XException.h"

static const char* const kSchoolConfigFile = "SchoolConfig.xml";
static const char* const kCacheFile = "Attendance/Attendance.db";

PDEWriter::PDEWriter()
    : m_dateFormat("mm/dd/yyyy"), m_timeFormat("HH:NN:SS AA"), m_dateTimeFormat("mm/dd/yyyy HH:NN:SS AA"),
      m_attCache(new sqlite::Database()), m_delivery(new UpdateFileDelivery(*m_attCache))
{
    m_dailyAttHeaders.push_back("AttTimeFrameRef");
}

PDEWriter::~PDEWriter()
{
    try {
        m_attCache->Close();
    } catch (...) {
    }
}

// ---------------------------------------------------------------- helpers

static bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    const size_t n = std::char_traits<char>::length(suffix);
    return text.size() >= n && StrCmpNoCase(text.c_str() + text.size() - n, suffix) == 0;
}

// Import files are written under a temporary name and take their own name when complete.
static const uint32_t kReplaceMode = XFile::ModeWrite | XFile::ModeReplace;

// Deletes a file of the run; a folder of that name is not the run's and stays.
static void RemoveRunFile(const XString& path)
{
    if (XFileSpec::KindOf(path.CStr(), false) == XFileSpec::KindFolder)
        return;
    XFileSpec(path).Delete();
}

XString PDEWriter::QueryTextForMessage()
{
    try {
        return BuildQuery();
    } catch (...) {
        return XString();
    }
}

void PDEWriter::FailFile(const XString& name, const XString& error)
{
    LogAndThrow(2, "Failed with error [" + error + "] while writing file [" + name + "]");
}

SchoolConfig PDEWriter::CurrentConfig()
{
    SchoolConfig config;
    config.bridgeAlias = m_bridgeAlias;
    config.district = m_districtNumber;
    config.school = m_schoolNumber;
    config.year = m_schoolYear;
    config.dataSource = GetDatabasePath();
    config.version = GetParam("appVersion_");
    return config;
}

void PDEWriter::MakeOutputPath(XFileSpec& spec, const XString& name)
{
    spec.SetFolder(m_outputFolder.CStr());
    spec.SetName(name);
}

XString PDEWriter::NextCounterString()
{
    return XString(++m_recordCounter);
}

XString PDEWriter::GetRunDateTimeString()
{
    m_runTimeStamp = Now();
    return m_runTimeStamp.Format("dd/mm/yyyy|hh:nn:ss") + " ";
}

void PDEWriter::AddAttHeader(std::vector<XString>& list, const XString& name)
{
    auto less = [](const XString& a, const XString& b) { return XString::CompareFn(&a, &b) < 0; };
    auto it = std::lower_bound(list.begin(), list.end(), name, less);
    if (it == list.end() || *it != name)
        list.insert(it, name);
}

// ---------------------------------------------------------------- the run

void PDEWriter::StartWriter()
{
    const char* method = "PDEWriter::StartWriter";
    LogMessage(7, "Starting PDE Writer", method);

    m_historyCheckPending = XDate();
    SchoolConfig recorded;
    const bool readable = recorded.Read(OutputPath(kSchoolConfigFile));
    // A record that is there but cannot be read is not a new configuration: starting afresh
    // would delete update files not yet imported and send the whole year again.
    if (!readable && XFileSpec::KindOf(OutputPath(kSchoolConfigFile).CStr(), true) == XFileSpec::KindFile)
        LogAndThrow(2,
                    "The run configuration " + OutputPath(kSchoolConfigFile) +
                        " cannot be read. Restore it, or delete it to start the attendance history afresh.",
                    method);
    if (readable && recorded.hasOverlapInDays) {
        m_overlapInDays = recorded.overlapInDays;
        m_hasOverlapInDays = true;
    }
    if (!readable || !recorded.SameRun(CurrentConfig())) {
        LogMessage(7, "Bridge Configuration Changed.", method);
        DeleteUpdateFiles();
        m_attCache->Close();
        RemoveRunFile(OutputPath(kCacheFile));
        RemoveRunFile(OutputPath(XString(kCacheFile) + "-journal"));
        RemoveRunFile(OutputPath(kSchoolConfigFile));
        RemoveUnfinishedUpdateFiles(XString());
        m_updateDate = XDate();
    } else {
        LogMessage(7, "Bridge Configuration Did Not Change.", method);
        // Earlier update passes recorded their date: a run that reads attendance needs their
        // history, or it would send the whole window again and lose the deletions made since.
        const bool daily = GetParam("filterdaily") == "true";
        const bool period = GetParam("filterperiod") == "true";
        if ((m_runMode & ModeUpdate) && (daily || period) && !recorded.updateDate.IsEmpty())
            FailIfHistoryGone(daily, period, recorded.updateDate, false);
    }
    LogMessage(7, "Import Folder: " + m_outputFolder, method);
}

void PDEWriter::FailIfHistoryGone(bool daily, bool period, const XDate& recorded, bool last)
{
    const char* method = "PDEWriter::StartWriter";
    m_historyCheckLeft = false;
    const XString gone = HistoryGone(daily, period, last);
    if (m_historyCheckLeft)
        m_historyCheckPending = recorded;
    if (gone.IsEmpty())
        return;
    LogMessage(3,
               "The attendance history " + OutputPath(kCacheFile) + " " + gone +
                   ". Restore the file from a backup and run again; or, to start the attendance "
                   "history afresh, delete SchoolConfig.xml from the output folder: the next run "
                   "then sends the attendance of the whole school year again.",
               method);
    LogAndThrow(2,
                "The attendance history " + OutputPath(kCacheFile) + " " + gone +
                    ", but SchoolConfig.xml records attendance updates up to " +
                    recorded.Format(m_dateFormat) + ". Nothing was deleted; the log says how to go on.",
                method);
}

XString PDEWriter::HistoryGone(bool daily, bool period, bool last)
{
    const XString path = OutputPath(kCacheFile);
    if (XFileSpec::KindOf(path.CStr(), false) == XFileSpec::KindNone)
        return "is missing";
    if (XFileSpec::FileSizeOf(path.CStr()) == 0)
        return "is empty";
    // Only a check that ran answers "missing": a history that cannot be read fails the run.
    try {
        sqlite::Database history;
        history.Open(path, sqlite::Database::OpenReadWrite | sqlite::Database::OpenNoMutex);
        // Another program's lock is waited for out of the run's one wait; one held beyond it
        // leaves the question to the update pass, which asks again without a wait of its own.
        Delivery().Watch(history);
        // A table that the history never held (a run that reads period attendance for the first
        // time) is made by the run; one that it held, or any in a history with no record of its
        // tables (an earlier version's, or a file made anew), is gone.
        const int recorded = RecordedHistoryTables(history);
        const struct
        {
            bool wanted;
            const char* name;
            int bit;
        } tables[] = {{daily, "DAILY_ATT", kHistoryDaily}, {period, "PERIOD_ATT", kHistoryPeriod}};
        for (const auto& table : tables) {
            if (!table.wanted || (recorded != 0 && !(recorded & table.bit)))
                continue;
            sqlite::Query query(history);
            query.Prepare("SELECT name FROM sqlite_master WHERE type='table' AND name=?");
            query.Bind(1, XString(table.name));
            if (!query.Step())
                return XString("has no table ") + table.name;
        }
    } catch (const sqlite::SqlError& e) {
        if (!last && (e.IsBusy() || e.IsLocked())) {
            LogMessage(4,
                       XString("Could not check the tables of the attendance history now: ") + e.GetMessage(),
                       "PDEWriter::StartWriter");
            m_historyCheckLeft = true;
            return XString();
        }
        LogAndThrow(2, XString("SQLite Attendance: ") + e.GetMessage(), "PDEWriter::StartWriter");
    }
    return XString();
}

void PDEWriter::DeleteUpdateFiles()
{
    std::vector<XString> names;
    try {
        names = XDirIterator::Names(m_outputFolder.CStr());
    } catch (const XException& e) {
        LogAndThrow(2, e.GetMessage());
    }
    for (const XString& name : names) {
        if (StrCmpNoCasePrefix(name.CStr(), "Update ") == 0 && EndsWithNoCase(name.CStr(), ".PDU"))
            RemoveRunFile(m_outputFolder + "/" + name);
    }
}

void PDEWriter::StartImport()
{
    LogMessage(7, "Starting Import", "PDEWriter::StartImport");
    m_updateMode = false;
    m_runStartTime = Now();
    ClearHeaders();
    for (SISExpCustomFieldList* list : m_customFieldLists)
        list->GetHeader().ClearTitles();
}

void PDEWriter::FinishImport()
{
    LogMessage(8, "Begin Finish Import", "PDEWriter::FinishImport");
    const XString shortName = GetParam("appShortName_");
    if (shortName.IsEmpty())
        LogAndThrow(2, "appShortName_ missing or blank.", "PDEWriter::FinishImport");
    // The include files first: a main file in the folder always has them.
    WriteIncludeFiles();
    WriteMainFile(shortName + ".PDE");
}

void PDEWriter::WriteBanner(XTextFile& file)
{
    file.WriteLine("// " + GetParam("appTitle_") + " " + GetParam("appVersion_"));
    file.WriteLine("// Created: " + Now().Format(m_dateTimeFormat));
}

void PDEWriter::WriteFormatPragmas(XTextFile& file)
{
    file.WriteLine("#pragma dateformat " + m_dateFormat.Quoted());
    file.WriteLine("#pragma timeformat " + m_timeFormat.Quoted());
    file.WriteLine("#pragma datetimeformat " + m_dateTimeFormat.Quoted());
}

void PDEWriter::WriteMainFile(const XString& name)
{
    XTextFile file;
    try {
        file.Open(OutputPath(name), kReplaceMode);
        WriteBanner(file);
        WriteFormatPragmas(file);
        if (!m_minVersion.IsEmpty())
            file.WriteLine("#pragma minversion " + m_minVersion.ToString().Quoted());
        if (m_maxExpectedTimeSlots != 0)
            file.WriteLine("#pragma maxexpectedtimeslots " + XString(m_maxExpectedTimeSlots).Quoted());
        if (!m_customFields.empty()) {
            file.WriteLine("// Custom Fields");
            for (const SISExpCustomField& field : m_customFields)
                file.WriteLine(field.Line());
        }
        for (const auto& header : m_headers) {
            if (!header->HasTitles())
                continue;
            file.WriteLine("// " + header->title);
            file.WriteLine(header->JoinedTitles());
            file.WriteLine((header->safeInclude ? "#safeinclude " : "#include ") + header->fileName.Quoted());
            WriteTableEnd(file);
        }
        for (const SISExpCustomFieldList* list : m_customFieldLists)
            file.WriteLine("#include " + list->GetIncludeFile().Quoted());
        WriteTimingStamps(file);
        file.Close();
    } catch (const XException& e) {
        file.Discard();
        FailFile(name, e.GetMessage());
    }
}

void PDEWriter::WriteIncludeFiles()
{
    for (const SISExpCustomFieldList* list : m_customFieldLists) {
        const XString& name = list->GetIncludeFile();
        const XString path = OutputPath(name);
        if (XFileSpec(path).Exists()) {
            LogMessage(8, "Did not write include file " + name + ", it already exists.",
                       "PDEWriter::FinishImport");
            continue;
        }
        XFile file;
        try {
            file.Open(path, kReplaceMode);
            file.Write(list->IncludeText());
            file.Close();
        } catch (const XException& e) {
            // A half-written include file would never be rewritten: it never takes its name.
            file.Discard();
            FailFile(name, e.GetMessage());
        }
    }
}

void PDEWriter::RegisterCustomFieldLists() {}

void PDEWriter::AddCustomFieldList(SISExpCustomFieldList* list)
{
    if (list &&
        std::find(m_customFieldLists.begin(), m_customFieldLists.end(), list) == m_customFieldLists.end())
        m_customFieldLists.push_back(list);
}

UpdateFileDelivery& PDEWriter::Delivery()
{
    m_delivery->SetFolder(m_outputFolder, OutputPath(kCacheFile));
    m_delivery->SetLog(
        [this](int level, const XString& text) { LogMessage(level, text, "UpdateFileDelivery"); });
    return *m_delivery;
}

void PDEWriter::StartUpdateFile(XTextFile* file)
{
    // Marks left by an update file that was never finished are not kept.
    DropExportMarks();
    m_updateMode = true;
    m_runStartTime = Now();
    m_updateFile = file;
    // A committed file that an earlier run left under its temporary name takes its name first,
    // also in a run that reads no attendance, so that this run's file sorts after it.
    try {
        Delivery().Recover(XString());
    } catch (const XException& e) {
        LogMessage(4, e.GetMessage(), "PDEWriter::StartUpdateFile");
    }
    // Every update file has a name of its own, and a later one sorts after the earlier ones.
    const XString name = Delivery().NewName(m_runStartTime);
    try {
        if (!file)
            throw XException("No update file object.");
        file->Open(OutputPath(name), kReplaceMode);
        WriteBanner(*file);
        file->WriteLine("#pragma update");
        WriteFormatPragmas(*file);
    } catch (const XException& e) {
        if (file)
            file->Discard();
        m_updateFile = nullptr;
        m_updateMode = false;
        FailFile(name, e.GetMessage());
    }
}

void PDEWriter::FinishUpdateFile()
{
    const char* method = "PDEWriter::FinishUpdateFile";
    XTextFile* file = m_updateFile;
    m_updateFile = nullptr;
    m_updateMode = false;
    if (!file) {
        DropExportMarks();
        LogAndThrow(2, "The update file is not open.", method);
    }
    try {
        WriteTimingStamps(*file);
    } catch (const XException& e) {
        file->Discard();
        // The rows of an unfinished file were not delivered: they stay pending.
        DropExportMarks();
        FailFile(XFileSpec(file->GetPath()).GetName(), e.GetMessage());
    }
    // Neither the file nor the marks stay after a failure before the commit; a run that ends
    // after it has the next run give the file its name (CompleteUpdateFiles).
    try {
        Delivery().Deliver(*file);
    } catch (const XException& e) {
        LogAndThrow(2, e.GetMessage(), method);
    }
    // A pass that cached no attendance has no history to date; nor has one that could not read a
    // table its flags ask for: the next run reads the days since the recorded date again.
    if (!m_attUnreadTables.empty()) {
        XString tables;
        for (const XString& table : m_attUnreadTables)
            tables = JoinWithSeparator(tables, table, ", ");
        LogMessage(4,
                   "The update date stays at " +
                       (m_updateDate.IsEmpty() ? XString("none") : m_updateDate.Format(m_dateFormat)) +
                       ": the source attendance for " + tables +
                       " could not be read, so the next run reads these days again.",
                   method);
        return;
    }
    m_updatePassDone = m_updatePassDone || m_attCache->IsOpen();
    if (m_updatePassDone) {
        // The update date never moves back (a clock set back for one run).
        const XDate today = m_runStartTime.GetDate();
        m_newUpdateDate = !m_updateDate.IsEmpty() && today < m_updateDate ? m_updateDate : today;
    }
}

void PDEWriter::CompleteUpdateFiles()
{
    Delivery().Recover(m_updateFile ? m_updateFile->GetPath() : XString());
}

void PDEWriter::RemoveUnfinishedUpdateFiles(const XString& current)
{
    Delivery().RemoveUnfinished(current);
}

bool PDEWriter::BeginExecute(ParamMap params, int mode, QString& result)
{
    // Each run waits once for another program's lock on the history.
    m_delivery->NewRun();
    const bool ok = BridgeTaskBase::BeginExecute(std::move(params), mode, result);
    try {
        DropExportMarks();
    } catch (...) {
    }
    // A failed run may have left the update file behind (its owner discarded it).
    m_updateFile = nullptr;
    m_updateMode = false;
    return ok;
}

void PDEWriter::ClearHeaders()
{
    m_headers.clear();
    m_currentHeader = nullptr;
}

void PDEWriter::Finish()
{
    WriteSchoolConfig();
    ClearHeaders();
    LogMessage(5, "Export complete.");
    emit writeProgress(QStringLiteral("bridge_complete"), -1);
}

void PDEWriter::WriteSchoolConfig()
{
    SchoolConfig config = CurrentConfig();
    config.updateDate = m_updatePassDone ? m_newUpdateDate : m_updateDate;
    config.overlapInDays = m_overlapInDays;
    config.hasOverlapInDays = m_hasOverlapInDays;
    try {
        config.Write(OutputPath(kSchoolConfigFile));
    } catch (const XException& e) {
        FailFile(kSchoolConfigFile, e.GetMessage());
    }
}

void PDEWriter::DeletePDEFiles(XString importFolder)
{
    const XString folder = importFolder.IsEmpty() ? m_outputFolder : importFolder;
    try {
        std::vector<XString> files;
        for (const XString& name : XDirIterator::Names(folder.CStr())) {
            const XString path = folder + "/" + name;
            if (EndsWithNoCase(name.CStr(), ".pde") &&
                XFileSpec::KindOf(path.CStr(), true) == XFileSpec::KindFile)
                files.push_back(path);
        }
        for (const XString& path : files)
            XFile::Remove(path.CStr());
    } catch (const std::exception& e) {
        LogAndThrow(2, XString("Error: Failed while trying to remove PDE Files: ") + e.what());
    }
}

void PDEWriter::ColumnCommandHook(DataAccessField*) {}

// ---------------------------------------------------------------- one output table

void PDEWriter::StartTable(const XString& title, const XString& fileName, bool safeInclude)
{
    m_tableTitle = title;
    m_tableFile = fileName;
    PutJobText("Reading " + title + "...");
    m_headers.push_back(std::unique_ptr<SISExpHeader>(new SISExpHeader(title, fileName, safeInclude)));
    m_currentHeader = m_headers.back().get();
}

void PDEWriter::AddColumn(DataAccessField* field, const XString& name, ValueOperation op, int command)
{
    m_columns.push_back(OutputColumn{field, name, op, command});
}

void PDEWriter::AddHeaderField(const char* title, const char* customName, const char* caption,
                               const char* marker, const char* format)
{
    if (title && *title && m_currentHeader)
        m_currentHeader->AddTitle(title);
    if (!customName || !*customName)
        return;
    // One line per written name.
    const XString written = SISExpCustomField::WrittenText(customName);
    for (const SISExpCustomField& field : m_customFields) {
        if (SISExpCustomField::WrittenText(field.name) == written)
            return;
    }
    m_customFields.push_back(SISExpCustomField(marker, customName, caption, format, false));
}

void PDEWriter::ClearColumns()
{
    m_columns.clear();
    m_currentColumn = nullptr;
    m_attRecordId = OutputColumn{nullptr, XString(), nullptr, 0};
    ClearQuery();
}

void PDEWriter::EndTable()
{
    LogMessage(8, "Finished " + m_tableTitle + " table/query.");
}

void PDEWriter::WriteCurrentHeader(XTextFile& file)
{
    file.WriteLine("// " + (m_currentHeader ? m_currentHeader->title : m_tableTitle));
    file.WriteLine(m_currentHeader ? m_currentHeader->JoinedTitles() : XString());
}

void PDEWriter::WriteTableEnd(XTextFile& file)
{
    file.WriteLine("*");
    file.EndLine();
}

void PDEWriter::WriteTimingStamps(XTextFile& file)
{
    file.WriteLine("// Start Time: " + m_runStartTime.Format(m_dateTimeFormat));
    file.WriteLine("// End Time: " + Now().Format(m_dateTimeFormat));
}

int PDEWriter::WriteTable(RowFilter filter, const XString& firstLine)
{
    LogMessage(8, "Opening Table");
    OpenTable(true);

    int lines = 0;
    XTextFile dataFile;
    XTextFile* out = nullptr;
    XString error;
    bool known = true;
    try {
        if (m_updateMode) {
            if (!m_updateFile || !m_updateFile->IsOpen())
                throw XException("The update file is not open.");
            out = m_updateFile;
            WriteCurrentHeader(*out);
        } else {
            dataFile.Open(OutputPath(m_tableFile), kReplaceMode);
            out = &dataFile;
        }
        if (!firstLine.IsEmpty())
            out->WriteLine(firstLine);
        for (bool more = MoveFirst(); more; more = MoveNext()) {
            if (filter && !(this->*filter)())
                continue;
            for (const OutputColumn& column : m_columns) {
                m_currentColumn = &column;
                if (column.op) {
                    out->WriteField((this->*column.op)());
                } else if (column.command == 1) {
                    out->WriteField(column.name);
                } else if (column.command == 2) {
                    break;
                } else if (column.command == 4) {
                    ColumnCommandHook(column.field);
                }
            }
            m_currentColumn = nullptr;
            out->EndLine();
            ++lines;
        }
        if (m_updateMode) {
            WriteTableEnd(*out);
            LogMessage(8, "Finished PDU File. Lines= " + XString(lines));
        } else {
            dataFile.Close();
            LogMessage(8, "Closed Table File. Lines= " + XString(lines));
        }
        return lines;
    } catch (const XException& e) {
        error = e.GetMessage();
    } catch (const char* text) {
        error = text;
    } catch (const XString& text) {
        error = text;
    } catch (...) {
        known = false;
    }

    m_currentColumn = nullptr;
    // Neither the data file nor the update file of a failed table is finished.
    if (out)
        out->Discard();
    LogMessage(8, "Error writing line= " + XString(lines));
    const XString sql = QueryTextForMessage();
    if (known)
        LogAndThrow(2, "Failed with error [" + error + "] while writing file [" + m_tableFile +
                           "] with query: " + sql);
    LogAndThrow(2, "Failed with unknown error while writing file [" + m_tableFile + "] with query: " + sql);
}
