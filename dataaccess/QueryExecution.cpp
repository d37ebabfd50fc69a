#include "ODBCDataAccess.h"

#include <cstdio>
#include <new>

// Running the described query, walking its records and turning COM-style errors into texts.

namespace {

const char* OrNull(const std::string& text)
{
    return text.empty() ? "(null)" : text.c_str();
}

}  // namespace

bool ODBCDataAccess::TryExecuteQuery()
{
    return ExecuteQuery() == 0;
}

int32_t ODBCDataAccess::ExecuteQuery()
{
    const XString sql = m_ansiJoin ? BuildAnsiJoinQuery() : BuildQuery();
    return RunQuery(sql);
}

void ODBCDataAccess::OnRecordsetOpening(const XString&) {}

std::unique_ptr<ado::Recordset> ODBCDataAccess::CreateRecordset(const XString& sql)
{
    try {
        return std::unique_ptr<ado::Recordset>(new ado::Recordset());
    } catch (...) {
        throw XException(("Failed to create query object for: " + sql).CStr(), 0);
    }
}

int32_t ODBCDataAccess::RunQuery(const XString& sql)
{
    LogMessage(8, "Running Query", "ODBCDataAccess::RunQuery");
    if (m_dbType == DbDBaseXBase)
        return 0;

    m_recordset = CreateRecordset(sql);
    LogMessage(9, sql);
    try {
        m_recordset->SetCursorLocation(ado::adUseClient);
        m_recordset->SetCursorType(ado::adOpenStatic);
        OnRecordsetOpening(sql);
        if (!m_connection)
            throw ado::ComError(ado::adErrObjectClosed, "ADODB.Recordset", "The connection is not open.");
        m_recordset->Open(sql.CStr(), *m_connection,
                          (m_options & OptForwardOnly) ? ado::adOpenForwardOnly : ado::adOpenStatic,
                          (m_options & OptPessimistic) ? ado::adLockPessimistic : ado::adLockReadOnly,
                          ado::adCmdText);
    } catch (const ado::ComError& e) {
        const XString text = GetComErrorText(m_connection.get(), e);
        LogMessage(9, "RunQuery: While executing: " + sql + ", " + text);
        const int32_t code = ClassifyOracleError(text);
        if (code > 1)
            return code;
        throw XException(("While executing query: " + text).CStr(), 0);
    }
    return 0;
}

bool ODBCDataAccess::TryTrialQuery(const XString& sql)
{
    try {
        std::unique_ptr<ado::Recordset> trial = CreateRecordset(sql);
        if (!m_connection)
            return false;
        trial->Open(sql.CStr(), *m_connection, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
        return true;
    } catch (...) {
        return false;
    }
}

void ODBCDataAccess::CloseQuery()
{
    ClearQuery();
    if (m_dbType == DbDBaseXBase || !m_recordset)
        return;
    std::unique_ptr<ado::Recordset> recordset(std::move(m_recordset));
    try {
        if (recordset->State() == ado::adStateOpen)
            recordset->Close();
    } catch (const ado::ComError& e) {
        throw MakeComException(m_connection.get(), e);
    }
}

bool ODBCDataAccess::MoveFirst()
{
    if (m_dbType == DbDBaseXBase || !m_recordset)
        return false;
    try {
        // A recordset left closed by a failed try has no records.
        if (m_recordset->State() != ado::adStateOpen)
            return false;
        if (m_recordset->EndOfFile() && m_recordset->BOF())
            return false;
        m_recordset->MoveFirst();
        return !m_recordset->EndOfFile();
    } catch (const ado::ComError& e) {
        LogMessage(8, XString("GetFirstRecord Error: ") + e.Description().c_str());
        // The records cannot be read: an empty table here would pass for a complete one.
        throw XException(("Could not read the records of " + GetTableTitle() + ": " +
                          GetComErrorText(m_connection.get(), e))
                             .CStr(),
                         0);
    } catch (const XException&) {
        throw;
    } catch (...) {
        LogMessage(8, "GetFirstRecord Error: Unknown");
        throw XException(("Could not read the records of " + GetTableTitle() + ".").CStr(), 0);
    }
}

bool ODBCDataAccess::MoveNext()
{
    StopIfAsked();
    if (m_dbType == DbDBaseXBase || !m_recordset)
        return false;
    if (m_recordset->State() != ado::adStateOpen)
        throw XException(("Could not read all records of " + GetTableTitle() +
                          ": the query was closed while its records were read.")
                             .CStr(),
                         0);
    try {
        if (m_recordset->EndOfFile())
            return false;
        m_recordset->MoveNext();
        return !m_recordset->EndOfFile();
    } catch (const ado::ComError& e) {
        // A walk that stops early would leave a short data file behind a good run.
        throw XException(("Could not read all records of " + GetTableTitle() + ": " +
                          GetComErrorText(m_connection.get(), e))
                             .CStr(),
                         0);
    }
}

int32_t ODBCDataAccess::GetRecordCount()
{
    if (m_dbType == DbDBaseXBase || !m_recordset)
        return 0;
    long count = -1;
    try {
        count = m_recordset->RecordCount();
        LogMessage(8, "GetRecordCount: Finishing Getting Record Count.");
    } catch (const ado::ComError& e) {
        count = -1;
        LogMessage(8, "GetRecordCount: " + GetComErrorText(m_connection.get(), e));
    }
    LogMessage(8, "GetRecordCount: Validating RecordCount.");
    if (count != -1) {
        LogMessage(8, "GetRecordCount: Driver supports RecordCount");
    } else {
        LogMessage(8, "GetRecordCount: Lets determine record count manually.");
        count = 0;
        if (MoveFirst()) {
            count = 1;
            while (MoveNext())
                ++count;
        }
    }
    LogMessage(8, "GetRecordCount: Found Record Count of " + XString(count));
    return static_cast<int32_t>(count);
}

int32_t ODBCDataAccess::ClassifyOracleError(const XString& text)
{
    if (text.Contains("ORA-03135") || text.Contains("ORA-03113"))
        return RetryConnectionLost;
    if (text.Contains("ORA-12170"))
        return RetryTimeout;
    return 1;
}

XString ODBCDataAccess::GetComErrorText(ado::Connection* connection, const ado::ComError& error)
{
    XString text;
    if (connection) {
        for (const ado::Error& item : connection->Errors()) {
            XString line;
            line.Format(item.Description.size() + 48, "Error number: %x\t%s\r\n",
                        static_cast<unsigned>(item.Number), OrNull(item.Description));
            text += line;
        }
    }
    const std::string meaning = error.ErrorMessage();
    XString block;
    block.Format(meaning.size() + error.Source().size() + error.Description().size() + 96,
                 "COM Error Code = %08lx, Code Meaning = %s\r\nSource = %s, Description = %s",
                 static_cast<unsigned long>(static_cast<uint32_t>(error.Error())), meaning.c_str(),
                 OrNull(error.Source()), OrNull(error.Description()));
    text += block;
    text = MaskSecrets(text);
    LogMessage(8, text);
    return text;
}

XException ODBCDataAccess::MakeComException(ado::Connection* connection, const ado::ComError& error)
{
    return XException(GetComErrorText(connection, error).CStr(), 0);
}
