// The application object: properties, parameters, groups, switches and signal wiring.

#include "AppBase.h"

#include "AppTaskBase.h"
#include "Constants.h"
#include "Keywords.h"
#include "LogManager.h"
#include "SISMessageWriter.h"

#include <QDate>
#include <QLocale>
#include <QSet>

namespace {
const int FlagNameLength = 15;

// Connects the message signals of an application or task object to the writer
// and the log.
template <typename Sender> void connectMessages(Sender* sender)
{
    SISMessageWriter* w = SISMessageWriter::instance();
    QObject::connect(sender, &Sender::writeVersion, w, &SISMessageWriter::outVersion);
    QObject::connect(sender, &Sender::writeParams, w, &SISMessageWriter::outParams);
    QObject::connect(sender, &Sender::writeHiddenParam, w, &SISMessageWriter::outHiddenParam);
    QObject::connect(sender, &Sender::writeList, w, &SISMessageWriter::outList);
    QObject::connect(sender, &Sender::writeTree, w, &SISMessageWriter::outTree);
    QObject::connect(sender, &Sender::writeHidden, w, &SISMessageWriter::outHidden);
    QObject::connect(sender, &Sender::writeFile, w, &SISMessageWriter::outFile);
    QObject::connect(sender, &Sender::writeNumber, w, &SISMessageWriter::outNumber);
    QObject::connect(sender, &Sender::writeDate, w, &SISMessageWriter::outDate);
    QObject::connect(sender, &Sender::writeTest, w, &SISMessageWriter::outTest);
    QObject::connect(sender, &Sender::writeStatus, w, &SISMessageWriter::outStatus);
    QObject::connect(sender, &Sender::writeManage, w, &SISMessageWriter::outManage);
    QObject::connect(sender, &Sender::writeProgress, w, &SISMessageWriter::outProgress);
    QObject::connect(sender, &Sender::writeProgressIncrement, w, &SISMessageWriter::outProgressIncrement);
    QObject::connect(sender, &Sender::writeProgressWarning, w, &SISMessageWriter::outProgressWarning);
    QObject::connect(sender, &Sender::writeSetting, w, &SISMessageWriter::outSetting);
    QObject::connect(sender, &Sender::writeSettingIncrement, w, &SISMessageWriter::outSettingIncrement);
    QObject::connect(sender, &Sender::writeWarning, w, &SISMessageWriter::outWarning);
    QObject::connect(sender, &Sender::writeMissing, w, &SISMessageWriter::outMissing);
    QObject::connect(sender, &Sender::writeError, w, &SISMessageWriter::outError);
    QObject::connect(sender, &Sender::clearMessages, w, &SISMessageWriter::outClearMessages);
    QObject::connect(sender, &Sender::writeLog, LogManager::instance(), &LogManager::log);
}

struct SwitchEntry
{
    const Keyword& key;
    const char* displayName;
    const Keyword& type;
    const char* help;
};
}  // namespace

AppBase::AppBase(QObject* parent) : QObject(parent)
{
    LogManager::instance();
    SISMessageWriter::instance();
    addGroup(kw::GroupGlobal);
    connectMessages(this);
    connect(this, &AppBase::writeSettingIncrementGrouping, SISMessageWriter::instance(),
            &SISMessageWriter::outSettingIncrementGrouping);
}

AppBase::~AppBase() = default;

QString AppBase::buildDate()
{
    const QDate date =
        QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

void AppBase::init()
{
    static const SwitchEntry switches[] = {
        {kw::All, "All", kw::TypeSwitch, "Run the full extraction and the attendance update."},
        {kw::Att, "Attendance", kw::TypeSwitch, "Leave out the full extraction."},
        {kw::Demo, "Demo", kw::TypeSwitch, "Run the full extraction only."},
        {kw::Help, "Help", kw::TypeSwitch, "Show this text."},
        {kw::Group, "Group", kw::TypeEdit, "Parameter group for the test command."},
        {kw::ParamKey, "Parameter Key", kw::TypeEdit,
         "List parameter whose values the params command answers."},
        {kw::Path, "Output Folder", kw::TypeFolder, "Output folder of the import files."},
        {kw::LogPath, "Log Folder", kw::TypeFolder,
         "Folder of the log file; the output folder when not given."},
        {kw::Log, "Log", kw::TypeEdit,
         "Log targets: off, consoleoff, fileoff or extract; console and file when not given."},
        {kw::Validate, "Validate", kw::TypeNumber, "Validate command line interface features."},
        {kw::InactiveDate, "Inactive Date", kw::TypeDate, "Inactive date of the extraction."},
        {kw::Year, "School Year", kw::TypeYearList, "School year of the extraction."},
        {kw::Teacher, "Teacher", kw::TypeBridgeList, "Teacher of the school."},
    };
    for (const SwitchEntry& s : switches) {
        addParam(kw::GroupGlobal, s.key, QString::fromLatin1(s.displayName), s.type,
                 QString::fromLatin1(s.help));
    }

    setParam(QStringLiteral("appTitle_"), m_title);
    setParam(QStringLiteral("appType_"), m_appType);
    setParam(QStringLiteral("appShortName_"), m_shortName);
    setParam(QStringLiteral("appVersion_"), m_version);
    setParam(QStringLiteral("appFrameworkVersion_"), m_frameworkVersion);
    setParam(QStringLiteral("appAlias_"), m_alias);
    setParam(QStringLiteral("appUserGuideFileName_"), m_userGuideFileName);
    setParam(QStringLiteral("appFinishedFile_"), m_finishedFile);
    setParam(QStringLiteral("appBuildDate_"), buildDate());

    setCommandSwitches(kw::Test, {kw::Group});
    setCommandSwitches(kw::Run, {kw::Path});

    LogManager::instance()->setTitle(m_title);
}

void AppBase::setParam(const QString& key, const QString& value)
{
    m_params.insert(key, value);
    if (Parameter* p = findParamForEdit(key))
        p->value = value;
}

QString AppBase::param(const QString& key) const
{
    return m_params.value(key);
}

bool AppBase::paramIsOn(const QString& key) const
{
    return m_params.value(key) == kw::True;
}

void AppBase::addGroup(const QString& name)
{
    if (hasGroup(name))
        return;
    ParamGroup group;
    group.name = name;
    m_groups.append(group);
}

bool AppBase::hasGroup(const QString& name) const
{
    for (const ParamGroup& g : m_groups) {
        if (g.name == name)
            return true;
    }
    return false;
}

QStringList AppBase::groupNames() const
{
    QStringList names;
    for (const ParamGroup& g : m_groups)
        names.append(g.name);
    return names;
}

QList<Parameter> AppBase::groupParams(const QString& group) const
{
    for (const ParamGroup& g : m_groups) {
        if (g.name == group)
            return g.params;
    }
    return {};
}

void AppBase::addParam(const QString& group, const QString& key, const QString& displayName,
                       const QString& type, const QString& help, const QString& defaultValue)
{
    const QString method = QStringLiteral("AppBase::addParam");
    if (findParam(key)) {
        emit writeLog(4, QStringLiteral("Parameter declared twice, kept the first: ") + key, method);
        return;
    }
    Parameter p;
    p.key = key;
    p.displayName = displayName;
    p.type = type;
    p.help = help;
    p.group = group;
    p.defaultValue = defaultValue;
    p.value = m_params.value(key);
    if (type == kw::TypePassword && !key.contains(QStringLiteral("encode"))) {
        emit writeLog(4, QStringLiteral("Password parameter key does not contain \"encode\": ") + key,
                      method);
    }
    if (type == kw::TypeFlag && displayName.size() > FlagNameLength) {
        p.displayName = displayName.left(FlagNameLength);
        emit writeLog(4, QStringLiteral("Flag display name cut to 15 characters: ") + displayName, method);
    }
    addGroup(group);
    for (ParamGroup& g : m_groups) {
        if (g.name == group) {
            g.params.append(p);
            break;
        }
    }
}

const Parameter* AppBase::findParam(const QString& key) const
{
    for (const ParamGroup& g : m_groups) {
        for (const Parameter& p : g.params) {
            if (p.key == key)
                return &p;
        }
    }
    return nullptr;
}

Parameter* AppBase::findParamForEdit(const QString& key)
{
    for (ParamGroup& g : m_groups) {
        for (Parameter& p : g.params) {
            if (p.key == key)
                return &p;
        }
    }
    return nullptr;
}

void AppBase::setCommandSwitches(const QString& name, const QStringList& switches)
{
    m_commandSwitches[name].append(switches);
}

void AppBase::setCommandGroups(const QString& name, const QString& group)
{
    QStringList& groups = m_commandGroups[name];
    if (!groups.contains(group))
        groups.append(group);
}

QList<QStringList> AppBase::commandSwitches(const QString& name) const
{
    return m_commandSwitches.value(name);
}

QStringList AppBase::commandGroups(const QString& name) const
{
    return m_commandGroups.value(name);
}

bool AppBase::checkRequirements(const QString& name)
{
    // Names still to check, with the ones seen so that a cycle ends.
    QStringList pending{name};
    QSet<QString> seen;
    while (!pending.isEmpty()) {
        const QString current = pending.takeFirst();
        if (seen.contains(current))
            continue;
        seen.insert(current);

        const QList<QStringList> sets = m_commandSwitches.value(current);
        bool met = sets.isEmpty();
        for (const QStringList& set : sets) {
            bool complete = true;
            for (const QString& key : set)
                complete = complete && !param(key).isEmpty();
            if (complete) {
                met = true;
                break;
            }
        }
        if (!met) {
            QString first;
            for (const QString& key : sets.first()) {
                if (!param(key).isEmpty())
                    continue;
                const QString text = key + QString::fromLatin1(txt::MissingOrBlank);
                emit writeMissing(key, text);
                if (first.isEmpty())
                    first = key;
            }
            emit writeError(first, first + QString::fromLatin1(txt::MissingOrBlank));
            return false;
        }
        pending.append(m_commandGroups.value(current));
    }
    return true;
}

void AppBase::setTask(AppTaskBase* task)
{
    m_task = task;
    if (task)
        connectMessages(task);
}

void AppBase::warnNotDefined(const QString& method)
{
    emit writeWarning(method, QStringLiteral("Method not defined."));
}

int AppBase::testGroup(const QString&, QString& result)
{
    result = QStringLiteral("Method not defined.");
    warnNotDefined(QStringLiteral("AppBase::testGroup"));
    return 1;
}

int AppBase::bridgeListParam(const QString&)
{
    warnNotDefined(QStringLiteral("AppBase::bridgeListParam"));
    return 1;
}

int AppBase::districtListParam(const QString&)
{
    warnNotDefined(QStringLiteral("AppBase::districtListParam"));
    return 1;
}

int AppBase::schoolListParam(const QString&)
{
    warnNotDefined(QStringLiteral("AppBase::schoolListParam"));
    return 1;
}

int AppBase::yearListParam(const QString&)
{
    warnNotDefined(QStringLiteral("AppBase::yearListParam"));
    return 1;
}

void AppBase::defaultSettings(const QDomElement&) {}
