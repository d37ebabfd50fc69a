#pragma once

// AppBase: the application object.

#include "ParamMap.h"
#include "Parameter.h"

#include <QDomElement>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class AppTaskBase;

// The application object: properties, parameter map, parameter groups,
// switch registry, command requirements and the task object.
class AppBase : public QObject
{
    Q_OBJECT

public:
    explicit AppBase(QObject* parent = nullptr);
    ~AppBase() override;

    // Application properties.
    void setTitle(const QString& value) { m_title = value; }
    void setAppType(const QString& value) { m_appType = value; }
    void setShortName(const QString& value) { m_shortName = value; }
    void setOldShortName(const QString& value) { m_oldShortName = value; }
    void setVersion(const QString& value) { m_version = value; }
    void setFrameworkVersion(const QString& value) { m_frameworkVersion = value; }
    void setMinVersion(const QString& value) { m_minVersion = value; }
    void setAlias(const QString& value) { m_alias = value; }
    void setUserGuideFileName(const QString& value) { m_userGuideFileName = value; }
    void setFinishedFile(const QString& value) { m_finishedFile = value; }

    QString title() const { return m_title; }
    QString appType() const { return m_appType; }
    QString shortName() const { return m_shortName; }
    QString oldShortName() const { return m_oldShortName; }
    QString version() const { return m_version; }
    QString frameworkVersion() const { return m_frameworkVersion; }
    QString minVersion() const { return m_minVersion; }
    QString alias() const { return m_alias; }
    QString userGuideFileName() const { return m_userGuideFileName; }
    QString finishedFile() const { return m_finishedFile; }
    static QString buildDate();

    // Registers the framework's switches and copies the properties into the
    // parameter map. Call once, after the properties are set.
    virtual void init();

    // Parameter map. A missing key reads as the empty text.
    void setParam(const QString& key, const QString& value);
    QString param(const QString& key) const;
    bool paramIsOn(const QString& key) const;
    const ParamMap& params() const { return m_params; }

    // Parameter groups and parameters.
    void addGroup(const QString& name);
    bool hasGroup(const QString& name) const;
    QStringList groupNames() const;
    QList<Parameter> groupParams(const QString& group) const;
    virtual void addParam(const QString& group, const QString& key, const QString& displayName,
                          const QString& type, const QString& help, const QString& defaultValue = QString());
    // The declared parameter (or switch) of that key, or null.
    const Parameter* findParam(const QString& key) const;
    bool isSwitch(const QString& key) const { return findParam(key) != nullptr; }

    // Requirements of a command or group: alternative switch sets and groups.
    void setCommandSwitches(const QString& name, const QStringList& switches);
    void setCommandGroups(const QString& name, const QString& group);
    QList<QStringList> commandSwitches(const QString& name) const;
    QStringList commandGroups(const QString& name) const;
    // Checks the requirements of the name and of the groups it needs; reports
    // the first unmet one with "missing" lines and an "error" line.
    bool checkRequirements(const QString& name);

    AppTaskBase* task() const { return m_task; }

    // Operations a bridge overrides.
    virtual int testGroup(const QString& group, QString& result);
    virtual int bridgeListParam(const QString& key);
    virtual int districtListParam(const QString& key);
    virtual int schoolListParam(const QString& key);
    virtual int yearListParam(const QString& key);
    virtual void defaultSettings(const QDomElement& config);

signals:
    void writeVersion(const QString& version, const QString& minVersion);
    void writeParams(const QString& group, const QString& key, const QString& displayName,
                     const QString& type, const QString& help, const QString& defaultValue);
    void writeHiddenParam(const QString& group, const QString& key, const QString& displayName,
                          const QString& type, const QString& help, const QString& defaultValue);
    void writeList(const QString& type, const QString& key, const QString& value, const QString& displayName,
                   const QString& defaultValue);
    void writeTree(const QString& key, const QString& value, const QString& displayName,
                   const QString& parent);
    void writeHidden(const QString& key, const QString& value);
    void writeFile(const QString& key, const QString& value);
    void writeNumber(const QString& key, const QString& value);
    void writeDate(const QString& key, const QString& value);
    void writeTest(const QString& status, const QString& group, const QString& message);
    void writeStatus(const QString& status, const QString& message);
    void writeManage(const QString& action, const QString& message);
    void writeProgress(const QString& type, int total);
    void writeProgressIncrement(const QString& text);
    void writeProgressWarning(const QString& text);
    void writeSetting(const QString& type);
    void writeSettingIncrement(const QString& type, const QString& group, const QString& key,
                               const QString& value);
    void writeSettingIncrementGrouping(const QString& type, const QString& group, const QString& key,
                                       const QString& value, const QString& grouping);
    void writeWarning(const QString& title, const QString& message);
    void writeMissing(const QString& key, const QString& message);
    void writeError(const QString& title, const QString& message);
    void clearMessages();
    void writeLog(int level, const QString& message, const QString& method);

protected:
    // Takes the task object and connects its signals to the writer and the log.
    void setTask(AppTaskBase* task);
    Parameter* findParamForEdit(const QString& key);

private:
    void warnNotDefined(const QString& method);

    QString m_title;
    QString m_appType;
    QString m_shortName;
    QString m_oldShortName;
    QString m_version;
    QString m_frameworkVersion;
    QString m_minVersion;
    QString m_alias;
    QString m_userGuideFileName;
    QString m_finishedFile;

    ParamMap m_params;
    QList<ParamGroup> m_groups;
    QMap<QString, QList<QStringList>> m_commandSwitches;
    QMap<QString, QStringList> m_commandGroups;
    AppTaskBase* m_task = nullptr;
};
