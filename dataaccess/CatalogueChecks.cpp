#include "CrashGuard.h"
#include "ODBCDataAccess.h"
#include "ValueText.h"

// Type names, connection strings, date literals, the table and column checks and the schema log.

const char* ODBCDataAccess::GetDBTypeName() const
{
    return DatabaseTypeName(m_dbType);
}

XString ODBCDataAccess::BuildConnectionString(const XString& dataSource, const XString& user,
                                              const XString& password)
{
    static const char* const method = "ODBCDataAccess::BuildConnectionString";
    LogMessage(8, XString("Build Connection String for: ") + GetDBTypeName(), method);
    if (m_dbType == DbDBaseXBase)
        LogMessage(8, GetDBTypeName(), method);
    else if (m_dbType == DbFoxProDbf)
        LogMessage(8, "Build Connection String: Fox Pro DBF Driver", method);
    try {
        return DatabaseConnectionString(m_dbType, dataSource, user, password);
    } catch (const XException& e) {
        LogMessage(8, e.GetMessage(), method);
        throw;
    }
}

XString ODBCDataAccess::SQLDate(const XDate& date, int32_t type)
{
    return DatabaseDateLiteral(type == 0 ? m_dbType : type, date, GetDateFormat());
}

namespace {

// Keeps the task's open query aside while a catalogue query uses the recordset member.
class RecordsetSwap
{
public:
    explicit RecordsetSwap(std::unique_ptr<ado::Recordset>& member)
        : m_member(member), m_saved(std::move(member))
    {
    }
    ~RecordsetSwap()
    {
        try {
            if (m_member && m_member->State() == ado::adStateOpen)
                m_member->Close();
        } catch (...) {
        }
        m_member = std::move(m_saved);
    }
    RecordsetSwap(const RecordsetSwap&) = delete;
    RecordsetSwap& operator=(const RecordsetSwap&) = delete;

private:
    std::unique_ptr<ado::Recordset>& m_member;
    std::unique_ptr<ado::Recordset> m_saved;
};

}  // namespace

bool ODBCDataAccess::JudgeCatalogueQuery(const CatalogueQuery& q, bool fieldCheck)
{
    static const char* const tableMethod = "ODBCDataAccess::DoTableExists";
    static const char* const fieldMethod = "ODBCDataAccess::DoFieldExists";
    const char* method = fieldCheck ? fieldMethod : tableMethod;

    RecordsetSwap swap(m_recordset);

    XString sql = q.query;
    bool readsObject = q.readsObject;
    if (!q.fallback.IsEmpty() && !TryTrialQuery(q.query)) {
        if (fieldCheck && m_dbType == DbInformix) {
            LogMessage(8, "TrialQuery Failed.  Trying Count", method);
            LogMessage(9, XString("TrialQuery Failed: ") + q.query, method);
        }
        sql = q.fallback;
        readsObject = true;
    }
    LogMessage(9, XString(fieldCheck ? "Field Exists query:" : "Table Exists query:") + sql, method);

    bool opened = false;
    if (readsObject) {
        // A statement on the table itself that does not open shows that it is missing.
        try {
            opened = RunQuery(sql) == 0;
        } catch (const RunStopped&) {
            throw;
        } catch (const XException&) {
            opened = false;
        }
    } else {
        // A catalogue query that does not open has shown nothing: it fails like any other query,
        // retried on a new connection only for the lost connections of Oracle.
        int32_t result = 1;
        try {
            for (int32_t i = 0; i < m_queryTries; ++i) {
                result = RunQuery(sql);
                if (result == 0)
                    break;
                LogMessage(8, "Query " + XString(i) + " failed with error: " + XString(result), method);
                Reconnect();
            }
        } catch (const XException&) {
            if (fieldCheck)
                LogMessage(8, "Query Failed.", method);
            throw;
        }
        if (result != 0) {
            if (fieldCheck)
                LogMessage(8, "Query Failed.", method);
            throw XException(("The catalogue query still failed with error " + XString(result) + " after " +
                              XString(m_queryTries) + (m_queryTries == 1 ? " try." : " tries."))
                                 .CStr(),
                             0);
        }
        opened = true;
    }
    opened = opened && m_recordset && m_recordset->State() == ado::adStateOpen;
    if (fieldCheck)
        LogMessage(8, opened ? "Query Succeeded." : "Query Failed.", method);
    if (!opened)
        return false;

    bool exists = false;
    switch (q.judgement) {
    case CatalogueJudgement::Opens:
        exists = true;
        break;
    case CatalogueJudgement::Rows: {
        if (fieldCheck)
            LogMessage(8, "Check Result Count.", method);
        const int32_t count = GetRecordCount();
        if (fieldCheck)
            LogMessage(8, XString("Query RecordCount = ") + XString(static_cast<int>(count)), method);
        exists = count > 0;
        break;
    }
    case CatalogueJudgement::Count:
        if (fieldCheck)
            LogMessage(8, "Check Result.", method);
        if (MoveFirst()) {
            // A count is as wide as the server makes it.
            const int64_t value = VariantToWholeNumber(m_recordset->Fields().Item(0L).Value());
            if (fieldCheck) {
                LogMessage(8, "Record Found.", method);
                LogMessage(8, XString("Record Value =") + valuetext::Integer(value), method);
            }
            exists = value > 0;
        } else if (fieldCheck) {
            LogMessage(8, "No Record.", method);
        }
        break;
    case CatalogueJudgement::None:
        break;
    }
    if (fieldCheck && exists)
        LogMessage(8, "Field Valid.", method);
    return exists;
}

bool ODBCDataAccess::CheckTableExists(const XString& table)
{
    static const char* const method = "ODBCDataAccess::DoTableExists";
    if (m_dbType == DbDBaseXBase) {
        LogMessage(8, "Need to define USE_XBASE!!", method);
        return false;
    }
    const CatalogueQuery q = TableExistsQuery(m_dbType, table, m_wholeTableStatement);
    if (q.judgement == CatalogueJudgement::None) {
        LogMessage(8, "DB Type not defined for TableExists yet, feel free to do so.", method);
        return false;
    }
    return JudgeCatalogueQuery(q, false);
}

bool ODBCDataAccess::DoTableExists(const XString& table)
{
    static const char* const method = "ODBCDataAccess::DoTableExists";
    try {
        return CheckTableExists(table);
    } catch (const RunStopped&) {
        throw;  // no failed check: the run was stopped
    } catch (const XException& e) {
        // A check that could not be made is no answer: the run must not go on without the table.
        LogAndThrow(2, "Could not check whether the table " + table + " exists: " + e.GetMessage(), method);
    } catch (...) {
        LogMessage(8, "Unknown Error occured in DoTableExists", method);
        LogAndThrow(2, "Could not check whether the table " + table + " exists.", method);
    }
}

bool ODBCDataAccess::DoFieldExists(const XString& table, const XString& column)
{
    static const char* const method = "ODBCDataAccess::DoFieldExists";
    try {
        if (m_dbType == DbDBaseXBase)
            return false;
        const CatalogueQuery q = FieldExistsQuery(m_dbType, table, column, m_singleColumnStatement);
        if (q.judgement == CatalogueJudgement::None) {
            LogMessage(8, "DB Type not defined for FieldExists yet, feel free to do so.", method);
            return false;
        }
        return JudgeCatalogueQuery(q, true);
    } catch (const RunStopped&) {
        throw;  // no failed check: the run was stopped
    } catch (const XException& e) {
        LogAndThrow(2,
                    "Could not check whether the field " + column + " exists in table " + table + ": " +
                        e.GetMessage(),
                    method);
    } catch (...) {
        LogMessage(8, "Unknown Error in DoFieldExists", method);
        LogAndThrow(2, "Could not check whether the field " + column + " exists in table " + table + ".",
                    method);
    }
}

void ODBCDataAccess::LogSchema()
{
    static const char* const method = "ODBCDataAccess::LogSchema";
    LogMessage(7, "Logging Schema...", method);
    const char* query = SchemaQuery(m_dbType);
    const XString sql(query ? query : "");
    LogMessage(7, sql, method);
    if (RunQuery(sql) != 0 || !m_recordset) {
        CloseQuery();
        return;
    }
    ado::FieldCollection& fields = m_recordset->Fields();
    for (long i = 0; i < fields.Count(); ++i) {
        XString line(fields.Item(i).Name().c_str());
        line += " - ";
        line += GetDataTypeName(static_cast<int32_t>(i));
        LogMessage(7, line, method);
    }
    if (fields.Count() >= 2 && MoveFirst()) {
        do {
            XString line = VariantToString(fields.Item(0L).Value());
            line += "::";
            line += VariantToString(fields.Item(1L).Value());
            LogMessage(9, line, method);
        } while (MoveNext());
    }
    CloseQuery();
}

const char* ODBCDataAccess::GetDataTypeName(int32_t column)
{
    if (m_dbType == DbDBaseXBase || !m_recordset)
        return "UNKNOWN!";
    try {
        if (m_recordset->State() != ado::adStateOpen)
            return "UNKNOWN!";
        return AdoDataTypeName(m_recordset->Fields().Item(static_cast<long>(column)).Type());
    } catch (...) {
        return "UNKNOWN!";
    }
}
