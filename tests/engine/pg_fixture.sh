#!/usr/bin/env bash
# The throwaway PostgreSQL server of the PostgreSQL test entries, started and stopped by ctest's
# fixtures (tests/common/PgTests.cmake):
#   pg_fixture.sh start <state folder> <testdata folder>
#   pg_fixture.sh stop <state folder>
# The state folder is held by one ctest run at a time (pg_lock.sh): start takes its lock for the
# ctest run that started it (its parent), which keeps it until stop or its own end. A second ctest
# run in the same build folder waits for the lock (VH_PG_LOCK_WAIT seconds, 40 by default) and then
# refuses with exit code 1; its stop leaves the other run's server alone. A run that was killed
# leaves its server but no lock: the next start or stop, holding the lock, stops that server and
# removes its folder.
# start then starts a server on a free loopback port, its data in a folder under /dev/shm (or under
# /tmp where that has too little room). The superuser has no password: it connects through the
# socket, in a folder that only postgres and root reach; every other login needs its password over
# 127.0.0.1. The sample school and the hand-made schools are loaded once; pg_entry.sh copies those
# that tests change for each entry. The logins' passwords are random and stay in the server (table
# vh_test_logins, which only the superuser reads).
# The state folder then holds:
#   lock       the lock file, and holder: the process ids of the lock's holder and of its run
#   server     pgbin, dir, pgdir, port and copy (how to copy a template), as shell assignments
#   sources    per data source its name, its database, and "copy" (pg_entry.sh copies it) or
#              "shared"
#   server.sh  the script that stops and starts the server (pg_server_control_script)
# Exit code 77 (skipped) when no server binaries or no way to run them as postgres.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/pg_server.sh"
source "$here/pg_lock.sh"
mode=$1
state=$2

# Stops the server the state folder names, removes its folder and the state but the lock's files.
stop_recorded() {
  if [ -f "$state/server" ]; then
    source "$state/server"
    if [ -f "$pgdir/data/postmaster.pid" ]; then
      (pg_find_server >/dev/null && as_pg "'$pgbin/pg_ctl' -D '$pgdir/data' -m immediate -w stop" >/dev/null 2>&1) || true
    fi
    case $dir in /tmp/vh-pg-* | /dev/shm/vh-pg-*) rm -rf "$dir" ;; esac
  fi
  find "$state" -mindepth 1 -maxdepth 1 ! -name lock ! -name holder -exec rm -rf {} +
}

admin() { "$pgbin/psql" -X -q -h "$pgdir" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 "$@"; }
# Runs a load script as vh_user into the database.
load() { PGOPTIONS="-c client_min_messages=warning" "$pgbin/psql" -X -q -h "$pgdir" -p "$port" -U vh_user -d "$1" -v ON_ERROR_STOP=1 -f "$2" >/dev/null; }

if [ "$mode" = stop ]; then
  [ -d "$state" ] || exit 0
  if pg_lock_try "$state"; then
    # No run holds it: what the folder names, if anything, was left by a run that was killed.
    stop_recorded
    rm -f "$state/holder"
    exit 0
  fi
  pg_read_holder "$state"
  if [ "$owner" != "$PPID" ]; then
    echo "The PostgreSQL test server of $state belongs to another ctest run (process ${owner:-?}): left running."
    exit 0
  fi
  # This run's: the server goes first, then the lock.
  stop_recorded
  pg_lock_release "$state"
  exit 0
fi
[ "$mode" = start ] || { echo "usage: pg_fixture.sh start|stop <state folder> [<testdata folder>]"; exit 2; }
data=$3

pg_lock_take "$state" "$PPID" "${VH_PG_LOCK_WAIT:-40}" || exit 1
# Held: a server that the folder names was left by a run that was killed.
stop_recorded
pg_find_server
# In memory where there is room: a copy of a template is ten times quicker there than on a disk.
base=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -ge 2097152 ]; then
  base=/dev/shm
fi
dir=$(mktemp -d "$base/vh-pg-XXXXXX")
chmod 755 "$dir"
pg_make_folder
printf 'pgbin=%q\ndir=%q\npgdir=%q\n' "$pgbin" "$dir" "$pgdir" >"$state/server"

as_pg "'$pgbin/initdb' -D '$pgdir/data' -U postgres -A trust -E UTF8 --locale=C.UTF-8" >/dev/null
printf '%s\n' "local all all trust" "host all all 127.0.0.1/32 scram-sha-256" >"$pgdir/data/pg_hba.conf"
# Nothing of a test needs the server to survive a power loss: no waits for the disk.
pg_options="-c fsync=off -c full_page_writes=off -c max_wal_size=256MB -c max_connections=400"
pg_start_on_free_port
printf 'port=%q\n' "$port" >>"$state/server"
# From version 15 on, a copy of a small template is quicker as files than through the log.
if [ "$(admin -At -c "SHOW server_version_num")" -ge 150000 ]; then
  echo "copy=' STRATEGY FILE_COPY'" >>"$state/server"
fi
pg_server_control_script "$state/server.sh"

# The logins: vh_user owns the schools; vh_brace's password holds ";", "}" and "{"; vh_limited may
# read every table but vh.terms; and logins that a connection string could misread (the list of
# the program tests): passwords with "%xx" and "+" (escapes to psqlODBC), quote marks, braces, ";"
# and "=", and names with a quote or ";". The passwords go to psql on its input, never as an
# argument.
userpw=$(secret)
bracepw="p;w}d{$(secret)"
limitedpw=$(secret)
odd_logins=(vh_odd1 'Summer%2024' vh_odd2 "'quoted" vh_odd3 '"dq' vh_odd4 'a+b' vh_odd5 '{br}ace' vh_odd6 'x;y=z'
  "'qu" 'qu-pw' 'u;x' 'semi-pw')
logins=(vh_user "$userpw" vh_brace "$bracepw" vh_limited "$limitedpw" "${odd_logins[@]}")
{
  echo "CREATE TABLE vh_test_logins (name text PRIMARY KEY, password text NOT NULL);"
  echo "REVOKE ALL ON vh_test_logins FROM PUBLIC;"
  for ((k = 0; k < ${#logins[@]}; k += 2)); do
    name=${logins[k]//\"/\"\"}
    pw=${logins[k + 1]//\'/\'\'}
    printf 'CREATE ROLE "%s" LOGIN PASSWORD '\''%s'\'';\n' "$name" "$pw"
    printf 'ALTER ROLE "%s" SET search_path = vh, public;\n' "$name"
  done
  for ((k = 0; k < 6; k += 2)); do
    printf "INSERT INTO vh_test_logins VALUES ('%s', '%s');\n" "${logins[k]}" "${logins[k + 1]}"
  done
} | admin 2>/dev/null || {
  # psql would show the statement, password and all.
  echo "the logins could not be created"
  exit 1
}
{
  echo "CREATE DATABASE school OWNER vh_user;"
  for script in "$data"/golden-*-pg.sql; do
    [ -e "$script" ] || continue
    name=${script##*/golden-}
    echo "CREATE DATABASE golden_${name%-pg.sql} OWNER vh_user;"
  done
} | admin

# The schools, side by side: the sample school as database school (data source vh_school_pg, and
# vh_faults_pg and vh_server_faults_pg, copies that the fault tests change), each hand-made school
# as golden_<name> (data source vh_golden_<name>_pg).
pids=()
load school "$data/school-pg.sql" &
pids+=($!)
sources="vh_school_pg school
vh_faults_pg school
vh_server_faults_pg school
"
for script in "$data"/golden-*-pg.sql; do
  [ -e "$script" ] || continue
  name=${script##*/golden-}
  name=${name%-pg.sql}
  sources+="vh_golden_${name}_pg golden_$name
"
  load "golden_$name" "$script" &
  pids+=($!)
done
for pid in "${pids[@]}"; do
  wait "$pid"
done

{
  echo "GRANT USAGE ON SCHEMA vh TO vh_brace, vh_limited;"
  echo "GRANT SELECT ON ALL TABLES IN SCHEMA vh TO vh_brace, vh_limited;"
  echo "REVOKE SELECT ON vh.terms FROM vh_limited;"
  for ((k = 0; k < ${#odd_logins[@]}; k += 2)); do
    printf 'GRANT USAGE ON SCHEMA vh TO "%s";\n' "${odd_logins[k]}"
    printf 'GRANT SELECT ON ALL TABLES IN SCHEMA vh TO "%s";\n' "${odd_logins[k]}"
  done
} | "$pgbin/psql" -X -q -h "$pgdir" -p "$port" -U vh_user -d school -v ON_ERROR_STOP=1

# The data sources whose databases a test changes (ChangeableSource) get a copy of their own in
# each entry: their databases become templates that nothing connects to, so that entries may copy
# them side by side. The others are shared and read only: a change there fails at once.
changed=" vh_school_pg vh_faults_pg vh_server_faults_pg vh_golden_attendance_live_pg vh_golden_structure_pg "
printf '%s' "$sources" | while read -r dsn db; do
  if [[ $changed == *" $dsn "* ]]; then
    echo "$dsn $db copy" >>"$state/sources.new"
    echo "ALTER DATABASE $db WITH IS_TEMPLATE true ALLOW_CONNECTIONS false;"
  else
    echo "$dsn $db shared" >>"$state/sources.new"
    echo "ALTER DATABASE $db SET default_transaction_read_only = on;"
  fi
done | sort -u | admin
mv "$state/sources.new" "$state/sources"
