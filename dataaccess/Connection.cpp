#include "CrashGuard.h"
#include "ODBCDataAccess.h"

// The object, the life of the connection, and the start and the end of a run.

ODBCDataAccess::ODBCDataAccess(uint32_t options, int32_t dbType)
    : m_options(options), m_dbType(dbType), m_wholeTableStatement("SELECT * FROM %s"),
      m_singleColumnStatement("SELECT %s FROM %s")
{
    try {
        m_connection = std::make_unique<ado::Connection>();
    } catch (const ado::ComError& e) {
        throw XException("Failed to initialize connection.", e.Error());
    }
}

ODBCDataAccess::~ODBCDataAccess()
{
    LogMessage(8, GetRunDateTimeString() + "Start ODBCDataAccess Destructor");
    try {
        if (m_recordset && m_recordset->State() == ado::adStateOpen)
            m_recordset->Close();
    } catch (...) {
    }
    m_recordset.reset();
    try {
        if (m_connection && m_connection->State() == ado::adStateOpen)
            m_connection->Close();
    } catch (...) {
    }
    m_connection.reset();
    LogMessage(8, GetRunDateTimeString() + "End ODBCDataAccess Destructor");
}

void ODBCDataAccess::Connect(const XString& connectionString)
{
    // The argument may be the stored string itself (Reconnect).
    const XString text = connectionString;
    if (IsConnected())
        Disconnect();
    if (m_dbType == DbDBaseXBase) {
        LogMessage(7, "Connect - Could not connect need to define USE_XBASE", "ODBCDataAccess::Connect");
        return;
    }
    m_connectionString = text;
    try {
        if (m_options & OptExclusive) {
            m_connection->SetMode(ado::adModeShareExclusive);
            LogMessage(8, "Open in Exclusive Access Mode.");
        } else {
            m_connection->SetMode(ado::adModeRead);
            LogMessage(8, "Open in Read Only Access Mode.");
        }
        m_connection->SetConnectionTimeout(m_connectionTimeout);
        m_connection->SetCommandTimeout(m_commandTimeout);
        m_connection->Open(text.CStr(), std::string(), std::string(), 0);
    } catch (const ado::ComError& e) {
        throw MakeComException(m_connection.get(), e);
    }
    LogMessage(8, "Connected to data source.");
}

void ODBCDataAccess::Disconnect()
{
    if (m_dbType == DbDBaseXBase) {
        LogMessage(7, "Disconnect: Xbase not defined!", "ODBCDataAccess::Disconnect");
        return;
    }
    try {
        if (m_connection && m_connection->State() == ado::adStateOpen)
            m_connection->Close();
    } catch (const ado::ComError& e) {
        throw MakeComException(m_connection.get(), e);
    }
}

void ODBCDataAccess::Reconnect()
{
    Connect(m_connectionString);
}

bool ODBCDataAccess::IsConnected() const
{
    return m_connection && m_connection->State() == ado::adStateOpen;
}

bool ODBCDataAccess::ConnectAndCheckTable(const XString& connectionString, const XString& table,
                                          bool keepOpen)
{
    bool connectedHere = false;
    if (!IsConnected()) {
        Connect(connectionString);
        connectedHere = true;
    }
    // The connection search tries combinations: a check that fails means this one does not work.
    bool exists = false;
    try {
        exists = CheckTableExists(table);
    } catch (const RunStopped&) {
        throw;  // no failed check: the run was stopped
    } catch (const XException& e) {
        LogMessage(8, XString("Table check failed: ") + e.GetMessage(), "ODBCDataAccess::ConnectAndCheckTable");
    }
    if (connectedHere && !keepOpen)
        Disconnect();
    return exists;
}

void ODBCDataAccess::StartWithSchemaLog(const XString& connectionString, bool keepConnection)
{
    StartWriter();
    m_keepConnection = keepConnection;
    Connect(connectionString);
    if (GetParam("logSchema") == "true") {
        try {
            LogSchema();
        } catch (const RunStopped&) {
            throw;
        } catch (...) {
            // The schema log is a courtesy; the run goes on without it.
        }
    }
}

void ODBCDataAccess::Finish()
{
    LogMessage(7, "Finished Extraction");
    LogMessage(8, "Finishing Import");
    if (!m_keepConnection) {
        LogMessage(8, "Disconnecting");
        Disconnect();
    }
    LogMessage(8, "Saving Bridge Config");
    WriteSchoolConfig();
    LogMessage(8, "Clearing Run Data");
    ClearHeaders();
    LogMessage(5, "Export complete.");
    progressEnd();
    LogMessage(8, "End Extract Log");
    LogMessage(8, "Extract Log Ended");
    emit writeProgress("bridge_complete", -1);
}
