#!/usr/bin/env bash
# Installs, builds and runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
./build/varnholm-de version
./build/varnholm-de help || true
