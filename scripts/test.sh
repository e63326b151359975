#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the headless tests,
# the art checks, the end-to-end tests on a private Xvfb server and the
# package check; then the headless tests again, built with AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
ctest --test-dir build --output-on-failure

echo "== The headless tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-sanitize -DCOINFLIGHT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-sanitize -j "$(nproc)" --target unit_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize -L unit --output-on-failure
