// Delimited text files with CR LF lines.

#include "XTextFile.h"

#include <cstring>

XTextFile::XTextFile(char delimiter, const char* setting1, const char* setting2, const char* setting3,
                     uint32_t flags)
    : m_delimiter(delimiter), m_flags(flags), m_lineStart(true)
{
    m_settings[0] = setting1;
    m_settings[1] = setting2;
    m_settings[2] = setting3;
}

// XFile's destructor closes the file (or discards an unfinished ModeReplace file).
XTextFile::~XTextFile() {}

void XTextFile::Open(const char* path, uint32_t mode, bool readBuffer, uint32_t fileType, uint32_t creator)
{
    XFile::Open(path, mode, readBuffer, fileType, creator);
    m_lineStart = true;
}

void XTextFile::WriteField(const char* bytes, size_t length)
{
    if (!m_lineStart)
        Write(&m_delimiter, 1);
    Write(bytes, length);
    m_lineStart = false;
}

void XTextFile::WriteField(const char* text)
{
    WriteField(text ? text : "", StrLen(text));
}

void XTextFile::WriteField(const XString& text)
{
    WriteField(text.CStr(), text.Length());
}

void XTextFile::EndLine()
{
    Write("\r\n", 2);
    m_lineStart = true;
}

void XTextFile::WriteLine(const char* text)
{
    Write(text ? text : "", StrLen(text));
    EndLine();
}

void XTextFile::WriteLine(const XString& text)
{
    Write(text.CStr(), text.Length());
    EndLine();
}

