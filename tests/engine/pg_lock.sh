#!/usr/bin/env bash
# The lock on the state folder of a throwaway PostgreSQL test server (pg_fixture.sh), so that one
# ctest run at a time uses it. Source this file. The lock is flock(1)'s on <state>/lock, taken on
# descriptor 9. pg_lock_take leaves a small process behind, the holder, that keeps the lock until
# pg_lock_release ends it or until the run it belongs to (its owner, a process id: ctest for the
# fixtures) is gone; <state>/holder names the two as shell assignments (holder=..., owner=...).
# Run as a script, "bash pg_lock.sh hold <owner> <owner's start time>" is the holder itself.

pg_lock_script=${BASH_SOURCE[0]}

# Sets since to the start time of the process (field 22 of /proc/<pid>/stat; empty when it is
# gone), without a process of its own.
pg_start_time() {
  since=""
  local stat fields
  { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 0
  read -ra fields <<<"${stat##*) }"
  since=${fields[19]:-}
}

# Sets holder and owner from <state>/holder (empty when there is none).
pg_read_holder() {
  holder="" owner=""
  if [ -f "$1/holder" ]; then
    source "$1/holder"
  fi
}

# pg_lock_try <state>: takes the lock on descriptor 9 at once, or returns 1 when another process
# holds it. The caller holds it until it closes descriptor 9 or ends.
pg_lock_try() {
  mkdir -p "$1"
  exec 9>>"$1/lock"
  flock -n 9
}

# pg_lock_take <state> <owner> <seconds>: takes the lock for the owner and starts its holder,
# waiting at most the seconds for another run's holder; prints why and returns 1 when refused.
pg_lock_take() {
  local state=$1 run=$2 wait_s=$3
  if ! pg_lock_try "$state"; then
    pg_read_holder "$state"
    echo "Another ctest run (process ${owner:-?}) uses the PostgreSQL test server of $state: waiting ${wait_s} s at most."
    if ! flock -w "$wait_s" 9; then
      exec 9>&-
      pg_read_holder "$state"
      echo "Refused: another ctest run (process ${owner:-?}) still uses the PostgreSQL test server of $state" \
        "after ${wait_s} s. Run one ctest at a time in a build folder, or wait for that run to end."
      return 1
    fi
  fi
  pg_start_time "$run"
  bash "$pg_lock_script" hold "$run" "$since" </dev/null >/dev/null 2>&1 &
  printf 'holder=%q\nowner=%q\n' "$!" "$run" >"$state/holder"
  # Only the holder keeps the lock: processes that the caller starts later do not.
  exec 9>&-
}

# pg_lock_release <state>: ends the holder, which lets the lock go.
pg_lock_release() {
  pg_read_holder "$1"
  rm -f "$1/holder"
  if [ -n "$holder" ]; then
    kill "$holder" 2>/dev/null || true
  fi
}

# The holder: keeps the lock (its descriptor 9) while its owner lives.
if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = hold ]; then
  pg_start_time "$2"
  while [ -n "$since" ] && [ "$since" = "$3" ]; do
    sleep 1 9>&-
    pg_start_time "$2"
  done
  exit 0
fi
