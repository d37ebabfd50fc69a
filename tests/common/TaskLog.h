#pragma once

// A recorder of what a task reports: its log lines, progress messages, missing values and errors.

#include "AppTaskBase.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <ostream>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace vhtest {

class TaskLog
{
public:
    struct Line
    {
        int level;
        QString text;
        QString method;
    };

    TaskLog() = default;
    explicit TaskLog(AppTaskBase& task) { Attach(task); }
    // The task may outlive the recorder (its destructor logs too).
    ~TaskLog()
    {
        for (const QMetaObject::Connection& connection : m_connections)
            QObject::disconnect(connection);
    }
    TaskLog(const TaskLog&) = delete;
    TaskLog& operator=(const TaskLog&) = delete;

    void Attach(AppTaskBase& task)
    {
        m_connections << QObject::connect(&task, &AppTaskBase::writeLog,
                                          [this](int level, const QString& text, const QString& method) {
                                              lines.push_back({level, text, method});
                                          });
        m_connections << QObject::connect(&task, &AppTaskBase::writeProgress,
                                          [this](const QString& type, int) { progress << type; });
        m_connections << QObject::connect(
            &task, &AppTaskBase::writeMissing,
            [this](const QString& key, const QString& text) { missing << key + ": " + text; });
        m_connections << QObject::connect(
            &task, &AppTaskBase::writeError,
            [this](const QString& title, const QString& text) { errors << title + ": " + text; });
    }
    void Clear()
    {
        lines.clear();
        progress.clear();
        missing.clear();
        errors.clear();
    }

    // The number of log lines with exactly this level and text.
    int Count(int level, const QString& text) const
    {
        int n = 0;
        for (const Line& line : lines)
            n += line.level == level && line.text == text;
        return n;
    }
    bool Has(int level, const QString& text) const { return Count(level, text) > 0; }
    // Index of the first log line with the text, or -1.
    int IndexOf(const QString& text) const
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].text == text)
                return static_cast<int>(i);
        }
        return -1;
    }
    // "level|method|text" of the first log line with the text; empty when none.
    QString Find(const QString& text) const
    {
        const int i = IndexOf(text);
        return i < 0 ? QString() : QString::number(lines[i].level) + '|' + lines[i].method + '|' + text;
    }
    // The texts of the log lines that begin with the prefix, in order.
    QStringList Texts(const QString& prefix) const
    {
        QStringList out;
        for (const Line& line : lines) {
            if (line.text.startsWith(prefix))
                out << line.text;
        }
        return out;
    }
    // Whether a log line, missing line or error holds the text.
    bool Contains(const QString& part) const
    {
        for (const Line& line : lines) {
            if (line.text.contains(part))
                return true;
        }
        return missing.join('\n').contains(part) || errors.join('\n').contains(part);
    }

    std::vector<Line> lines;
    QStringList progress;
    QStringList missing;  // "key: text"
    QStringList errors;   // "title: text"

private:
    QList<QMetaObject::Connection> m_connections;
};

}  // namespace vhtest
