// The answers to the list parameters: districts, schools, school years and teachers.

#include "ExpEngine.h"

#include "CrashGuard.h"
#include "SISSchoolYear.h"
#include "StringHelpers.h"

namespace {

XString Param(const ParamMap& params, const char* key)
{
    return fromQString(params.value(QLatin1String(key)));
}

const QStringList kLogin{QStringLiteral("user"), QStringLiteral("pwd"), QStringLiteral("dsn")};

}  // namespace

bool ExpEngine::LoadSchoolList(ParamMap params, QList<BridgeListEntry>& list, QString& error)
{
    const char* method = "ExpEngine::LoadSchoolList";
    LogMessage(7, "Setting database type", method);
    if (!CheckSqlParams(params, error, false))
        return false;
    if (!ValidateConnection(params, error)) {
        LogMessage(3, fromQString(error), method);
        return false;
    }
    return LoadSchoolListNoValidate(params, list, error);
}

bool ExpEngine::LoadSchoolListNoValidate(ParamMap params, QList<BridgeListEntry>& list, QString& error)
{
    const char* method = "ExpEngine::LoadSchoolListNoValidate";
    LogMessage(7, "Loading School List", method);
    if (!RequireParams(params, kLogin, error) || !CheckSqlParams(params, error, false))
        return false;
    const XString district = Param(params, "district");
    const XString school = Param(params, "school");
    list.clear();
    try {
        Connect(BuildConnectionString(Param(params, "dsn"), Param(params, "user"), Param(params, "pwd")));
        ClearQuery();
        LogMessage(7, XString("Using prefix: ") + (UsesSchemaPrefix() ? "Yes" : "No"), method);

        ODBCTable* schools =
            AddTable("Schools", "sch", true, QualifyTableName("Schools", UsesSchemaPrefix()));
        ODBCField* number = GetField(schools, "School_Number", true);
        ODBCField* name = GetField(schools, "Name", true);
        if (!district.IsEmpty()) {
            ODBCField* districtNumber = GetField(schools, "District_Number", true);
            AddCondition("AND", districtNumber, "=", district, 0);
        }
        if (!school.IsEmpty()) {
            LogMessage(8, XString("Using SchoolNumber: ") + school, method);
            AddCondition("AND", number, "=", school, 0);
        }
        if (!TryExecuteQuery() || !MoveFirst()) {
            LogMessage(7, "School List Returned 0 Schools.", method);
            CloseQuery();
            Disconnect();
            return false;
        }
        LogMessage(7, "Found Schools...", method);
        do {
            const XString id = GetTrimmedString(number);
            const XString text = GetTrimmedString(name);
            LogMessage(9, XString("School List: id: ") + id);
            LogMessage(9, XString("School List: name: ") + text);
            if (!id.IsEmpty())
                list.append({toQString(id), toQString(text)});
        } while (MoveNext());
        CloseQuery();
        return true;
    } catch (const RunStopped&) {
        throw;
    } catch (...) {
        LogMessage(3, "School List Failed.", method);
    }
    return false;
}

bool ExpEngine::LoadSchoolDistrictList(ParamMap params, QList<BridgeListEntry>& list, QString& error)
{
    const char* method = "ExpEngine::LoadSchoolDistrictList";
    if (!RequireParams(params, kLogin, error) || !CheckSqlParams(params, error, false) ||
        !EnsureConnectionFound(params, error, method))
        return false;
    list.clear();
    try {
        LogMessage(7, "Loading District List", method);
        Connect(BuildConnectionString(Param(params, "dsn"), Param(params, "user"), Param(params, "pwd")));
        ClearQuery();
        ODBCTable* schools =
            AddTable("Schools", "sch", true, QualifyTableName("Schools", UsesSchemaPrefix()));
        ODBCField* district = GetField(schools, "District_Number", true);
        if (!TryExecuteQuery() || !MoveFirst()) {
            LogMessage(7, "School List Returned 0 Schools.", method);
            CloseQuery();
            Disconnect();
            return false;
        }
        LogMessage(7, "Found Districts...", method);
        const QString name =
            GetRecordCount() == 1 ? QStringLiteral("Default District") : QStringLiteral("District");
        for (bool more = MoveFirst(); more; more = MoveNext()) {
            const XString id = GetTrimmedString(district);
            if (!id.IsEmpty())
                list.append({toQString(id), name});
        }
        CloseQuery();
        return true;
    } catch (const RunStopped&) {
        throw;
    } catch (...) {
        LogMessage(3, "School List Failed.", method);
    }
    return false;
}

bool ExpEngine::LoadSchoolYearList(ParamMap params, QList<BridgeListEntry>& list, QString& error)
{
    if (!RequireParams(params, kLogin + QStringList{QStringLiteral("district"), QStringLiteral("school")},
                       error))
        return false;
    // The district only has to be given: it is no part of the year query, nor of the search.
    ParamMap checked = params;
    checked.remove(QStringLiteral("district"));
    if (!CheckSqlParams(checked, error, false) ||
        !EnsureConnectionFound(checked, error, "ExpEngine::LoadSchoolYearList"))
        return false;
    list.clear();
    try {
        LogMessage(7, "Loading School Year List");
        Connect(BuildConnectionString(Param(params, "dsn"), Param(params, "user"), Param(params, "pwd")));
        ClearQuery();
        ODBCTable* calendar =
            AddTable("Calendar", "cal", true, QualifyTableName("Calendar", UsesSchemaPrefix()));
        ODBCField* year = GetField(calendar, "School_Year", true);
        ODBCField* location = GetField(calendar, "School_Location", true);
        AddCondition("AND", location, "=", Param(params, "school").SingleQuoted(), 0);
        // A query that failed (a lost connection) has not shown that there are no years.
        if (!TryExecuteQuery())
            throw XException("The school year query failed.", 0);
        if (MoveFirst()) {
            LogMessage(7, "Found School Years...", "ExpEngine::LoadSchoolYearList");
            do {
                const XString id = GetTrimmedString(year);
                if (!id.IsEmpty())
                    list.append({toQString(id), toQString(SISSchoolYear(id).GetDisplayText())});
            } while (MoveNext());
        }
        CloseQuery();
        Disconnect();
        return true;
    } catch (const RunStopped&) {
        throw;
    } catch (...) {
        LogMessage(3, "School Year List Failed.");
    }
    return false;
}

bool ExpEngine::LoadBridgeList(ParamMap params, const QString& key, QList<BridgeListEntry>& list,
                               QString& error)
{
    const char* method = "ExpEngine::LoadBridgeList";
    if (key != QLatin1String("teacher")) {
        error = QStringLiteral("This bridge is not set up for this type of paramkey: ") + key;
        LogMessage(7, fromQString(error));
        return false;
    }
    if (!RequireParams(params, kLogin + QStringList{QStringLiteral("school")}, error) ||
        !CheckSqlParams(params, error, false))
        return false;
    try {
        LogMessage(5, "Loading Teacher List", method);
        QString validation;
        if (!ValidateConnection(params, validation)) {
            error = QStringLiteral("Validate Failed, ") + validation;
            LogMessage(7, fromQString(error), method);
            return false;
        }
        Connect(BuildConnectionString(Param(params, "dsn"), Param(params, "user"), Param(params, "pwd")));
        LogMessage(5, "Connection Valid", method);
        list.clear();
        ClearQuery();
        ODBCTable* staff =
            AddTable("Teachers", "staff", false, QualifyTableName("Teachers", UsesSchemaPrefix()));
        if (!staff) {
            error = QStringLiteral("Teacher List Failed, can't find staff tables");
            LogMessage(3, fromQString(error), method);
            CloseQuery();
            Disconnect();
            return false;
        }
        ODBCField* id = GetField(staff, "ID", false);
        ODBCField* number = GetField(staff, "TeacherNumber", false);
        ODBCField* lastFirst = GetField(staff, "LastFirst", false);
        ODBCField* last = GetField(staff, "Last_Name", false);
        ODBCField* first = GetField(staff, "First_Name", false);
        ODBCField* middle = GetField(staff, "Middle_Name", false);
        ODBCField* status = GetField(staff, "Status", false);
        ODBCField* schoolId = GetField(staff, "SchoolID", false);
        AddCondition("AND", schoolId, "=", Param(params, "school"), 0);
        AddCondition("AND", status, "=", "1", 1);
        if (last)
            AddOrder(AddCalculatedField("case", last, "when '' then 1 else 0 end", "order1"), false);
        AddOrder(last, false);
        AddOrder(first, false);
        AddOrder(middle, false);
        AddOrder(number, false);

        if (!TryExecuteQuery() || !MoveFirst()) {
            error = QStringLiteral("Bridge List Returned 0 Teachers.");
            LogMessage(3, fromQString(error), method);
            CloseQuery();
            Disconnect();
            return false;
        }
        LogMessage(5, "Found Teachers...", method);
        do {
            XString name = JoinWithSeparator(
                GetTrimmedString(last),
                JoinWithSeparator(GetTrimmedString(first), GetTrimmedString(middle), " "), ", ");
            const XString full = GetTrimmedString(lastFirst);
            if (!full.IsEmpty())
                name = full;
            const XString teacherNumber = GetTrimmedString(number);
            if (!teacherNumber.IsEmpty())
                name += XString(" (") + teacherNumber + ")";
            const XString staffId = GetTrimmedString(id);
            if (!staffId.IsEmpty())
                list.append({toQString(staffId), toQString(name)});
        } while (MoveNext());
        CloseQuery();
        Disconnect();
        return true;
    } catch (const RunStopped&) {
        throw;
    } catch (const std::exception& e) {
        error = QStringLiteral("Bridge List Failed: ") + QString::fromUtf8(e.what());
    } catch (...) {
        error = QStringLiteral("Bridge List Failed: unknown error");
    }
    LogMessage(3, fromQString(error), method);
    return false;
}
