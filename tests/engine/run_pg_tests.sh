#!/usr/bin/env bash
# Starts a throwaway PostgreSQL server on a free loopback port, loads the sample school
# data (schema vh) into it, runs the PostgreSQL end-to-end tests of test_engine against it
# through psqlODBC, and stops the server again.
#   run_pg_tests.sh <test_engine> <testdata folder with odbcinst.ini and school-pg.sql> [<test_ado>]
# With test_ado given, the data layer's own PostgreSQL test runs against the same server too.
# Exit code 77 (skipped) when no server binaries or no way to run them as postgres (pg_server.sh).
set -euo pipefail

test_bin=$1
data=$2

source "$(dirname "$0")/pg_server.sh"
pg_server_start
userpw=$(secret)

psql_as postgres "$superpw" postgres -c "CREATE ROLE vh_user LOGIN PASSWORD '$userpw'"
psql_as postgres "$superpw" postgres -c "CREATE DATABASE school OWNER vh_user"
psql_as postgres "$superpw" postgres -c "ALTER ROLE vh_user SET search_path = vh, public"
psql_as vh_user "$userpw" school -f "$data/school-pg.sql" >/dev/null
# Two more logins on the sample school: one whose password holds ";", "}" and "{", and one that
# may read every table but vh.terms.
bracepw="p;w}d{$(secret)"
limitedpw=$(secret)
psql_as postgres "$superpw" postgres -c "CREATE ROLE vh_brace LOGIN PASSWORD '$bracepw'" \
  -c "CREATE ROLE vh_limited LOGIN PASSWORD '$limitedpw'" \
  -c "ALTER ROLE vh_brace SET search_path = vh, public" -c "ALTER ROLE vh_limited SET search_path = vh, public"
psql_as vh_user "$userpw" school -c "GRANT USAGE ON SCHEMA vh TO vh_brace, vh_limited" \
  -c "GRANT SELECT ON ALL TABLES IN SCHEMA vh TO vh_brace, vh_limited" -c "REVOKE SELECT ON vh.terms FROM vh_limited"
# Logins that a connection string could misread (the list of the program tests): passwords with
# "%xx" and "+" (escapes to psqlODBC), quote marks, braces, ";" and "=", and names with a quote or ";".
odd_logins=(vh_odd1 'Summer%2024' vh_odd2 "'quoted" vh_odd3 '"dq' vh_odd4 'a+b' vh_odd5 '{br}ace' vh_odd6 'x;y=z'
  "'qu" 'qu-pw' 'u;x' 'semi-pw')
for ((k = 0; k < ${#odd_logins[@]}; k += 2)); do
  printf '%s\n' "CREATE ROLE :\"name\" LOGIN PASSWORD :'pw';" "ALTER ROLE :\"name\" SET search_path = vh, public;" |
    psql_as postgres "$superpw" postgres -v name="${odd_logins[k]}" -v pw="${odd_logins[k + 1]}"
  printf '%s\n' "GRANT USAGE ON SCHEMA vh TO :\"name\";" "GRANT SELECT ON ALL TABLES IN SCHEMA vh TO :\"name\";" |
    psql_as vh_user "$userpw" school -v name="${odd_logins[k]}"
done
# The hand-made schools of the golden-file tests: database golden_<name>, data source
# vh_golden_<name>_pg.
golden_dsns=""
for script in "$data"/golden-*-pg.sql; do
  [ -e "$script" ] || continue
  name=${script##*/golden-}
  name=${name%-pg.sql}
  psql_as postgres "$superpw" postgres -c "CREATE DATABASE golden_$name OWNER vh_user"
  psql_as vh_user "$userpw" "golden_$name" -f "$script" >/dev/null
  golden_dsns+="[vh_golden_${name}_pg]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=golden_$name
"
done

# Copies of the sample school that the fault tests change: database $1, data source $2.
sample_copy() {
  psql_as postgres "$superpw" postgres -c "CREATE DATABASE $1 OWNER vh_user"
  psql_as vh_user "$userpw" "$1" -f "$data/school-pg.sql" >/dev/null
  golden_dsns+="[$2]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=$1
"
}
# Database faults.
sample_copy faults vh_faults_pg
# The tests that stop the server under a running program, with the script that stops and starts it.
sample_copy server_faults vh_server_faults_pg
pg_server_control_script "$dir/server.sh"

cat >"$dir/odbc.ini" <<INI
[vh_school_pg]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=school
$golden_dsns
INI

export VH_PG_ODBCSYSINI="$data" VH_PG_ODBCINI="$dir/odbc.ini"
export VH_PG_SERVER_CTL="$dir/server.sh"
export VH_PG_DSN=vh_school_pg VH_PG_USER=vh_user VH_PG_PASSWORD="$userpw"
export VH_PG_BRACE_USER=vh_brace VH_PG_BRACE_PASSWORD="$bracepw" VH_PG_LIMITED_USER=vh_limited \
  VH_PG_LIMITED_PASSWORD="$limitedpw"
"$test_bin" --gtest_filter='Pg/*'
if [ -n "${3:-}" ]; then
  VH_TEST_PG_CONNECT="Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port=$port;Database=school;UID=vh_user;PWD=$userpw;" \
    "$3" --gtest_filter='Pg/Postgres.*'
fi
