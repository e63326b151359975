#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the arm64 package that scripts/package-arm64.sh built into DIR, in
# the same throw-away root: a second build from another folder is byte for
# byte the same, check_built_deb.sh finds it lintian-clean, hardened, stripped
# and complete; then the game and its tests, cross-built for arm64, run
# under qemu-aarch64-static: the headless tests, the art check, and the
# end-to-end tests, which play the arm64 game on an X server of this machine.
#   tests/package/check_arm64.sh DIR    (run by scripts/package-arm64.sh --check)
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=$(cd "$1" && pwd)
[ "${COINFLIGHT_THROWAWAY_ROOT:-}" = 1 ] ||
  { echo "check_arm64.sh: it installs arm64 libraries; run it through scripts/package-arm64.sh --check" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "arm64 check failed: $*" >&2; exit 1; }

scripts/package.sh --arch arm64 "$work/two/elsewhere" >"$work/two.log" 2>&1 ||
  { tail -n 60 "$work/two.log"; fail "the second dpkg-buildpackage"; }
for f in "$dir"/coinflight*_arm64.deb; do
  other="$work/two/elsewhere/$(basename "$f")"
  [ -f "$other" ] || fail "the second build made no $(basename "$f")"
  cmp -s "$f" "$other" || fail "$(basename "$f") differs between two builds: not reproducible"
done
tests/package/check_built_deb.sh "$dir" arm64
echo "arm64 package: reproducible, lintian-clean, hardened, stripped, complete"

# The tests' libraries for arm64 sit beside this machine's; Xvfb and the
# emulator are this machine's own.
scripts/need.sh cmake make qemu-user-static xvfb libgtest-dev:arm64 libx11-dev:arm64 libxtst-dev:arm64
cmake -S . -B "$work/build" -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >"$work/configure.log" ||
  { cat "$work/configure.log"; fail "configuring the arm64 build"; }
cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log"; fail "building for arm64"; }
file -b "$work/build/coinflight" | grep -q 'ARM aarch64' || fail "the game is not an arm64 program"
ctest --test-dir "$work/build" --output-on-failure
