// Block fetching of a statement's rows and reading of their values.

#include "ResultBlock.h"

#include "AdoTypes.h"
#include "Decimal.h"
#include "OdbcDiag.h"
#include "OleDate.h"

#include <cstring>

namespace ado {
namespace detail {

namespace {

const char kRecordsetSource[] = "ADODB.Recordset";
const char kFieldSource[] = "ADODB.Field";

template <typename T> T Load(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool IsIntegerType(SQLSMALLINT t)
{
    return t == SQL_TINYINT || t == SQL_SMALLINT || t == SQL_INTEGER || t == SQL_BIGINT;
}

}  // namespace

ResultBlock::ResultBlock(SQLHDBC dbc, const GetDataSupport& support, long commandTimeout,
                         std::vector<Error>* errors)
    : support_(support), errors_(errors)
{
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_))) {
        stmt_ = SQL_NULL_HSTMT;
        ThrowOdbcError(SQL_HANDLE_DBC, dbc, kRecordsetSource, errors_, "Could not create a statement.");
    }
    // A driver without query time-outs just ignores it.
    SQLSetStmtAttr(
        stmt_, SQL_ATTR_QUERY_TIMEOUT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(commandTimeout < 0 ? 0 : commandTimeout)), 0);
}

ResultBlock::~ResultBlock()
{
    if (stmt_ != SQL_NULL_HSTMT) {
        // Nothing can be reported from here; the driver drops the statement with its handle.
        SQLFreeStmt(stmt_, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    }
}

void ResultBlock::Fail(const std::string& source, const std::string& fallback)
{
    ThrowOdbcError(SQL_HANDLE_STMT, stmt_, source, errors_, fallback);
}

bool ResultBlock::Open(const std::string& sql)
{
    SQLRETURN rc = SQLPrepare(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
    if (!Succeeded(rc))
        Fail(kRecordsetSource, "The statement could not be prepared.");
    Execute();

    // Measured: the SQLite driver answers 0 for every SELECT; psqlODBC gives the
    // full count (it reads the whole result at execution), or -1 with UseDeclareFetch.
    // Only a positive answer is trusted, and only before the first fetch changes it.
    SQLLEN driverCount = -1;
    if (!Succeeded(SQLRowCount(stmt_, &driverCount)))
        driverCount = -1;

    SQLSMALLINT count = 0;
    if (!Succeeded(SQLNumResultCols(stmt_, &count)))
        Fail(kRecordsetSource, "The result columns could not be read.");
    if (count == 0)
        return false;
    Describe();
    Bind();
    FetchBlock();
    blockIndex_ = 0;
    row_ = 0;
    ++serial_;
    eof_ = bof_ = rowsFetched_ == 0;

    if (lastBlock_)
        recordCount_ = static_cast<long>(rowsFetched_);  // the whole result is in the first block
    else if (driverCount > 0)
        recordCount_ = static_cast<long>(driverCount);
    else
        recordCount_ = -1;
    return true;
}

void ResultBlock::Execute()
{
    const SQLRETURN rc = SQLExecute(stmt_);
    if (!Succeeded(rc) && rc != SQL_NO_DATA)
        Fail(kRecordsetSource, "The statement could not be run.");
}

void ResultBlock::Describe()
{
    SQLSMALLINT count = 0;
    if (!Succeeded(SQLNumResultCols(stmt_, &count)))
        Fail(kRecordsetSource, "The result columns could not be read.");
    columns_.clear();
    columns_.resize(static_cast<std::size_t>(count));
    cells_.assign(static_cast<std::size_t>(count), Cell());
    // Without SQLGetData on blocks a truncated value cannot be read again, so
    // text buffers then leave room for values longer than declared.
    const bool generous = !(support_.block && support_.bound);
    for (SQLSMALLINT i = 0; i < count; ++i) {
        ColumnInfo& c = columns_[static_cast<std::size_t>(i)];
        SQLCHAR name[1024];
        SQLSMALLINT nameLength = 0, nullable = SQL_NULLABLE_UNKNOWN;
        const SQLRETURN rc = SQLDescribeCol(stmt_, static_cast<SQLUSMALLINT>(i + 1), name, sizeof name,
                                            &nameLength, &c.sqlType, &c.size, &c.digits, &nullable);
        if (!Succeeded(rc))
            Fail(kRecordsetSource, "The result columns could not be described.");
        const std::size_t n = nameLength < static_cast<SQLSMALLINT>(sizeof name)
                                  ? static_cast<std::size_t>(nameLength)
                                  : sizeof name - 1;
        c.name.assign(reinterpret_cast<const char*>(name), n);
        bool isUnsigned = false;
        if (IsIntegerType(c.sqlType)) {
            SQLLEN flag = SQL_FALSE;
            if (Succeeded(SQLColAttribute(stmt_, static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_UNSIGNED, nullptr,
                                          0, nullptr, &flag)))
                isUnsigned = flag == SQL_TRUE;
        }
        c.plan = PlanColumn(c.sqlType, c.size, c.digits, isUnsigned, generous);
        if (nullable == SQL_NULLABLE)
            c.attributes |= adFldIsNullable | adFldMayBeNull;
        else if (nullable == SQL_NULLABLE_UNKNOWN)
            c.attributes |= adFldMayBeNull;
        if (c.plan.isFixed)
            c.attributes |= adFldFixed;
        if (c.plan.isLong)
            c.attributes |= adFldLong;
    }
}

void ResultBlock::Bind()
{
    // Long columns stay unbound. A driver that reads unbound columns only after
    // the bound ones gets every column from the first long one on unbound.
    // A text value may be longer than its column declares (some drivers do not
    // keep to the size): a driver that cannot read a bound value again leaves
    // text unbound, and one that can do it only on a single row fetches one
    // row at a time when text is bound, so that every value is read whole.
    bool unboundSeen = false;
    bool textBound = false;
    std::size_t rowBytes = 0;
    for (ColumnInfo& c : columns_) {
        const bool text = c.plan.kind == ValueKind::Text;
        c.bound = !c.plan.isLong && !(text && !support_.bound) && (support_.anyColumn || !unboundSeen);
        if (!c.bound) {
            unboundSeen = true;
        } else {
            rowBytes += static_cast<std::size_t>(c.plan.width) + sizeof(SQLLEN);
            textBound = textBound || text;
        }
    }
    SQLULEN rows = 1;
    if (rowBytes > 0 && (!unboundSeen || support_.block) && (!textBound || support_.block)) {
        rows = kMaxBlockBytes / rowBytes;
        if (rows < 1)
            rows = 1;
        if (rows > kMaxBlockRows)
            rows = kMaxBlockRows;
    }
    // Binding by column is the default; setting it again cannot change what is bound.
    SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_BIND_TYPE,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_BIND_BY_COLUMN)), 0);
    if (!Succeeded(SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0)))
        rows = 1;
    SQLULEN actual = rows;
    if (Succeeded(SQLGetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, &actual, 0, nullptr)) && actual >= 1 &&
        actual <= rows)
        rows = actual;
    arraySize_ = rows;
    if (!Succeeded(SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &rowsFetched_, 0)))
        Fail(kRecordsetSource, "The row buffer could not be set.");

    for (std::size_t i = 0; i < columns_.size(); ++i) {
        ColumnInfo& c = columns_[i];
        const std::size_t slots = c.bound ? static_cast<std::size_t>(arraySize_) : 1;
        if (c.plan.width > 0)
            c.data.assign(static_cast<std::size_t>(c.plan.width) * slots, 0);
        c.indicator.assign(slots, SQL_NULL_DATA);
        if (!c.bound)
            continue;
        const SQLRETURN rc = SQLBindCol(stmt_, static_cast<SQLUSMALLINT>(i + 1), c.plan.cType, c.data.data(),
                                        c.plan.width, c.indicator.data());
        if (!Succeeded(rc))
            Fail(kRecordsetSource, "A result column could not be bound.");
    }
}

void ResultBlock::FetchBlock()
{
    rowsFetched_ = 0;
    const SQLRETURN rc = SQLFetch(stmt_);
    if (rc == SQL_NO_DATA) {
        rowsFetched_ = 0;
        lastBlock_ = true;
    } else if (!Succeeded(rc)) {
        Fail(kRecordsetSource, "The rows could not be fetched.");
    } else {
        lastBlock_ = rowsFetched_ < arraySize_;
    }
    positioned_ = 0;
}

void ResultBlock::MoveFirst()
{
    if (blockIndex_ == 0) {
        // The first block is still held: no need to run the statement again.
        row_ = 0;
        ++serial_;
        eof_ = bof_ = rowsFetched_ == 0;
        return;
    }
    // A cursor that failed to close makes the execution below fail, and that failure is thrown.
    SQLFreeStmt(stmt_, SQL_CLOSE);
    Execute();
    FetchBlock();
    blockIndex_ = 0;
    row_ = 0;
    ++serial_;
    eof_ = bof_ = rowsFetched_ == 0;
}

void ResultBlock::MoveNext()
{
    if (eof_)
        throw ComError(
            adErrNoCurrentRecord, kRecordsetSource,
            "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
            "requires a current record.");
    bof_ = false;
    ++serial_;
    if (++row_ < rowsFetched_)
        return;
    if (lastBlock_) {
        eof_ = true;
        return;
    }
    FetchBlock();
    ++blockIndex_;
    row_ = 0;
    if (rowsFetched_ == 0)
        eof_ = true;
}

void ResultBlock::RequireCurrentRow(const char* source) const
{
    if (eof_ || bof_ || row_ >= rowsFetched_)
        throw ComError(
            adErrNoCurrentRecord, source,
            "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
            "requires a current record.");
}

void ResultBlock::Position()
{
    if (arraySize_ <= 1 || positioned_ == serial_)
        return;
    const SQLRETURN rc =
        SQLSetPos(stmt_, static_cast<SQLSETPOSIROW>(row_ + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE);
    if (!Succeeded(rc))
        Fail(kFieldSource, "The current row could not be positioned.");
    positioned_ = serial_;
}

bool ResultBlock::RepairableTruncation() const
{
    return support_.bound && (arraySize_ == 1 || support_.block);
}

bool ResultBlock::IsTruncated(const ColumnInfo& c, SQLLEN ind) const
{
    if (c.plan.kind != ValueKind::Text && c.plan.kind != ValueKind::Numeric)
        return false;
    return ind == SQL_NO_TOTAL || ind >= c.plan.width;
}

Cell& ResultBlock::LoadCell(int column)
{
    Cell& cell = cells_[static_cast<std::size_t>(column)];
    if (cell.serial == serial_)
        return cell;
    if (!support_.anyOrder) {
        // Earlier unbound columns first, in column order.
        for (int j = 0; j < column; ++j) {
            if (!columns_[static_cast<std::size_t>(j)].bound &&
                cells_[static_cast<std::size_t>(j)].serial != serial_)
                LoadCell(j);
        }
    }
    Position();
    cell.bytes.clear();
    cell.isNull = false;
    cell.chunkOffset = 0;
    ReadWhole(column, cell);
    cell.serial = serial_;
    return cell;
}

void ResultBlock::ReadWhole(int column, Cell& cell)
{
    ColumnInfo& c = columns_[static_cast<std::size_t>(column)];
    const auto number = static_cast<SQLUSMALLINT>(column + 1);
    const ValueKind kind = c.plan.kind;
    if (kind != ValueKind::Text && kind != ValueKind::Binary && kind != ValueKind::Numeric) {
        // A fixed-length value of an unbound column.
        const SQLRETURN rc =
            SQLGetData(stmt_, number, c.plan.cType, c.data.data(), c.plan.width, c.indicator.data());
        if (!Succeeded(rc))
            Fail(kFieldSource, "The value could not be read.");
        cell.isNull = c.indicator[0] == SQL_NULL_DATA;
        return;
    }
    const bool isChar = c.plan.cType == SQL_C_CHAR;
    const SQLSMALLINT cType = kind == ValueKind::Binary ? SQL_C_BINARY : SQL_C_CHAR;
    if (chunk_.empty())
        chunk_.resize(64 * 1024);
    std::vector<char>& buffer = chunk_;
    const SQLLEN room = static_cast<SQLLEN>(buffer.size()) - (isChar ? 1 : 0);
    for (bool first = true;; first = false) {
        SQLLEN ind = 0;
        const SQLRETURN rc =
            SQLGetData(stmt_, number, cType, buffer.data(), static_cast<SQLLEN>(buffer.size()), &ind);
        if (rc == SQL_NO_DATA)
            break;
        if (!Succeeded(rc))
            Fail(kFieldSource, "The value could not be read.");
        if (ind == SQL_NULL_DATA) {
            cell.isNull = true;
            break;
        }
        if (first && ind != SQL_NO_TOTAL && ind > room)
            cell.bytes.reserve(static_cast<std::size_t>(ind));
        const bool more = ind == SQL_NO_TOTAL || ind > room;
        cell.bytes.append(buffer.data(), static_cast<std::size_t>(more ? room : ind));
        if (!more)
            break;
    }
}

long ResultBlock::Decode(const ColumnInfo& c, const unsigned char* p, SQLLEN ind, Variant& out) const
{
    // As the Variant factories set them, without temporaries.
    const auto bits = [&out](VARTYPE vt, std::uint64_t value) {
        out.Reset(vt);
        out.bits_ = value;
        return static_cast<long>(adFieldOK);
    };
    const auto real = [&out](VARTYPE vt, double value) {
        out.Reset(vt);
        out.real_ = value;
        return static_cast<long>(adFieldOK);
    };
    const auto signedBits = [](std::int64_t v) { return static_cast<std::uint64_t>(v); };
    switch (c.plan.kind) {
    case ValueKind::I1:
        return bits(VT_I1, signedBits(Load<std::int8_t>(p)));
    case ValueKind::UI1:
        return bits(VT_UI1, Load<std::uint8_t>(p));
    case ValueKind::I2:
        return bits(VT_I2, signedBits(Load<std::int16_t>(p)));
    case ValueKind::UI2:
        return bits(VT_UI2, Load<std::uint16_t>(p));
    case ValueKind::I4: {
        // Fetched as 64 bits; a value beyond the column's 32 bits stays whole.
        const std::int64_t v = Load<std::int64_t>(p);
        const bool fits = v >= INT32_MIN && v <= INT32_MAX;
        return bits(fits ? VT_I4 : VT_I8, signedBits(v));
    }
    case ValueKind::UI4:
        return bits(VT_UI4, Load<std::uint32_t>(p));
    case ValueKind::I8:
        return bits(VT_I8, signedBits(Load<std::int64_t>(p)));
    case ValueKind::UI8:
        return bits(VT_UI8, Load<std::uint64_t>(p));
    case ValueKind::R4:
        return real(VT_R4, Load<float>(p));
    case ValueKind::R8:
        return real(VT_R8, Load<double>(p));
    case ValueKind::Bool:
        return bits(VT_BOOL, signedBits(*p != 0 ? VARIANT_TRUE : VARIANT_FALSE));
    case ValueKind::Date: {
        const auto d = Load<SQL_DATE_STRUCT>(p);
        DateTimeParts parts;
        parts.year = d.year;
        parts.month = d.month;
        parts.day = d.day;
        double date = 0;
        if (!PartsToOleDate(parts, date))
            break;
        return real(VT_DATE, date);
    }
    case ValueKind::Time: {
        const auto t = Load<SQL_TIME_STRUCT>(p);
        DateTimeParts parts;  // the time on 1899-12-30
        parts.hour = t.hour;
        parts.minute = t.minute;
        parts.second = t.second;
        double date = 0;
        if (!PartsToOleDate(parts, date))
            break;
        return real(VT_DATE, date);
    }
    case ValueKind::Timestamp: {
        const auto t = Load<SQL_TIMESTAMP_STRUCT>(p);
        DateTimeParts parts;
        parts.year = t.year;
        parts.month = t.month;
        parts.day = t.day;
        parts.hour = t.hour;
        parts.minute = t.minute;
        parts.second = t.second;
        parts.nanosecond = t.fraction;
        double date = 0;
        if (!PartsToOleDate(parts, date))
            break;
        return real(VT_DATE, date);
    }
    case ValueKind::Numeric: {
        Decimal d;
        if (!Decimal::FromString(std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(ind)),
                                 d)) {
            out.Reset(VT_EMPTY);
            return adFieldCantConvertValue;
        }
        out.Reset(VT_DECIMAL);
        out.decimal_ = d;
        return adFieldOK;
    }
    case ValueKind::Text:
        out.Reset(VT_BSTR);
        out.text_.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(ind));
        return adFieldOK;
    case ValueKind::Binary:
        out.Reset(VT_ARRAY | VT_UI1);
        out.bytes_.assign(p, p + ind);
        return adFieldOK;
    }
    out.Reset(VT_EMPTY);
    return adFieldDataOverflow;
}

long ResultBlock::Status(int column)
{
    RequireCurrentRow(kFieldSource);
    const ColumnInfo& c = columns_[static_cast<std::size_t>(column)];
    if (c.bound) {
        const SQLLEN ind = c.indicator[row_];
        if (ind == SQL_NULL_DATA)
            return adFieldIsNull;
        if (IsTruncated(c, ind)) {
            if (!RepairableTruncation())
                return adFieldTruncated;
            Cell& cell = LoadCell(column);
            if (c.plan.kind == ValueKind::Numeric) {
                Decimal d;
                return Decimal::FromString(cell.bytes, d) ? adFieldOK : adFieldCantConvertValue;
            }
            return adFieldOK;
        }
        Variant scratch;
        return Decode(c, c.data.data() + row_ * static_cast<std::size_t>(c.plan.width), ind, scratch);
    }
    Cell& cell = LoadCell(column);
    if (cell.isNull)
        return adFieldIsNull;
    long status = adFieldOK;
    if (c.plan.kind == ValueKind::Numeric) {
        Decimal d;
        status = Decimal::FromString(cell.bytes, d) ? adFieldOK : adFieldCantConvertValue;
    } else if (c.plan.kind != ValueKind::Text && c.plan.kind != ValueKind::Binary) {
        Variant scratch;
        status = Decode(c, c.data.data(), c.indicator[0], scratch);
    }
    return status;
}

long ResultBlock::ActualSize(int column)
{
    RequireCurrentRow(kFieldSource);
    const ColumnInfo& c = columns_[static_cast<std::size_t>(column)];
    const bool variable = c.plan.kind == ValueKind::Text || c.plan.kind == ValueKind::Binary;
    if (c.bound) {
        const SQLLEN ind = c.indicator[row_];
        if (ind == SQL_NULL_DATA)
            return 0;
        if (!variable)
            return c.plan.actualSize;
        if (IsTruncated(c, ind) && RepairableTruncation())
            return static_cast<long>(LoadCell(column).bytes.size());
        return static_cast<long>(ind == SQL_NO_TOTAL || ind >= c.plan.width ? c.plan.width - 1 : ind);
    }
    Cell& cell = LoadCell(column);
    if (cell.isNull)
        return 0;
    return variable ? static_cast<long>(cell.bytes.size()) : c.plan.actualSize;
}

Variant ResultBlock::Value(int column)
{
    Variant v;
    ReadValue(column, v);
    return v;
}

void ResultBlock::ReadValue(int column, Variant& out)
{
    RequireCurrentRow(kFieldSource);
    const ColumnInfo& c = columns_[static_cast<std::size_t>(column)];
    long status = adFieldOK;
    if (c.bound) {
        const SQLLEN ind = c.indicator[row_];
        if (ind == SQL_NULL_DATA) {
            out.Reset(VT_NULL);
            return;
        }
        if (IsTruncated(c, ind)) {
            if (!RepairableTruncation())
                throw ComError(E_FAIL, kFieldSource,
                               "Variable-length data was truncated when reading from the data source.");
            Cell& cell = LoadCell(column);
            if (cell.isNull) {
                out.Reset(VT_NULL);
                return;
            }
            status = Decode(c, reinterpret_cast<const unsigned char*>(cell.bytes.data()),
                            static_cast<SQLLEN>(cell.bytes.size()), out);
        } else {
            status = Decode(c, c.data.data() + row_ * static_cast<std::size_t>(c.plan.width), ind, out);
        }
    } else {
        Cell& cell = LoadCell(column);
        if (cell.isNull) {
            out.Reset(VT_NULL);
            return;
        }
        if (c.plan.kind == ValueKind::Text) {
            out.Reset(VT_BSTR);
            out.text_ = cell.bytes;
            return;
        }
        if (c.plan.kind == ValueKind::Binary) {
            out.Reset(VT_ARRAY | VT_UI1);
            out.bytes_.assign(cell.bytes.begin(), cell.bytes.end());
            return;
        }
        if (c.plan.kind == ValueKind::Numeric)
            status = Decode(c, reinterpret_cast<const unsigned char*>(cell.bytes.data()),
                            static_cast<SQLLEN>(cell.bytes.size()), out);
        else
            status = Decode(c, c.data.data(), c.indicator[0], out);
    }
    if (status == adFieldDataOverflow)
        throw ComError(DISP_E_OVERFLOW, kFieldSource, "The value does not fit the field's data type.");
    if (status == adFieldCantConvertValue)
        throw ComError(DISP_E_TYPEMISMATCH, kFieldSource,
                       "The value cannot be converted to the field's data type.");
}

std::string ResultBlock::NumericText(int column)
{
    RequireCurrentRow(kFieldSource);
    const ColumnInfo& c = columns_[static_cast<std::size_t>(column)];
    if (c.plan.kind != ValueKind::Numeric)
        return std::string();
    if (c.bound) {
        const SQLLEN ind = c.indicator[row_];
        if (ind == SQL_NULL_DATA)
            return std::string();
        if (!IsTruncated(c, ind))
            return std::string(
                reinterpret_cast<const char*>(c.data.data() + row_ * static_cast<std::size_t>(c.plan.width)),
                static_cast<std::size_t>(ind));
        if (!RepairableTruncation())
            return std::string();
    }
    const Cell& cell = LoadCell(column);
    return cell.isNull ? std::string() : cell.bytes;
}

Variant ResultBlock::GetChunk(int column, long length)
{
    RequireCurrentRow(kFieldSource);
    const ColumnInfo& c = columns_[static_cast<std::size_t>(column)];
    if (!c.plan.isLong)
        throw ComError(adErrFeatureNotAvailable, kFieldSource,
                       "Object or provider is not capable of performing requested operation.");
    if (length < 0)
        throw ComError(
            adErrInvalidArgument, kFieldSource,
            "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one "
            "another.");
    Cell& cell = LoadCell(column);
    if (cell.isNull || cell.chunkOffset >= cell.bytes.size())
        return Variant::Null();
    const std::size_t n = std::min(static_cast<std::size_t>(length), cell.bytes.size() - cell.chunkOffset);
    const char* begin = cell.bytes.data() + cell.chunkOffset;
    cell.chunkOffset += n;
    if (c.plan.kind == ValueKind::Binary)
        return Variant::FromBytes(std::vector<std::uint8_t>(begin, begin + n));
    return Variant::FromString(std::string(begin, n));
}

}  // namespace detail
}  // namespace ado
