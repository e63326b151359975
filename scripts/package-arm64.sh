#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the package for 64-bit ARM (a Raspberry Pi 4 or 5 with Raspberry Pi
# OS 64-bit, or any Debian 12 arm64 machine): coinflight_1.2.2.2_arm64.deb
# and its debug symbols, cross-compiled the Debian way, and copies them to
# OUT_DIR (default build/arm64). Needs root.
#   scripts/package-arm64.sh [--check] [OUT_DIR]
# The build runs in a pristine Debian 12 root of its own
# (scripts/debian-root.sh), never on this machine: Allegro's headers for
# arm64 cannot be installed beside the amd64 ones, they replace them.
# --check then checks the package there as CI does
# (tests/package/check_arm64.sh): built again elsewhere, byte for byte the
# same; lintian-clean, hardened, stripped and complete; and the tests and the
# game, built for arm64, run under emulation.
set -euo pipefail
cd "$(dirname "$0")/.."
check=
if [ "${1:-}" = --check ]; then
  check=--check
  shift
fi

if [ "${COINFLIGHT_THROWAWAY_ROOT:-}" != 1 ]; then
  out=${1:-build/arm64}
  rm -f "$out"/coinflight*_arm64.deb
  exec scripts/debian-root.sh --buildd --out "$out" "scripts/package-arm64.sh $check /out"
fi

# In the root.
scripts/package.sh --arch arm64 "${1:-build/arm64}"
[ -z "$check" ] || tests/package/check_arm64.sh "${1:-build/arm64}"
