#pragma once

// ComError: the ADO-style layer's COM-style error.

#include <cstdint>
#include <exception>
#include <string>

namespace ado {

using HRESULT = std::int32_t;

constexpr HRESULT MakeHResult(std::uint32_t value)
{
    return static_cast<HRESULT>(value);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000Au);
constexpr HRESULT DB_E_ERRORSINCOMMAND = MakeHResult(0x80040E14u);
constexpr HRESULT DB_E_ABORTLIMITREACHED = MakeHResult(0x80040E31u);
constexpr HRESULT DB_E_NOTABLE = MakeHResult(0x80040E37u);
constexpr HRESULT DB_SEC_E_AUTH_FAILED = MakeHResult(0x80040E4Du);
// ADO's own errors (facility "control", 0x800A....).
constexpr HRESULT adErrInvalidArgument = MakeHResult(0x800A0BB9u);      // 3001
constexpr HRESULT adErrNoCurrentRecord = MakeHResult(0x800A0BCDu);      // 3021
constexpr HRESULT adErrFeatureNotAvailable = MakeHResult(0x800A0CB3u);  // 3251
constexpr HRESULT adErrItemNotFound = MakeHResult(0x800A0CC1u);         // 3265
constexpr HRESULT adErrObjectClosed = MakeHResult(0x800A0E78u);         // 3704
constexpr HRESULT adErrObjectOpen = MakeHResult(0x800A0E79u);           // 3705
constexpr HRESULT adErrInvalidConnection = MakeHResult(0x800A0E7Du);    // 3709

// The system's message text for an HRESULT, as a COM error reports it: the
// platform text for codes it knows ("Unspecified error" for E_FAIL),
// "IDispatch error #n" (n = code - 0x80040200) for interface codes above 0x80040200,
// and "Unknown error 0xXXXXXXXX" otherwise.
std::string HResultMessage(HRESULT hr);

// One entry of a connection's error list. For driver diagnostics Number is the
// HRESULT of the failed call, SQLState and NativeError come from the driver and
// Description is its text with trailing line breaks removed.
struct Error
{
    HRESULT Number = E_FAIL;
    std::string Source;
    std::string Description;
    std::string SQLState;
    std::int32_t NativeError = 0;
};

// A COM-style failure: HRESULT, source, description.
class ComError : public std::exception
{
public:
    ComError(HRESULT hr, std::string source, std::string description);

    HRESULT Error() const noexcept { return hr_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }
    std::string ErrorMessage() const { return HResultMessage(hr_); }

    const char* what() const noexcept override { return description_.c_str(); }

private:
    HRESULT hr_;
    std::string source_;
    std::string description_;
};

}  // namespace ado
