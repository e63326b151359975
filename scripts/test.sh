#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs every test: the headless tests,
# the art checks, the end-to-end tests on a private Xvfb server and the
# install check; then builds the Debian package twice and checks it
# (reproducible, lintian, hardening); then builds the Windows release and
# plays it under Wine; then builds the web release, checks that it draws the
# native build's very frames and plays it in Chromium, Firefox and WebKit;
# then fuzzes the picture check and the library's BMP loader for a bounded
# number of inputs; then runs the headless tests again, built with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --tests build -DBUILD_TESTING=ON
ctest --test-dir build --output-on-failure

echo "== The Debian package =="
tests/package/check_deb.sh

echo "== The Windows release, played under Wine =="
tests/windows/check_windows.sh build/tests/e2e_tests

echo "== The web release, played in Chromium, Firefox and WebKit =="
tests/web/check_web.sh build/tests/web/web_frames

echo "== The picture check and the BMP loader, fuzzed =="
tests/fuzz/fuzz.sh

echo "== The headless tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-sanitize -DCOINFLIGHT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-sanitize -j "$(nproc)" --target unit_tests
# A huge allocation fails with NULL, as it does outside the sanitizer (the
# loader asks for one for a top-down picture on 64-bit Linux).
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize -L unit --output-on-failure
