// The SQLite sink, values and the deterministic random source of the sample tables.

#include "SampleDb.h"

#include <sqlite3.h>

#include <cstdio>
#include <stdexcept>

namespace sampledb {

Value Value::Int(std::int64_t v)
{
    Value r;
    r.type = Type::Integer;
    r.integer = v;
    return r;
}

Value Value::Real(double v)
{
    Value r;
    r.type = Type::Real;
    r.real = v;
    return r;
}

Value Value::Str(std::string v)
{
    Value r;
    r.type = Type::Text;
    r.text = std::move(v);
    return r;
}

Value Value::Bytes(std::string v)
{
    Value r;
    r.type = Type::Blob;
    r.text = std::move(v);
    return r;
}

namespace {

std::string SqliteType(const ColumnDef& c)
{
    switch (c.kind) {
    case ColumnKind::Integer:
    case ColumnKind::WideInt:
        return "INTEGER";
    case ColumnKind::BigInt:
        return "BIGINT";
    case ColumnKind::SmallInt:
        return "SMALLINT";
    case ColumnKind::Text:
        return "VARCHAR(" + std::to_string(c.size) + ")";
    case ColumnKind::LongText:
        return "TEXT";
    case ColumnKind::Date:
        return "DATE";
    case ColumnKind::Time:
        return "TIME";
    case ColumnKind::Timestamp:
        return "TIMESTAMP";
    case ColumnKind::Double:
        return "DOUBLE";
    case ColumnKind::Numeric:
        if (c.size == 0)
            return "NUMERIC";
        return "NUMERIC(" + std::to_string(c.size) + "," + std::to_string(c.scale) + ")";
    case ColumnKind::Boolean:
        return "BOOLEAN";
    case ColumnKind::Blob:
        return "BLOB";
    }
    return "TEXT";
}

}  // namespace

SqliteSink::SqliteSink(const std::string& path)
{
    std::remove(path.c_str());
    Check(sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
          "open " + path);
    Execute("PRAGMA journal_mode=OFF");
    Execute("PRAGMA synchronous=OFF");
    Execute("BEGIN");
}

SqliteSink::~SqliteSink()
{
    if (insert_)
        sqlite3_finalize(insert_);
    if (db_)
        sqlite3_close(db_);
}

void SqliteSink::Check(int rc, const std::string& what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(what + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc)));
}

void SqliteSink::Execute(const std::string& sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throw std::runtime_error(sql + ": " + text);
    }
}

void SqliteSink::CreateTable(const std::string& name, const std::vector<ColumnDef>& columns)
{
    std::string sql = "CREATE TABLE " + name + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i)
            sql += ", ";
        sql += columns[i].name + " " + SqliteType(columns[i]);
    }
    Execute(sql + ")");
}

void SqliteSink::BeginRows(const std::string& table, const std::vector<ColumnDef>& columns)
{
    std::string sql = "INSERT INTO " + table + " VALUES (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += i ? ", ?" : "?";
    sql += ")";
    if (insert_)
        sqlite3_finalize(insert_);
    insert_ = nullptr;
    Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_, nullptr), sql);
}

void SqliteSink::AddRow(const Row& row)
{
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int n = static_cast<int>(i + 1);
        const Value& v = row[i];
        int rc = SQLITE_OK;
        switch (v.type) {
        case Value::Type::Null:
            rc = sqlite3_bind_null(insert_, n);
            break;
        case Value::Type::Integer:
            rc = sqlite3_bind_int64(insert_, n, v.integer);
            break;
        case Value::Type::Real:
            rc = sqlite3_bind_double(insert_, n, v.real);
            break;
        case Value::Type::Text:
            rc = sqlite3_bind_text(insert_, n, v.text.data(), static_cast<int>(v.text.size()),
                                   SQLITE_TRANSIENT);
            break;
        case Value::Type::Blob:
            rc = sqlite3_bind_blob(insert_, n, v.text.data(), static_cast<int>(v.text.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        Check(rc, "bind");
    }
    Check(sqlite3_step(insert_), "insert");
    sqlite3_reset(insert_);
}

void SqliteSink::EndRows()
{
    if (insert_)
        sqlite3_finalize(insert_);
    insert_ = nullptr;
}

void SqliteSink::Commit()
{
    Execute("COMMIT");
}

std::uint64_t Random::Next()
{
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1DULL;
}

int Random::Between(int low, int high)
{
    return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
}

double Random::Unit()
{
    return static_cast<double>(Next() >> 11) / 9007199254740992.0;
}

std::int64_t DaysSince1970(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy =
        (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::string IsoDate(std::int64_t days)
{
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(y), m, d);
    return buffer;
}

}  // namespace sampledb
