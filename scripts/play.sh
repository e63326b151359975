#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the game needs, builds it (without its tests), and starts
# Coin Flight from the folder that holds its pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build -DBUILD_TESTING=OFF
cd build
exec ./coinflight
