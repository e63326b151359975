#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs Coin Flight into a temporary prefix and checks what a player and a
# software centre get: the layout, the installed command playing from an
# unrelated folder, the desktop entry, the AppStream data, the manual page and
# the version. (The .deb itself is checked by check_deb.sh.)
#   check_install.sh BUILD_DIR E2E_TESTS_BINARY
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
e2e=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check failed: $*" >&2; exit 1; }

files=(
  games/coinflight
  libexec/coinflight/coinflight
  share/games/coinflight/skypic.bmp
  share/games/coinflight/gameoverpic.bmp
  share/applications/coinflight.desktop
  share/icons/hicolor/scalable/apps/coinflight.svg
  share/man/man6/coinflight.6
  share/metainfo/org.coinflight.coinflight.metainfo.xml
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

desktop="$prefix/share/applications/coinflight.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -q '^StartupWMClass=coinflight$' "$desktop" || fail "the desktop entry's StartupWMClass"
metainfo="$prefix/share/metainfo/org.coinflight.coinflight.metainfo.xml"
verdict=$("$here/check_appstream.sh" "$metainfo") ||
  fail "the AppStream data does not validate cleanly, even pedantically: $verdict"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man6/coinflight.6" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
grep -q -a -F '1.2.2.2' "$prefix/libexec/coinflight/coinflight" || fail "no 1.2.2.2 in the executable"

echo "install check: layout, installed command, desktop entry, AppStream data, manual page and version all good"
