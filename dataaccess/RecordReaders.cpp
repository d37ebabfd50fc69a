#include "ODBCDataAccess.h"

#include "OleDate.h"
#include "ValueText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

// Field handles and the readers of the current record.

namespace {

[[noreturn]] void ThrowTooWide(const XString& value, const char* width)
{
    throw XException(("The value " + value + " does not fit in a " + width + "-bit integer.").CStr(), 0);
}

// A real number truncated toward zero; NaN is 0.
int64_t WholeOfReal(double value)
{
    if (std::isnan(value))
        return 0;
    value = std::trunc(value);
    // 2^63 is the first double beyond the 64-bit range.
    if (value >= 9223372036854775808.0 || value < -9223372036854775808.0)
        ThrowTooWide(valuetext::Real(value), "64");
    return static_cast<int64_t>(value);
}

// A decimal truncated toward zero, exactly: a double would round a whole number beyond 2^53
// (and 2^63 - 1 up to 2^63, which does not fit).
int64_t WholeOfDecimal(const ado::Decimal& d)
{
    if (d.scale == 0 && d.hi32 == 0 && d.lo64 <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return d.IsNegative() ? -static_cast<int64_t>(d.lo64) : static_cast<int64_t>(d.lo64);
    const std::string text = d.ToString();
    const std::string whole = text.substr(0, text.find('.'));
    errno = 0;
    const long long value = std::strtoll(whole.c_str(), nullptr, 10);
    if (errno == ERANGE)
        ThrowTooWide(XString(text.c_str()), "64");
    return value;
}

// A 32-bit integer: a wider value fails the reading instead of wrapping.
int32_t Narrowed(int64_t value)
{
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        ThrowTooWide(valuetext::Integer(value), "32");
    return static_cast<int32_t>(value);
}

bool IsNegativeWholeDecimal(const ado::Decimal& d)
{
    return d.scale == 0 && d.IsNegative();
}

// Whole days of an OLE date as a day number from 1600-01-01; the zero date is empty.
XDate DateOfOle(double ole)
{
    if (ole == 0.0 || std::isnan(ole))
        return XDate();
    return XDate(static_cast<int32_t>(std::trunc(ole)) + XDate::Day1899);
}

XTime TimeOfOle(double ole)
{
    if (ole == 0.0 || std::isnan(ole))
        return XTime();
    const double fraction = std::fabs(ole - std::trunc(ole));
    long long ms = std::llround(fraction * XTime::MsPerDay);
    if (ms >= XTime::MsPerDay)
        ms = XTime::MsPerDay - 1;
    return XTime(static_cast<int32_t>(ms));
}

XString& ReplaceLineBreaks(XString& text)
{
    text.Replace('\t', ' ');
    text.Replace('\n', ' ');
    text.Replace('\r', ' ');
    return text;
}

}  // namespace

// ---- field handles ----

ODBCField* ODBCDataAccess::GetField(DataAccessTable* table, const XString& name, bool required)
{
    static const char* const method = "ODBCDataAccess::GetField";
    if (!table) {
        const XString text = "Table was NULL when searching for: " + name;
        if (required)
            LogAndThrow(2, text, method);
        LogMessage(8, text, method);
        return nullptr;
    }
    ODBCTable* odbcTable = static_cast<ODBCTable*>(table);
    if ((m_options & OptCheckExists) && !DoFieldExists(odbcTable->PlainName(), name)) {
        const XString text = "Field does not exist : " + name + " in table " + odbcTable->FromName();
        LogMessage(required ? 2 : 8, text, method);
        if (m_options & OptLogColumns)
            LogTableColumns(odbcTable);
        if (!required)
            return nullptr;
        LogAndThrow(2, "Required " + text, method);
    }
    return m_query.AddField(odbcTable, name);
}

ODBCField* ODBCDataAccess::AddField(DataAccessTable* table, const XString& name)
{
    return m_query.AddField(static_cast<ODBCTable*>(table), name);
}

ado::Field* ODBCDataAccess::GetAdoField(DataAccessField* field)
{
    if (m_dbType == DbDBaseXBase || !field || !m_recordset)
        return nullptr;
    const ODBCField* odbcField = static_cast<const ODBCField*>(field);
    ado::FieldCollection& fields = m_recordset->Fields();
    if (m_options & OptReadByName)
        return &fields.Item(std::string(odbcField->Name().CStr(), odbcField->Name().Length()));
    return &fields.Item(static_cast<long>(static_cast<int16_t>(odbcField->Index())));
}

int32_t ODBCDataAccess::GetFieldCount()
{
    if (m_dbType == DbDBaseXBase || !m_recordset)
        return 0;
    try {
        return static_cast<int32_t>(m_recordset->Fields().Count());
    } catch (const ado::ComError&) {
        return 0;
    }
}

XString ODBCDataAccess::GetFieldName(int32_t column)
{
    if (m_dbType == DbDBaseXBase || !m_recordset)
        return XString();
    const std::string& name = m_recordset->Fields().Item(static_cast<long>(column)).Name();
    XString text;
    text.Assign(name.data(), name.size());
    return text;
}

bool ODBCDataAccess::ReadValue(DataAccessField* field, ado::Variant& value, bool dateRead)
{
    ado::Field* adoField = GetAdoField(field);
    if (!adoField)
        return false;
    try {
        adoField->ReadValue(value);
        return true;
    } catch (const ado::ComError& e) {
        long status = -1;
        try {
            status = adoField->Status();
        } catch (...) {
        }
        if (dateRead && status == ado::adFieldDataOverflow) {
            value.Clear();
            return true;
        }
        // A decimal beyond the data layer's range (NaN, infinity, 2^96 and up): named like a
        // whole number beyond 32 bits, with the value and the field.
        const long type = adoField->Type();
        if (status == ado::adFieldCantConvertValue && (type == ado::adNumeric || type == ado::adDecimal)) {
            XString text("The value ");
            const std::string source = adoField->NumericText();
            text.Append(source.data(), source.size());
            text += " does not fit in a decimal number. Field: " + field->GetName();
            throw XException(text.CStr(), static_cast<int32_t>(status));
        }
        const XString text =
            GetComErrorText(m_connection.get(), e) + " Field Status: " + FieldStatusText(status);
        throw XException(text.CStr(), static_cast<int32_t>(status));
    }
}

// ---- readers ----

XString ODBCDataAccess::GetString(DataAccessField* field)
{
    if (!ReadValue(field, m_textValue, false))
        return XString();
    return VariantToString(m_textValue);
}

XString ODBCDataAccess::GetTrimmedString(DataAccessField* field)
{
    XString text = GetString(field);
    text.Trim();
    text.RemoveChars("\t");
    return text;
}

XString ODBCDataAccess::GetSingleLineString(DataAccessField* field)
{
    XString text = GetTrimmedString(field);
    text.Trim();
    return ReplaceLineBreaks(text);
}

XBuffer ODBCDataAccess::GetBytes(DataAccessField* field)
{
    XBuffer bytes(50);
    ado::Field* adoField = GetAdoField(field);
    if (!adoField)
        return bytes;
    try {
        const long size = adoField->ActualSize();
        ado::Variant value;
        if (adoField->Attributes() & ado::adFldLong)
            value = adoField->GetChunk(size);
        else
            value = adoField->Value();
        if (value.IsByteArray()) {
            const std::vector<std::uint8_t>& data = value.Bytes();
            const size_t n = size < 0 ? 0 : std::min(data.size(), static_cast<size_t>(size));
            bytes.Assign(data.data(), n);
        } else if (value.Type() == ado::VT_BSTR) {
            const std::string& text = value.Str();
            const size_t n = size < 0 ? 0 : std::min(text.size(), static_cast<size_t>(size));
            bytes.Assign(text.data(), n);
        }
    } catch (const ado::ComError&) {
        LogMessage(8, "Could not read ByteArray Field value from " + field->GetName());
        bytes.Clear();
    }
    return bytes;
}

XDate ODBCDataAccess::GetDate(DataAccessField* field)
{
    ado::Variant value;
    if (!ReadValue(field, value, true) || value.Type() != ado::VT_DATE)
        return XDate();
    return DateOfOle(value.Date());
}

XDateTime ODBCDataAccess::GetDateTime(DataAccessField* field)
{
    ado::Variant value;
    if (!ReadValue(field, value, true) || value.Type() != ado::VT_DATE)
        return XDateTime();
    return XDateTime(DateOfOle(value.Date()), TimeOfOle(value.Date()));
}

XTime ODBCDataAccess::GetTime(DataAccessField* field)
{
    ado::Variant value;
    if (!ReadValue(field, value, true) || value.Type() != ado::VT_DATE)
        return XTime();
    return TimeOfOle(value.Date());
}

int64_t ODBCDataAccess::GetWholeNumber(DataAccessField* field)
{
    ado::Variant value;
    if (!ReadValue(field, value, false))
        return 0;
    try {
        return VariantToWholeNumber(value);
    } catch (const XException& e) {
        throw XException((XString(e.GetMessage()) + " Field: " + field->GetName()).CStr(), 0);
    }
}

int32_t ODBCDataAccess::GetInt(DataAccessField* field)
{
    const int64_t whole = GetWholeNumber(field);
    try {
        return Narrowed(whole);
    } catch (const XException& e) {
        throw XException((XString(e.GetMessage()) + " Field: " + field->GetName()).CStr(), 0);
    }
}

int32_t ODBCDataAccess::GetLong(DataAccessField* field)
{
    return GetInt(field);
}

float ODBCDataAccess::GetFloat(DataAccessField* field)
{
    ado::Variant value;
    return ReadValue(field, value, false) ? VariantToFloat(value) : 0.0f;
}

double ODBCDataAccess::GetDouble(DataAccessField* field)
{
    ado::Variant value;
    return ReadValue(field, value, false) ? VariantToDouble(value) : 0.0;
}

bool ODBCDataAccess::GetBool(DataAccessField* field)
{
    ado::Variant value;
    return ReadValue(field, value, false) ? VariantToBool(value) : false;
}

XString ODBCDataAccess::GetBoolDigit(DataAccessField* field)
{
    if (!field || m_dbType == DbDBaseXBase)
        return XString();
    return XString(GetBool(field) ? "1" : "0");
}

bool ODBCDataAccess::IsNull(DataAccessField* field)
{
    if (!field)
        return true;
    ado::Variant value;
    if (!ReadValue(field, value, false))
        return false;
    return value.IsNull();
}

XString ODBCDataAccess::GetStringZeroBlank(DataAccessField* field)
{
    XString text = GetTrimmedString(field);
    return text == "0" ? XString() : text;
}

XString ODBCDataAccess::GetStringNABlank(DataAccessField* field)
{
    XString text = GetTrimmedString(field);
    return text == "N/A" ? XString() : text;
}

XString ODBCDataAccess::GetSingleLineZeroBlank(DataAccessField* field)
{
    XString text = GetSingleLineString(field);
    text.Trim();
    return text == "0" ? XString() : text;
}

XDate ODBCDataAccess::GetDateOrNull(DataAccessField* field)
{
    const XDate date = GetDate(field);
    return date.GetDay() == XDate::Day1900 ? XDate() : date;
}

// ---- conversions of a value ----

XString ODBCDataAccess::VariantToString(const ado::Variant& value)
{
    switch (value.Type()) {
    case ado::VT_I2:
        return valuetext::Integer(value.I2());
    case ado::VT_UI1:
        return valuetext::Integer(value.UI1());
    case ado::VT_UI2:
        return valuetext::Integer(value.UI2());
    case ado::VT_I4:
    case ado::VT_INT:
        return valuetext::Integer(value.I4());
    case ado::VT_UI4:
        return valuetext::Integer(static_cast<long long>(value.UI4()));
    case ado::VT_I8:
        return valuetext::Integer(static_cast<long long>(value.I8()));
    case ado::VT_UI8: {
        char text[24];
        std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value.UI8()));
        return XString(text);
    }
    case ado::VT_R4:
        return valuetext::Real(static_cast<double>(value.R4()));
    case ado::VT_R8:
        return valuetext::Real(value.R8());
    case ado::VT_DECIMAL: {
        const ado::Decimal& d = value.Dec();
        if (m_dbType == DbOracleOdbc && IsNegativeWholeDecimal(d)) {
            const double whole = d.ToDouble();
            if (whole >= static_cast<double>(std::numeric_limits<int32_t>::min()))
                return valuetext::Integer(static_cast<int32_t>(whole));
        }
        return valuetext::Real(d.ToDouble());
    }
    case ado::VT_DATE: {
        const double ole = value.Date();
        ado::DateTimeParts parts;
        if (ole == 0.0 || !ado::OleDateToParts(ole, parts))
            return XString();
        char text[48];
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", parts.year, parts.month, parts.day,
                      parts.hour, parts.minute, parts.second);
        return XString(text);
    }
    case ado::VT_BSTR: {
        XString text;
        text.Assign(value.Str().data(), value.Str().size());
        return text;
    }
    case ado::VT_BOOL:
        return XString(value.Bool() ? "True" : "False");
    default:
        return XString();
    }
}

int32_t ODBCDataAccess::VariantToInt(const ado::Variant& value)
{
    return Narrowed(VariantToWholeNumber(value));
}

int32_t ODBCDataAccess::VariantToLong(const ado::Variant& value)
{
    return VariantToInt(value);
}

int64_t ODBCDataAccess::VariantToWholeNumber(const ado::Variant& value)
{
    switch (value.Type()) {
    case ado::VT_I1:
    case ado::VT_I2:
        return value.I2();
    case ado::VT_UI1:
    case ado::VT_UI2:
        return value.UI2();
    case ado::VT_I4:
    case ado::VT_INT:
        return value.I4();
    case ado::VT_UI4:
        return value.UI4();
    case ado::VT_I8:
        return value.I8();
    case ado::VT_UI8:
        if (value.UI8() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            ThrowTooWide(VariantToString(value), "64");
        return static_cast<int64_t>(value.UI8());
    case ado::VT_R4:
        return WholeOfReal(static_cast<double>(value.R4()));
    case ado::VT_R8:
        return WholeOfReal(value.R8());
    case ado::VT_BSTR: {
        XString text;
        text.Assign(value.Str().data(), value.Str().size());
        if (!text.IsDigits() || text.IsEmpty())
            return 0;
        errno = 0;
        const long long whole = std::strtoll(text.CStr(), nullptr, 10);
        if (errno == ERANGE)
            ThrowTooWide(text, "64");
        return whole;
    }
    case ado::VT_BOOL:
        return value.Bool() ? 1 : 0;
    case ado::VT_DECIMAL:
        return WholeOfDecimal(value.Dec());
    default:
        return 0;
    }
}

float ODBCDataAccess::VariantToFloat(const ado::Variant& value)
{
    if (value.Type() == ado::VT_CY)
        return 0.0f;
    return static_cast<float>(VariantToDouble(value));
}

double ODBCDataAccess::VariantToDouble(const ado::Variant& value)
{
    switch (value.Type()) {
    case ado::VT_I1:
        return value.I1();
    case ado::VT_I2:
        return value.I2();
    case ado::VT_UI1:
        return value.UI1();
    case ado::VT_UI2:
        return value.UI2();
    case ado::VT_I4:
    case ado::VT_INT:
        return value.I4();
    case ado::VT_I8:
        return static_cast<double>(value.I8());
    case ado::VT_UI4:
        return value.UI4();
    case ado::VT_UI8:
        return static_cast<double>(value.UI8());
    case ado::VT_R4:
        return value.R4();
    case ado::VT_R8:
        return value.R8();
    case ado::VT_CY:
        return static_cast<double>(value.Cy()) / 10000.0;
    case ado::VT_BSTR: {
        XString text;
        text.Assign(value.Str().data(), value.Str().size());
        return text.IsNumber() ? std::atof(text.CStr()) : 0.0;
    }
    case ado::VT_BOOL:
        return value.Bool() ? 1.0 : 0.0;
    case ado::VT_DECIMAL:
        return value.Dec().ToDouble();
    default:
        return 0.0;
    }
}

bool ODBCDataAccess::VariantToBool(const ado::Variant& value)
{
    switch (value.Type()) {
    case ado::VT_I1:
    case ado::VT_I2:
    case ado::VT_UI1:
    case ado::VT_UI2:
    case ado::VT_BOOL:
        return value.UI2() != 0;
    case ado::VT_I4:
    case ado::VT_UI4:
    case ado::VT_INT:
        return value.I4() != 0;
    case ado::VT_R4:
        return value.R4() != 0.0f;
    case ado::VT_R8:
        return value.R8() != 0.0;
    case ado::VT_BSTR:
        return !value.Str().empty() && value.Str() != "0";
    case ado::VT_DECIMAL:
        return value.Dec().lo64 != 0;
    case ado::VT_I8:
    case ado::VT_UI8:
        return value.UI8() != 0;
    default:
        return false;
    }
}

void ODBCDataAccess::AssignWideString(XString& target, const char16_t* text, int length, unsigned)
{
    target = XString();
    if (!text)
        return;
    size_t count = 0;
    if (length < 0) {
        while (text[count])
            ++count;
    } else {
        count = static_cast<size_t>(length);
    }
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = '?';  // an unpaired surrogate has no 8-bit form
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    target.Assign(out.data(), out.size());
}

void ODBCDataAccess::LogTableColumns(ODBCTable* table)
{
    if (!table)
        return;
    LogMessage(8, table->FromName() + " contents:");
    try {
        ODBCDataAccess columns(9, 0);
        columns.Connect(m_connectionString);
        columns.RunQuery("SELECT * FROM " + table->FromName());
        const int32_t count = columns.GetFieldCount();
        for (int32_t i = 0; i < count; ++i)
            LogMessage(8, columns.GetFieldName(i));
        columns.CloseQuery();
        columns.Disconnect();
    } catch (...) {
    }
}

const char* ODBCDataAccess::FieldStatusText(long status)
{
    switch (status) {
    case 0:
        return "adFieldOK - OK.";
    case 2:
        return "adFieldCantConvertValue - The field cannot be retrieved or stored without loss of data.";
    case 3:
        return "adFieldIsNull - The provider returned a VARIANT value of type VT_NULL and that the field is "
               "not empty.";
    case 4:
        return "adFieldTruncated - Variable-length data was truncated when reading from the data source.";
    case 5:
        return "adFieldSignMismatch - Data value returned by the provider was signed but the data type of "
               "the ADO field value was unsigned.";
    case 6:
        return "adFieldDataOverflow - The data returned from the provider overflowed the data type of the "
               "field.";
    case 7:
        return "adFieldCantCreate - The field could not be added because the provider exceeded a limitation "
               "(such as the number of fields allowed).";
    case 8:
        return "adFieldUnavailable - The provider could not determine the value when reading from the data "
               "source. For example, the row was just created, the default value for the column was not "
               "available, and a new value had not yet been specified.";
    case 9:
        return "adFieldPermissionDenied - The field cannot be modified because it is defined as read-only.";
    case 10:
        return "adFieldIntegrityViolation - The field cannot be modified because it is a calculated or "
               "derived entity.";
    case 11:
        return "adFieldSchemaViolation - The value violated the data source schema constraint for the field.";
    case 12:
        return "adFieldBadStatus - An invalid status value was sent from ADO to the OLE DB provider. "
               "Possible causes include an OLE DB 1.0 or 1.1 provider, or an improper combination of Value "
               "and Status.";
    case 13:
        return "adFieldDefault - The default value for the field was used when setting data.";
    case 15:
        return "adFieldIgnore - This field was skipped when setting data values in the source. The provider "
               "set no value.";
    case 16:
        return "adFieldDoesNotExist - The field specified does not exist.";
    case 17:
        return "adFieldInvalidURL - The data source URL contains invalid characters.";
    case 18:
        return "adFieldResourceLocked - The provider was unable to perform the operation because the data "
               "source is locked by one or more other application or process.";
    case 19:
        return "adFieldResourceExists - The provider was unable to perform the operation because an object "
               "already exists at the destination URL and it is not able to overwrite the object.";
    case 20:
        return "adFieldCannotComplete - The server of the URL specified by Source could not complete the "
               "operation.";
    case 21:
        return "adFieldVolumeNotFound - The provider is unable to locate the storage volume indicated by the "
               "URL.";
    case 22:
        return "adFieldOutOfSpace - The provider is unable to obtain enough storage space to complete a move "
               "or copy operation.";
    case 23:
        return "adFieldCannotDeleteSource - During a move operation, a tree or subtree was moved to a new "
               "location, but the source could not be deleted.";
    case 24:
        return "adFieldReadOnly - The field in the data source is defined as read-only.";
    case 25:
        return "adFieldResourceOutOfScope - A source or destination URL is outside the scope of the current "
               "record.";
    case 26:
        return "adFieldAlreadyExists - The specified field already exists.";
    case 65536:
        return "adFieldPendingInsert - The Append operation caused the status to be set. The Field has been "
               "marked to be added to the Fields collection after the Update method is called.";
    case 131072:
        return "adFieldPendingDelete - The Delete operation caused the status to be set. The field has been "
               "marked for deletion from the Fields collection after the Update method is called.";
    case 262144:
        return "adFieldPendingChange - Either the field has been deleted and then re-added, perhaps with a "
               "different data type, or that the value of the field which previously had a status of "
               "adFieldOK has changed. The final form of the field will modify the Fields collection after "
               "the Update method is called.";
    case 524288:
        return "adFieldPendingUnknown - The provider cannot determine what operation caused field status to "
               "be set.";
    case 1048576:
        return "adFieldPendingUnknownDelete - The provider cannot determine what operation caused field "
               "status to be set, and that the field will be deleted from the Fields collection after the "
               "Update method is called.";
    default:
        return "Undefined field status.";
    }
}
