#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fuzzes the picture check and the library's BMP loader with libFuzzer.
#   tests/fuzz/fuzz.sh                 the test command's bounded run: a fixed
#                                      number of inputs from a fixed seed, on
#                                      a fresh copy of the seed corpus
#   tests/fuzz/fuzz.sh --time SECONDS  a longer run that keeps what it learns
#                                      in build/fuzz/corpus
# Any input that makes the target read or write outside its memory (or hit
# undefined behaviour in the check) stops the run, is saved as
# build/fuzz/crash-*, and the script fails.
#
# AddressSanitizer can only see inside code it compiled, so the loader is
# built from Allegro's upstream source (scripts/debian-source.sh), unpatched
# as Debian ships it, with clang and the sanitizers, once; it is kept in
# build/fuzz/allegro-*.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
out=$root/build/fuzz
runs=50000
seconds=
if [ "${1:-}" = --time ]; then
  seconds=${2:?--time needs a number of seconds}
fi

scripts/need.sh clang libclang-rt-dev cmake make pkg-config

# Allegro with AddressSanitizer and UndefinedBehaviorSanitizer. Its colour
# code shifts negative numbers left (makeacol32's alpha), which is undefined
# in C but harmless with every compiler it runs on; that one check is off.
cflags="-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize=shift-base"
cflags+=" -fno-sanitize-recover=all -fsanitize=fuzzer-no-link"
allegro=$out/allegro-$(echo "$cflags" | sha256sum | cut -c1-12)
if [ ! -f "$allegro/prefix/lib/pkgconfig/allegro.pc" ]; then
  rm -rf "$out"/allegro-*
  mkdir -p "$allegro"
  log=$allegro/build.log
  echo "Fetching and building Allegro 4 with the sanitizers (once; log in $log)"
  scripts/debian-source.sh allegro4.4 "$allegro" >"$log" 2>&1 || { tail -n 20 "$log"; exit 1; }
  CC=clang CFLAGS="$cflags" cmake -S "$allegro/src" -B "$allegro/build" -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_INSTALL_PREFIX="$allegro/prefix" -DSHARED=OFF -DWANT_MODULES=OFF -DWANT_X11=OFF \
    -DWANT_OSS=OFF -DWANT_ALSA=OFF -DWANT_JACK=OFF -DWANT_SGIAUDIO=OFF \
    -DWANT_ALLEGROGL=OFF -DWANT_LOADPNG=OFF -DWANT_LOGG=OFF -DWANT_JPGALLEG=OFF \
    -DWANT_EXAMPLES=OFF -DWANT_TOOLS=OFF -DWANT_TESTS=OFF -DWANT_DOCS=OFF >>"$log" 2>&1
  cmake --build "$allegro/build" -j "$(nproc)" --target allegro >>"$log" 2>&1 ||
    { tail -n 40 "$log"; exit 1; }
  cmake --install "$allegro/build" >>"$log" 2>&1
fi

# The target, built by the project's own CMake against that library (found
# first; the system's SDL 2 and X11, which the desktop platform's target
# needs to be configured, after it).
PKG_CONFIG_PATH=$allegro/prefix/lib/pkgconfig CC=clang CXX=clang++ cmake -S . -B "$out/game" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DCOINFLIGHT_FUZZ=ON >/dev/null
cmake --build "$out/game" -j "$(nproc)" --target bmp_fuzz >/dev/null

# A huge allocation fails with NULL, as it does outside the sanitizer: the
# loader asks for one when a top-down picture's height reads as negative.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
# The target writes each input to a file in TMPDIR: a folder that goes
# with this run.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
options=(-max_len=16384 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
  -artifact_prefix="$out/")
if [ -n "$seconds" ]; then
  mkdir -p "$out/corpus"
  "$out/game/tests/fuzz/bmp_fuzz" "${options[@]}" -max_total_time="$seconds" \
    "$out/corpus" tests/fuzz/seeds
else
  mkdir "$scratch/corpus"
  "$out/game/tests/fuzz/bmp_fuzz" "${options[@]}" -seed=1 -runs=$runs "$scratch/corpus" tests/fuzz/seeds \
    2>&1 | grep -Ev '^(#[0-9]+ +(NEW|REDUCE|pulse)|INFO:|==[0-9]+==WARNING|MS:|"|###)' || true
  # The pipe hides the fuzzer's own status.
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "the fuzzer found a fault: see $out/crash-*" >&2; exit 1; }
  echo "fuzz: $runs inputs, no fault found"
fi
