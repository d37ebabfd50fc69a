#!/usr/bin/env bash
# Runs one PostgreSQL test entry on the server of pg_fixture.sh, on databases of its own:
#   pg_entry.sh <state folder> <testdata folder> [--server-control] <test program> [arguments]
# Each data source that tests change gets a fresh copy of its database, so that entries side by
# side never see each other's changes (the others are read only); the copies go when the entry ends
# (or with the server, when the entry is killed). The test program finds the server as the tests
# expect it: VH_PG_* for test_engine, VH_TEST_PG_CONNECT (the copy of the sample school) for
# test_ado. With --server-control it also gets VH_PG_SERVER_CTL, the script that stops and starts
# the server: only for entries that have the server to themselves.
# Exit code 77 (skipped) when the fixture found no server to start.
set -euo pipefail
state=$1
data=$2
shift 2
control=""
if [ "${1:-}" = --server-control ]; then
  control=$state/server.sh
  shift
fi
if [ ! -f "$state/sources" ]; then
  echo "no PostgreSQL test server (pg_fixture.sh start): skipped"
  exit 77
fi
source "$state/server"

admin() { "$pgbin/psql" -X -q -h "$pgdir" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 "$@"; }

# A server that a stopping test of an earlier entry left down comes back first.
if [ -n "$control" ] && ! admin -c "SELECT 1" >/dev/null 2>&1; then
  "$control" start
fi

while IFS='|' read -r name password; do
  case $name in
    vh_user) export VH_PG_USER=$name VH_PG_PASSWORD=$password ;;
    vh_brace) export VH_PG_BRACE_USER=$name VH_PG_BRACE_PASSWORD=$password ;;
    vh_limited) export VH_PG_LIMITED_USER=$name VH_PG_LIMITED_PASSWORD=$password ;;
  esac
done <<<"$(admin -At -c "SELECT name, password FROM vh_test_logins")"

# Unique among the entries of this server, also beside the copies of an entry that was killed.
id=t$(od -An -tx1 -N6 /dev/urandom | tr -d ' \n')
scratch=$(mktemp -d "$dir/entry-XXXXXX")
copies=()
create=""
odbc=""
while read -r dsn db how; do
  if [ "$how" = copy ]; then
    # Named after the data source: vh_faults_pg copies school into <id>_faults.
    template=$db
    db=${dsn#vh_}
    db=${id}_${db%_pg}
    create+="CREATE DATABASE $db TEMPLATE $template OWNER vh_user${copy:-};
"
    copies+=("$db")
  fi
  odbc+="[$dsn]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=$db

"
done <"$state/sources"

drop() {
  for db in "${copies[@]}"; do
    echo "DROP DATABASE IF EXISTS $db WITH (FORCE);"
  done | admin >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap drop EXIT
printf '%s' "$create" | admin
printf '%s' "$odbc" >"$scratch/odbc.ini"

export VH_PG_ODBCSYSINI="$data" VH_PG_ODBCINI="$scratch/odbc.ini" VH_PG_DSN=vh_school_pg
export VH_TEST_PG_CONNECT="Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port=$port;Database=${id}_school;UID=$VH_PG_USER;PWD=$VH_PG_PASSWORD;"
if [ -n "$control" ]; then
  export VH_PG_SERVER_CTL=$control
fi
"$@"
