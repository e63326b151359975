#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the web release and checks what a player gets:
# - the same frames: the frames tool built for the web, run under node,
#   prints the very hashes the native build prints (through the four-coin
#   phase at speed 8 and a round's end, the same keys and random numbers);
# - the unpacked zip, served from 127.0.0.1, played in the three browser
#   engines, each as Debian packages it: Chromium and Firefox ESR headless
#   (puppeteer-core from the lockfile), WebKitGTK's MiniBrowser through
#   WebKitWebDriver on an Xvfb display of the test's own (browser_test.mjs,
#   node's test runner).
#   tests/web/check_web.sh NATIVE_FRAMES_BINARY
set -euo pipefail
native=$(readlink -f "$1")
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "web check failed: $*" >&2; exit 1; }

scripts/need.sh chromium firefox-esr webkit2gtk-driver xvfb
command -v npm >/dev/null || scripts/need.sh npm

zip=$(scripts/build-web.sh | tail -n 1)
[ -f "$zip" ] || fail "no zip was built"

"$native" data/skypic.bmp >"$work/native.txt" || fail "the native frames tool failed"
# Node 18 and later would fetch the .wasm file by URL; it is read from disk.
node --no-experimental-fetch build/web/game/tests/web/web_frames.js data/skypic.bmp \
  >"$work/wasm.txt" || fail "the web frames tool failed under node"
grep -q 'speed 8 coins 4' "$work/native.txt" && grep -q 'game over' "$work/native.txt" ||
  fail "the frames tool did not reach the four-coin phase and a round's end"
diff "$work/native.txt" "$work/wasm.txt" >/dev/null ||
  fail "the web build draws other frames than the native one: $(diff "$work/native.txt" "$work/wasm.txt" | head -n 3)"
echo "web check: $(grep -c hash "$work/native.txt") frames identical to the native build's"

unzip -q "$zip" -d "$work"
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
COINFLIGHT_WEB=$(echo "$work"/coinflight-*-web) node --test tests/web/browser_test.mjs ||
  fail "the page did not play in every browser engine"
