# A throwaway PostgreSQL server on a free loopback port, for the test and bench scripts.
# Source this file, then call pg_server_start; it sets:
#   pgbin, port, superpw (the password of postgres), dir (a scratch folder, removed at exit)
# and defines psql_as <user> <password> <database> [psql arguments] and secret (a random text).
# The server is stopped and the folder removed when the script exits.
# pg_server_start exits the script with 77 (skipped) when no server binaries or no way to run
# them as postgres. The test fixtures (pg_fixture.sh) use the parts below it too.

# Sets pgbin and as_pg <shell command> (runs it as postgres), or exits with 77.
pg_find_server() {
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
}

# The folder of the server's data, log and socket under dir, for postgres only.
pg_make_folder() {
  pgdir=$dir/pg
  install -d -m 700 "$pgdir"
  [ "$(id -u)" = 0 ] && chown postgres "$pgdir"
  return 0
}

# Starts the server of $pgdir/data on a free loopback port (sets port), with the options of
# pg_options; a port taken between the look and the start costs another try.
pg_start_on_free_port() {
  local try p
  for try in 1 2 3 4 5; do
    port=""
    for p in $(shuf -i 20000-60000 -n 100); do
      if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
        port=$p
        break
      fi
    done
    [ -n "$port" ] || { echo "no free port"; exit 1; }
    if as_pg "'$pgbin/pg_ctl' -D '$pgdir/data' -l '$pgdir/server.log' -w -o \"$(pg_server_options)\" start" >/dev/null; then
      return 0
    fi
  done
  echo "the PostgreSQL server did not start:"
  tail -n 20 "$pgdir/server.log"
  exit 1
}

pg_server_options() {
  printf '%s' "-p $port -c listen_addresses=127.0.0.1 -k '$pgdir' ${pg_options:-}"
}

pg_server_start() {
  pg_find_server
  dir=$(mktemp -d /tmp/vh-pg-XXXXXX)
  chmod 755 "$dir"
  pg_make_folder
  pg_started=""
  trap pg_server_stop EXIT

  superpw=$(secret)
  printf '%s\n' "$superpw" >"$pgdir/pwfile"
  [ "$(id -u)" = 0 ] && chown postgres "$pgdir/pwfile"
  chmod 600 "$pgdir/pwfile"

  as_pg "'$pgbin/initdb' -D '$pgdir/data' -U postgres -A scram-sha-256 --pwfile='$pgdir/pwfile' -E UTF8 --locale=C.UTF-8" >/dev/null
  rm -f "$pgdir/pwfile"
  pg_start_on_free_port
  pg_started=1
}

pg_server_stop() {
  if [ -n "${pg_started:-}" ]; then
    as_pg "'$pgbin/pg_ctl' -D '$pgdir/data' -m fast -w stop" >/dev/null 2>&1 || true
    pg_started=""
  fi
  [ -n "${dir:-}" ] && rm -rf "$dir"
}

secret() { od -An -tx1 -N12 /dev/urandom | tr -d ' \n'; }

psql_as() {  # user password database, then psql arguments
  local user=$1 password=$2 db=$3
  shift 3
  PGPASSWORD=$password "$pgbin/psql" -X -q -h 127.0.0.1 -p "$port" -U "$user" -d "$db" -v ON_ERROR_STOP=1 "$@"
}

# Writes a script that takes the server away from a running program and brings it back:
#   <script> stop [fast|immediate]   <script> start
pg_server_control_script() {
  {
    printf '#!/bin/sh\n'
    printf "pgctl='%s/pg_ctl' data='%s/data' log='%s/server.log' opts=\"%s\"\n" \
      "$pgbin" "$pgdir" "$pgdir" "$(pg_server_options)"
    cat <<'EOF'
case "$1" in
  stop) cmd="'$pgctl' -D '$data' -m ${2:-fast} -w stop" ;;
  start) cmd="'$pgctl' -D '$data' -l '$log' -w -o \"$opts\" start" ;;
  *) exit 2 ;;
esac
if [ "$(id -u)" = 0 ]; then exec su postgres -s /bin/sh -c "$cmd" >/dev/null; fi
exec sh -c "$cmd" >/dev/null
EOF
  } >"$1"
  chmod 755 "$1"
}
