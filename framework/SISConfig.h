#pragma once

// SISConfig: the configuration application.

#include "AppBase.h"

#include <QStringList>

// The configuration application: holds the extraction task, the groups
// "connection" and "school", and runs the commands.
class SISConfig : public AppBase
{
    Q_OBJECT

public:
    // Creates the extraction task; the program hands it in.
    using TaskFactory = AppTaskBase* (*)();

    // makeTask creates the task held until the process ends.
    explicit SISConfig(TaskFactory makeTask, QObject* parent = nullptr);
    ~SISConfig() override;

    // Runs the command of the arguments (without the program name); answers the exit code.
    int processCommandLine(const QStringList& args);
    // The same for the bytes of main's arguments (OptionParser::takeArguments); a value whose bytes
    // are not valid text is refused.
    int processCommandLine(const QList<QByteArray>& arguments);

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
    static bool paramIsOnIn(const QList<QPair<QString, QString>>& switches, const QString& key);
    // A declared password parameter, or the key that holds its decoded value.
    bool isPasswordParam(const QString& key) const;
    // The passes of run from the switches all, demo and att: bit 1 the full pass, bit 2 the update.
    int runMode() const;
    bool applySwitches(const QList<QPair<QString, QString>>& switches);
    // Reads the command word and the switches; false, with the error line written, when they are
    // refused.
    bool acceptCommandLine(const QStringList& args);
    // Checks the values that every command needs whole (text, log target, passwords, validate, the
    // passes of run); false, with the error line written, when one is refused.
    bool checkSwitchValues(int& validateCode);
    // Runs the command; a command that throws fails with the exception's text.
    int dispatchCommand(int validateCode, QString& failText);
    // A command line refused before its command ran: its result goes into the output folder only
    // where that folder is there and no run holds it.
    int refuseCommandLine();
    bool decodePasswords();
    // Takes and prepares the output folder of a run (its log, crash guard and "BridgeStatus.tmp");
    // false, with the error line written, when it cannot.
    bool openRunFolder(const QString& folder);
    // The run's parameters at level 9, without secrets, and the switches it does not use.
    void logRunParameters();
    // The run's result as delivered: a stop signal, a line or log not written, or a log copy that
    // failed makes it a failure, with its error line; true for a success.
    bool finishRun(bool ok, QString result);
    void setUpLogFile();
    void pruneLogFiles(const QString& folder, const QString& keep);
    // Copies the log file into the output folder; false with the reason when it could not.
    bool copyLogToOutput(QString& failure);
    // Takes the output folder for this run; false when another run holds it.
    bool lockOutputFolder(const QString& folder);
    void unlockOutputFolder();
    // Takes a shared hold of the output folder for the status files of a command other than run;
    // true when a run holds the folder.
    bool outputFolderHeld(const QString& folder);
    // A result file ("BridgeStatus.tmp", the status file, the finished file): one line of the fields.
    bool writeResultLine(const QString& path, const QStringList& fields);
    // False when a success could not be recorded whole in the output folder: the command fails.
    bool writeStatusFiles(bool succeeded, const QString& failText);
    enum PairWritten
    {
        PairWhole,
        StatusNotWritten,   // an earlier result there is removed where possible
        FinishedNotWritten  // a success is then recorded as failed (failed), or its status removed
    };
    // The result status file and then the finished file in the folder.
    PairWritten writeStatusPair(const QString& folder, const QStringList& result, const QStringList& failed);
    ParamMap scrubbedParams() const;

    QString m_command;
    QString m_failText;
    QStringList m_notText;     // keys whose values were not valid text
    QStringList m_unusedKeys;  // switches given that the program does not use
    QStringList m_bareKeys;    // switches given without "=" that hold "true"
    bool m_validating = false;
    bool m_outputBusy = false;  // another run holds the output folder
    // A refused command line: its status files go into the output folder only where that folder is
    // there (none is made) and no run holds it.
    bool m_statusIntoExistingFolderOnly = false;
    int m_lockFd = -1;
};
