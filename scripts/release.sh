#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes every release of Coin Flight from the committed tree, side by side in
# one folder with the checksums a player verifies:
#   sudo scripts/release.sh [DIST_DIR]      (default dist/)
# - coinflight_VERSION_amd64.deb, built on Debian 12 in a pristine root, so
#   that it installs on Debian 12 and 13 (scripts/package.sh; its tests are
#   skipped there: the test command and CI run them on the same build);
# - coinflight_VERSION_arm64.deb, cross-built in a pristine root of its own
#   (scripts/package-arm64.sh);
# - coinflight-VERSION-win64.zip and coinflight-VERSION-web.zip, built in the
#   same Debian 12 root as the amd64 package, in a folder of their own;
# - coinflight-VERSION.tar.gz, the committed tree (git archive);
# - SHA256SUMS, which `sha256sum -c SHA256SUMS` checks.
# Every artifact is reproducible: the same commit gives the same bytes from
# any folder at any time (CI makes the release and compares each artifact
# with the one it built and tested itself). Here each is checked for what it
# must hold. Needs root, for the pristine roots (scripts/debian-root.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
dist=$(realpath -m "${1:-dist}")
version=$(sed -n 's/^project(coinflight VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
fail() { echo "release failed: $*" >&2; exit 1; }
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  fail "the tree has changes that are not committed; a release is made from what is"
scripts/need.sh unzip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bookworm" "$work/arm64"

echo "== The amd64 package, the Windows zip and the web zip, in a pristine Debian 12 root =="
# The zips are built in a copy of the tree of their own, in another folder
# than the one CI builds them in.
scripts/debian-root.sh --buildd --out "$work/bookworm" 'DEB_BUILD_OPTIONS=nocheck scripts/package.sh /out &&
  cp -a /src/coinflight /tmp/release && cd /tmp/release &&
  cp "$(scripts/build-windows.sh | tail -n 1)" "$(scripts/build-web.sh | tail -n 1)" /out/'
echo "== The arm64 package, in a pristine Debian 12 root of its own =="
scripts/package-arm64.sh "$work/arm64"

rm -rf "$dist"
mkdir -p "$dist"
cp "$work/bookworm/coinflight_${version}_amd64.deb" "$work/arm64/coinflight_${version}_arm64.deb" \
  "$work/bookworm/coinflight-$version-win64.zip" "$work/bookworm/coinflight-$version-web.zip" "$dist/"
git archive --format=tar --prefix="coinflight-$version/" HEAD | gzip -n -9 >"$dist/coinflight-$version.tar.gz"

# What each must hold.
for arch in amd64 arm64; do
  deb=$dist/coinflight_${version}_$arch.deb
  [ "$(dpkg-deb -f "$deb" Package Version Architecture | tr '\n' ' ')" = "Package: coinflight Version: $version Architecture: $arch " ] ||
    fail "$(basename "$deb") is not coinflight $version for $arch"
  dpkg-deb -c "$deb" | grep ' ./usr/games/coinflight$' >/dev/null || fail "$(basename "$deb") lacks the command"
done
unzip -tq "$dist/coinflight-$version-win64.zip" >/dev/null &&
  unzip -l "$dist/coinflight-$version-win64.zip" | grep "coinflight-$version-win64/coinflight.exe$" >/dev/null ||
  fail "the Windows zip lacks coinflight.exe"
unzip -tq "$dist/coinflight-$version-web.zip" >/dev/null &&
  unzip -l "$dist/coinflight-$version-web.zip" | grep "coinflight-$version-web/coinflight.wasm$" >/dev/null ||
  fail "the web zip lacks coinflight.wasm"
tar -tzf "$dist/coinflight-$version.tar.gz" | grep -x "coinflight-$version/CMakeLists.txt" >/dev/null ||
  fail "the source archive lacks CMakeLists.txt"

(cd "$dist" && sha256sum -- *.deb *.zip *.tar.gz >SHA256SUMS && sha256sum -c --quiet SHA256SUMS)
echo "== The release, in $dist =="
(cd "$dist" && ls -l --time-style=+ -- *.deb *.zip *.tar.gz SHA256SUMS | awk '{print $5, $NF}' && cat SHA256SUMS)
echo "Made in $((SECONDS - start)) s"
