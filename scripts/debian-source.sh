#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fetches a Debian source package's upstream source through apt and unpacks
# it into DIR/src:
#   scripts/debian-source.sh SOURCE_PACKAGE DIR
# (allegro4.4 for the builds that compile Allegro themselves: Windows, the
# web, the fuzzer; libsdl2 for Windows).
# apt reads a deb-src line made from this machine's own apt sources (the
# first Debian archive and suite it already uses), kept with apt's lists in
# DIR/apt: the system's apt setup is left alone.
set -euo pipefail
package=${1:?usage: scripts/debian-source.sh SOURCE_PACKAGE DIR}
dir=$(mkdir -p "${2:?usage: scripts/debian-source.sh SOURCE_PACKAGE DIR}" && cd "$2" && pwd)
mkdir -p "$dir/apt/lists/partial"
awk '
  /^Types:/ { types = $0 }
  /^URIs:/ { uri = $2 } /^Suites:/ { suite = $2 } /^Signed-By:/ { key = $2 }
  /^$/ { if (!line && types ~ /deb/ && uri != "" && suite !~ /security/) line = "deb-src [signed-by=" key "] " uri " " suite " main"; uri = "" }
  END { if (!line && uri != "" && suite !~ /security/) line = "deb-src [signed-by=" key "] " uri " " suite " main"; print line }
' /etc/apt/sources.list.d/*.sources 2>/dev/null >"$dir/apt/sources.list" || true
if ! grep -q deb-src "$dir/apt/sources.list"; then
  grep -h '^deb ' /etc/apt/sources.list 2>/dev/null | head -n1 | sed 's/^deb /deb-src /' >"$dir/apt/sources.list"
fi
grep -q deb-src "$dir/apt/sources.list" || { echo "no Debian archive in the apt sources" >&2; exit 1; }
apt_private=(-o Dir::Etc::SourceList="$dir/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
  -o Dir::State::Lists="$dir/apt/lists" -o Debug::NoDropPrivs=1 -o APT::Sandbox::User=root)
apt-get -q "${apt_private[@]}" update
(cd "$dir" && apt-get -q "${apt_private[@]}" source --tar-only "$package")
rm -rf "$dir/src"
mkdir -p "$dir/src"
tar -xf "$dir"/"$package"_*.orig.tar.* -C "$dir/src" --strip-components=1
