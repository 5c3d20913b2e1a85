#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with, only those that are missing.
# Idempotent; prints nothing when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libboost-dev libssl-dev
  libpugixml-dev nlohmann-json3-dev libcli11-dev
  libsndfile1-dev libzip-dev libsystemd-dev
  sox curl
  python3 python3-venv python3-setuptools-whl python3-wheel-whl
  man-db groff-base dpkg-dev file
  clang-16 libclang-rt-16-dev llvm-16
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
