#!/usr/bin/env bash
# Runs every benchmark program of the release build; each prints its ratio against its peer.
set -euo pipefail
cd "$(dirname "$0")/.."
found=0
for program in build/release/bench/*/bench_*; do
  [ -x "$program" ] || continue
  found=1
  echo "== $program"
  "$program" --benchmark_counters_tabular=true
done
[ "$found" -eq 1 ] || { echo "no benchmark programs; build the release preset first" >&2; exit 1; }
