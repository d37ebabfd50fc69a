// The VARIANT value: construction and conversions.

#include "Variant.h"

#include <utility>

namespace ado {

Variant Variant::Null()
{
    Variant v;
    v.vt_ = VT_NULL;
    return v;
}

Variant Variant::FromI1(std::int8_t v)
{
    return MakeBits(VT_I1, static_cast<std::uint64_t>(static_cast<std::int64_t>(v)));
}
Variant Variant::FromUI1(std::uint8_t v)
{
    return MakeBits(VT_UI1, v);
}
Variant Variant::FromI2(std::int16_t v)
{
    return MakeBits(VT_I2, static_cast<std::uint64_t>(static_cast<std::int64_t>(v)));
}
Variant Variant::FromUI2(std::uint16_t v)
{
    return MakeBits(VT_UI2, v);
}
Variant Variant::FromI4(std::int32_t v)
{
    return MakeBits(VT_I4, static_cast<std::uint64_t>(static_cast<std::int64_t>(v)));
}
Variant Variant::FromUI4(std::uint32_t v)
{
    return MakeBits(VT_UI4, v);
}
Variant Variant::FromI8(std::int64_t v)
{
    return MakeBits(VT_I8, static_cast<std::uint64_t>(v));
}
Variant Variant::FromUI8(std::uint64_t v)
{
    return MakeBits(VT_UI8, v);
}
Variant Variant::FromInt(std::int32_t v)
{
    return MakeBits(VT_INT, static_cast<std::uint64_t>(static_cast<std::int64_t>(v)));
}
Variant Variant::FromUInt(std::uint32_t v)
{
    return MakeBits(VT_UINT, v);
}
Variant Variant::FromCurrency(std::int64_t scaledBy10000)
{
    return MakeBits(VT_CY, static_cast<std::uint64_t>(scaledBy10000));
}
Variant Variant::FromBool(bool v)
{
    return MakeBits(VT_BOOL,
                    static_cast<std::uint64_t>(static_cast<std::int64_t>(v ? VARIANT_TRUE : VARIANT_FALSE)));
}

Variant Variant::FromR4(float v)
{
    Variant r;
    r.vt_ = VT_R4;
    r.real_ = v;
    return r;
}

Variant Variant::FromR8(double v)
{
    Variant r;
    r.vt_ = VT_R8;
    r.real_ = v;
    return r;
}

Variant Variant::FromDate(double oleDate)
{
    Variant r;
    r.vt_ = VT_DATE;
    r.real_ = oleDate;
    return r;
}

Variant Variant::FromDecimal(const Decimal& v)
{
    Variant r;
    r.vt_ = VT_DECIMAL;
    r.decimal_ = v;
    return r;
}

Variant Variant::FromString(std::string utf8)
{
    Variant r;
    r.vt_ = VT_BSTR;
    r.text_ = std::move(utf8);
    return r;
}

Variant Variant::FromBytes(std::vector<std::uint8_t> bytes)
{
    Variant r;
    r.vt_ = VT_ARRAY | VT_UI1;
    r.bytes_ = std::move(bytes);
    return r;
}

void Variant::Clear()
{
    vt_ = VT_EMPTY;
    bits_ = 0;
    real_ = 0.0;
    decimal_ = Decimal();
    std::string().swap(text_);
    std::vector<std::uint8_t>().swap(bytes_);
}

Variant Variant::MakeBits(VARTYPE vt, std::uint64_t bits)
{
    Variant r;
    r.vt_ = vt;
    r.bits_ = bits;
    return r;
}

}  // namespace ado
