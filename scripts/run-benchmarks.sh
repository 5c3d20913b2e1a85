#!/usr/bin/env bash
# Runs every benchmark program of the release build. Each measures ours against its peer in
# rounds (VZ_BENCH_ROUNDS, default 3) and prints the medians; this script ends with one table of
# every target: the project's targets first, then the other comparisons the programs make.
set -euo pipefail
cd "$(dirname "$0")/.."

# key|what is measured, as the table names it
targets=(
  "trace|trace lines at level 4 vs raw open-append-write-close"
  "extraction-files|1,500-row extraction + 1,500 cfg writes vs pugixml parse + plain writes"
  "extraction-memory|the same in memory vs pugixml parse + copy"
  "download|download + normalise 200 x 60 s vs curl + sox --norm"
  "download-memory|peak memory of download + normalise, queue of 20 vs 200"
  "network-download|vzed download + normalise 200 x 60 s, 50 ms, 100 Mbit/s vs bytes / rate"
  "network-download-peer|the same vs curl --parallel-max 8 + sox --norm"
  "network-download-one|the same vs vzed --transfers 1"
  "network-resume|30 MB download cut at 90% and fetched again: bytes sent / file size"
  "network-memory|vzed peak memory (VmHWM), 4 and 16 transfers over 1, queue of 40"
  "round-trip|automation get round trip vs bare echo"
  "pump|requests through the pump at zero interval"
  "record-memory|heap per dictation record at 1,500, 15,000 and 20,000 rows"
  "extraction-scaling|extraction time per row, 15,000 vs 1,500 rows"
)

results=$(mktemp)
trap 'rm -f "$results"' EXIT
found=0
for program in build/release/bench/*/bench_*; do
  [ -x "$program" ] || continue
  found=1
  echo "== $program"
  # A program that fails still leaves its targets out of the table as "not measured".
  "$program" --benchmark_counters_tabular=true | tee -a "$results" || echo "$program failed with status $?"
done
[ "$found" -eq 1 ] || { echo "no benchmark programs; build the release preset first" >&2; exit 1; }

row() { printf '| %-78s | %-42s | %-30s | %-7s |\n' "$1" "$2" "$3" "$4"; }
echo
echo "== Targets"
row "target" "measured (median)" "goal" "result"
row "$(printf '%.0s-' {1..78})" "$(printf '%.0s-' {1..42})" "$(printf '%.0s-' {1..30})" "$(printf '%.0s-' {1..7})"
reported() { grep "^TARGET|$1|" "$results" | tail -n 1 || true; }
for target in "${targets[@]}"; do
  key=${target%%|*}
  line=$(reported "$key")
  if [ -n "$line" ]; then
    IFS='|' read -r _ _ _ measured goal result <<<"$line"
    row "${target#*|}" "$measured" "$goal" "$result"
  else
    row "${target#*|}" "not measured" "" "not met"
  fi
done
known=" ${targets[*]%%|*} "
while IFS='|' read -r _ key label measured goal result; do
  [[ $known == *" $key "* ]] && continue
  row "$label" "$measured" "$goal" "$result"
done < <(grep '^TARGET|' "$results" || true)
