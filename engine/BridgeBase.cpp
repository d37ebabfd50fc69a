// The bridge's application object: identity, parameters, tests, lists and defaults.

#include "BridgeBase.h"

#include "ExpEngine.h"
#include "ProgramIdentity.h"

#include <QList>

namespace {

const QString kConnection = QStringLiteral("connection");
const QString kSchool = QStringLiteral("school");

// The name text of a list line: name " (" id ")" when the name says more than the id.
QString PairText(const ExpEngine::BridgeListEntry& entry)
{
    if (!entry.name.isEmpty() && entry.name != entry.id)
        return entry.name + QStringLiteral(" (") + entry.id + QStringLiteral(")");
    return entry.id;
}

}  // namespace

BridgeBase::BridgeBase(QObject* parent) : SISConfig([]() -> AppTaskBase* { return new ExpEngine; }, parent)
{
    SetProgramIdentity(*this);
    init();

    AddLoginParam(QStringLiteral("dsnheader"), QStringLiteral("Data Source Name and Login Information"),
                  QStringLiteral("header"), QString());
    AddLoginParam(QStringLiteral("dsnlabel"),
                  QStringLiteral("Please enter the Data Source Name of the ODBC Data Source that you set up "
                                 "to connect to the SMS Database"),
                  QStringLiteral("label"), QString());
    AddLoginParam(QStringLiteral("dsn"), QStringLiteral("ODBC DSN"), QStringLiteral("datasource_list"),
                  QStringLiteral("Name of DSN from existing Data Source"));
    AddLoginParam(QStringLiteral("user"), QStringLiteral("Username"), QStringLiteral("edit"),
                  QStringLiteral("Username corresponding to ODBC DSN"));
    AddLoginParam(QStringLiteral("pwdencode"), QStringLiteral("Password"), QStringLiteral("password"),
                  QStringLiteral("Password  corresponding to ODBC DSN"));

    AddParam(QStringLiteral("schoolheader"), QStringLiteral("School Information"), QStringLiteral("header"),
             QString());
    AddParam(QStringLiteral("schoollabel"), QStringLiteral("Please select the School Number of this school:"),
             QStringLiteral("label"), QString());
    AddParam(QStringLiteral("school"), QStringLiteral("School Number"), QStringLiteral("school_list"),
             QStringLiteral("Choose the School or Building number for your school"));
    AddParam(QStringLiteral("altschoollabel"),
             QStringLiteral("Some Alternative Schools enroll students in another school.  Enter the "
                            "Building/School number of the school where the students are enrolled:"),
             QStringLiteral("label"), QString());
    AddParam(QStringLiteral("altschool"), QStringLiteral("Alt School"), QStringLiteral("edit"),
             QStringLiteral("If this is an Alternative School enter the School or Building Number where  "
                            "the students are enrolled"));
    AddParam(QStringLiteral("altschoolfieldlabel"),
             QStringLiteral("For Alternative School enter the custom field name as found in Varnholm:"),
             QStringLiteral("label"), QString());
    AddParam(QStringLiteral("altschfield"), QStringLiteral("Alt. Field Name"), QStringLiteral("edit"),
             QStringLiteral("If this is an Alternative School enter custom field name as defined in the DB"));
    AddParam(QStringLiteral("exportheader"), QStringLiteral("Export Filters"), QStringLiteral("header"),
             QString());
    AddParam(QStringLiteral("exportlabel"),
             QStringLiteral("The flags below indicate if you want to include extra information in the "
                            "extract; Uncheck a given flag to exclude that information."),
             QStringLiteral("label"), QString());
    AddParam(QStringLiteral("filterstudent"), QStringLiteral("Extra Student"), QStringLiteral("flag"),
             QStringLiteral("Leave checked to include all extra student information."));
    AddParam(QStringLiteral("filterstaff"), QStringLiteral("Extra Staff"), QStringLiteral("flag"),
             QStringLiteral("Leave checked to include all extra staff members."));
    AddParam(QStringLiteral("filterextraconduct"), QStringLiteral("Conduct Custom"), QStringLiteral("flag"),
             QStringLiteral("Leave checked to include all extra conduct information."));
    AddParam(QStringLiteral("filterconductdate"), QStringLiteral("Current Conduct"), QStringLiteral("flag"),
             QStringLiteral("Check to only include current year conduct information."));
    AddParam(QStringLiteral("filterdaily"), QStringLiteral("Att (Daily)"), QStringLiteral("flag"),
             QStringLiteral("Leave checked to include daily attendance."));
    AddParam(QStringLiteral("filterperiod"), QStringLiteral("Att (Period)"), QStringLiteral("flag"),
             QStringLiteral("Leave checked to include period attendance."));

    emit writeLog(8, QStringLiteral("School Params set."), QStringLiteral("BridgeBase::BridgeBase"));

    setCommandSwitches(kSchool, QStringList{QStringLiteral("school")});
    setCommandGroups(kSchool, kConnection);
    setCommandSwitches(kConnection,
                       QStringList{QStringLiteral("dsn"), QStringLiteral("user"), QStringLiteral("pwd")});
    setCommandSwitches(
        kConnection, QStringList{QStringLiteral("dsn"), QStringLiteral("user"), QStringLiteral("pwdencode")});
}

BridgeBase::~BridgeBase() = default;

void BridgeBase::AddLoginParam(const QString& key, const QString& label, const QString& type,
                               const QString& help, const QString& defaultValue)
{
    addParam(kConnection, key, label, type, help, defaultValue);
}

void BridgeBase::AddParam(const QString& key, const QString& label, const QString& type, const QString& help,
                          const QString& defaultValue)
{
    addParam(kSchool, key, label, type, help, defaultValue);
}

ExpEngine* BridgeBase::engine() const
{
    return dynamic_cast<ExpEngine*>(task());
}

int BridgeBase::testGroup(const QString& group, QString& result)
{
    emit writeProgressIncrement(QStringLiteral("Beginning test..."));
    ExpEngine* eng = engine();
    const bool isConnection = group == kConnection;
    if ((!isConnection && group != kSchool) || !eng) {
        result = QStringLiteral("Group is undefined, there is a problem with the bridge, please report this "
                                "problem to Tamberlyn Support.");
        emit writeError(QStringLiteral("Group Undefined"), result);
        return 1;
    }
    const bool ok = isConnection ? eng->ValidateConnection(params(), result)
                                 : eng->ValidateSchoolNumber(params(), result);
    if (ok) {
        if (result.isEmpty())
            result = isConnection ? QStringLiteral("Connection Successful.")
                                  : QStringLiteral("School Number Validated.");
        emit writeTest(QStringLiteral("success"), group, result);
        return 0;
    }
    if (result.isEmpty())
        result =
            isConnection ? QStringLiteral("Connection Failed.") : QStringLiteral("School Number Not Valid.");
    emit writeTest(QStringLiteral("fail"), group, result);
    return 1;
}

namespace {

enum class ListKind
{
    District,
    School,
    Year,
    Bridge
};

}  // namespace

static int SendList(BridgeBase* app, ExpEngine* eng, ListKind kind, const QString& key)
{
    static const char* const typeWords[] = {"district_list", "school_list", "year_list", "bridgelist"};
    static const char* const failTexts[] = {
        "Loading Districts failed.  Consult the logs to discover what the problem is.",
        "Loading Schools failed.  Consult the logs to discover what the problem is.",
        "Loading School Years failed.  Consult the logs to discover what the problem is.",
        "Loading Bridgelist failed.  Consult the logs to discover what the problem is."};
    const int index = static_cast<int>(kind);
    QList<ExpEngine::BridgeListEntry> entries;
    QString error;
    bool loaded = false;
    if (eng) {
        const ParamMap params = app->params();
        switch (kind) {
        case ListKind::District:
            loaded = eng->LoadSchoolDistrictList(params, entries, error);
            break;
        case ListKind::School:
            loaded = eng->LoadSchoolList(params, entries, error);
            break;
        case ListKind::Year:
            loaded = eng->LoadSchoolYearList(params, entries, error);
            break;
        case ListKind::Bridge:
            loaded = eng->LoadBridgeList(params, key, entries, error);
            break;
        }
    }
    if (!loaded) {
        if (error.isEmpty())
            error = QLatin1String(failTexts[index]);
        emit app->writeError(key, error);
        return 1;
    }
    const bool pairText = kind == ListKind::District || kind == ListKind::School;
    for (const ExpEngine::BridgeListEntry& entry : entries)
        emit app->writeList(QLatin1String(typeWords[index]), key, entry.id,
                            pairText ? PairText(entry) : entry.name, QString());
    return 0;
}

int BridgeBase::bridgeListParam(const QString& key)
{
    return SendList(this, engine(), ListKind::Bridge, key);
}

int BridgeBase::districtListParam(const QString& key)
{
    return SendList(this, engine(), ListKind::District, key);
}

int BridgeBase::schoolListParam(const QString& key)
{
    return SendList(this, engine(), ListKind::School, key);
}

int BridgeBase::yearListParam(const QString& key)
{
    return SendList(this, engine(), ListKind::Year, key);
}

void BridgeBase::defaultSettings(const QDomElement& config)
{
    static const char* const rows[][3] = {{"SISImportFolder", "default", "path"},
                                          {"SISDSN", "connection", "dsn"},
                                          {"SISUserName", "connection", "user"},
                                          {"SISPassword", "connection", "pwdencode"},
                                          {"SchoolNumber", "school", "school"}};
    for (const auto& row : rows)
        emit writeSettingIncrement(QStringLiteral("setting"), QLatin1String(row[1]), QLatin1String(row[2]),
                                   config.attribute(QLatin1String(row[0])));
}
