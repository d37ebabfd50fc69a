// Reads one million rows of eight mixed columns (integers, text, dates, decimals)
// through the ado layer, reading every field's Value, and through a plain ODBC
// loop (SQLFetch and SQLGetData per column) in the same run; prints the ratio.

#include "BenchOdbc.h"
#include "BenchSupport.h"

#include "Connection.h"
#include "Recordset.h"
#include "TestOdbcEnv.h"

#include <cmath>

namespace {

long g_rows = 1000000;
const char kQuery[] = "SELECT ID, SchoolID, Name, Code, StartDate, Stamp, Amount, Score FROM BenchRows";

std::string g_connect;

struct Totals
{
    long rows = 0;
    long long integers = 0;
    long long textBytes = 0;
    long long days = 0;
    double reals = 0;
    bool operator==(const Totals& o) const
    {
        return rows == o.rows && integers == o.integers && textBytes == o.textBytes && days == o.days &&
               std::abs(reals - o.reals) < 1e-3;
    }
};

Totals g_layer, g_plain;

// Days since 1899-12-30, as the plain loop turns a date structure into a number.
long long DayNumber(int y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468 + 25569;
}

void BM_AdoLayer(benchmark::State& state)
{
    for (auto _ : state) {
        ado::Connection connection;
        connection.Open(g_connect);
        ado::Recordset rs;
        rs.Open(kQuery, connection);
        ado::FieldCollection& f = rs.Fields();
        Totals t;
        for (; !rs.EndOfFile(); rs.MoveNext()) {
            ++t.rows;
            t.integers += f[0L].Value().I4();
            t.integers += f[1L].Value().I4();
            t.textBytes += static_cast<long long>(f[2L].Value().Str().size());
            t.textBytes += static_cast<long long>(f[3L].Value().Str().size());
            t.days += static_cast<long long>(f[4L].Value().Date());
            t.days += static_cast<long long>(f[5L].Value().Date());
            t.reals += f[6L].Value().R8();
            t.reals += f[7L].Value().R8();
        }
        g_layer = t;
        benchmark::DoNotOptimize(g_layer);
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
        Totals t;
        SQLINTEGER i = 0;
        char text[256];
        SQL_DATE_STRUCT date;
        SQL_TIMESTAMP_STRUCT stamp;
        double real = 0;
        SQLLEN ind = 0;
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            ++t.rows;
            SQLGetData(st, 1, SQL_C_SLONG, &i, 0, &ind);
            t.integers += ind == SQL_NULL_DATA ? 0 : i;
            SQLGetData(st, 2, SQL_C_SLONG, &i, 0, &ind);
            t.integers += ind == SQL_NULL_DATA ? 0 : i;
            SQLGetData(st, 3, SQL_C_CHAR, text, sizeof text, &ind);
            t.textBytes += ind > 0 ? ind : 0;
            SQLGetData(st, 4, SQL_C_CHAR, text, sizeof text, &ind);
            t.textBytes += ind > 0 ? ind : 0;
            SQLGetData(st, 5, SQL_C_TYPE_DATE, &date, sizeof date, &ind);
            t.days += DayNumber(date.year, date.month, date.day);
            SQLGetData(st, 6, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &ind);
            t.days += DayNumber(stamp.year, stamp.month, stamp.day);
            SQLGetData(st, 7, SQL_C_DOUBLE, &real, 0, &ind);
            t.reals += real;
            SQLGetData(st, 8, SQL_C_DOUBLE, &real, 0, &ind);
            t.reals += real;
        }
        g_plain = t;
        benchmark::DoNotOptimize(g_plain);
    }
}

BENCHMARK(BM_AdoLayer)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_PlainOdbc)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace

int main(int argc, char** argv)
{
    g_rows = bench::RowCount(g_rows);
    bench::TempFolder folder("bench_ado");
    if (!folder.Ok())
        return 1;
    const std::string db = folder.Path() + "/bench.db";
    if (!bench::GenerateSampleDb(VH_SAMPLEDB_EXE, db, g_rows))
        return 1;
    UseSampleOdbc();  // the driver registrations
    g_connect = bench::SampleConnectString(db);

    benchmark::Initialize(&argc, argv);
    bench::RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double layer = reporter.Best("BM_AdoLayer");
    const double plain = reporter.Best("BM_PlainOdbc");
    if (layer <= 0.0 || plain <= 0.0) {
        std::printf("ratio not measured\n");
        return 1;
    }
    const bool same = g_layer == g_plain && g_layer.rows == g_rows;
    const double ratio = layer / plain;
    std::printf(
        "ado layer %.1f ms, plain ODBC loop %.1f ms, ratio %.3f (limit 1.3), %ld rows, same values: %s\n",
        layer, plain, ratio, g_layer.rows, same ? "yes" : "no");
    return ratio <= 1.3 && same ? 0 : 1;
}
