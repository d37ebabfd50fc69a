#pragma once

// ado::Decimal: a VARIANT DECIMAL.

#include <cstdint>
#include <string>

namespace ado {

// A VARIANT DECIMAL: 96-bit magnitude, sign and a scale of 0 to 28 decimal digits.
// The value is (-1 if negative) * (hi32 * 2^64 + lo64) / 10^scale.
struct Decimal
{
    static constexpr std::uint8_t kNegative = 0x80;  // DECIMAL_NEG
    static constexpr std::uint8_t kMaxScale = 28;

    std::uint8_t scale = 0;
    std::uint8_t sign = 0;  // 0 or kNegative
    std::uint32_t hi32 = 0;
    std::uint64_t lo64 = 0;

    bool IsNegative() const { return (sign & kNegative) != 0; }
    bool IsZero() const { return hi32 == 0 && lo64 == 0; }

    // The value as a double (nearest).
    double ToDouble() const;

    // Exact decimal text: "-15.00", "0.5", "123". No exponent.
    std::string ToString() const;

    // Parses decimal text: optional blanks, optional sign, digits with at most one
    // decimal point, an optional exponent ("1.5E+3"). Digits beyond the 28-digit
    // scale are rounded half away from zero. False for text that is not a number
    // or whose magnitude does not fit 96 bits.
    static bool FromString(const std::string& text, Decimal& out);


    friend bool operator==(const Decimal& a, const Decimal& b)
    {
        return a.scale == b.scale && a.sign == b.sign && a.hi32 == b.hi32 && a.lo64 == b.lo64;
    }
    friend bool operator!=(const Decimal& a, const Decimal& b) { return !(a == b); }
};

}  // namespace ado
