#pragma once

// LogManager: the program's log.

#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>

// The program's log: console lines on standard output and a log file.
class LogManager : public QObject
{
    Q_OBJECT

public:
    enum Target
    {
        Both,
        Off,
        ConsoleOff,
        FileOff,
        Extract
    };

    static LogManager* instance();

    // Level name padded with blanks to 13 characters.
    static QString levelName(int level);
    // "log", level name, time, method and message, TAB-separated.
    static QString consoleLine(int level, const QTime& time, const QString& method, const QString& message);
    // "<title>:<hh:mm:ss>: <level> <method>: <message>"; level 9 as
    // "proprietary:" and the Base64 of the line's UTF-8 bytes.
    static QString fileLine(const QString& title, int level, const QTime& time, const QString& method,
                            const QString& message);

    void setTitle(const QString& title) { m_title = title; }
    QString title() const { return m_title; }
    // Chooses the targets from the log switch; false for an unknown word.
    bool setTarget(const QString& word);
    Target target() const { return m_target; }
    // From the start of a run's extraction the "extract" target writes the file only.
    void setExtracting(bool on) { m_extracting = on; }

    // Opens (appends to) the log file; false when it cannot be written.
    bool openFile(const QString& path);
    void closeFile();
    QString filePath() const;
    void flush();

    // Texts that are masked wherever they occur as whole words in a log entry; the values of
    // password keys are masked too.
    void addSecret(const QString& secret);
    QString mask(const QString& text) const;

    // The first failure to write the log file (empty when every line was written).
    QString writeFailure() const { return m_writeFailure; }

    // Back to the state after construction (closes the file).
    void reset();

public slots:
    void log(int level, const QString& message, const QString& method);

private:
    LogManager();
    // Keeps the first failure; error is the errno of the failed write (0: the file's own text).
    void noteWriteFailure(int error);

    QString m_title;
    Target m_target = Both;
    bool m_extracting = false;
    QFile m_file;
    QStringList m_secrets;
    QString m_writeFailure;
};
