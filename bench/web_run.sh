#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight natively and for the web, then measures the web release
# beside the native game in one run: tick_bench natively, as WebAssembly under
# node and in headless Chromium; then bench/web_bench.mjs on the unpacked
# release zip (5 cold loads, then 10 s of play). Takes about three minutes;
# run it on a quiet machine. Extra arguments go to web_bench.mjs (--pad, --2d).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
zip=$(scripts/build-web.sh | tail -n 1)
scripts/need.sh chromium unzip
command -v npm >/dev/null || scripts/need.sh npm
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"

echo "== tick_bench, native =="
build/bench/tick_bench data/skypic.bmp 2000
echo
echo "== tick_bench, WebAssembly under node =="
node --no-experimental-fetch build/web/game/bench/tick_bench.js data/skypic.bmp 2000
echo
node bench/web_bench.mjs "$(echo "$work"/coinflight-*-web)" --tick build/web/game/bench "$@"
