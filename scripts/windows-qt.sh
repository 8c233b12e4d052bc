#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds Debian's qtbase 6.4.2 source and libjpeg-turbo as static libraries for 64-bit
# Windows, once, into a cache folder outside the work tree; prints the install prefix on stdout.
# Later runs with the same Qt version and configure options reuse the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
qt_version=6.4.2
cache=${ORVEK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvek-galaxy}
qt_options=(-xplatform win32-g++ -qt-host-path /usr -release -static -static-runtime
  -nomake examples -nomake tests -no-opengl -no-feature-vulkan -no-dbus -no-icu -no-glib
  -no-pkg-config -qt-zlib -qt-libpng -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion
  -no-libjpeg -no-feature-jpeg -no-gif -no-feature-sql -no-feature-network -no-feature-xml
  -no-feature-concurrent -no-feature-printsupport
  )
# The key names the options and the build recipe's revision (raise it when the steps below change
# what gets built), so a change to either rebuilds and nothing else does.
recipe=1
key=$(printf '%s\n' "$recipe" "${qt_options[@]}" | sha256sum | cut -c1-12)
prefix=$cache/qt-$qt_version-mingw-$key
log() { echo "[windows-qt $(date +%T)] $*" >&2; }

if [ -f "$prefix/.complete" ]; then
  log "reusing $prefix"
  echo "$prefix"
  exit 0
fi

./scripts/debian-sources.sh qt6-base
# Standard output carries only the prefix, so the set-up's report goes to standard error.
./scripts/setup-debian.sh hardening >&2

work=$cache/work-$key
rm -rf "$work" "$prefix"
mkdir -p "$work"
cd "$work"
log "fetching Debian's source of qtbase, libjpeg-turbo and Wine's tablet headers"
apt-get source -qq --download-only qt6-base libjpeg-turbo >&2
apt-get download -qq libwine-dev >&2
dpkg-source -x --skip-patches qt6-base_*.dsc qtbase >&2
dpkg-source -x libjpeg-turbo_*.dsc jpeg >&2
dpkg-deb -x libwine-dev_*.deb wine-dev
tablet=$work/tablet-headers
mkdir -p "$tablet/wine"
cp "$(find wine-dev -name wintab.h | head -1)" "$(find wine-dev -name pktdef.h | head -1)" "$tablet/wine/"
# Wine's headers use two of Wine's own macros and leave out the calling convention that Qt names.
for h in wintab pktdef; do
  {
    echo '#pragma once'
    echo '#include <windows.h>'
    echo '#ifndef WINELIB_NAME_AW'
    echo '#ifdef UNICODE'
    echo '#define WINELIB_NAME_AW(name) name##W'
    echo '#else'
    echo '#define WINELIB_NAME_AW(name) name##A'
    echo '#endif'
    echo '#define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;'
    echo '#endif'
    echo '#ifndef API'
    echo '#define API WINAPI'
    echo '#endif'
    echo "#include \"wine/$h.h\""
  } >"$tablet/$h.h"
done

toolchain=$here/cmake/mingw-w64.cmake
log "building libjpeg-turbo"
cmake -S jpeg -B jpeg-build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_CROSSCOMPILING_EMULATOR= -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=ON >&2
cmake --build jpeg-build -j"$(nproc)" >&2
cmake --install jpeg-build >&2

log "configuring qtbase $qt_version"
mkdir -p qt-build
cd qt-build
../qtbase/configure -prefix "$prefix" "${qt_options[@]}" -- -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_CROSSCOMPILING_EMULATOR= \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CXX_FLAGS="-I$tablet" -DCMAKE_C_FLAGS="-I$tablet" >&2
log "building qtbase (15 to 50 minutes)"
cmake --build . --parallel "$(nproc)" >&2
cmake --install . >&2
cp "$work"/qtbase/LICENSES/LGPL-3.0-only.txt "$prefix/QT-LGPL-3.0.txt"
cp "$work"/jpeg/LICENSE.md "$prefix/LIBJPEG-TURBO-LICENSE.md"
cp "$work"/jpeg/README.ijg "$prefix/LIBJPEG-README.ijg"
ls "$work"/qt6-base_*.dsc | xargs -n1 basename > "$prefix/qt-source-package.txt"
touch "$prefix/.complete"
cd "$here"
rm -rf "$work"
log "done: $prefix"
echo "$prefix"
