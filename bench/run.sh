#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight and runs its benchmarks: the cost of a tick (headless),
# the time from process start to the first frame (Xvfb), how soon a key is
# seen in play and on the game-over picture (Xvfb), then presentation
# (passes, ticks and frames a second, CPU per frame shown, each thread's
# share) of the real main loop on the library's X11 driver at 1024x768 and on
# the desktop platform at 1920x1080 and 1024x768, beside a plain copy of the
# picture, then timer regularity and peak memory, each on a private Xvfb
# server. Takes about three minutes; run it on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --tests build -DBUILD_TESTING=ON >/dev/null

echo "== Tick cost =="
build/bench/tick_bench data/skypic.bmp

echo "== Start-up (Xvfb) =="
build/bench/startup_bench "$PWD/build/coinflight" "$PWD/data"

echo "== Keys seen (Xvfb) =="
build/bench/key_bench "$PWD/build/coinflight" "$PWD/data"

# Runs a present_bench build on a private Xvfb screen of the given size.
present() {
  local size=$1 bench=$2
  shift 2
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  local display
  read -r -t 20 -u "$fd" display || { echo "Xvfb did not start" >&2; kill $xvfb; exit 1; }
  DISPLAY=":$display" "build/bench/$bench" "$PWD/data" "$@"
  kill $xvfb
  wait $xvfb 2>/dev/null || true
}

echo "== Presentation at 1024x768, the library's X11 driver (Xvfb) =="
present 1024x768 present_bench_x11 --no-timer-check
echo "== Presentation at 1920x1080, the desktop platform (Xvfb) =="
present 1920x1080 present_bench --no-timer-check
echo "== Presentation, timer, memory at 1024x768, the desktop platform (Xvfb) =="
present 1024x768 present_bench
