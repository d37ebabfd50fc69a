#!/usr/bin/env bash
# Checks the lock of the test servers' state folders (pg_lock.sh) without a server: two runs (two
# sleeping processes stand for their ctest) in one state folder, the second waiting and refused,
# its stop (pg_fixture.sh) leaving the first run's server alone, then taking the lock once the first
# lets it go, and a run that is killed letting it go by itself. A run's own stop removes its server.
# The server is a made-up record (no postmaster.pid: nothing to stop but its folder and state).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/pg_lock.sh"

top=$(mktemp -d /tmp/vh-pg-lock-XXXXXX)
state=$top/main
runs=()
finish() {
  for pid in "${runs[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  if [ -f "$state/holder" ]; then
    pg_lock_release "$state"
  fi
  rm -rf "$top"
}
trap finish EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}
# Whether the lock is free, asked from a process of its own.
free() { (pg_lock_try "$state"); }
# Waits for the lock to be free: a killed run's holder looks once a second; a minute at most here,
# for a busy machine.
wait_free() {
  for _ in $(seq 600); do
    free && return 0
    sleep 0.1
  done
  return 1
}
# A server as start records it, its folder where start makes them.
server_dir=$top/server
record_server() {
  mkdir -p "$server_dir/pg/data"
  printf 'pgbin=%q\ndir=%q\npgdir=%q\nport=%q\n' "$server_dir/bin" "$server_dir" "$server_dir/pg" 5 >"$state/server"
  echo "vh_school_pg school copy" >"$state/sources"
}
server_left() { [ -f "$state/server" ] && [ -f "$state/sources" ] && [ -d "$server_dir/pg/data" ]; }
server_gone() { [ ! -e "$state/server" ] && [ ! -e "$state/sources" ] && [ ! -e "$server_dir" ]; }

sleep 300 &
first=$!
sleep 300 &
second=$!
runs=("$first" "$second")

pg_lock_take "$state" "$first" 1 >/dev/null || fail "the first run did not get a free lock"
pg_read_holder "$state"
[ "$owner" = "$first" ] || fail "the holder file names $owner, not the first run $first"
free && fail "the lock is free while the first run holds it"

# The second run waits a second and is refused, naming the first; the first still holds the lock.
begin=$SECONDS
if said=$(pg_lock_take "$state" "$second" 1); then
  fail "the second run got the lock of the first"
fi
[ $((SECONDS - begin)) -ge 1 ] || fail "the second run did not wait"
case $said in
  *"Refused: another ctest run (process $first) still uses the PostgreSQL test server of $state after 1 s."*) ;;
  *) fail "the second run said: $said" ;;
esac
pg_read_holder "$state"
[ "$owner" = "$first" ] || fail "after the refusal the holder file names $owner"
free && fail "the refusal let the lock go"

# The refused run's stop, in a process that is not the first run, leaves the first run's server
# and lock alone.
record_server
said=$(bash "$here/pg_fixture.sh" stop "$state") || fail "the refused run's stop failed: $said"
case $said in
  *"belongs to another ctest run (process $first)"*"left running"*) ;;
  *) fail "the refused run's stop said: $said" ;;
esac
server_left || fail "the refused run's stop removed the first run's server"
pg_read_holder "$state"
[ "$owner" = "$first" ] || fail "after the refused run's stop the holder file names $owner"
free && fail "the refused run's stop let the first run's lock go"

# The first run's stop lets it go: the second run gets it at once.
pg_lock_release "$state"
pg_lock_take "$state" "$second" 5 >/dev/null || fail "the second run did not get the lock let go"
pg_read_holder "$state"
[ "$owner" = "$second" ] || fail "the holder file names $owner, not the second run $second"

# The second run is killed before its stop: its holder ends by itself within seconds.
kill "$second"
wait_free || fail "the lock of a killed run was not let go"

# A run's own stop (the run is the stop's parent) removes its server and lets the lock go.
(
  pg_lock_take "$state" "$BASHPID" 5 >/dev/null || exit 1
  record_server
  bash "$here/pg_fixture.sh" stop "$state" >/dev/null || exit 1
  exit 0
) || fail "a run's own stop failed"
server_gone || fail "a run's own stop left its server"
[ ! -e "$state/holder" ] || fail "a run's own stop left its holder file"
wait_free || fail "a run's own stop did not let the lock go"
echo "lock checks passed"
