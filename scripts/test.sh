#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the headless tests,
# the art checks and the end-to-end tests on a private Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
ctest --test-dir build --output-on-failure
