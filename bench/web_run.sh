#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight natively and for the web, then measures the web release
# in Chromium, Firefox ESR and WebKitGTK beside the native game
# (bench/web_bench.mjs): the tick natively, under node and in each engine;
# cold loads of the release and of each engine's floor; 10 s of play. Three
# runs, the median of each figure; about 15 minutes. Run it on a quiet
# machine: it refuses a busy one. Extra arguments go to web_bench.mjs
# (--runs N, --engines chromium,firefox, --pad, --2d, --anyway).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
zip=$(scripts/build-web.sh | tail -n 1)
scripts/need.sh chromium firefox-esr webkit2gtk-driver xvfb unzip
command -v npm >/dev/null || scripts/need.sh npm
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
node bench/web_bench.mjs --release "$(echo "$work"/coinflight-*-web)" --bench build/web/game/bench \
  --native build/bench/tick_bench --sky data/skypic.bmp "$@"
