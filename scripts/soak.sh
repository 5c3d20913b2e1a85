#!/usr/bin/env bash
# A soak of vzed against the institution simulator, with faults, several clients and crashes.
#
#   scripts/soak.sh [minutes] [--seed N] [--clients N] [--dictations N] [--keep]
#
# Default 10 minutes. Builds vzed and institution-sim (the `dev` preset, under AddressSanitizer and
# UndefinedBehaviorSanitizer, so a memory error during the soak ends vzed and fails it), then runs
# scripts/soak.py, which says what it does and checks. Set VZED, VZE and INSTITUTION_SIM to soak
# other builds. Exits non-zero when a check fails; the soak's folder is then kept and named.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${VZED:-}" ] || [ -z "${VZE:-}" ] || [ -z "${INSTITUTION_SIM:-}" ]; then
  if [ ! -f build/dev/CMakeCache.txt ]; then cmake --preset dev >/dev/null; fi
  cmake --build --preset dev --target vzed vze institution-sim >/dev/null
fi

# A small quarantine: freed memory is reused soon, so resident memory settles as it would without
# the sanitizer and the memory check measures vzed, not AddressSanitizer.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=4:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec /usr/bin/python3 scripts/soak.py "$@"
