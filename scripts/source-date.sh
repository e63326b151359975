#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Prints the one date a release carries, in seconds since 1970, so that the
# same sources give the same bytes: the last commit's time, or where there is
# no git (a pristine root, an unpacked source archive) the time of the newest
# entry in debian/changelog.
#   SOURCE_DATE_EPOCH=$(scripts/source-date.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
git log -1 --format=%ct 2>/dev/null ||
  date -d "$(sed -n 's/^ -- .*>  //p' debian/changelog | head -n 1)" +%s
