// A whole school at scale: for each data source, the program's full run ("run --all") and, after a
// change of 1% of the school's attendance rows, its daily run ("run --att"), each timed against a
// plain block-fetch read (SQLExecDirect, SQL_ATTR_ROW_ARRAY_SIZE, SQLBindCol) of exactly the
// statements that run sent, taken from the SQL lines of its log. Prints the ratios and the
// program's peak memory; given two sizes of the same source, the memory shows whether it grows
// with the rows.
//
//   bench_run <program> <label>=<dsn>,<user>,<password> ...
//
// ODBCSYSINI and ODBCINI name the data sources; bench/run/run_bench.sh generates the schools,
// moves their year over today and starts a PostgreSQL server for them.

#include "ChildRun.h"

#include <sql.h>
#include <sqlext.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const double kFullLimit = 1.3;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Hex(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string FromBase64(const std::string& text)
{
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int digit;
        if (c >= 'A' && c <= 'Z')
            digit = c - 'A';
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            digit = c - '0' + 52;
        else if (c == '+')
            digit = 62;
        else if (c == '/')
            digit = 63;
        else
            continue;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xff);
        }
    }
    return out;
}

std::string Day(int offset)
{
    const std::time_t when = std::time(nullptr) + static_cast<std::time_t>(offset) * 86400;
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&when));
    return text;
}

// One ODBC connection of the baseline.
class Odbc
{
public:
    explicit Odbc(const std::string& connect)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        std::string text = connect;
        m_ok = SQL_SUCCEEDED(SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(&text[0]), SQL_NTS,
                                              nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    }
    ~Odbc()
    {
        if (m_ok)
            SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    Odbc(const Odbc&) = delete;
    Odbc& operator=(const Odbc&) = delete;
    bool Ok() const { return m_ok; }

    // Runs the statement and reads every row in blocks; the rows read, or -1.
    long Read(const std::string& sql, long* firstValue = nullptr)
    {
        SQLHSTMT st = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st);
        const SQLULEN block = 1024;
        SQLSetStmtAttr(st, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
        SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(block), 0);
        SQLULEN fetched = 0;
        SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
        long rows = -1;
        if (SQL_SUCCEEDED(
                SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS))) {
            SQLSMALLINT columns = 0;
            SQLNumResultCols(st, &columns);
            std::vector<std::vector<char>> buffers(columns);
            std::vector<std::vector<SQLLEN>> lengths(columns, std::vector<SQLLEN>(block));
            std::vector<SQLLEN> widths(columns);
            for (SQLSMALLINT c = 0; c < columns; ++c) {
                SQLCHAR name[256];
                SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
                SQLULEN size = 0;
                SQLDescribeCol(st, static_cast<SQLUSMALLINT>(c + 1), name, sizeof name, &nameLength, &type,
                               &size, &digits, &nullable);
                widths[c] = static_cast<SQLLEN>(size > 0 && size < 1024 ? size + 1 : 1024);
                buffers[c].resize(static_cast<size_t>(widths[c]) * block);
                SQLBindCol(st, static_cast<SQLUSMALLINT>(c + 1), SQL_C_CHAR, buffers[c].data(), widths[c],
                           lengths[c].data());
            }
            rows = 0;
            SQLRETURN rc = SQL_NO_DATA;
            while (columns > 0 && SQL_SUCCEEDED(rc = SQLFetch(st))) {
                if (rows == 0 && fetched > 0 && firstValue)
                    *firstValue = std::atol(buffers[0].data());
                rows += static_cast<long>(fetched);
            }
            // A read that stops before the end of the rows is no read.
            if (rc != SQL_NO_DATA)
                rows = -1;
        }
        if (rows < 0)
            m_error = Diagnostic(st);
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return rows;
    }
    // The driver's text for the last statement that failed.
    const std::string& Error() const { return m_error; }
    bool Exec(const std::string& sql) { return Read(sql) >= 0; }

private:
    static std::string Diagnostic(SQLHSTMT st)
    {
        SQLCHAR state[6] = {0};
        SQLCHAR text[1024] = {0};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, st, 1, state, &native, text, sizeof text, &length)))
            return "no diagnostic";
        return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(text);
    }

    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_ok = false;
    std::string m_error;
};

struct Source
{
    std::string label, dsn, user, password;
    std::string extra;  // more connection attributes
    std::string Connect() const { return "DSN=" + dsn + ";UID=" + user + ";PWD=" + password + ";" + extra; }
};

using RunResult = bench::ChildRun;

RunResult RunProgram(const std::string& program, const Source& source, const char* mode,
                     const std::string& out)
{
    const std::vector<std::string> args = {program,
                                           "run",
                                           mode,
                                           "--school=100",
                                           "--dsn=" + source.dsn,
                                           "--user=" + source.user,
                                           "--pwdencode=" + Hex(source.password),
                                           "--filterdaily=true",
                                           "--filterperiod=true",
                                           "--path=" + out};
    return bench::RunChild(args);
}

// The SELECT statements that the run logged into the folder's log file after its connection
// search, in order; the log is then moved aside so that the next run's statements stand alone.
std::vector<std::string> LoggedStatements(const std::string& folder, const std::string& aside)
{
    std::vector<std::string> statements;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".log")
            continue;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("proprietary:", 0) != 0) {
                // The connection search tries the dialects and prefixes that fail on this
                // database; the run's own statements start after it.
                if (line.find("Connection Successful, using ") != std::string::npos)
                    statements.clear();
                continue;
            }
            const std::string text = FromBase64(line.substr(12));
            // "<title>:<time>: Proprietary   <method>: <message>"; the SQL has no method.
            const size_t level = text.find(": Proprietary");
            if (level == std::string::npos)
                continue;
            size_t at = level + 13;
            while (at < text.size() && text[at] == ' ')
                ++at;
            if (text.compare(at, 2, ": ") == 0 && text.compare(at + 2, 7, "SELECT ") == 0)
                statements.push_back(text.substr(at + 2));
        }
        in.close();
        fs::rename(entry.path(), fs::path(aside) / name);
        break;
    }
    return statements;
}

struct Plain
{
    double seconds = 0;
    long rows = 0;
    bool ok = true;
};

Plain PlainRead(const Source& source, const std::vector<std::string>& statements, const char* setup = nullptr)
{
    Plain plain;
    const auto start = std::chrono::steady_clock::now();
    Odbc odbc(source.Connect());
    if (!odbc.Ok() || (setup && !odbc.Exec(setup)))
        return Plain{0, 0, false};
    for (const std::string& sql : statements) {
        const long rows = odbc.Read(sql);
        if (rows < 0) {
            // A statement left out would make the plain read look faster than it is.
            std::fprintf(stderr, "%s: the plain read failed (%s) on: %s\n", source.label.c_str(),
                         odbc.Error().c_str(), sql.c_str());
            plain.ok = false;
            continue;
        }
        plain.rows += rows;
    }
    plain.seconds = Seconds(start);
    return plain;
}

// The attendance lines of the newest update file.
long UpdateLines(const std::string& folder)
{
    fs::path newest;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("Update ", 0) == 0 && entry.path().extension() == ".PDU" &&
            (newest.empty() || name > newest.filename().string()))
            newest = entry.path();
    }
    std::ifstream in(newest);
    std::string line;
    long lines = 0;
    bool data = false;
    while (std::getline(in, line)) {
        if (line.rfind("// Cached ", 0) == 0) {
            data = true;
            std::getline(in, line);  // the titles
        } else if (line.rfind("*", 0) == 0) {
            data = false;
        } else if (data) {
            ++lines;
        }
    }
    return lines;
}

long Count(Odbc& odbc, const std::string& sql)
{
    long value = -1;
    odbc.Read(sql, &value);
    return value;
}

// Changes the codes of 1% of the school's attendance rows, all of them in the days that a daily
// run reads again; the number of rows changed.
long ChangeOnePercent(const Source& source, long& total)
{
    Odbc odbc(source.Connect());
    if (!odbc.Ok())
        return -1;
    total = Count(odbc, "SELECT COUNT(*) FROM Attendance WHERE SchoolID = 100");
    const std::string days =
        "SchoolID = 100 AND ATT_Date >= '" + Day(-10) + "' AND ATT_Date < '" + Day(0) + "'";
    const long recent = Count(odbc, "SELECT COUNT(*) FROM Attendance WHERE " + days);
    if (total <= 0 || recent <= 0)
        return -1;
    const long every = std::max(1L, recent / std::max(1L, total / 100));
    const std::string rows = days + " AND ID % " + std::to_string(every) + " = 0";
    const long changed = Count(odbc, "SELECT COUNT(*) FROM Attendance WHERE " + rows);
    if (!odbc.Exec("UPDATE Attendance SET Attendance_CodeID = Attendance_CodeID + 1000000 WHERE " + rows))
        return -1;
    return changed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_run <program> <label>=<dsn>,<user>,<password> ...\n");
        return 2;
    }
    const std::string program = argv[1];
    char pattern[] = "/tmp/bench_runXXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string work = pattern;
    bool good = true;
    std::printf("%-14s %9s %9s %7s %9s | %9s %9s %9s %7s | %9s %9s\n", "source", "full s", "plain s", "ratio",
                "rows", "changed", "daily s", "plain s", "ratio", "full MiB", "daily MiB");
    for (int i = 2; i < argc; ++i) {
        const std::string spec = argv[i];
        Source source;
        const size_t eq = spec.find('=');
        const size_t c1 = spec.find(',', eq);
        const size_t c2 = spec.find(',', c1 + 1);
        if (eq == std::string::npos || c1 == std::string::npos || c2 == std::string::npos) {
            std::fprintf(stderr, "bad source: %s\n", spec.c_str());
            return 2;
        }
        source.label = spec.substr(0, eq);
        source.dsn = spec.substr(eq + 1, c1 - eq - 1);
        source.user = spec.substr(c1 + 1, c2 - c1 - 1);
        source.password = spec.substr(c2 + 1);
        const std::string out = work + "/" + source.label;
        const std::string aside = work + "/" + source.label + "-logs";
        fs::create_directories(out);
        fs::create_directories(aside + "/full");
        fs::create_directories(aside + "/daily");

        // A first full run into a folder of its own brings the source into the system's file
        // cache, so that the timed run and the plain read that follows it both start warm.
        const std::string warm = work + "/" + source.label + "-warm";
        fs::create_directories(warm);
        RunProgram(program, source, "--all", warm);
        fs::remove_all(warm);
        const RunResult full = RunProgram(program, source, "--all", out);
        const std::vector<std::string> fullSql = LoggedStatements(out, aside + "/full");
        const Plain fullPlain = PlainRead(source, fullSql);
        long total = 0;
        const long changed = ChangeOnePercent(source, total);
        const RunResult daily = RunProgram(program, source, "--att", out);
        const long exported = UpdateLines(out);
        const std::vector<std::string> dailySql = LoggedStatements(out, aside + "/daily");
        const Plain dailyPlain = PlainRead(source, dailySql);
        if (!full.ok || !daily.ok || changed < 0) {
            std::fprintf(stderr, "%s: a run failed (see %s)\n", source.label.c_str(), out.c_str());
            good = false;
            continue;
        }
        if (!fullPlain.ok || !dailyPlain.ok || fullSql.empty() || dailySql.empty()) {
            std::fprintf(stderr, "%s: the plain read of the runs' statements failed or found none\n",
                         source.label.c_str());
            good = false;
            continue;
        }
        const double fullRatio = full.seconds / fullPlain.seconds;
        const double dailyRatio = daily.seconds / dailyPlain.seconds;
        std::printf("%-14s %9.2f %9.2f %7.2f %9ld | %9ld %9.2f %9.2f %7.2f | %9.1f %9.1f\n",
                    source.label.c_str(), full.seconds, fullPlain.seconds, fullRatio, fullPlain.rows, changed,
                    daily.seconds, dailyPlain.seconds, dailyRatio, full.peakKb / 1024.0,
                    daily.peakKb / 1024.0);
        std::printf("%-14s %ld attendance rows of school 100; %zu statements in the full run, %zu in the "
                    "daily run; %ld attendance lines sent by the daily run\n",
                    "", total, fullSql.size(), dailySql.size(), exported);
        if (source.label.rfind("pg", 0) == 0) {
            // The program reads PostgreSQL through a server-side cursor (its memory then stays
            // flat), which PostgreSQL never runs with parallel workers; the same read for scale.
            Source cursor = source;
            cursor.extra = "UseDeclareFetch=1;Fetch=10000;";
            const Plain viaCursor = PlainRead(cursor, fullSql, "SET cursor_tuple_fraction = 1");
            if (viaCursor.ok)
                std::printf("%-14s plain read through a server-side cursor: %.2f s, full run ratio %.2f\n",
                            "", viaCursor.seconds, full.seconds / viaCursor.seconds);
        }
        std::fflush(stdout);
        good = good && fullRatio <= kFullLimit;
    }
    std::printf("goal: the full run within %.1f times the plain read\n", kFullLimit);
    if (!std::getenv("VH_BENCH_KEEP"))
        fs::remove_all(work);
    else
        std::printf("kept: %s\n", work.c_str());
    return good ? 0 : 1;
}
