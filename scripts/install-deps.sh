#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the sample data source need.
set -euo pipefail
pkgs=(
  build-essential cmake pkg-config
  qtbase5-dev qtbase5-dev-tools
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev libsqliteodbc odbc-postgresql
  postgresql
  libgtest-dev libgmock-dev libbenchmark-dev
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
