#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package twice, from two different folders, and checks it
# the way a distribution would: the two builds are byte-identical
# (reproducible), and check_built_deb.sh finds it lintian-clean, hardened,
# stripped and complete.
# The first build runs every test inside dpkg-buildpackage; the second is a
# nocheck build, which must give the very same package.
#   tests/package/check_deb.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package check failed: $*" >&2; exit 1; }

scripts/package.sh "$work/one" >"$work/one.log" 2>&1 || { tail -n 60 "$work/one.log"; fail "dpkg-buildpackage"; }
DEB_BUILD_OPTIONS=nocheck scripts/package.sh "$work/two/elsewhere" >"$work/two.log" 2>&1 ||
  { tail -n 60 "$work/two.log"; fail "dpkg-buildpackage with nocheck"; }
grep -q '100% tests passed' "$work/one.log" || fail "the tests did not run inside the package build"

for f in "$work"/one/*.deb; do
  other="$work/two/elsewhere/$(basename "$f")"
  [ -f "$other" ] || fail "the second build made no $(basename "$f")"
  [ "$(sha256sum <"$f")" = "$(sha256sum <"$other")" ] ||
    fail "$(basename "$f") differs between two builds: not reproducible"
done

tests/package/check_built_deb.sh "$work/one" amd64
echo "package check: reproducible, lintian-clean, hardened, stripped, complete"
