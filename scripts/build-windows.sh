#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Coin Flight for 64-bit Windows on this Debian machine and packs the
# release zip a Windows player unzips and double-clicks:
#   build/windows/coinflight-VERSION-win64.zip
# holding coinflight.exe (a static, stripped GUI program with the game's icon
# and version), the two pictures, LICENSE.txt and README.txt.
#
# The game runs on its desktop platform (desktop/) over SDL 2, as on Linux.
# Debian ships neither Allegro 4 nor SDL 2 for Windows, so this fetches both
# upstream sources through apt (scripts/debian-source.sh: the system's apt
# setup is left alone) and cross-builds them with mingw-w64 once each, as
# static libraries; Allegro is patched first (packaging/allegro/*.patch for
# every build of the library from source, packaging/windows/*.patch for
# Windows; each says what it mends). The results are kept in
# build/windows/sdl2-* and build/windows/allegro-*, so a rebuild takes
# seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/windows
version=$(sed -n 's/^project(coinflight VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
triple=x86_64-w64-mingw32
# One date for everything the release carries (the exe's header, the zip's
# entries), so that the same sources give the same zip.
SOURCE_DATE_EPOCH=$(scripts/source-date.sh)
export SOURCE_DATE_EPOCH

packages=(cmake make pkg-config patch zip g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
scripts/need.sh "${packages[@]}"

# --- SDL 2 for Windows, built once per toolchain and set of options ---------
# Static: the exe stays one file that needs only what Windows has, and the
# zip holds no DLL of ours for a player to lose or mix up. SDL's renderers
# (Direct3D 9 and 11, OpenGL) and XInput are opened at run time by SDL itself.
# Its own file names are kept out of the exe (its release asserts name them),
# so that a build in another folder gives the same bytes.
sdl_options=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON)
sdl=$out/sdl2-$( (echo "${sdl_options[@]}"; cat "$toolchain") | sha256sum | cut -c1-12)
if [ ! -f "$sdl/prefix/lib/pkgconfig/sdl2-static.pc" ]; then
  rm -rf "$out"/sdl2-*
  mkdir -p "$sdl"
  log=$sdl/build.log
  echo "Fetching and cross-building SDL 2 for Windows (once; log in $log)"
  scripts/debian-source.sh libsdl2 "$sdl" >"$log" 2>&1 || { tail -n 20 "$log"; exit 1; }
  CFLAGS="-ffile-prefix-map=$sdl/src=SDL2" cmake -S "$sdl/src" -B "$sdl/build" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$sdl/prefix" "${sdl_options[@]}" >>"$log" 2>&1
  cmake --build "$sdl/build" -j "$(nproc)" >>"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
  cmake --install "$sdl/build" >>"$log" 2>&1
  sdl_version=$(sed -n 's/^Version: *//p' "$sdl/prefix/lib/pkgconfig/sdl2.pc")
  # SDL's own file links SDL2main, which the game, entered through the
  # library's WinMain, does not use: this one links SDL alone, with the
  # Windows libraries it calls.
  cat >"$sdl/prefix/lib/pkgconfig/sdl2-static.pc" <<PC
prefix=$sdl/prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: sdl2
Description: Simple DirectMedia Layer, static, for 64-bit Windows
Version: $sdl_version
Cflags: -I\${includedir}/SDL2 -DSDL_MAIN_HANDLED
Libs: -L\${libdir} -lSDL2 -lm -luser32 -lgdi32 -lwinmm -limm32 -lole32 -loleaut32 -lversion -luuid -ladvapi32 -lsetupapi -lshell32 -ldinput8
PC
fi

# --- Allegro for Windows, built once per set of patches ----------------------
# Only its portable core is linked: the platform's drivers are the game's.
patches=(packaging/allegro/*.patch packaging/windows/*.patch)
patches_id=$(cat "${patches[@]}" "$toolchain" | sha256sum | cut -c1-12)
allegro=$out/allegro-$patches_id
if [ ! -f "$allegro/prefix/lib/pkgconfig/allegro.pc" ]; then
  rm -rf "$out"/allegro-*
  mkdir -p "$allegro"
  log=$allegro/build.log
  echo "Fetching and cross-building Allegro 4 for Windows (once; log in $log)"
  scripts/debian-source.sh allegro4.4 "$allegro" >"$log" 2>&1 || { tail -n 20 "$log"; exit 1; }
  for p in "${patches[@]}"; do
    patch -d "$allegro/src" -p1 --forward --quiet <"$p"
  done
  cmake -S "$allegro/src" -B "$allegro/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$allegro/prefix" -DSHARED=OFF \
    -DWANT_ALLEGROGL=OFF -DWANT_LOADPNG=OFF -DWANT_LOGG=OFF -DWANT_JPGALLEG=OFF \
    -DWANT_EXAMPLES=OFF -DWANT_TOOLS=OFF -DWANT_TESTS=OFF -DWANT_DOCS=OFF >>"$log" 2>&1
  cmake --build "$allegro/build" -j "$(nproc)" >>"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
  cmake --install "$allegro/build" >>"$log" 2>&1
  # Allegro's build writes no pkg-config file for Windows: this one links it
  # statically.
  mkdir -p "$allegro/prefix/lib/pkgconfig"
  cat >"$allegro/prefix/lib/pkgconfig/allegro.pc" <<PC
prefix=$allegro/prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: allegro
Description: Allegro game programming library, static, for 64-bit Windows
Version: 4.4.3.1
Cflags: -I\${includedir} -DALLEGRO_STATICLINK
Libs: -L\${libdir} -lalleg -lkernel32 -luser32 -lgdi32 -lwinmm
PC
fi

# --- The game (built beside the Allegro it links) ------------------------------
PKG_CONFIG_LIBDIR=$allegro/prefix/lib/pkgconfig:$sdl/prefix/lib/pkgconfig cmake -S . -B "$allegro/game" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$allegro/prefix;$sdl/prefix" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$allegro/game" -j "$(nproc)" --target coinflight >/dev/null

stage=$out/coinflight-$version-win64
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage"
$triple-strip -o "$stage/coinflight.exe" "$allegro/game/coinflight.exe"
cp data/skypic.bmp data/gameoverpic.bmp "$stage/"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
sed "s/@VERSION@/$version/; s/\$/\r/" packaging/windows/README.txt >"$stage/README.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/* "$stage"
(cd "$out" && TZ=UTC zip -X -q -r "$(basename "$stage").zip" "$(basename "$stage")")
echo "$stage.zip"
