// Writes a one-million-row data file from the sample database through the whole table path
// (query model, OpenTable, WriteTable with the formatters) and reads the same query with a plain
// ODBC loop (SQLFetch and SQLGetData per column) in the same run; prints the ratio and a hash
// of the written bytes. VH_BENCH_ROWS sets another row count (for profiling runs).

#include "BenchOdbc.h"
#include "BenchSupport.h"

#include "ODBCDataAccess.h"
#include "TestOdbcEnv.h"

#include <cstdint>
#include <fstream>

namespace {

const char kQuery[] = "SELECT ID, SchoolID, Name, Code, StartDate, Stamp, Amount, Score FROM BenchRows";

long g_rows = 1000000;
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

// FNV-1a of a file's bytes, to compare the output of two builds.
std::uint64_t FileHash(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::uint64_t hash = 14695981039346656037ull;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i)
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
    }
    return hash;
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
        bench::PlainStatement query(g_connect, kQuery);
        if (!query.Ok()) {
            state.SkipWithError("query failed");
            return;
        }
        SQLHSTMT st = query.Handle();
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
        g_read = rows;
        benchmark::DoNotOptimize(sum);
    }
}

BENCHMARK(BM_WriteTable)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);
BENCHMARK(BM_PlainOdbc)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);

}  // namespace

int main(int argc, char** argv)
{
    g_rows = bench::RowCount(g_rows);
    bench::TempFolder folder("bench_dataaccess");
    if (!folder.Ok())
        return 1;
    g_folder = folder.Path();
    const std::string db = g_folder + "/bench.db";
    if (!bench::GenerateSampleDb(VH_SAMPLEDB_EXE, db, g_rows))
        return 1;
    UseSampleOdbc();  // the driver registrations
    g_connect = bench::SampleConnectString(db);

    // The repetitions of both run in random order, so that a slow spell of the machine
    // falls on both sides of the ratio.
    std::vector<char*> args(argv, argv + argc + 1);  // with the closing null
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = argc + 1;
    benchmark::Initialize(&count, args.data());
    bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_written > 0)
        std::printf("written file: %ld lines, %ju bytes, hash %016llx\n", g_written, g_fileBytes,
                    static_cast<unsigned long long>(FileHash(g_folder + "/BenchRows.pef")));

    const double table = reporter.Best("BM_WriteTable");
    const double plain = reporter.Best("BM_PlainOdbc");
    if (table <= 0.0 || plain <= 0.0) {
        std::printf("ratio not measured\n");
        return 1;
    }
    const bool complete = g_written == g_rows && g_read == g_rows;
    const double ratio = table / plain;
    std::printf(
        "WriteTable %.1f ms (%ld lines), plain ODBC read %.1f ms (%ld rows), ratio %.3f (limit 1.5)\n", table,
        g_written, plain, g_read, ratio);
    return ratio <= 1.5 && complete ? 0 : 1;
}
