#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight's Debian package the Debian way (dpkg-buildpackage, from
# the debian/ folder), in a copy of this tree, so the checkout stays clean.
#   scripts/package.sh [OUT_DIR]    (default build/deb)
# Leaves coinflight_1.2.2.2_amd64.deb and its debug symbols package in
# OUT_DIR. DEB_BUILD_OPTIONS=nocheck skips the tests (and their tools).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-build/deb}" && cd "${1:-build/deb}" && pwd)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
# DEB_BUILD_OPTIONS=nocheck also selects the nocheck build profile, which
# drops the test tools from the build dependencies.
profile=()
case " ${DEB_BUILD_OPTIONS:-} " in *" nocheck "*) profile=(-Pnocheck) ;; esac
# The packaging tools, then whatever debian/control asks for that is missing.
if ! dpkg-checkbuilddeps "${profile[@]}" >/dev/null 2>&1 ||
  ! command -v dpkg-buildpackage >/dev/null || ! dpkg-query -W build-essential >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  scripts/need.sh build-essential dpkg-dev debhelper
  "${sudo[@]}" apt-get build-dep -y -q --no-install-recommends "${profile[@]}" ./
fi

version=$(dpkg-parsechangelog -S Version)
src="$out/coinflight-$version"
rm -rf "$src"
mkdir -p "$src"
tar -c --exclude='./build*' --exclude=./.git --exclude=./obj-* . | tar -x -C "$src"
(cd "$src" && dpkg-buildpackage -us -uc -b "${profile[@]}")
rm -rf "$src"
ls "$out"/coinflight*_"$version"_*.deb
