// COM-style errors: HRESULT texts and the error collection.

#include "ComError.h"

#include <cstdio>
#include <utility>

namespace ado {

namespace {

struct KnownMessage
{
    std::uint32_t code;
    const char* text;
};

// The platform's texts for the codes this layer raises or may meet.
const KnownMessage kKnownMessages[] = {
    {0x00000000u, "The operation completed successfully."},
    {0x80004001u, "Not implemented"},
    {0x80004002u, "No such interface supported"},
    {0x80004003u, "Invalid pointer"},
    {0x80004004u, "Operation aborted"},
    {0x80004005u, "Unspecified error"},
    {0x8000FFFFu, "Catastrophic failure"},
    {0x80070005u, "Access is denied."},
    {0x8007000Eu, "Not enough storage is available to complete this operation."},
    {0x80070057u, "The parameter is incorrect."},
    {0x80020005u, "Type mismatch."},
    {0x8002000Au, "Out of present range."},
};

}  // namespace

std::string HResultMessage(HRESULT hr)
{
    const auto code = static_cast<std::uint32_t>(hr);
    for (const KnownMessage& m : kKnownMessages) {
        if (m.code == code)
            return m.text;
    }
    char buffer[64];
    if (code > 0x80040200u && code <= 0x8004FFFFu) {
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>(code - 0x80040200u));
    } else {
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX", static_cast<unsigned long>(code));
    }
    return buffer;
}

ComError::ComError(HRESULT hr, std::string source, std::string description)
    : hr_(hr), source_(std::move(source)), description_(std::move(description))
{
}

}  // namespace ado
