#include "CrashGuard.h"
#include "DataAccessBase.h"

#include "XFileSpec.h"

// The output-table bracket and the opening of the described query with its tries.

DataAccessBase::DataAccessBase()
{
    m_relationshipMap = new XVector<XStringPair>(5, XStringPair::CompareFn);
    BuildRelationshipTable();
}

DataAccessBase::~DataAccessBase()
{
    LogMessage(7, "Start DataAccessBase Destructor");
    DeleteStringPairs(m_relationshipMap);
    delete m_relationshipMap;
    m_relationshipMap = nullptr;
    LogMessage(7, "End DataAccessBase Destructor");
}

XString DataAccessBase::GetDatabasePath()
{
    return m_dataSource;
}

void DataAccessBase::OnTableEnd() {}

void DataAccessBase::StartOutputTable(const XString& title, const XString& fileName, bool safeInclude)
{
    StartTable(title, fileName, safeInclude);
    ClearColumns();
}

void DataAccessBase::EndOutputTable()
{
    CloseQuery();
    ClearColumns();
    OnTableEnd();
    EndTable();
}

void DataAccessBase::StartOutputTableToFile(XTextFile& file, const XString& title, const XString& fileName)
{
    StartTable(title, fileName, false);
    ClearColumns();
    XFileSpec spec;
    MakeOutputPath(spec, fileName);
    spec.SetTypeCreator(XFourCC("TEXT"), XFourCC("ttxt"));
    // The file takes its name at EndOutputTableToFile; a failure before that leaves no partial file.
    file.Open(spec, XFile::ModeWrite | XFile::ModeReplace);
}

void DataAccessBase::EndOutputTableToFile(XTextFile& file)
{
    file.Close();
    EndOutputTable();
}

bool DataAccessBase::OpenTable(bool)
{
    static const char* const method = "DataAccessBase::OpenTable";
    const XString title = GetTableTitle();
    int32_t result = 1;
    int32_t tries = 0;
    try {
        LogMessage(8, "Opening " + title + " table/query.", method);
        for (int32_t i = 0; i < m_queryTries; ++i) {
            ++tries;
            result = ExecuteQuery();
            if (result == 0)
                break;
            LogMessage(8, "Query " + XString(i) + " failed with error: " + XString(result), method);
            Reconnect();
        }
        if (result == 0) {
            LogMessage(8, "Ran query");
            LogMessage(8, "Opened " + title + " table/query.");
            return true;
        }
    } catch (const RunStopped&) {
        throw;
    } catch (const XException& e) {
        LogAndThrow(2, XString("Failed with error [") + e.GetMessage() +
                           "] while parsing query: " + BuildQuery());
    } catch (const std::exception& e) {
        LogAndThrow(2, XString("Failed with error [") + e.what() + "] while parsing query: " + BuildQuery());
    } catch (const char* text) {
        LogAndThrow(2, XString("Failed with error [") + text + "] while parsing query: " + BuildQuery());
    } catch (const XString& text) {
        LogAndThrow(2, "Failed with error [" + text + "] while parsing query: " + BuildQuery());
    } catch (...) {
        LogAndThrow(2, "Failed with unknown error while parsing query: " + BuildQuery());
    }
    LogMessage(7, "Open table " + title + " failed, skipping.");
    // Going on would leave an empty data file behind a run that reports success.
    LogAndThrow(2, "Open table " + title + " failed: the query still failed with error " + XString(result) +
                       " after " + XString(tries) + (tries == 1 ? " try." : " tries."));
}

int DataAccessBase::WriteUserOwnedTable(RowFilter filter, const XString& firstLine)
{
    XFileSpec spec;
    MakeOutputPath(spec, GetTableFile());
    if (spec.Exists()) {
        LogMessage(8, "Did not write user-owned table " + GetTableFile() + ", it already exists.");
        return 0;
    }
    return WriteTable(filter, firstLine);
}
