#pragma once

// XLog: the forwarding log.

#include "ILog.h"

// A log that forwards to an optional target; without one it writes nowhere.
class XLog : public ILog
{
public:
    XLog() : m_target(nullptr) {}
    void SetTarget(ILog* target) { m_target = target; }
    ILog* GetTarget() const { return m_target; }
    void Log(int level, const char* text) override;

private:
    ILog* m_target;
};

// The library's one global log object, built at start-up.
extern XLog g_XLog;
