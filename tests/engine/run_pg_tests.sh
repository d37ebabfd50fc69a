#!/usr/bin/env bash
# Starts a throwaway PostgreSQL server on a free loopback port, loads the sample school
# data (schema vh) into it, runs the PostgreSQL end-to-end tests of test_engine against it
# through psqlODBC, and stops the server again.
#   run_pg_tests.sh <test_engine> <testdata folder with odbcinst.ini and school-pg.sql> [<test_ado>]
# With test_ado given, the data layer's own PostgreSQL test runs against the same server too.
# Exit code 77 (skipped) when no server binaries or no way to run them as postgres.
set -euo pipefail

test_bin=$1
data=$2

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$pgbin" ] || [ ! -x "$pgbin/initdb" ]; then
  echo "PostgreSQL server binaries not found: skipped"
  exit 77
fi
if [ "$(id -u)" = 0 ]; then
  as_pg() { su postgres -s /bin/sh -c "$1"; }
elif [ "$(id -un)" = postgres ]; then
  as_pg() { sh -c "$1"; }
else
  echo "the server must run as the postgres user (run as root): skipped"
  exit 77
fi

dir=$(mktemp -d /tmp/vh-pg-XXXXXX)
chmod 755 "$dir"
pgdir=$dir/pg
install -d -m 700 "$pgdir"
[ "$(id -u)" = 0 ] && chown postgres "$pgdir"
started=""
cleanup() {
  if [ -n "$started" ]; then
    as_pg "'$pgbin/pg_ctl' -D '$pgdir/data' -m fast -w stop" >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}
trap cleanup EXIT

secret() { od -An -tx1 -N12 /dev/urandom | tr -d ' \n'; }
superpw=$(secret)
userpw=$(secret)
printf '%s\n' "$superpw" >"$pgdir/pwfile"
[ "$(id -u)" = 0 ] && chown postgres "$pgdir/pwfile"
chmod 600 "$pgdir/pwfile"

port=""
for p in $(shuf -i 20000-60000 -n 100); do
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
    port=$p
    break
  fi
done
[ -n "$port" ] || { echo "no free port"; exit 1; }

as_pg "'$pgbin/initdb' -D '$pgdir/data' -U postgres -A scram-sha-256 --pwfile='$pgdir/pwfile' -E UTF8 --locale=C.UTF-8" >/dev/null
rm -f "$pgdir/pwfile"
as_pg "'$pgbin/pg_ctl' -D '$pgdir/data' -l '$pgdir/server.log' -w -o \"-p $port -c listen_addresses=127.0.0.1 -k '$pgdir'\" start" >/dev/null
started=1

psql_as() {  # user password database, then psql arguments
  local user=$1 password=$2 db=$3
  shift 3
  PGPASSWORD=$password "$pgbin/psql" -X -q -h 127.0.0.1 -p "$port" -U "$user" -d "$db" -v ON_ERROR_STOP=1 "$@"
}
psql_as postgres "$superpw" postgres -c "CREATE ROLE vh_user LOGIN PASSWORD '$userpw'"
psql_as postgres "$superpw" postgres -c "CREATE DATABASE school OWNER vh_user"
psql_as postgres "$superpw" postgres -c "ALTER ROLE vh_user SET search_path = vh, public"
psql_as vh_user "$userpw" school -f "$data/school-pg.sql" >/dev/null
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

cat >"$dir/odbc.ini" <<INI
[vh_school_pg]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=school
$golden_dsns
INI

export VH_PG_ODBCSYSINI="$data" VH_PG_ODBCINI="$dir/odbc.ini"
export VH_PG_DSN=vh_school_pg VH_PG_USER=vh_user VH_PG_PASSWORD="$userpw"
"$test_bin" --gtest_filter='PgProgram.*:Pg/*'
if [ -n "${3:-}" ]; then
  VH_TEST_PG_CONNECT="Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port=$port;Database=school;UID=vh_user;PWD=$userpw;" \
    "$3" --gtest_filter='Postgres.*'
fi
