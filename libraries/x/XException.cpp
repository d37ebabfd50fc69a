// The library's exception.

#include "XException.h"

#include <cstdarg>
#include <cstdio>

XException::XException(const char* message, int32_t code) : m_message(message ? message : ""), m_code(code) {}

XException::~XException() = default;

const char* XException::GetMessage() const
{
    return m_message.c_str();
}

const char* XException::what() const noexcept
{
    return GetMessage();
}

void ThrowXException(int32_t code, const char* format, ...)
{
    char buffer[1025];
    buffer[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
    }
    throw XException(buffer, code);
}
