#!/usr/bin/env bash
# Proves the Debian package: builds it (package preset, cpack with dpkg-shlibdeps), checks it with
# lintian (any error fails), installs it with dpkg -i, shows its dependencies, the systemd user units
# as systemd sees them and the vzed(1) page, runs the installed vzed, and removes the package again
# unless --keep is given.
# Needs root (dpkg -i, and apt-get for lintian when it is missing); run on a machine where
# installing the package is wanted.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=false
[ "${1:-}" = "--keep" ] && keep=true
[ "$(id -u)" -eq 0 ] || { echo "check-deb: dpkg -i needs root" >&2; exit 1; }
./scripts/bootstrap.sh
if ! command -v lintian >/dev/null; then
  echo "check-deb: installing lintian"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends lintian >/dev/null
fi
cmake --preset package >/dev/null
cmake --build --preset package
rm -f build/package/vzed_*.deb
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls build/package/vzed_*.deb)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Maintainer Depends
dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$'

# Every tag lintian knows, informational ones included; errors fail the check. Why the tags left
# are there is told in README.md ("Installing") and in the package's lintian overrides.
echo "== lintian"
lintian --info --display-info --fail-on error "$deb" && status=0 || status=$?
[ $status -eq 0 ] || { echo "check-deb: lintian found errors in $deb" >&2; exit 1; }
echo "lintian: no errors"

echo "== dpkg -i"
dpkg -i "$deb"
$keep || trap 'echo "== dpkg -r vzed"; dpkg -r vzed >/dev/null' EXIT
command -v vzed vze institution-sim

echo "== the systemd user units"
if ! systemctl --user cat vzed.socket vzed.service 2>/tmp/check-deb-systemctl.err; then
  echo "(systemctl --user: $(cat /tmp/check-deb-systemctl.err); no user manager runs here." \
       "The units as systemd's search path finds them:)"
  systemd-analyze cat-config systemd/user/vzed.socket systemd/user/vzed.service
  runtime=$(mktemp -d)
  if XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify /usr/lib/systemd/user/vzed.socket \
       /usr/lib/systemd/user/vzed.service; then
    echo "(systemd-analyze --user verify: the units are valid)"
  fi
  rm -rf "$runtime"
fi

echo "== man vzed"
MANWIDTH=80 man vzed | sed -n 1,20p

echo "== vzed --help (installed)"
/usr/bin/vzed --help | sed -n 1,5p
echo "check-deb: $deb is lintian-clean, installs and works"
