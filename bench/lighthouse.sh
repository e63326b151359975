#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the web release and gives Lighthouse's scores of it on two hosts, a
# compressing one and a plain one, mobile and desktop, 3 runs each
# (bench/lighthouse.mjs); about 5 minutes. Installs Lighthouse from npm into
# bench/node_modules (bench/package-lock.json pins it). Run it on a quiet
# machine. Extra arguments go to lighthouse.mjs (--runs N).
set -euo pipefail
cd "$(dirname "$0")/.."
zip=$(scripts/build-web.sh | tail -n 1)
scripts/need.sh chromium unzip python3
command -v npm >/dev/null || scripts/need.sh npm
(cd bench && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
echo "machine: $(sed -n 's/^model name\s*:\s*//p' /proc/cpuinfo | head -n 1), $(nproc) cores;" \
  "load average $(cut -d ' ' -f 1-3 /proc/loadavg)"
node bench/lighthouse.mjs "$(echo "$work"/coinflight-*-web)" "$@"
