#pragma once

// ado::Field: one column of an open recordset.

#include "AdoTypes.h"
#include "Variant.h"

#include <memory>
#include <string>
#include <vector>

namespace ado {

namespace detail {
class ResultBlock;
}

// One column of an open recordset, read at its current record. A Field belongs to
// its recordset and is valid while that recordset is open.
class Field
{
public:
    Field(detail::ResultBlock* block, int column);

    const std::string& Name() const;
    long Type() const;         // DataTypeEnum
    long DefinedSize() const;  // the driver's column size
    unsigned char Precision() const;
    unsigned char NumericScale() const;
    long Attributes() const;  // FieldAttributeEnum bits; adFldLong for long text and binary

    // Of the current record. Throw adErrNoCurrentRecord at BOF or EOF.
    long Status() const;      // adFieldOK, adFieldIsNull, adFieldTruncated, adFieldDataOverflow ...
    long ActualSize() const;  // bytes of the value (UTF-8 for text); 0 for NULL
    Variant Value() const;  // a date outside the OLE range throws DISP_E_OVERFLOW, Status adFieldDataOverflow
    // Value into value, reusing its text storage; throws as Value does, value then unspecified.
    void ReadValue(Variant& value) const;
    // The driver's text of a numeric (adNumeric, adDecimal) value, also of one that Value cannot
    // convert; empty for NULL and for other columns.
    std::string NumericText() const;

    // Reads the next length bytes of a long value: text as VT_BSTR, binary as
    // VT_ARRAY | VT_UI1; VT_NULL once nothing is left or when the value is NULL.
    // Moving to another record starts again at the beginning.
    Variant GetChunk(long length);

private:
    detail::ResultBlock* block_;
    int column_;
};

// The columns of an open recordset, in SELECT order.
class FieldCollection
{
public:
    long Count() const { return static_cast<long>(fields_.size()); }
    Field& Item(long index);               // throws adErrItemNotFound
    Field& Item(const std::string& name);  // case-insensitive; throws adErrItemNotFound
    Field& operator[](long index) { return Item(index); }

private:
    friend class Recordset;
    std::vector<Field> fields_;
};

}  // namespace ado
