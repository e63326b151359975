#!/usr/bin/env bash
# Installs Coin Flight into a temporary prefix and builds its .deb, then checks
# what a player and a packager get: the layout, the installed command playing
# from an unrelated folder, the desktop entry, the manual page, the version,
# and the package's control fields and file list.
#   check_package.sh BUILD_DIR E2E_TESTS_BINARY
set -euo pipefail
build=$(cd "$1" && pwd)
e2e=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check failed: $*" >&2; exit 1; }

files=(
  games/coinflight
  lib/games/coinflight/coinflight
  share/games/coinflight/skypic.bmp
  share/games/coinflight/gameoverpic.bmp
  share/applications/coinflight.desktop
  share/icons/hicolor/scalable/apps/coinflight.svg
  share/man/man6/coinflight.6
)

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in "${files[@]}"; do
  [ -f "$prefix/$f" ] || fail "the install lacks $f"
done

# The installed command, started far from its pictures, shows the sky and
# quits on Esc with status 0.
out=$(COINFLIGHT_INSTALLED="$prefix/games/coinflight" "$e2e" --gtest_filter='Play.Installed*' 2>&1) ||
  { echo "$out"; fail "the installed command did not play"; }
grep -q 'PASSED  \] 1 test' <<<"$out" || { echo "$out"; fail "the installed command was not tried"; }

desktop-file-validate "$prefix/share/applications/coinflight.desktop" ||
  fail "the desktop entry does not validate"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man6/coinflight.6" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
grep -q -a -F '1.2.2.2' "$prefix/lib/games/coinflight/coinflight" || fail "no 1.2.2.2 in the executable"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null) || fail "cpack failed"
deb=$(echo "$work"/pkg/coinflight_*.deb)
[ -f "$deb" ] || fail "no .deb was built"
[ "$(dpkg-deb -f "$deb" Package)" = coinflight ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = 1.2.2.2 ] || fail "package version"
dpkg-deb -f "$deb" Depends | grep -q 'liballegro4' || fail "no dependency on the Allegro runtime"
listing=$(dpkg-deb -c "$deb")
for f in "${files[@]}"; do
  grep -q -F "./usr/$f" <<<"$listing" || fail "the package lacks /usr/$f"
done
echo "package check: install layout, installed command, desktop entry, manual page, version and .deb all good"
