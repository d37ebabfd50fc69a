#pragma once

// XLogFile: a log target that appends to a file.

#include "ILog.h"
#include "XFile.h"

// A log target that appends lines ("level: text", CR LF) to a file.
class XLogFile : public ILog
{
public:
    explicit XLogFile(const char* path);
    ~XLogFile() override;
    void Log(int level, const char* text) override;

private:
    XString m_path;
    XFile m_file;
};
