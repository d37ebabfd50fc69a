// Writes a one-million-row data file from the sample database through the whole table path
// (query model, OpenTable, WriteTable with the formatters) and reads the same query with a plain
// ODBC loop (SQLFetch and SQLGetData per column) in the same run; prints the ratio.

#include <benchmark/benchmark.h>

#include "ODBCDataAccess.h"
#include "TaskFactory.h"
#include "TestOdbcEnv.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <unistd.h>

// The framework asks the program for its task; this benchmark has no engine.
AppTaskBase* createExtractionTask()
{
    return nullptr;
}

namespace {

const long kRows = 1000000;
const char kQuery[] = "SELECT ID, SchoolID, Name, Code, StartDate, Stamp, Amount, Score FROM BenchRows";

std::string g_connect;
std::string g_folder;
long g_written = 0;
long g_read = 0;
std::uintmax_t g_fileBytes = 0;

class BenchTask : public ODBCDataAccess
{
public:
    BenchTask() : ODBCDataAccess(0, DbSybaseOdbc) {}
};

PDEWriter::ValueOperation Op(XString (DataAccessBase::*op)())
{
    return DataAccessBase::AsValueOperation(op);
}

void BM_WriteTable(benchmark::State& state)
{
    for (auto _ : state) {
        BenchTask task;
        task.SetOutputFolder(g_folder.c_str());
        task.Connect(g_connect.c_str());
        task.StartOutputTable("Bench Rows", "BenchRows.pef", false);
        ODBCTable* t = task.AddTable("BenchRows", "b", false);
        task.AddFieldColumn(t, "ID", Op(&DataAccessBase::FormatText), "ID");
        task.AddFieldColumn(t, "SchoolID", Op(&DataAccessBase::FormatInt), "SchoolID");
        task.AddFieldColumn(t, "Name", Op(&DataAccessBase::FormatText), "Name");
        task.AddFieldColumn(t, "Code", Op(&DataAccessBase::FormatText), "Code");
        task.AddFieldColumn(t, "StartDate", Op(&DataAccessBase::FormatDate), "StartDate");
        task.AddFieldColumn(t, "Stamp", Op(&DataAccessBase::FormatDateTime), "Stamp");
        task.AddFieldColumn(t, "Amount", Op(&DataAccessBase::FormatMoney), "Amount");
        task.AddFieldColumn(t, "Score", Op(&DataAccessBase::FormatText), "Score");
        g_written = task.WriteTable(nullptr, XString());
        task.EndOutputTable();
        task.Disconnect();
        g_fileBytes = std::filesystem::file_size(g_folder + "/BenchRows.pef");
    }
}

void BM_PlainOdbc(benchmark::State& state)
{
    for (auto _ : state) {
        SQLHENV env;
        SQLHDBC dbc;
        SQLHSTMT st;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(&g_connect[0]), SQL_NTS, nullptr,
                                            0, nullptr, SQL_DRIVER_NOPROMPT))) {
            state.SkipWithError("connect failed");
            return;
        }
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kQuery)), SQL_NTS);
        long rows = 0;
        long long sum = 0;
        SQLINTEGER i = 0;
        char text[256];
        SQL_DATE_STRUCT date;
        SQL_TIMESTAMP_STRUCT stamp;
        double real = 0;
        SQLLEN ind = 0;
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            ++rows;
            SQLGetData(st, 1, SQL_C_SLONG, &i, 0, &ind);
            sum += i;
            SQLGetData(st, 2, SQL_C_SLONG, &i, 0, &ind);
            sum += i;
            SQLGetData(st, 3, SQL_C_CHAR, text, sizeof text, &ind);
            sum += ind;
            SQLGetData(st, 4, SQL_C_CHAR, text, sizeof text, &ind);
            sum += ind;
            SQLGetData(st, 5, SQL_C_TYPE_DATE, &date, sizeof date, &ind);
            sum += date.day;
            SQLGetData(st, 6, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &ind);
            sum += stamp.second;
            SQLGetData(st, 7, SQL_C_DOUBLE, &real, 0, &ind);
            sum += static_cast<long long>(real);
            SQLGetData(st, 8, SQL_C_DOUBLE, &real, 0, &ind);
            sum += static_cast<long long>(real);
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
        g_read = rows;
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(BM_WriteTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_PlainOdbc)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            double& best = best_.emplace(run.run_name.function_name, std::numeric_limits<double>::max()).first->second;
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

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/bench_dataaccessXXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_folder = pattern;
    const std::string db = g_folder + "/bench.db";
    const std::string command =
        std::string("\"") + VH_SAMPLEDB_EXE + "\" \"" + db + "\" 40 --bench-rows=" + std::to_string(kRows);
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not generate %s\n", db.c_str());
        std::filesystem::remove_all(g_folder);
        return 1;
    }
    UseSampleOdbc();  // the driver registrations
    g_connect = "Driver=SQLite3;Database=" + db + ";NoCreat=1;StepAPI=1;";

    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::filesystem::remove_all(g_folder);

    const double table = reporter.Best("BM_WriteTable");
    const double plain = reporter.Best("BM_PlainOdbc");
    if (table <= 0.0 || plain <= 0.0) {
        std::printf("ratio not measured\n");
        return 1;
    }
    const bool complete = g_written == kRows && g_read == kRows;
    const double ratio = table / plain;
    std::printf("WriteTable %.1f ms (%ld lines, %ju bytes), plain ODBC read %.1f ms (%ld rows), ratio %.3f (limit 1.5)\n",
                table, g_written, g_fileBytes, plain, g_read, ratio);
    return ratio <= 1.5 && complete ? 0 : 1;
}
