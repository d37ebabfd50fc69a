// The connection search, the school number test and the current school year.

#include "ExpEngine.h"

#include "CrashGuard.h"
#include "SchoolYearWalk.h"
#include "StringHelpers.h"

namespace {

const char* const kValidateDB = "ExpEngine::ValidateDBConnection";
const char* const kYear = "ExpEngine::GetCurrentSchoolYear";
const char* const kYearDefault = "ExpEngine::GetCurrentYear";

XString Param(const ParamMap& params, const char* key)
{
    return fromQString(params.value(QLatin1String(key)));
}

}  // namespace

bool ExpEngine::ValidateDBConnection(ParamMap params, QString& result)
{
    for (const char* key : {"user", "pwd", "dsn"}) {
        if (params.value(QLatin1String(key)).isEmpty()) {
            emit writeMissing(QLatin1String(key), QLatin1String(key) + QStringLiteral(" missing or blank."));
            return false;
        }
    }
    try {
        Disconnect();
        const char* prefixText = UsesSchemaPrefix() ? " with prefix." : " without prefix.";
        LogMessage(7, XString("Trying ") + GetDBTypeName() + prefixText, kValidateDB);

        const XString connection =
            BuildConnectionString(Param(params, "dsn"), Param(params, "user"), Param(params, "pwd"));
        if (!ConnectAndCheckTable(connection, "Schools", false)) {
            result = QStringLiteral("Connection possibly successful but Schools Table Doesn't Exist");
            LogMessage(7, fromQString(result), kValidateDB);
            return false;
        }
        QList<BridgeListEntry> schools;
        if (!LoadSchoolListNoValidate(params, schools, result)) {
            LogMessage(7, fromQString(result), kValidateDB);
            return false;
        }
        result = QStringLiteral("Connection Successful, using ") + QLatin1String(GetDBTypeName()) +
                 QLatin1String(prefixText);
        LogMessage(5, fromQString(result), kValidateDB);
        return true;
    } catch (const RunStopped&) {
        throw;  // no failed attempt: the run was stopped
    } catch (const XException& e) {
        if (HandleException_ValidateConnection(e, result) == 2) {
            result = QStringLiteral("dsn datasource does not exist.");
            emit writeMissing(QStringLiteral("dsn"), result);
        } else {
            result = QStringLiteral("Validate Connection Failed, unknown exception");
        }
    } catch (...) {
        result = QStringLiteral("Validate Connection Failed, unknown exception");
    }
    LogMessage(3, fromQString(result), kValidateDB);
    return false;
}

bool ExpEngine::ValidateConnection(ParamMap params, QString& result)
{
    LogMessage(7, "Validating Connection...", "ExpEngine::ValidateConnection");
    // The caller reports the text (the test line, the list's error line or the run's own check).
    if (!CheckSqlParams(params, result, false))
        return false;

    static const struct
    {
        bool prefix;
        int32_t type;
    } combinations[] = {
        {true, DbSybaseOdbc}, {true, DbOracleOdbc}, {false, DbOracleOdbc}, {false, DbSybaseOdbc}};
    for (const auto& combination : combinations) {
        SetUseSchemaPrefix(combination.prefix);
        SetDatabaseType(combination.type);
        if (ValidateDBConnection(params, result)) {
            m_connectionFoundFor = params.value(QStringLiteral("dsn"));
            result = QStringLiteral("Connection Successful");
            return true;
        }
    }
    m_connectionFoundFor.clear();
    result = QStringLiteral("Validate Connection Failed.");
    LogMessage(7, fromQString(result));
    return false;
}

bool ExpEngine::EnsureConnectionFound(const ParamMap& params, QString& error, const char* method)
{
    if (!m_connectionFoundFor.isEmpty() && m_connectionFoundFor == params.value(QStringLiteral("dsn")))
        return true;
    // The search's own text is the answer only when it fails.
    QString result;
    if (ValidateConnection(params, result))
        return true;
    error = result;
    LogMessage(3, fromQString(error), method);
    return false;
}

bool ExpEngine::ValidateSchoolNumber(ParamMap params, QString& result)
{
    LogMessage(7, "Validating School Number...", "ExpEngine::ValidateSchoolNumber");
    if (ValidateConnection(params, result))
        return true;
    LogMessage(3, "Validate School Number Failed...", "ExpEngine::ValidateSchoolNumber");
    return false;
}

XString ExpEngine::GetCurrentSchoolYear()
{
    XString yearId;
    m_yearReadError = XString();
    try {
        LogMessage(7, "Finding Current School Year", kYear);
        const XDate today = Today();
        const XString todayText = today.Format(GetDateFormat());

        Connect(BuildConnectionString(GetDataSource(), GetUserName(), GetPassword()));
        ClearQuery();
        ODBCTable* terms = AddTable("Terms", "trm", true, QualifyTableName("Terms", UsesSchemaPrefix()));
        ODBCField* schoolId = GetField(terms, "SchoolID", true);
        ODBCField* yearField = GetField(terms, "YearID", true);
        ODBCField* firstDay = GetField(terms, "FirstDay", true);
        ODBCField* lastDay = GetField(terms, "LastDay", true);
        ODBCField* isYearRec = GetField(terms, "IsYearRec", true);
        AddCondition("AND", schoolId, "=", m_schoolNumber, 0);
        AddCondition("AND", isYearRec, "=", "1", 0);
        AddOrder(firstDay, false);

        LogMessage(7, XString("Today's Date:") + todayText);

        SchoolYearWalk walk(today);
        // A query that failed (a lost connection) has not shown that there is no year.
        const int32_t failed = ExecuteQuery();
        if (failed != 0)
            throw XException(("The school year query failed with error " + XString(failed) + ".").CStr(), 0);
        for (bool more = MoveFirst(); more; more = MoveNext()) {
            const bool current = walk.Add(GetTrimmedString(yearField), GetDate(firstDay), GetDate(lastDay));
            m_yearStart = walk.Start();
            m_yearEnd = walk.End();
            if (current)
                break;
        }
        if (walk.Finish())
            LogMessage(4, "Using a default year from the last entry in the table.", kYearDefault);
        yearId = walk.YearId();
        m_yearStart = walk.Start();
        m_yearEnd = walk.End();

        if (yearId.IsEmpty()) {
            LogMessage(4, "Warning: Final year is blank, information may not appear correct.", kYearDefault);
        } else {
            LogMessage(7, XString("Year:") + yearId);
            LogMessage(7, XString("Start Date: ") + m_yearStart.Format(GetDateFormat()));
            LogMessage(7, XString("End Date: ") + m_yearEnd.Format(GetDateFormat()));
        }
        CloseQuery();
        Disconnect();
        return yearId;
    } catch (const RunStopped&) {
        throw;
    } catch (const XException& e) {
        m_yearReadError = e.GetMessage();
        LogMessage(7, "Error Extracting School Year.");
    } catch (...) {
        m_yearReadError = "unknown error";
        LogMessage(7, "Error Extracting School Year.");
    }
    if (m_yearReadError.IsEmpty())
        m_yearReadError = "unknown error";
    try {
        CloseQuery();
        Disconnect();
    } catch (...) {
    }
    return XString();
}
