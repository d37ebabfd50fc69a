#pragma once

// A log target: one text line with a level.
class ILog
{
public:
    virtual ~ILog() {}
    virtual void Log(int level, const char* text) = 0;
};
