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

namespace {

// TAB, LF and CR lie together below the blank: one comparison passes almost every byte.
inline bool BreaksRecord(char c)
{
    return static_cast<unsigned char>(c) <= '\r' && (c == '\t' || c == '\n' || c == '\r');
}

// The first TAB, CR or LF from p on, or end. Eight bytes at a time: a word none of whose bytes lies
// below 14 holds none of them.
const char* NextBreak(const char* p, const char* end)
{
    const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (((word - ones * 14) & ~word & highs) != 0)
            break;
        p += 8;
    }
    while (p < end && !BreaksRecord(*p))
        ++p;
    return p;
}

}  // namespace

void XTextFile::WriteField(const char* bytes, size_t length)
{
    if (!m_lineStart)
        Write(&m_delimiter, 1);
    m_lineStart = false;
    const char* end = bytes + length;
    // The clean runs between breaking bytes go out as they are: a clean field is one Write.
    for (const char* p = bytes;;) {
        const char* stop = NextBreak(p, end);
        Write(p, stop - p);
        if (stop == end)
            return;
        if (*stop != '\t')
            Write(" ", 1);
        p = stop + 1;
    }
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

