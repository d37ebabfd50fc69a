#!/usr/bin/env bash
# Installs, builds and runs the program: an extraction from the sample school database
# into ./out (import files, status files and the log).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

# The sample school database is built with the program (build/testdata/school.db). Its data
# source is defined in a local odbc.ini; nothing in /etc is touched.
root=$PWD
mkdir -p build/demo
cat >build/demo/odbc.ini <<INI
[varnholm_sample]
Description=Varnholm sample school database
Driver=SQLite3
Database=$root/build/testdata/school.db
NoCreat=1
StepAPI=1
INI
export ODBCSYSINI="$root/build/testdata" ODBCINI="$root/build/demo/odbc.ini"
export HOME="${HOME:-$root/build/demo}"

mkdir -p out
# The SQLite driver takes any password; the log masks it, so it is no word of the SQL.
password=$(printf '%s' sample-pw | od -v -An -tx1 | tr -d ' \n')
./build/varnholm-de version
./build/varnholm-de run --dsn=varnholm_sample --user=demo --pwdencode="$password" --school=100 \
  --filterdaily=true --filterperiod=true --path="$root/out"
echo
echo "Import files and status files in $root/out:"
ls -l out
