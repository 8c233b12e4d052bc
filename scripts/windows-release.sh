#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows release on Debian 12: a static Qt and a static libzip (each cached outside the
# work tree), then both programs as single static executables, their tests under Wine, and the
# zip a player unzips.
#   scripts/windows-release.sh [--no-tests]
set -euo pipefail
cd "$(dirname "$0")/.."
stage() { echo "[windows-release $(date +%T)] $*"; }
SECONDS=0
./scripts/setup-debian.sh hardening
# The native build makes the start-up picture and the demo game folder for the cross-build.
[ -x build/tools/make-demo-game ] || ./scripts/build.sh
qt=$(./scripts/windows-qt.sh)
stage "Qt ready after ${SECONDS} s: $qt"
zip=$(./scripts/windows-zip.sh)
stage "libzip ready after ${SECONDS} s: $zip"
version=$(sed -n 's/^project(OrvekGalaxyGenerator VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
commit=$(git rev-parse --short=12 HEAD)
cmake --preset windows -DCMAKE_PREFIX_PATH="$qt" \
  -DJPEG_INCLUDE_DIR="$qt/include" -DJPEG_LIBRARY="$qt/lib/libjpeg.a" \
  -DLIBZIP_INCLUDE_DIR="$zip/include" -DLIBZIP_LIBRARY="$zip/lib/libzip.a" \
  -DLIBZIP_ZLIB="$zip/lib/libz.a" \
  -DORVEK_HOST_MAKE_DEMO_GAME="$PWD/build/tools/make-demo-game" >/dev/null
cmake --build build-win -j"$(nproc)"
stage "programs built after ${SECONDS} s"

if [ "${1:-}" != --no-tests ]; then
  ./scripts/windows-test.sh
  stage "tests under Wine passed after ${SECONDS} s"
fi

dist=build-win/dist/orvek-galaxy-generator-$version
rm -rf "$dist" && mkdir -p "$dist/licences"
cp build-win/app/orvek-galaxy-generator.exe build-win/app/orvek-galaxy.exe "$dist/"
x86_64-w64-mingw32-strip "$dist"/*.exe
sed "s/@VERSION@/$version/; s/@COMMIT@/$commit/; s/@QT_SOURCE@/$(cat "$qt/qt-source-package.txt")/" \
  docs/windows-readme.txt | sed 's/$/\r/' >"$dist/README.txt"
# The program's own licence and its source, the exact commit it was built from, so that anyone
# can rebuild it or relink it with another Qt.
sed 's/$/\r/' LICENSE >"$dist/LICENSE.txt"
git archive --format=zip --prefix="orvek-galaxy-generator-$version-$commit/" \
  -o "$dist/orvek-galaxy-generator-$version-source-$commit.zip" HEAD
cp "$qt/QT-LGPL-3.0.txt" "$dist/licences/Qt-LGPL-3.0.txt"
cp "$qt/LIBJPEG-TURBO-LICENSE.md" "$dist/licences/libjpeg-turbo-LICENSE.md"
cp "$qt/LIBJPEG-README.ijg" "$dist/licences/libjpeg-README.ijg"
cp "$zip/LIBZIP-LICENSE.txt" "$dist/licences/libzip-LICENSE.txt"
cp "$zip/ZLIB-README.txt" "$dist/licences/zlib-README.txt"
zip_path=$PWD/build-win/orvek-galaxy-generator-$version-windows-x64.zip
rm -f "$zip_path"
(cd build-win/dist && zip -qr "$zip_path" "orvek-galaxy-generator-$version")
# Every licence file the zip must hold, and the source it promises.
listing=$(unzip -Z1 "$zip_path")
for f in LICENSE.txt README.txt orvek-galaxy-generator-$version-source-$commit.zip \
         licences/Qt-LGPL-3.0.txt licences/libjpeg-turbo-LICENSE.md licences/libjpeg-README.ijg \
         licences/libzip-LICENSE.txt licences/zlib-README.txt; do
  grep -qxF "orvek-galaxy-generator-$version/$f" <<<"$listing" ||
    { echo "[windows-release] the zip lacks $f"; exit 1; }
done
unzip -p "$zip_path" "orvek-galaxy-generator-$version/LICENSE.txt" | head -n 2 |
  grep -q "Version 3, 29 June 2007" || { echo "[windows-release] LICENSE.txt is not the GPL 3"; exit 1; }
stage "made $zip_path ($(du -h "$zip_path" | cut -f1)) after ${SECONDS} s"
