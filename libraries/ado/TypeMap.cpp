// ODBC column types mapped to ADO types and fetch plans.

#include "TypeMap.h"

#include "AdoTypes.h"

namespace ado {
namespace detail {

namespace {

ColumnPlan Fixed(long adoType, ValueKind kind, SQLSMALLINT cType, SQLLEN width, long actualSize)
{
    ColumnPlan p;
    p.adoType = adoType;
    p.kind = kind;
    p.cType = cType;
    p.width = width;
    p.isFixed = true;
    p.actualSize = actualSize;
    return p;
}

ColumnPlan Text(long adoType, SQLULEN columnSize, bool longType, bool fixed, bool generous)
{
    ColumnPlan p;
    p.adoType = adoType;
    p.kind = ValueKind::Text;
    p.cType = SQL_C_CHAR;
    p.isFixed = fixed;
    p.isLong = longType || columnSize == 0 || columnSize > kMaxBoundChars;
    if (!p.isLong) {
        SQLULEN chars = columnSize;
        if (generous && chars < 255)
            chars = 255;
        p.width = static_cast<SQLLEN>(chars * 4 + 1);  // UTF-8
    }
    return p;
}

ColumnPlan Binary(long adoType, bool fixed)
{
    ColumnPlan p;
    p.adoType = adoType;
    p.kind = ValueKind::Binary;
    p.cType = SQL_C_BINARY;
    p.isFixed = fixed;
    p.isLong = true;  // no driver enforces a binary size; always read in chunks
    return p;
}

}  // namespace

ColumnPlan PlanColumn(SQLSMALLINT sqlType, SQLULEN columnSize, SQLSMALLINT /*decimalDigits*/, bool isUnsigned,
                      bool generousText)
{
    switch (sqlType) {
    case SQL_TINYINT:
        return isUnsigned ? Fixed(adUnsignedTinyInt, ValueKind::UI1, SQL_C_UTINYINT, 1, 1)
                          : Fixed(adTinyInt, ValueKind::I1, SQL_C_STINYINT, 1, 1);
    case SQL_SMALLINT:
        return isUnsigned ? Fixed(adUnsignedSmallInt, ValueKind::UI2, SQL_C_USHORT, 2, 2)
                          : Fixed(adSmallInt, ValueKind::I2, SQL_C_SSHORT, 2, 2);
    case SQL_INTEGER:
        // Fetched as 64 bits: an SQLite column declared INTEGER holds any 64-bit value, which a
        // 32-bit fetch would silently cut to its low half.
        return isUnsigned ? Fixed(adUnsignedInt, ValueKind::UI4, SQL_C_ULONG, 4, 4)
                          : Fixed(adInteger, ValueKind::I4, SQL_C_SBIGINT, 8, 4);
    case SQL_BIGINT:
        return isUnsigned ? Fixed(adUnsignedBigInt, ValueKind::UI8, SQL_C_UBIGINT, 8, 8)
                          : Fixed(adBigInt, ValueKind::I8, SQL_C_SBIGINT, 8, 8);
    case SQL_REAL:
        return Fixed(adSingle, ValueKind::R4, SQL_C_FLOAT, 4, 4);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return Fixed(adDouble, ValueKind::R8, SQL_C_DOUBLE, 8, 8);
    case SQL_BIT:
        return Fixed(adBoolean, ValueKind::Bool, SQL_C_BIT, 1, 2);
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return Fixed(adDBDate, ValueKind::Date, SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT), 6);
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return Fixed(adDBTime, ValueKind::Time, SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT), 6);
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return Fixed(adDBTimeStamp, ValueKind::Timestamp, SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT),
                     16);
    case SQL_NUMERIC:
    case SQL_DECIMAL: {
        // Text keeps the sign and the scale the driver gives; not every driver has SQL_C_NUMERIC.
        SQLULEN chars = columnSize + 3;  // sign, point, exponent mark
        if (chars < 64)
            chars = 64;
        if (chars > 1024)
            chars = 1024;
        return Fixed(sqlType == SQL_NUMERIC ? adNumeric : adDecimal, ValueKind::Numeric, SQL_C_CHAR,
                     static_cast<SQLLEN>(chars + 1), 19);
    }
    case SQL_CHAR:
        return Text(adChar, columnSize, false, true, generousText);
    case SQL_WCHAR:
        return Text(adWChar, columnSize, false, true, generousText);
    case SQL_VARCHAR:
        return Text(adVarChar, columnSize, false, false, generousText);
    case SQL_WVARCHAR:
        return Text(adVarWChar, columnSize, false, false, generousText);
    case SQL_LONGVARCHAR:
        return Text(adLongVarChar, columnSize, true, false, generousText);
    case SQL_WLONGVARCHAR:
        return Text(adLongVarWChar, columnSize, true, false, generousText);
    case SQL_BINARY:
        return Binary(adBinary, true);
    case SQL_VARBINARY:
        return Binary(adVarBinary, false);
    case SQL_LONGVARBINARY:
        return Binary(adLongVarBinary, false);
    case SQL_GUID:
        return Text(adGUID, 36, false, true, false);
    default:
        // Anything else is read as text.
        return Text(adVarChar, columnSize == 0 ? 255 : columnSize, false, false, generousText);
    }
}

}  // namespace detail
}  // namespace ado
