#pragma once

// XException: the library's exception.

#include <cstdint>
#include <exception>
#include <string>

// The library's exception: a message text and a 32-bit code.
class XException : public std::exception
{
public:
    XException(const char* message, int32_t code = 0);
    ~XException() override;

    // The message text.
    virtual const char* GetMessage() const;
    int32_t GetCode() const { return m_code; }

    const char* what() const noexcept override;

private:
    std::string m_message;
    int32_t m_code;
};

// Formats the message (cut to 1024 characters) and throws an XException with the code.
[[noreturn]] void ThrowXException(int32_t code, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
