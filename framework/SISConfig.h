#pragma once

#include "AppBase.h"

#include <QStringList>

// The configuration application: holds the extraction task, the groups
// "connection" and "school", and runs the commands.
class SISConfig : public AppBase
{
    Q_OBJECT

public:
    explicit SISConfig(QObject* parent = nullptr);
    ~SISConfig() override;

    // Runs the command of the process's arguments; answers the exit code.
    int processCommandLine();
    // The same for the given arguments (without the program name).
    int processCommandLine(const QStringList& args);

    // Folder of "QMConfig.xml": application data + "/Quenmark/" + old short name.
    QString configFolder() const;
    // Fallback folder for the log and status files.
    static QString documentsLogFolder();

protected:
    int commandHelp();
    int commandParams();
    int commandDefaults();
    int commandVersion();
    int commandTest();
    int commandRun();
    int commandValidated(const QString& command, int code);

    // The one way out of a dispatched command: writes the status files when
    // there is an output folder, then answers the code.
    int exitCommand(int code, const QString& failText = QString());

private:
    bool applySwitches(const QList<QPair<QString, QString>>& switches);
    bool decodePasswords();
    void setUpLogFile();
    void pruneLogFiles(const QString& folder, const QString& keep);
    void copyLogToOutput();
    bool writeTextFile(const QString& path, const QString& text);
    void writeStatusFiles(bool succeeded, const QString& failText);
    ParamMap scrubbedParams() const;

    QString m_command;
    QString m_failText;
    bool m_runStarted = false;
    bool m_validating = false;
};
