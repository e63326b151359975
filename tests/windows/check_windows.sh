#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Windows release zip and checks what a Windows player gets: the
# files in the zip, the exe's version resource (1.2.2.2) and icon, read back
# from the exe, and the unzipped game played under Wine on Xvfb (the
# end-to-end tests WindowsPlay*: sky, plane, Up, Esc, and the message box for
# a missing picture at 1024x768; full screen at 1920x1080 with the picture's
# shape and no mode change, and Alt+Enter to a window).
#   tests/windows/check_windows.sh E2E_TESTS_BINARY
set -euo pipefail
e2e=$(readlink -f "$1")
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "Windows check failed: $*" >&2; exit 1; }

scripts/need.sh wine wine64 icoutils unzip x11-xserver-utils

zip=$(scripts/build-windows.sh | tail -n 1)
[ -f "$zip" ] || fail "no zip was built"
unzip -q "$zip" -d "$work"
game=$(echo "$work"/coinflight-*-win64)
for f in coinflight.exe skypic.bmp gameoverpic.bmp LICENSE.txt README.txt; do
  [ -f "$game/$f" ] || fail "the zip lacks $f"
done

exe=$game/coinflight.exe
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "coinflight.exe is not a GUI program"
# Every DLL the exe imports is part of Windows: the C runtime and Win32
# itself, and what SDL calls directly (imm32 for text input, setupapi and
# the COM libraries for pads, version for its checks of Windows' version).
# The renderers' Direct3D 9 and 11 and OpenGL, and XInput, SDL opens at run
# time, taking the first that works.
others=$(grep 'DLL Name' <<<"$headers" |
  grep -viE 'kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|imm32|setupapi|version|winmm|msvcrt' || true)
[ -z "$others" ] || fail "coinflight.exe needs DLLs that Windows does not have: $others"
# VS_FIXEDFILEINFO: signature, structure version, then file and product
# version 1.2.2.2 as two pairs of 32-bit words.
version_words=$(wrestool -x --raw -t 16 "$exe" | od -An -tx4 -v | tr -s ' \n' ' ')
grep -q 'feef04bd 00010000 00010002 00020002 00010002 00020002' <<<"$version_words" ||
  fail "the version resource does not say 1.2.2.2"
strings_in_version=$(wrestool -x --raw -t 16 "$exe" | x86_64-w64-mingw32-strings -el)
for s in 1.2.2.2 "Coin Flight" coinflight.exe; do
  grep -q -F "$s" <<<"$strings_in_version" || fail "the version resource lacks \"$s\""
done
wrestool -x -t 14 "$exe" >"$work/icon.ico" || fail "coinflight.exe has no icon"
sizes=$(icotool -l "$work/icon.ico")
grep -q 'width=256' <<<"$sizes" || fail "the icon has no 256-pixel picture"
grep -q 'width=16 ' <<<"$sizes" || fail "the icon has no 16-pixel picture"

# A Wine prefix of its own, made before the test so the game's start is quick;
# no Mono or Gecko installer dialogs.
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# wineboot runs without a display: wait until its wineserver has gone, so the
# game's start brings up one that uses the test's X server.
wineboot -i >/dev/null 2>&1 || true
wineserver -w
printf '#!/bin/sh\nexec wine "%s"\n' "$exe" >"$work/run-under-wine"
chmod +x "$work/run-under-wine"
COINFLIGHT_WINE_COMMAND=$work/run-under-wine COINFLIGHT_WINE_FOLDER=$game \
  "$e2e" --gtest_filter='WindowsPlay*' --gtest_brief=1 || fail "the game did not play under Wine"
echo "Windows check: zip, GUI exe, version 1.2.2.2, icon, and play under Wine all good"
