#pragma once

// SISMessageWriter: the host message protocol.

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdio>

// Writes the host messages: one TAB-separated line per message, tag first.
// "missing" lines wait in a queue for the next "warning", "error" or "test"
// line, or for the end of the program.
class SISMessageWriter : public QObject
{
    Q_OBJECT

public:
    static SISMessageWriter* instance();

    // Called first in main: a standard stream that the host closed gets the null device, so that no
    // file the program opens takes its number; what is written to it still counts as not written.
    static void holdStandardStreams();

    // Streams for standard output and standard error (tests redirect them).
    void setStreams(FILE* out, FILE* err);

    // One line of TAB-joined fields; TAB, CR and LF inside a field become blanks.
    static QString joinFields(const QStringList& fields);
    void writeOut(const QString& line);
    void writeErr(const QString& line);

    void flushMissing();
    // The first line that could not be written, as a failure text (empty when all were written).
    QString writeFailure() const { return m_writeFailure; }
    QStringList queuedMissing() const { return m_missing; }
    void clearQueue() { m_missing.clear(); }

public slots:
    void outVersion(const QString& version, const QString& minVersion);
    void outParams(const QString& group, const QString& key, const QString& displayName, const QString& type,
                   const QString& help, const QString& defaultValue);
    void outHiddenParam(const QString& group, const QString& key, const QString& displayName,
                        const QString& type, const QString& help, const QString& defaultValue);
    void outList(const QString& type, const QString& key, const QString& value, const QString& displayName,
                 const QString& defaultValue);
    void outTree(const QString& key, const QString& value, const QString& displayName, const QString& parent);
    void outHidden(const QString& key, const QString& value);
    void outFile(const QString& key, const QString& value);
    void outNumber(const QString& key, const QString& value);
    void outDate(const QString& key, const QString& value);
    void outTest(const QString& status, const QString& group, const QString& message);
    void outStatus(const QString& status, const QString& message);
    void outManage(const QString& action, const QString& message);
    void outProgress(const QString& type, int total);
    void outProgressIncrement(const QString& text);
    void outProgressWarning(const QString& text);
    void outSetting(const QString& type);
    void outSettingIncrement(const QString& type, const QString& group, const QString& key,
                             const QString& value);
    void outSettingIncrementGrouping(const QString& type, const QString& group, const QString& key,
                                     const QString& value, const QString& grouping);
    void outWarning(const QString& title, const QString& message);
    void outMissing(const QString& key, const QString& message);
    void outError(const QString& title, const QString& message);
    void outClearMessages();

private:
    SISMessageWriter();
    void write(FILE* stream, const QString& line);

    FILE* m_out;
    FILE* m_err;
    QStringList m_missing;
    QString m_writeFailure;
};
