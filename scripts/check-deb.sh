#!/usr/bin/env bash
# Proves the Debian package: builds it (package preset, cpack with dpkg-shlibdeps), installs it with
# dpkg -i, shows its dependencies, the systemd user unit as systemctl sees it and the vzed(1) page,
# runs the installed vzed, and removes the package again unless --keep is given.
# Needs root (dpkg -i); run on a machine where installing the package is wanted.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=false
[ "${1:-}" = "--keep" ] && keep=true
[ "$(id -u)" -eq 0 ] || { echo "check-deb: dpkg -i needs root" >&2; exit 1; }
./scripts/bootstrap.sh
cmake --preset package >/dev/null
cmake --build --preset package
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls build/package/vzed_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends
dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$'

echo "== dpkg -i"
dpkg -i "$deb"
$keep || trap 'echo "== dpkg -r vzed"; dpkg -r vzed >/dev/null' EXIT
command -v vzed vze institution-sim

echo "== systemctl --user cat vzed"
if ! systemctl --user cat vzed 2>/tmp/check-deb-systemctl.err; then
  echo "(systemctl --user: $(cat /tmp/check-deb-systemctl.err); no user manager runs here." \
       "The unit file as systemd's search path finds it:)"
  systemd-analyze cat-config systemd/user/vzed.service
  runtime=$(mktemp -d)
  if XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify /usr/lib/systemd/user/vzed.service; then
    echo "(systemd-analyze --user verify: the unit is valid)"
  fi
  rm -rf "$runtime"
fi

echo "== man vzed"
MANWIDTH=80 man vzed | head -20

echo "== vzed --help (installed)"
/usr/bin/vzed --help | head -5
echo "check-deb: $deb installs and works"
