#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The package as a user gets it, in CI's throw-away root after the test
# command: built with dpkg-buildpackage (nocheck: the tests have run),
# lintian-clean, installed with apt-get, the installed /usr/games/coinflight
# played from an unrelated folder on a private X server (first frame, Up,
# Esc quits with 0), purged, and the root's files then exactly as before.
#   tests/package/check_user_install.sh E2E_TESTS_BINARY
# It installs and removes a system package, so it runs only in a throw-away
# root (scripts/debian-root.sh), never on a player's or developer's machine.
set -euo pipefail
cd "$(dirname "$0")/../.."
e2e=$(realpath "$1")
[ "${COINFLIGHT_THROWAWAY_ROOT:-}" = 1 ] ||
  { echo "check_user_install.sh: it installs and purges a system package; CI runs it in a throw-away root" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "user install check failed: $*" >&2; exit 1; }

DEB_BUILD_OPTIONS=nocheck scripts/package.sh "$work/deb" >"$work/build.log" 2>&1 ||
  { tail -n 60 "$work/build.log"; fail "dpkg-buildpackage"; }
tests/package/check_built_deb.sh "$work/deb" amd64

# Every file and folder of the root but the kernel's, the scratch space,
# this checkout and apt's own caches, logs and lists.
files() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /src \
    -o -path /var/cache/apt -o -path /var/lib/apt/lists -o -path /var/log \) -prune -o -print | sort
}
files >"$work/before"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends "$work"/deb/coinflight_*_amd64.deb >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install"; }
[ -x /usr/games/coinflight ] || fail "no /usr/games/coinflight after installing"
out=$(cd / && COINFLIGHT_INSTALLED=/usr/games/coinflight "$e2e" --gtest_filter='Play.Installed*' 2>&1) ||
  { echo "$out"; fail "the installed game did not play"; }
grep -q 'PASSED  \] 1 test' <<<"$out" || { echo "$out"; fail "the installed game was not tried"; }
apt-get purge -y -q --autoremove coinflight >>"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get purge"; }
files >"$work/after"
left=$(diff "$work/before" "$work/after" || true)
[ -z "$left" ] || fail "the root differs after purging: $left"
echo "user install check: built, lintian-clean, installed, played, purged, nothing left behind"
