#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The package as a user gets it, in CI's throw-away root after the test
# command: built with dpkg-buildpackage (nocheck: the tests have run),
# lintian-clean, installed with apt-get, the installed /usr/games/coinflight
# played from an unrelated folder on a private X server (first frame, Up,
# Esc quits with 0) and, by an ordinary user, on a Wayland desktop (sway,
# headless, natively on wide, small, fractionally scaled and HiDPI outputs
# and once through Xwayland: full screen, the picture filling the height with
# its shape, Alt+Enter to a window and back, the seat's keyboard playing it;
# and GNOME Shell, headless, at 1920x1080: full screen over the top bar),
# purged, and the root's files then exactly as before.
#   tests/package/check_user_install.sh E2E_TESTS_BINARY [DEB | OUT_DIR]
# Given a DEB (built elsewhere: on Debian 12 for Debian 13, or for arm64),
# that one is installed instead; given a folder, the package is built there
# and kept. A package of another architecture (arm64)
# is installed the multiarch way, beside that architecture's libraries, and
# played under qemu-user as a machine of its own would run it.
# It installs and removes a system package, so it runs only in a throw-away
# root (scripts/debian-root.sh), never on a player's or developer's machine.
set -euo pipefail
cd "$(dirname "$0")/../.."
e2e=$(realpath "$1")
deb=${2:+$(realpath "$2")}
[ "${COINFLIGHT_THROWAWAY_ROOT:-}" = 1 ] ||
  { echo "check_user_install.sh: it installs and purges a system package; CI runs it in a throw-away root" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "user install check failed: $*" >&2; exit 1; }

if [ -z "$deb" ] || [ -d "$deb" ]; then
  into=${deb:-$work/deb}
  DEB_BUILD_OPTIONS=nocheck scripts/package.sh "$into" >"$work/build.log" 2>&1 ||
    { tail -n 60 "$work/build.log"; fail "dpkg-buildpackage"; }
  tests/package/check_built_deb.sh "$into" amd64
  deb=$(echo "$into"/coinflight_*_amd64.deb)
fi
[ -f "$deb" ] || fail "no package $deb"
arch=$(dpkg-deb -f "$deb" Architecture)
export DEBIAN_FRONTEND=noninteractive
emulator=
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  case $arch in
    arm64) emulator=qemu-aarch64-static ;;
    *) fail "no emulator known for $arch" ;;
  esac
  # Part of the machine the package is tried on, not of the package: set up
  # before the root's files are listed. A machine of that architecture has
  # its C library and GCC's runtime already (essential there; apt never
  # removes them automatically here, being of required priority).
  dpkg --add-architecture "$arch"
  apt-get update -q >/dev/null
  scripts/need.sh qemu-user-static "libc6:$arch" "libgcc-s1:$arch" >/dev/null
fi

# Every file and folder of the root but the kernel's, the scratch space,
# this checkout, apt's own caches, logs and lists, and man-db's cache of
# manual pages (Debian 13's man-db marks each folder of it with a
# CACHEDIR.TAG the first time a package brings a manual page).
files() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /src \
    -o -path /var/cache/apt -o -path /var/cache/man -o -path /var/lib/apt/lists -o -path /var/log \) \
    -prune -o -print | sort
}
# An ordinary user plays on the Wayland desktop, as on a player's machine;
# X's socket folder is made the way a booted system has it, for every user.
player=coinflight-player
id "$player" >/dev/null 2>&1 || useradd --no-create-home --shell /usr/sbin/nologin "$player"
install -d -m 1777 /tmp/.X11-unix
files >"$work/before"
apt-get install -y -q --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install"; }
[ -x /usr/games/coinflight ] || fail "no /usr/games/coinflight after installing"
command=/usr/games/coinflight
if [ -n "$emulator" ]; then
  # Without binfmt_misc this machine cannot exec an arm64 program: the
  # installed launcher's own steps, with its last one under the emulator.
  command=$work/coinflight-emulated
  sed -e 's|^here=.*|here=/usr/games|' -e "s|^exec |exec $emulator |" /usr/games/coinflight >"$command"
  chmod +x "$command"
  grep -q "^exec $emulator " "$command" || fail "the installed launcher has changed: $(cat /usr/games/coinflight)"
fi
# Played with a home of its own, as the Wayland part below is: what a
# player's session leaves in its own home (Mesa's shader cache, which Debian
# 13's Mesa writes in ~/.cache) is the player's, not the package's.
roothome=$(mktemp -d)
out=$(cd / && HOME=$roothome COINFLIGHT_INSTALLED=$command "$e2e" --gtest_filter='Play.Installed*' 2>&1) ||
  { echo "$out"; fail "the installed game did not play"; }
grep -q 'PASSED  \] 1 test' <<<"$out" || { echo "$out"; fail "the installed game was not tried"; }
if [ -z "$emulator" ]; then
  home=$(mktemp -d)
  chown "$player" "$home"
  out=$(cd / && runuser -u "$player" -- env HOME="$home" COINFLIGHT_INSTALLED=$command \
    "$e2e" --gtest_filter='Wayland.*' 2>&1) ||
    { echo "$out"; fail "the installed game did not play on a Wayland desktop"; }
  grep -q 'PASSED  \] 2 tests' <<<"$out" || { echo "$out"; fail "the installed game was not tried on sway and GNOME Shell"; }
  grep '^\[ picture' <<<"$out"
  rm -rf "$home"
fi
apt-get purge -y -q --autoremove coinflight >>"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get purge"; }
files >"$work/after"
left=$(diff "$work/before" "$work/after" || true)
[ -z "$left" ] || fail "the root differs after purging: $left"
echo "user install check: $(basename "$deb") installed, played, purged, nothing left behind"
