#pragma once

// XTextFile: a delimited text file.

#include <cstdint>

#include "XFile.h"

// A delimited text file: fields separated by the delimiter, lines ending in CR LF, no quoting,
// no byte-order mark. A field never breaks its record: inside a field a TAB is left out and CR and
// LF each become a blank; every other byte is written unchanged.
class XTextFile : public XFile
{
public:
    XTextFile(char delimiter = '\t', const char* setting1 = nullptr, const char* setting2 = nullptr,
              const char* setting3 = nullptr, uint32_t flags = 0);
    ~XTextFile() override;

    void Open(const char* path, uint32_t mode, bool readBuffer = false, uint32_t fileType = 0,
              uint32_t creator = 0) override;
    using XFile::Open;

    // Writes the delimiter unless at the start of a line, then the field's bytes.
    void WriteField(const char* text);
    void WriteField(const XString& text);
    void WriteField(const char* bytes, size_t length);
    // Writes CR LF and marks the start of a line.
    void EndLine();
    // Writes the text and CR LF as one whole line.
    void WriteLine(const char* text);
    void WriteLine(const XString& text);


    bool AtLineStart() const { return m_lineStart; }
    char GetDelimiter() const { return m_delimiter; }

private:
    char m_delimiter;
    XString m_settings[3];
    uint32_t m_flags;
    bool m_lineStart;
};
