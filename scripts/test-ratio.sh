#!/usr/bin/env bash
# Prints the lines of C++ under tests/ against the lines of C++ in the rest of the tree, and
# their ratio. Counts the files git tracks or would track (build folders are left out).
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  git ls-files -z -co --exclude-standard -- "$@" | grep -zE '\.(cpp|h)$' |
    while IFS= read -r -d '' f; do if [ -f "$f" ]; then cat "$f"; fi; done | wc -l
}
tests=$(count tests)
code=$(count . ':!tests')
awk -v t="$tests" -v c="$code" 'BEGIN { printf "tests %d, code %d, ratio %.2f\n", t, c, (c ? t / c : 0) }'
