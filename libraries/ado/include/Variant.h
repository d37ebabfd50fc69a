#pragma once

// ado::Variant: a VARIANT value.

#include "Decimal.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ado {

namespace detail {
class ResultBlock;
}

using VARTYPE = std::uint16_t;

// VARIANT type numbers.
enum : VARTYPE
{
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

constexpr std::int16_t VARIANT_TRUE = -1;
constexpr std::int16_t VARIANT_FALSE = 0;

// A VARIANT-like value. Integers of every width share one 64-bit store, so reading
// a narrower accessor than the stored type gives its low bits (as a VARIANT union
// does). BSTR text is held as UTF-8; VT_ARRAY | VT_UI1 holds bytes.
class Variant
{
public:
    Variant() = default;  // VT_EMPTY

    static Variant Null();
    static Variant FromI1(std::int8_t v);
    static Variant FromUI1(std::uint8_t v);
    static Variant FromI2(std::int16_t v);
    static Variant FromUI2(std::uint16_t v);
    static Variant FromI4(std::int32_t v);
    static Variant FromUI4(std::uint32_t v);
    static Variant FromI8(std::int64_t v);
    static Variant FromUI8(std::uint64_t v);
    static Variant FromInt(std::int32_t v);
    static Variant FromUInt(std::uint32_t v);
    static Variant FromR4(float v);
    static Variant FromR8(double v);
    static Variant FromCurrency(std::int64_t scaledBy10000);
    static Variant FromDate(double oleDate);
    static Variant FromBool(bool v);
    static Variant FromDecimal(const Decimal& v);
    static Variant FromString(std::string utf8);
    static Variant FromBytes(std::vector<std::uint8_t> bytes);

    VARTYPE Type() const { return vt_; }
    bool IsEmpty() const { return vt_ == VT_EMPTY; }
    bool IsNull() const { return vt_ == VT_NULL; }
    bool IsByteArray() const { return vt_ == (VT_ARRAY | VT_UI1); }

    std::int8_t I1() const { return static_cast<std::int8_t>(bits_); }
    std::uint8_t UI1() const { return static_cast<std::uint8_t>(bits_); }
    std::int16_t I2() const { return static_cast<std::int16_t>(bits_); }
    std::uint16_t UI2() const { return static_cast<std::uint16_t>(bits_); }
    std::int32_t I4() const { return static_cast<std::int32_t>(bits_); }
    std::uint32_t UI4() const { return static_cast<std::uint32_t>(bits_); }
    std::int64_t I8() const { return static_cast<std::int64_t>(bits_); }
    std::uint64_t UI8() const { return bits_; }
    std::int32_t Int() const { return I4(); }
    std::uint32_t UInt() const { return UI4(); }
    std::int64_t Cy() const { return I8(); }    // scaled by 10000
    std::int16_t Bool() const { return I2(); }  // VARIANT_TRUE or VARIANT_FALSE
    float R4() const { return static_cast<float>(real_); }
    double R8() const { return real_; }
    double Date() const { return real_; }  // OLE days
    const Decimal& Dec() const { return decimal_; }
    const std::string& Str() const { return text_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    // Releases any text or bytes and becomes VT_EMPTY.
    void Clear();

private:
    friend class detail::ResultBlock;  // decodes values in place

    static Variant MakeBits(VARTYPE vt, std::uint64_t bits);
    // Becomes a fresh value of type vt, keeping the storage of text and bytes.
    void Reset(VARTYPE vt)
    {
        vt_ = vt;
        bits_ = 0;
        real_ = 0.0;
        decimal_ = Decimal();
        text_.clear();
        bytes_.clear();
    }

    VARTYPE vt_ = VT_EMPTY;
    std::uint64_t bits_ = 0;
    double real_ = 0.0;
    Decimal decimal_;
    std::string text_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace ado
