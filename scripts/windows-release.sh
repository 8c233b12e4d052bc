#!/usr/bin/env bash
# Makes the Windows release on Debian 12: a static Qt (cached outside the work tree), then both
# programs as single static executables, their tests under Wine, and the zip a player unzips.
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
version=$(sed -n 's/^project(OrvekGalaxyGenerator VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --preset windows -DCMAKE_PREFIX_PATH="$qt" \
  -DJPEG_INCLUDE_DIR="$qt/include" -DJPEG_LIBRARY="$qt/lib/libjpeg.a" \
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
sed "s/@VERSION@/$version/; s/@QT_SOURCE@/$(cat "$qt/qt-source-package.txt")/" \
  docs/windows-readme.txt | sed 's/$/\r/' >"$dist/README.txt"
cp "$qt/QT-LGPL-3.0.txt" "$dist/licences/Qt-LGPL-3.0.txt"
cp "$qt/LIBJPEG-TURBO-LICENSE.md" "$dist/licences/libjpeg-turbo-LICENSE.md"
cp "$qt/LIBJPEG-README.ijg" "$dist/licences/libjpeg-README.ijg"
zip_path=$PWD/build-win/orvek-galaxy-generator-$version-windows-x64.zip
rm -f "$zip_path"
(cd build-win/dist && zip -qr "$zip_path" "orvek-galaxy-generator-$version")
stage "made $zip_path ($(du -h "$zip_path" | cut -f1)) after ${SECONDS} s"
