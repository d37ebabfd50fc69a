#pragma once

// Writing the sample school database. Tables are described once, by column kinds,
// and written through a sink, so that another database's SQL can be added as a
// second sink without touching the table functions.

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sampledb {

enum class ColumnKind
{
    Integer,
    BigInt,
    WideInt,  // INTEGER on SQLite (64 bits there whatever the declaration), bigint on PostgreSQL
    SmallInt,
    Text,
    LongText,
    Date,
    Time,
    Timestamp,
    Double,
    Numeric,
    Boolean,
    Blob
};

struct ColumnDef
{
    std::string name;
    ColumnKind kind;
    int size = 0;   // characters of Text, precision of Numeric
    int scale = 0;  // scale of Numeric
};

// One value of a row. Dates and times are ISO text ("YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS").
struct Value
{
    enum class Type
    {
        Null,
        Integer,
        Real,
        Text,
        Blob
    } type = Type::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;  // text, or the bytes of a blob

    static Value Null() { return Value(); }
    static Value Int(std::int64_t v);
    static Value Real(double v);
    static Value Str(std::string v);
    static Value Bytes(std::string v);
};

using Row = std::vector<Value>;

class Sink
{
public:
    virtual ~Sink() = default;
    virtual void CreateTable(const std::string& name, const std::vector<ColumnDef>& columns) = 0;
    virtual void BeginRows(const std::string& table, const std::vector<ColumnDef>& columns) = 0;
    virtual void AddRow(const Row& row) = 0;
    virtual void EndRows() = 0;
    virtual void Execute(const std::string& sql) = 0;
    // An index named <table>_<name> on the columns (such as "SchoolID, ATT_Date").
    virtual void CreateIndex(const std::string& table, const std::string& name, const std::string& columns)
    {
        Execute("CREATE INDEX " + table + "_" + name + " ON " + table + " (" + columns + ")");
    }
};

// An SQLite file, written in one transaction. Throws std::runtime_error on failure.
class SqliteSink : public Sink
{
public:
    explicit SqliteSink(const std::string& path);
    ~SqliteSink() override;
    SqliteSink(const SqliteSink&) = delete;
    SqliteSink& operator=(const SqliteSink&) = delete;

    void CreateTable(const std::string& name, const std::vector<ColumnDef>& columns) override;
    void BeginRows(const std::string& table, const std::vector<ColumnDef>& columns) override;
    void AddRow(const Row& row) override;
    void EndRows() override;
    void Execute(const std::string& sql) override;
    void Commit();

private:
    void Check(int rc, const std::string& what);
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};

// A deterministic pseudo-random source (xorshift64*), the same on every platform.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state_(seed ? seed : 1) {}
    std::uint64_t Next();
    int Between(int low, int high);  // inclusive
    double Unit();                   // [0, 1)

private:
    std::uint64_t state_;
};

// "YYYY-MM-DD" of a day counted from 1970-01-01.
std::string IsoDate(std::int64_t daysSince1970);
std::int64_t DaysSince1970(int year, int month, int day);

}  // namespace sampledb
