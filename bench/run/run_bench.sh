#!/usr/bin/env bash
# The scale benchmark of a whole school: generates the sample school at a quarter of the size and
# at the whole size, moves each one's school year over today, loads both into a throwaway
# PostgreSQL server, and runs bench_run on the four data sources (SQLite and PostgreSQL, two
# sizes).
#   bench/run/run_bench.sh <build folder> [students (20000)]
# VH_BENCH_PG_OPTIONS adds lines to the PostgreSQL data sources (for example "Fetch=1000").
set -euo pipefail
build=$(cd "$1" && pwd)
students=${2:-20000}
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../../tests/engine/pg_server.sh"
pg_server_start
userpw=$(secret)
# The SQLite driver takes any login; a random password, so that masking it in the log never
# touches a word of the SQL that the plain read takes from there.
sqlitepw=$(secret)
psql_as postgres "$superpw" postgres -c "CREATE ROLE vh_bench LOGIN PASSWORD '$userpw'" \
  -c "ALTER ROLE vh_bench SET search_path = vh, public"

# The whole weeks that bring the year's last day four weeks ahead of today.
shift_sql="(SELECT CAST((julianday('now') + 28 - julianday(MAX(LastDay))) / 7 AS INTEGER) * 7 FROM Terms)"
sources=()
{
  echo "[ODBC Data Sources]"
} >"$dir/odbc.ini"
for n in $((students / 4)) "$students"; do
  db=$dir/school-$n.db
  echo "generating $n students..."
  "$build/tools/vh-sampledb" "$db" "$n" --pg-script="$dir/school-$n.sql" >/dev/null
  days=$(sqlite3 "$db" "SELECT $shift_sql")
  sqlite3 "$db" "UPDATE Attendance SET ATT_Date = date(ATT_Date, '$days days') WHERE ATT_Date > '1901-01-01';
                 UPDATE Terms SET FirstDay = date(FirstDay, '$days days'), LastDay = date(LastDay, '$days days');"
  echo "loading $n students into PostgreSQL..."
  psql_as postgres "$superpw" postgres -c "CREATE DATABASE school_$n OWNER vh_bench"
  # Without the rows of the two tables (a row may run over several lines); they come from SQLite.
  awk '/^INSERT INTO vh\.(Attendance|Terms) VALUES/ { skip = 1 } !skip { print } skip && /\);$/ { skip = 0 }' \
    "$dir/school-$n.sql" |
    psql_as vh_bench "$userpw" "school_$n" >/dev/null
  rm -f "$dir/school-$n.sql"
  for table in Attendance Terms; do
    sqlite3 -csv "$db" "SELECT * FROM $table" |
      psql_as vh_bench "$userpw" "school_$n" -c "\\copy vh.$table FROM STDIN WITH (FORMAT csv)"
  done
  psql_as vh_bench "$userpw" "school_$n" -c "ANALYZE vh.attendance" -c "ANALYZE vh.terms"
  cat >>"$dir/odbc.ini" <<INI
[bench_sqlite_$n]
Driver=SQLite3
Database=$db
NoCreat=1
StepAPI=1
[bench_pg_$n]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=school_$n
${VH_BENCH_PG_OPTIONS:-}
INI
  sources+=("sqlite-$n=bench_sqlite_$n,bench,$sqlitepw" "pg-$n=bench_pg_$n,vh_bench,$userpw")
done

ODBCSYSINI="$build/testdata" ODBCINI="$dir/odbc.ini" "$build/bench/run/bench_run" "$build/varnholm-de" "${sources[@]}"
