#!/usr/bin/env bash
# Checks the lock of the test servers' state folders (pg_lock.sh) without a server: two runs (two
# sleeping processes stand for their ctest) in one state folder, the second waiting and refused,
# then taking the lock once the first lets it go, and a run that is killed letting it go by itself.
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

# The first run's stop lets it go: the second run gets it at once.
pg_lock_release "$state"
pg_lock_take "$state" "$second" 5 >/dev/null || fail "the second run did not get the lock let go"
pg_read_holder "$state"
[ "$owner" = "$second" ] || fail "the holder file names $owner, not the second run $second"

# The second run is killed before its stop: its holder ends by itself within seconds.
kill "$second"
for _ in $(seq 50); do
  free && break
  sleep 0.1
done
free || fail "the lock of a killed run was not let go"
echo "lock checks passed"
