#!/usr/bin/env bash
# Runs every fuzz target (the `fuzz` preset: libFuzzer, ASan, UBSan) for a while and keeps what
# they find.
#
#   scripts/fuzz.sh [minutes] [target...]      minutes per target (default 2); targets by name
#                                              (jsonrpc_session, sphere_audio, ...; default all)
#
# Each target starts from its seed corpus (tests/fuzz/corpus/<target>, only read) and from what
# earlier runs kept. Under the output folder (VZ_FUZZ_OUT, default build/fuzz/findings) each
# target gets:
#   <target>/corpus/    the inputs it found that reach new code (kept between runs)
#   <target>/crashes/   inputs that crashed it, broke a property, leaked or timed out
#   <target>/log.txt    libFuzzer's output
# A target that crashes is started again for the rest of its time, at most VZ_FUZZ_RESTARTS times
# (default 3). Targets run VZ_FUZZ_PARALLEL at a time (default 2), each under `nice -n 19`, so a
# long run leaves the machine to others. The summary lists executions, new corpus entries and
# crashes per target; the exit status is 1 when any target crashed.
#
# A crash input that is fixed belongs in tests/fuzz/corpus/<target>/ (with a name saying what it
# was), so that the corpus regression in ctest keeps it fixed.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-2}
shift || true
case $minutes in '' | *[!0-9]*) echo "usage: $0 [minutes] [target...]" >&2; exit 2 ;; esac
out=${VZ_FUZZ_OUT:-build/fuzz/findings}
parallel=${VZ_FUZZ_PARALLEL:-2}
restarts=${VZ_FUZZ_RESTARTS:-3}

all_targets=()
for folder in tests/fuzz/corpus/*/; do all_targets+=("$(basename "$folder")"); done
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for target in "${targets[@]}"; do
  [ -d "tests/fuzz/corpus/$target" ] || { echo "$0: no target $target (have: ${all_targets[*]})" >&2; exit 2; }
done

if [ ! -f build/fuzz/CMakeCache.txt ]; then cmake --preset fuzz >/dev/null; fi
cmake --build --preset fuzz >/dev/null

# fuzz_one TARGET: runs it for its minutes, restarting after a crash; writes TARGET/summary.
fuzz_one() {
  local target=$1 folder="$out/$1"
  local program="build/fuzz/tests/fuzz/fuzz_$target"
  mkdir -p "$folder/corpus" "$folder/crashes"
  : >"$folder/log.txt"
  touch "$folder/started"
  local began=$SECONDS deadline=$((SECONDS + minutes * 60)) runs=0 executions=0 crashed=0 left status done_runs
  local before
  before=$(find "$folder/corpus" -type f | wc -l)
  local crashes_before
  crashes_before=$(find "$folder/crashes" -type f | wc -l)
  while left=$((deadline - SECONDS)); [ "$left" -gt 0 ]; do
    runs=$((runs + 1))
    status=0
    # The scratch files a target makes go to a folder of this run, removed afterwards.
    local scratch
    scratch=$(mktemp -d)
    TMPDIR=$scratch nice -n 19 "$program" -max_total_time="$left" -timeout=30 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$folder/crashes/" "$folder/corpus" "tests/fuzz/corpus/$target" \
      >>"$folder/log.txt" 2>&1 || status=$?
    rm -rf "$scratch"
    done_runs=$(grep -a 'stat::number_of_executed_units:' "$folder/log.txt" | awk '{ sum += $2 } END { print sum + 0 }')
    executions=$done_runs
    [ "$status" -eq 0 ] && break
    crashed=$((crashed + 1))
    [ "$crashed" -gt "$restarts" ] && break
  done
  local after crashes
  after=$(find "$folder/corpus" -type f | wc -l)
  crashes=$(($(find "$folder/crashes" -type f | wc -l) - crashes_before))
  # The time it ran: less than asked when it crashed more often than it may restart.
  printf '%-22s %5.1f min %12d executions %6d new corpus entries %3d crashes (%d runs)\n' \
    "$target" "$(awk -v s=$((SECONDS - began)) 'BEGIN { print s / 60 }')" "$executions" $((after - before)) "$crashes" "$runs" >"$folder/summary"
  echo "$crashes" >"$folder/crash_count"
}

mkdir -p "$out"
echo "fuzzing ${targets[*]} for $minutes min each, $parallel at a time; findings in $out/<target>/"
running=0
for target in "${targets[@]}"; do
  fuzz_one "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then wait -n || true; running=$((running - 1)); fi
done
wait

failed=0
for target in "${targets[@]}"; do
  cat "$out/$target/summary"
  if [ "$(cat "$out/$target/crash_count")" -ne 0 ]; then
    failed=1
    find "$out/$target/crashes" -type f -newer "$out/$target/started" | sort | sed 's/^/  crash: /'
  fi
done
exit $failed
