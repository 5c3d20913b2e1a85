#!/usr/bin/env bash
# The main job end to end: an institution simulator on loopback, vzed beside it, and a client that
# logs in as the editor would, retrieves the work queue and downloads the dictations (audio checked
# and normalised). Everything runs in a temporary folder and is stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh
command -v python3 >/dev/null || { echo "demo: python3 is needed for the demo client" >&2; exit 1; }
cmake --preset dev >/dev/null
cmake --build --preset dev --target vzed institution-sim

work=$(mktemp -d)
chmod 700 "$work"
cleanup() {
  [ -n "${vzed_pid:-}" ] && kill "$vzed_pid" 2>/dev/null || true
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

build/dev/programs/institution-sim/institution-sim --data "$work/institution" --dictations 5 --seconds 20 \
  >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -q "North Clinic:" "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
servlet=$(sed -n 's/^  North Clinic: \([^ ]*\).*/\1/p' "$work/sim.out")
[ -n "$servlet" ] || { cat "$work/sim.out" >&2; exit 1; }
echo "institution simulator: $servlet"

mkdir -m 700 "$work/run"
build/dev/programs/vzed/vzed --socket "$work/run/vzed.sock" --log-folder "$work/vzed" >"$work/vzed.out" 2>&1 &
vzed_pid=$!
for _ in $(seq 100); do [ -S "$work/run/vzed.sock" ] && break; sleep 0.1; done

python3 scripts/demo_client.py "$work/run/vzed.sock" "$servlet" "$work/editor"
echo "trace of the request: $(grep -c . "$work/editor/Logs/Server.log") lines in Logs/Server.log"
echo "received by the institution: $(find "$work/institution/north/uploads" -type f -printf "%P " 2>/dev/null)"
