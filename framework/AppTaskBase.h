#pragma once

// AppTaskBase: the base of the task object.

#include "ParamMap.h"

#include <QObject>
#include <QString>

// Base of the task object. Reports to the host and the log through its signals.
class AppTaskBase : public QObject
{
    Q_OBJECT

public:
    explicit AppTaskBase(QObject* parent = nullptr);
    ~AppTaskBase() override;

    // Progress total of a run in the given mode.
    virtual int GetProgressSize(int mode);
    // Runs the extraction; mode bit 1 is the full pass, bit 2 the update pass.
    virtual bool Execute(ParamMap params, int mode, QString& result);
    // Answers the values of one list parameter.
    virtual bool LoadList(ParamMap params, const QString& key);
    // A new object of the same kind.
    virtual AppTaskBase* create();
    // Entry of the run command; the base hands over to Execute.
    virtual bool BeginExecute(ParamMap params, int mode, QString& result);

    // Ends the host's progress display.
    void progressEnd();

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
    void writeWarning(const QString& title, const QString& message);
    void writeMissing(const QString& key, const QString& message);
    void writeError(const QString& title, const QString& message);
    void clearMessages();
    void writeLog(int level, const QString& message, const QString& method);
};
