// The PostgreSQL script sink of the sample tables.

#include "PgScriptSink.h"

#include <stdexcept>

namespace sampledb {

namespace {

std::string PgType(const ColumnDef& c)
{
    switch (c.kind) {
    case ColumnKind::Integer:
        return "integer";
    case ColumnKind::BigInt:
    case ColumnKind::WideInt:
        return "bigint";
    case ColumnKind::SmallInt:
        return "smallint";
    case ColumnKind::Text:
        return c.size > 0 ? "varchar(" + std::to_string(c.size) + ")" : "text";
    case ColumnKind::LongText:
        return "text";
    case ColumnKind::Date:
        return "date";
    case ColumnKind::Time:
        return "time";
    case ColumnKind::Timestamp:
        return "timestamp";
    case ColumnKind::Double:
        return "double precision";
    case ColumnKind::Numeric:
        if (c.size == 0)
            return "numeric";
        return "numeric(" + std::to_string(c.size) + "," + std::to_string(c.scale) + ")";
    case ColumnKind::Boolean:
        return "boolean";
    case ColumnKind::Blob:
        return "bytea";
    }
    return "text";
}

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "''";
        else
            out += c;
    }
    return out + "'";
}

std::string Literal(const Value& v, const ColumnDef& c)
{
    static const char kHex[] = "0123456789abcdef";
    switch (v.type) {
    case Value::Type::Null:
        return "NULL";
    case Value::Type::Integer:
        if (c.kind == ColumnKind::Boolean)
            return v.integer ? "true" : "false";
        return std::to_string(v.integer);
    case Value::Type::Real: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.17g", v.real);
        return buffer;
    }
    case Value::Type::Text:
        return Quoted(v.text);
    case Value::Type::Blob: {
        std::string hex = "'\\x";
        for (unsigned char b : v.text) {
            hex += kHex[b >> 4];
            hex += kHex[b & 15];
        }
        return hex + "'::bytea";
    }
    }
    return "NULL";
}

}  // namespace

PgScriptSink::PgScriptSink(const std::string& path, const std::string& schema) : path_(path), schema_(schema)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_)
        throw std::runtime_error("cannot write " + path);
    Write("BEGIN;\nDROP SCHEMA IF EXISTS " + schema_ + " CASCADE;\nCREATE SCHEMA " + schema_ + ";\n");
}

PgScriptSink::~PgScriptSink()
{
    if (file_)
        std::fclose(file_);
}

void PgScriptSink::Write(const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        throw std::runtime_error("cannot write " + path_);
}

void PgScriptSink::CreateTable(const std::string& name, const std::vector<ColumnDef>& columns)
{
    std::string sql = "CREATE TABLE " + schema_ + "." + name + " (";
    for (size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + columns[i].name + " " + PgType(columns[i]);
    Write(sql + ");\n");
}

void PgScriptSink::BeginRows(const std::string& table, const std::vector<ColumnDef>& columns)
{
    table_ = table;
    columns_ = columns;
}

void PgScriptSink::AddRow(const Row& row)
{
    if (row.size() != columns_.size())
        throw std::runtime_error("row of " + table_ + " has the wrong number of values");
    std::string sql = "INSERT INTO " + schema_ + "." + table_ + " VALUES (";
    for (size_t i = 0; i < row.size(); ++i)
        sql += (i ? ", " : "") + Literal(row[i], columns_[i]);
    Write(sql + ");\n");
}

void PgScriptSink::EndRows()
{
    table_.clear();
    columns_.clear();
}

void PgScriptSink::Execute(const std::string& sql)
{
    Write(sql + ";\n");
}

void PgScriptSink::CreateIndex(const std::string& table, const std::string& name, const std::string& columns)
{
    Write("CREATE INDEX " + table + "_" + name + " ON " + schema_ + "." + table + " (" + columns + ");\n");
}

void PgScriptSink::Finish()
{
    Write("CREATE VIEW " + schema_ +
          ".all_tab_columns AS SELECT table_schema::text AS owner, "
          "table_name::text AS table_name, column_name::text AS column_name FROM information_schema.columns "
          "WHERE table_schema NOT IN ('pg_catalog','information_schema');\nCOMMIT;\n");
    const int rc = std::fclose(file_);
    file_ = nullptr;
    if (rc != 0)
        throw std::runtime_error("cannot write " + path_);
}

}  // namespace sampledb
