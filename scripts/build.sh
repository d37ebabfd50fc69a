#!/usr/bin/env bash
# Configures and builds into ./build (or $VH_BUILD_DIR). With CI=true warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VH_BUILD_DIR:-build}
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVH_WERROR="$werror" >/dev/null
cmake --build "$build" -j"$(nproc)"
