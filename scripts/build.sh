#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs whatever this Debian machine lacks to build Coin Flight (and, with
# --tests, to run its tests and check its package), then configures and
# builds it into build/.
#   scripts/build.sh [--tests] [BUILD_DIR [extra cmake arguments...]]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ make cmake pkg-config liballegro4-dev libsdl2-dev libx11-dev) # the game
if [ "${1:-}" = --tests ]; then
  shift
  packages+=(
    libgtest-dev xvfb libx11-dev libxtst-dev             # the tests
    sway xwayland grim libwayland-dev libxkbcommon-dev   # the Wayland desktop test
    gnome-shell dbus-daemon python3-gi gir1.2-gdkpixbuf-2.0 # the same on GNOME Shell,
    libdecor-0-plugin-1-cairo # with the window decorations a GNOME desktop has
    desktop-file-utils appstream man-db                   # the install check
    build-essential dpkg-dev debhelper lintian devscripts file # the .deb and its checks
  )
fi
scripts/need.sh "${packages[@]}"

build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" "$@"
cmake --build "$build_dir" -j "$(nproc)"
