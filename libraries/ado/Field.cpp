// A recordset's field: name, type and value at the current record.

#include "Field.h"

#include "ComError.h"
#include "ResultBlock.h"

#include <cctype>

namespace ado {

namespace {

const char kNotFound[] =
    "Item cannot be found in the collection corresponding to the requested name or ordinal.";

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

Field::Field(detail::ResultBlock* block, int column) : block_(block), column_(column) {}

const std::string& Field::Name() const
{
    return block_->Column(column_).name;
}
long Field::Type() const
{
    return block_->Column(column_).plan.adoType;
}
long Field::DefinedSize() const
{
    return static_cast<long>(block_->Column(column_).size);
}
long Field::Attributes() const
{
    return block_->Column(column_).attributes;
}

unsigned char Field::Precision() const
{
    const detail::ColumnInfo& c = block_->Column(column_);
    if (c.plan.kind == detail::ValueKind::Text || c.plan.kind == detail::ValueKind::Binary)
        return 255;
    return static_cast<unsigned char>(c.size > 255 ? 255 : c.size);
}

unsigned char Field::NumericScale() const
{
    const detail::ColumnInfo& c = block_->Column(column_);
    if (c.plan.kind != detail::ValueKind::Numeric)
        return 255;
    return static_cast<unsigned char>(c.digits < 0 ? 0 : c.digits);
}

long Field::Status() const
{
    return block_->Status(column_);
}
long Field::ActualSize() const
{
    return block_->ActualSize(column_);
}
Variant Field::Value() const
{
    return block_->Value(column_);
}
void Field::ReadValue(Variant& value) const
{
    block_->ReadValue(column_, value);
}
std::string Field::NumericText() const
{
    return block_->NumericText(column_);
}
Variant Field::GetChunk(long length)
{
    return block_->GetChunk(column_, length);
}

Field& FieldCollection::Item(long index)
{
    if (index < 0 || index >= Count())
        throw ComError(adErrItemNotFound, "ADODB.Fields", kNotFound);
    return fields_[static_cast<std::size_t>(index)];
}

Field& FieldCollection::Item(const std::string& name)
{
    for (Field& f : fields_) {
        if (SameName(f.Name(), name))
            return f;
    }
    throw ComError(adErrItemNotFound, "ADODB.Fields", kNotFound);
}

}  // namespace ado
