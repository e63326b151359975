#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight's Debian package the Debian way (dpkg-buildpackage, from
# the debian/ folder), in a copy of this tree, so the checkout stays clean.
#   scripts/package.sh [--arch ARCH] [OUT_DIR]    (default build/deb)
# Leaves coinflight_1.2.2.2_amd64.deb and its debug symbols package in
# OUT_DIR. DEB_BUILD_OPTIONS=nocheck skips the tests (and their tools).
# --arch cross-builds for another architecture (without the tests). It
# installs that architecture's Allegro headers, which replace this machine's
# own, so it runs only in a throw-away root: scripts/package-arm64.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=
if [ "${1:-}" = --arch ]; then
  arch=${2:?--arch needs a Debian architecture}
  shift 2
  [ "${COINFLIGHT_THROWAWAY_ROOT:-}" = 1 ] || {
    echo "package.sh: a cross build would replace this machine's Allegro headers; use scripts/package-$arch.sh" >&2
    exit 2
  }
  export DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}"
fi
out=$(mkdir -p "${1:-build/deb}" && cd "${1:-build/deb}" && pwd)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
# DEB_BUILD_OPTIONS=nocheck also selects the nocheck build profile, which
# drops the test tools from the build dependencies.
profile=()
case " ${DEB_BUILD_OPTIONS:-} " in *" nocheck "*) profile=(-Pnocheck) ;; esac
if [ -n "$arch" ]; then
  profile=("-a$arch" "-Pcross,nocheck")
  dpkg --print-foreign-architectures | grep -qx "$arch" || {
    dpkg --add-architecture "$arch"
    apt-get update -q
  }
  # The cross compilers, and the C++ runtime built for ARCH, which tells
  # dpkg-shlibdeps what the program's dependency on it is.
  scripts/need.sh "crossbuild-essential-$arch" "libstdc++6:$arch"
fi
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
