#pragma once

// The sample tables as a PostgreSQL script: every table in one schema, and the
// view all_tab_columns that lets the source answer Oracle-style catalogue queries.

#include "SampleDb.h"

#include <cstdio>
#include <string>
#include <vector>

namespace sampledb {

class PgScriptSink : public Sink
{
public:
    // Opens the script and starts a transaction that creates the schema.
    PgScriptSink(const std::string& path, const std::string& schema);
    ~PgScriptSink() override;
    PgScriptSink(const PgScriptSink&) = delete;
    PgScriptSink& operator=(const PgScriptSink&) = delete;

    void CreateTable(const std::string& name, const std::vector<ColumnDef>& columns) override;
    void BeginRows(const std::string& table, const std::vector<ColumnDef>& columns) override;
    void AddRow(const Row& row) override;
    void EndRows() override;
    void Execute(const std::string& sql) override;
    void CreateIndex(const std::string& table, const std::string& name, const std::string& columns) override;
    // Adds the catalogue view, commits and closes; throws std::runtime_error when the file fails.
    void Finish();

private:
    void Write(const std::string& text);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string schema_;
    std::string table_;
    std::vector<ColumnDef> columns_;
};

}  // namespace sampledb
