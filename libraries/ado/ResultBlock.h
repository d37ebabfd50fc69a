#pragma once

// The cursor behind a Recordset: one ODBC statement, its columns, and the block of
// rows fetched last (column-wise bound arrays). Long values of the current row are
// read on demand with SQLGetData and kept until the cursor moves.

#include "ComError.h"
#include "TypeMap.h"
#include "Variant.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ado {
namespace detail {

// What the driver allows for SQLGetData (SQL_GETDATA_EXTENSIONS).
struct GetDataSupport
{
    bool anyColumn = false;  // unbound columns before bound ones
    bool anyOrder = false;   // unbound columns in any order
    bool block = false;      // with more than one row per fetch (after SQLSetPos)
    bool bound = false;      // on bound columns, to re-read a truncated value
};

struct ColumnInfo
{
    std::string name;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    long attributes = 0;
    ColumnPlan plan;
    bool bound = false;
    std::vector<unsigned char> data;  // rows * plan.width (one row when unbound)
    std::vector<SQLLEN> indicator;
};

// A value read with SQLGetData for the current row.
struct Cell
{
    std::uint64_t serial = 0;  // the row it belongs to; 0 = none
    bool isNull = false;
    std::string bytes;
    std::size_t chunkOffset = 0;
};

class ResultBlock
{
public:
    // Maximum rows and bytes of one block.
    static constexpr SQLULEN kMaxBlockRows = 1024;
    static constexpr std::size_t kMaxBlockBytes = 1u << 20;

    ResultBlock(SQLHDBC dbc, const GetDataSupport& support, long commandTimeout, std::vector<Error>* errors);
    ~ResultBlock();
    ResultBlock(const ResultBlock&) = delete;
    ResultBlock& operator=(const ResultBlock&) = delete;

    // Runs the statement and moves to the first row. False when it gives no columns.
    bool Open(const std::string& sql);
    void MoveFirst();
    void MoveNext();

    bool IsEOF() const { return eof_; }
    bool IsBOF() const { return bof_; }
    long RecordCount() const { return recordCount_; }
    SQLULEN BlockRows() const { return arraySize_; }

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const ColumnInfo& Column(int index) const { return columns_[static_cast<std::size_t>(index)]; }

    long Status(int column);
    long ActualSize(int column);
    Variant Value(int column);
    // The same value, decoded into value (whose text storage is reused).
    void ReadValue(int column, Variant& value);
    Variant GetChunk(int column, long length);
    // The text of a numeric value as the driver gave it; empty for NULL and other columns.
    std::string NumericText(int column);

private:
    void Describe();
    void Bind();
    void Execute();
    void FetchBlock();
    void RequireCurrentRow(const char* source) const;
    void Position();
    Cell& LoadCell(int column);
    void ReadWhole(int column, Cell& cell);
    bool RepairableTruncation() const;
    // Decodes a fixed-length value into out; answers the field status (out is left
    // unspecified unless adFieldOK).
    long Decode(const ColumnInfo& c, const unsigned char* p, SQLLEN ind, Variant& out) const;
    bool IsTruncated(const ColumnInfo& c, SQLLEN ind) const;
    [[noreturn]] void Fail(const std::string& source, const std::string& fallback);

    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    GetDataSupport support_;
    std::vector<Error>* errors_;
    std::vector<ColumnInfo> columns_;
    std::vector<Cell> cells_;
    std::vector<char> chunk_;  // SQLGetData buffer, allocated once
    SQLULEN arraySize_ = 1;
    SQLULEN rowsFetched_ = 0;
    SQLULEN row_ = 0;  // index in the block
    std::uint64_t blockIndex_ = 0;
    std::uint64_t serial_ = 1;  // changes whenever the current row does
    std::uint64_t positioned_ = 0;
    bool lastBlock_ = false;
    bool eof_ = true;
    bool bof_ = true;
    long recordCount_ = -1;
};

}  // namespace detail
}  // namespace ado
