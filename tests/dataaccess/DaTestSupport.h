#pragma once

// Helpers for the database layer tests: a task with access to its protected state and a recorder
// of its log lines and progress messages.

#include "ODBCDataAccess.h"

#include <QObject>
#include <QString>

#include <string>
#include <vector>

// The whole text, embedded NUL bytes included.
inline std::string Str(const XString& text)
{
    return std::string(text.CStr(), text.Length());
}

namespace datest {

struct LogLine
{
    int level;
    std::string text;
    std::string method;
};

// The database layer with its protected state open to the tests.
class TestTask : public ODBCDataAccess
{
public:
    TestTask(uint32_t options, int32_t dbType) : ODBCDataAccess(options, dbType) {}

    void SetParam(const QString& key, const QString& value) { m_params[key] = value; }
    void SetStoredConnectionString(const XString& cs) { m_connectionString = cs; }
};

// Records every log line and progress message of a task.
class Recorder
{
public:
    explicit Recorder(AppTaskBase& task)
    {
        m_log = QObject::connect(&task, &AppTaskBase::writeLog,
                                 [this](int level, const QString& text, const QString& method) {
                                     lines.push_back({level, text.toStdString(), method.toStdString()});
                                 });
        m_progress = QObject::connect(&task, &AppTaskBase::writeProgress, [this](const QString& type, int) {
            progress.push_back(type.toStdString());
        });
    }

    // The task may outlive the recorder (its destructor logs too).
    ~Recorder()
    {
        QObject::disconnect(m_log);
        QObject::disconnect(m_progress);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The number of lines with exactly this level and text.
    int Count(int level, const std::string& text) const
    {
        int n = 0;
        for (const LogLine& line : lines)
            n += line.level == level && line.text == text;
        return n;
    }
    bool Has(int level, const std::string& text) const { return Count(level, text) > 0; }
    // Whether any line contains the text (at any level).
    bool Contains(const std::string& part) const
    {
        for (const LogLine& line : lines) {
            if (line.text.find(part) != std::string::npos)
                return true;
        }
        return false;
    }
    // Index of the first line with the text, or -1.
    int IndexOf(const std::string& text) const
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].text == text)
                return static_cast<int>(i);
        }
        return -1;
    }
    void Clear()
    {
        lines.clear();
        progress.clear();
    }

    std::vector<LogLine> lines;
    std::vector<std::string> progress;

private:
    QMetaObject::Connection m_log;
    QMetaObject::Connection m_progress;
};

}  // namespace datest
