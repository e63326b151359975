#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight for the web on this Debian machine and packs the release
# zip a player unpacks onto any static web host:
#   build/web/coinflight-VERSION-web.zip
# holding index.html and page.js (the page), coinflight.js and
# coinflight.wasm (the game), the two pictures, manifest.webmanifest and the
# icons (to install it), sw.js (to play it offline) and LICENSE.txt. Beside
# it, build/web/game/ holds the same page and the node builds of the frames
# tool and the tick benchmark.
#
# The game runs on the real Allegro 4, compiled to WebAssembly with Debian's
# emscripten: this fetches Allegro's upstream source through apt
# (scripts/debian-source.sh, the system's apt setup left alone), applies
# packaging/allegro/*.patch and packaging/web/*.patch (each says what it
# mends), and compiles the library's portable core with the web platform in
# web/ (web/CMakeLists.txt). The patched source and the library's build are
# kept in build/web/allegro-*, so a rebuild takes seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/web
version=$(sed -n 's/^project(coinflight VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
toolchain=$root/cmake/emscripten.cmake
# One date for everything the release carries, so that the same sources give
# the same zip.
SOURCE_DATE_EPOCH=$(scripts/source-date.sh)
export SOURCE_DATE_EPOCH

scripts/need.sh cmake make pkg-config patch zip emscripten
# emscripten's tools are node scripts that use Debian's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# --- Allegro for the web: the source once per set of patches -----------------
patches=(packaging/allegro/*.patch packaging/web/*.patch)
allegro=$out/allegro-$(cat "${patches[@]}" "$toolchain" | sha256sum | cut -c1-12)
log=$allegro/build.log
if [ ! -f "$allegro/src/.patched" ]; then
  rm -rf "$out"/allegro-*
  mkdir -p "$allegro"
  echo "Fetching Allegro 4 and building it for the web (once; log in $log)"
  scripts/debian-source.sh allegro4.4 "$allegro" >"$log" 2>&1 || { tail -n 20 "$log"; exit 1; }
  for p in "${patches[@]}"; do
    patch -d "$allegro/src" -p1 --forward --quiet <"$p"
  done
  touch "$allegro/src/.patched"
fi
# The library's own build is kept: only what changed in web/ is compiled again.
cmake -S web -B "$allegro/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DALLEGRO_SOURCE="$allegro/src" -DCMAKE_INSTALL_PREFIX="$allegro/prefix" >>"$log" 2>&1 ||
  { tail -n 40 "$log"; exit 1; }
cmake --build "$allegro/build" -j "$(nproc)" >>"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
cmake --install "$allegro/build" >>"$log" 2>&1

# --- The game, its frames tool and its tick benchmark ---------------------------
# Debian 12's emscripten (3.1.6) leaves pkg-config's search path to us;
# Debian 13's (3.1.69) sets PKG_CONFIG_LIBDIR to its own sysroot in its
# toolchain file, over ours, but leaves PKG_CONFIG_PATH, searched first.
PKG_CONFIG_LIBDIR=$allegro/prefix/lib/pkgconfig PKG_CONFIG_PATH=$allegro/prefix/lib/pkgconfig \
  cmake -S . -B "$out/game" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$allegro/prefix" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$out/game" -j "$(nproc)" --target coinflight web_frames tick_bench tick_bench_web >/dev/null

stage=$out/coinflight-$version-web
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage"
# The page's script and the service worker go without their comments and
# indentation (the sources, web/page.js and web/sw.js.in, keep them): 6 KB
# less for every player to fetch. The licence line stays.
lean() { sed -E -e '1!{/^[[:space:]]*\/\//d;}' -e 's/^[[:space:]]+//' -e '/^$/d'; }
lean <"$out/game/page.js" >"$stage/page.js"
cp "$out/game"/{index.html,coinflight.js,coinflight.wasm,manifest.webmanifest} \
  data/skypic.bmp data/gameoverpic.bmp data/icon-192.png data/icon-512.png data/icon-maskable-512.png \
  "$stage/"
cp LICENSE "$stage/LICENSE.txt"
# The service worker caches exactly these files, under the version and a
# digest of them: any change of a file is a new cache for the players.
files=$(cd "$stage" && ls | sort)
digest=$(cd "$stage" && cat $files | sha256sum | cut -c1-12)
list=$(printf "'%s', " $files)
sed -e "s/@CACHE_TAG@/$version-$digest/" -e "s/@FILES@/${list%, }/" web/sw.js.in | lean >"$stage/sw.js"
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/* "$stage"
(cd "$out" && TZ=UTC zip -X -q -r "$(basename "$stage").zip" "$(basename "$stage")")
echo "$stage.zip"
