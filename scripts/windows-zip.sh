#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds Debian's zlib and libzip sources as static libraries for 64-bit Windows, once, into
# a cache folder outside the work tree; prints the install prefix on stdout. Later runs with the
# same recipe reuse the cache. libzip is built without any encryption library: campaigns are
# never encrypted, and an encrypted archive is refused.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
cache=${ORVEK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvek-galaxy}
recipe=1
prefix=$cache/libzip-1.7.3-mingw-$recipe
log() { echo "[windows-zip $(date +%T)] $*" >&2; }
if [ -f "$prefix/.complete" ]; then
  log "reusing $prefix"
  echo "$prefix"
  exit 0
fi
./scripts/setup-debian.sh hardening >&2
./scripts/debian-sources.sh libzip
work=$cache/work-libzip-$recipe
rm -rf "$work" "$prefix"
mkdir -p "$work"
cd "$work"
log "fetching Debian's source of zlib and libzip"
apt-get source -qq --download-only zlib libzip >&2
dpkg-source -x zlib_*.dsc zlib >&2
dpkg-source -x libzip_*.dsc libzip >&2
toolchain=$here/cmake/mingw-w64.cmake
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_CROSSCOMPILING_EMULATOR=
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix"
        -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/x86_64-w64-mingw32")
log "building zlib"
cmake -S zlib -B zlib-build "${common[@]}" >&2
cmake --build zlib-build -j"$(nproc)" --target zlibstatic >&2
mkdir -p "$prefix/include" "$prefix/lib"
cp zlib/zlib.h zlib-build/zconf.h "$prefix/include/"
cp zlib-build/libzlibstatic.a "$prefix/lib/libz.a"
log "building libzip"
cmake -S libzip -B libzip-build "${common[@]}" -DBUILD_SHARED_LIBS=OFF \
  -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a" \
  -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF >&2
cmake --build libzip-build -j"$(nproc)" >&2
cmake --install libzip-build >&2
cp libzip/LICENSE "$prefix/LIBZIP-LICENSE.txt"
cp zlib/README "$prefix/ZLIB-README.txt"
touch "$prefix/.complete"
cd "$here"
rm -rf "$work"
log "done: $prefix"
echo "$prefix"
