#!/usr/bin/env bash
# Installs, builds and runs every test (in ./build, or $VH_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cd "${VH_BUILD_DIR:-build}"
ctest --output-on-failure -j"$(nproc)"
