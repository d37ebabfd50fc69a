#pragma once

// Helpers for the database layer tests: a task with access to its protected state and a recorder
// of its log lines and progress messages.

#include "ODBCDataAccess.h"
#include "TaskLog.h"

#include <string>

// The whole text, embedded NUL bytes included.
inline std::string Str(const XString& text)
{
    return std::string(text.CStr(), text.Length());
}

namespace datest {

// The database layer with its protected state open to the tests.
class TestTask : public ODBCDataAccess
{
public:
    TestTask(uint32_t options, int32_t dbType) : ODBCDataAccess(options, dbType) {}

    void SetParam(const QString& key, const QString& value) { m_params[key] = value; }
    void SetStoredConnectionString(const XString& cs) { m_connectionString = cs; }
};

using Recorder = vhtest::TaskLog;

}  // namespace datest
