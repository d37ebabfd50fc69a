#pragma once

// How a result column is typed for ADO and fetched from the driver.

#include <sql.h>
#include <sqlext.h>

namespace ado {
namespace detail {

enum class ValueKind
{
    I1,
    UI1,
    I2,
    UI2,
    I4,
    UI4,
    I8,
    UI8,
    R4,
    R8,
    Bool,
    Date,
    Time,
    Timestamp,
    Numeric,  // fetched as text, given as DECIMAL
    Text,
    Binary,
};

struct ColumnPlan
{
    long adoType = 0;  // DataTypeEnum
    ValueKind kind = ValueKind::Text;
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLLEN width = 0;      // bytes per bound value
    bool isLong = false;   // read with SQLGetData in chunks, never bound
    bool isFixed = false;  // fixed-length type
    long actualSize = 0;   // ActualSize of a fixed-length value
};

// Longest text column, in characters, that is bound rather than read in chunks.
constexpr SQLULEN kMaxBoundChars = 4000;

// generousText: the driver cannot re-read a value truncated in a block, so text
// buffers leave room for values longer than the declared size.
ColumnPlan PlanColumn(SQLSMALLINT sqlType, SQLULEN columnSize, SQLSMALLINT decimalDigits, bool isUnsigned,
                      bool generousText);

}  // namespace detail
}  // namespace ado
