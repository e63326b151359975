#!/usr/bin/env bash
# Installs what is missing, builds, and starts Coin Flight from the folder
# that holds its pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
cd build
exec ./coinflight
