#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs whatever this Debian machine lacks to build Coin Flight (and, with
# --tests, to run its tests and check its package), then configures and
# builds it into build/.
#   scripts/build.sh [--tests] [BUILD_DIR [extra cmake arguments...]]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ make cmake pkg-config liballegro4-dev) # the game
if [ "${1:-}" = --tests ]; then
  shift
  packages+=(
    libgtest-dev xvfb libx11-dev libxtst-dev             # the tests
    desktop-file-utils appstream man-db                   # the install check
    build-essential dpkg-dev debhelper lintian devscripts # the .deb and its checks
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" "$@"
cmake --build "$build_dir" -j "$(nproc)"
