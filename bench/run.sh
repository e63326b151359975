#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight and runs its benchmarks: the cost of a tick (headless),
# the time from process start to the first frame (Xvfb), how soon a key is
# seen in play and on the game-over picture (Xvfb), then presentation
# rate, timer regularity and peak memory of the real main loop on a private
# Xvfb server. Takes about two minutes; run it on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --tests build -DBUILD_TESTING=ON >/dev/null

echo "== Tick cost =="
build/bench/tick_bench data/skypic.bmp

echo "== Start-up (Xvfb) =="
build/bench/startup_bench "$PWD/build/coinflight" "$PWD/data"

echo "== Keys seen (Xvfb) =="
build/bench/key_bench "$PWD/build/coinflight" "$PWD/data"

echo "== Presentation, timer, memory (Xvfb) =="
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
read -r -t 20 -u "$fd" display || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$display" build/bench/present_bench "$PWD/data"
