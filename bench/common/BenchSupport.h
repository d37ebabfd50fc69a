#pragma once

// What the benchmarks share: a reporter that keeps the fastest repetition of each
// benchmark, a scratch folder, the row count and the generated sample database.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

// Console output as usual, plus the fastest repetition of each benchmark.
class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            double& best =
                best_.emplace(run.run_name.function_name, std::numeric_limits<double>::max()).first->second;
            best = std::min(best, run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Best(const std::string& name) const
    {
        auto it = best_.find(name);
        return it == best_.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> best_;
};

// A fresh folder below /tmp, removed with everything in it at the end of its scope.
class TempFolder
{
public:
    explicit TempFolder(const char* prefix)
    {
        std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
        if (mkdtemp(&pattern[0]))
            path_ = pattern;
        else
            std::perror("mkdtemp");
    }
    ~TempFolder()
    {
        if (!path_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The row count: VH_BENCH_ROWS when set to a positive number (for profiling runs), else the default.
inline long RowCount(long fallback)
{
    const char* text = std::getenv("VH_BENCH_ROWS");
    const long rows = text ? std::atol(text) : 0;
    return rows > 0 ? rows : fallback;
}

// Writes the sample database with rows rows in its BenchRows table; false (and a message) on failure.
inline bool GenerateSampleDb(const char* generator, const std::string& db, long rows)
{
    const std::string command =
        std::string("\"") + generator + "\" \"" + db + "\" 40 --bench-rows=" + std::to_string(rows);
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not generate %s\n", db.c_str());
        return false;
    }
    return true;
}

// The connection string of the sample database through the SQLite ODBC driver.
inline std::string SampleConnectString(const std::string& db)
{
    return "Driver=SQLite3;Database=" + db + ";NoCreat=1;StepAPI=1;";
}

}  // namespace bench
