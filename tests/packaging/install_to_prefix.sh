#!/usr/bin/env bash
# `cmake --install` into a temporary prefix puts the programs, the systemd user units (the service
# naming the installed vzed), the compressed man pages and the documents in the usual places, and
# vzed runs from there.
# Usage: install_to_prefix.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/vzed bin/vze bin/institution-sim lib/systemd/user/vzed.service lib/systemd/user/vzed.socket \
            share/man/man1/vzed.1.gz share/man/man1/vze.1.gz share/man/man1/institution-sim.1.gz \
            share/doc/vzed/automation-protocol.md share/doc/vzed/copyright share/doc/vzed/changelog.gz; do
  [ -e "$prefix/$file" ] || { echo "FAIL: $file is not installed"; find "$prefix" -type f; exit 1; }
done
grep -qx "ExecStart=$prefix/bin/vzed --socket %t/vzed.sock --log-folder %S/vzed" "$prefix/lib/systemd/user/vzed.service" ||
  { echo "FAIL: the unit does not start the installed vzed:"; grep ExecStart "$prefix/lib/systemd/user/vzed.service"; exit 1; }
help=$(env -i PATH=/usr/bin:/bin "$prefix/bin/vzed" --help)
grep -q "SYNOPSIS" <<<"$help" || { echo "FAIL: vzed --help from the prefix printed:"; echo "$help"; exit 1; }
MANPATH="$prefix/share/man" man -w vzed | grep -q "^$prefix/share/man/man1/vzed.1.gz" || { echo "FAIL: man does not find vzed(1) under the prefix"; exit 1; }
echo "installed into a temporary prefix; vzed --help runs from there"
