// The global log object and the file log target.

#include "XLog.h"

#include <cstdio>

#include "XLogFile.h"

XLog g_XLog;

void XLog::Log(int level, const char* text)
{
    if (m_target)
        m_target->Log(level, text);
}

XLogFile::XLogFile(const char* path) : m_path(path) {}

XLogFile::~XLogFile()
{
    try {
        m_file.Close();
    } catch (...) {
    }
}

void XLogFile::Log(int level, const char* text)
{
    if (!m_file.IsOpen())
        m_file.Open(m_path.CStr(), XFile::ModeWrite | XFile::ModeAppend);
    char prefix[16];
    int n = std::snprintf(prefix, sizeof prefix, "%d: ", level);
    m_file.Write(prefix, n > 0 ? (size_t)n : 0);
    m_file.Write(text);
    m_file.Write("\r\n", 2);
    m_file.Flush();
}
