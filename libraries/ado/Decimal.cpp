// VARIANT decimals: parsing, text and conversions.

#include "Decimal.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace ado {

namespace {

using U128 = unsigned __int128;

const U128 kMax96 = (static_cast<U128>(1) << 96) - 1;
const std::size_t kMax96Digits = 29;  // 79228162514264337593543950335

U128 Magnitude(const Decimal& d)
{
    return (static_cast<U128>(d.hi32) << 64) | d.lo64;
}

void SetMagnitude(Decimal& d, U128 m)
{
    d.hi32 = static_cast<std::uint32_t>(m >> 64);
    d.lo64 = static_cast<std::uint64_t>(m);
}

std::string ToDigits(U128 m)
{
    if (m == 0)
        return "0";
    std::string s;
    while (m != 0) {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
    }
    return s;
}

}  // namespace

double Decimal::ToDouble() const
{
    long double v = static_cast<long double>(Magnitude(*this));
    if (scale != 0)
        v /= std::pow(10.0L, static_cast<long double>(scale));
    return static_cast<double>(IsNegative() ? -v : v);
}

std::string Decimal::ToString() const
{
    std::string digits = ToDigits(Magnitude(*this));
    if (scale > 0) {
        if (digits.size() <= scale)
            digits.insert(0, scale - digits.size() + 1, '0');
        digits.insert(digits.size() - scale, 1, '.');
    }
    if (IsNegative() && !IsZero())
        digits.insert(0, 1, '-');
    return digits;
}

bool Decimal::FromString(const std::string& text, Decimal& out)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string digits;
    long pointPos = -1;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        } else if (c == '.' && pointPos < 0) {
            pointPos = static_cast<long>(digits.size());
        } else {
            break;
        }
    }
    if (digits.empty())
        return false;
    long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            expNegative = text[i] == '-';
            ++i;
        }
        if (i >= n || !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        for (; i < n && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i] - '0');
        }
        if (expNegative)
            exponent = -exponent;
    }
    while (i < n && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (i != n)
        return false;

    // value = digits * 10^-scale
    const long intDigits = (pointPos < 0 ? static_cast<long>(digits.size()) : pointPos) + exponent;
    long scale = static_cast<long>(digits.size()) - intDigits;
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        out = Decimal();
        out.scale = static_cast<std::uint8_t>(scale < 0 ? 0 : (scale > kMaxScale ? kMaxScale : scale));
        out.sign = negative ? kNegative : 0;
        return true;
    }
    digits.erase(0, firstNonZero);
    if (scale < 0) {
        if (digits.size() + static_cast<std::size_t>(-scale) > kMax96Digits)
            return false;
        digits.append(static_cast<std::size_t>(-scale), '0');
        scale = 0;
    }
    // Drop digits beyond the largest scale, and beyond 29 significant digits.
    long drop = 0;
    if (scale > kMaxScale)
        drop = scale - kMaxScale;
    if (static_cast<long>(digits.size()) - drop > static_cast<long>(kMax96Digits))
        drop = static_cast<long>(digits.size()) - static_cast<long>(kMax96Digits);
    bool roundUp = false;
    if (drop > 0) {
        if (drop > scale)
            return false;  // the integral part alone does not fit
        if (drop >= static_cast<long>(digits.size())) {
            roundUp = drop == static_cast<long>(digits.size()) && digits[0] >= '5';
            digits = "0";
        } else {
            roundUp = digits[digits.size() - static_cast<std::size_t>(drop)] >= '5';
            digits.resize(digits.size() - static_cast<std::size_t>(drop));
        }
        scale -= drop;
    }
    U128 m = 0;
    for (char c : digits)
        m = m * 10 + static_cast<unsigned>(c - '0');
    if (roundUp)
        ++m;
    while (m > kMax96) {
        if (scale == 0)
            return false;
        const bool up = m % 10 >= 5;
        m = m / 10 + (up ? 1 : 0);
        --scale;
    }
    out = Decimal();
    out.scale = static_cast<std::uint8_t>(scale);
    out.sign = negative ? kNegative : 0;
    SetMagnitude(out, m);
    return true;
}

}  // namespace ado
