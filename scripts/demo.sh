#!/usr/bin/env bash
# An editor's day end to end: installs what is missing, builds vzed and institution-sim, and runs
# scripts/demo_servers.py, which starts the institution simulator on a free loopback port and one
# vzed per workstation on a private socket, works through the day with the Python client
# (scripts/demo_client.py), and stops and removes everything at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh
command -v python3 >/dev/null || { echo "demo: python3 is needed for the demo client" >&2; exit 1; }
cmake --preset dev >/dev/null
cmake --build --preset dev --target vzed institution-sim >/dev/null
exec python3 scripts/demo_servers.py
