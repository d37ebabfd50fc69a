# A throwaway PostgreSQL server on a free loopback port, for the test and bench scripts.
# Source this file, then call pg_server_start; it sets:
#   pgbin, port, superpw (the password of postgres), dir (a scratch folder, removed at exit)
# and defines psql_as <user> <password> <database> [psql arguments] and secret (a random text).
# The server is stopped and the folder removed when the script exits.
# pg_server_start exits the script with 77 (skipped) when no server binaries or no way to run
# them as postgres.

pg_server_start() {
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
  pg_started=""
  trap pg_server_stop EXIT

  superpw=$(secret)
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
    printf "pgctl='%s/pg_ctl' data='%s/data' log='%s/server.log' opts='-p %s -c listen_addresses=127.0.0.1 -k %s'\n" \
      "$pgbin" "$pgdir" "$pgdir" "$port" "$pgdir"
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
