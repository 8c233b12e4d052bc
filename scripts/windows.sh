#!/usr/bin/env bash
# Cross-compiles the standard-library part (core, game data, export and their tests) for 64-bit
# Windows with mingw-w64 into build-windows/, and runs the tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh hardening
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DORVEK_WERROR=ON -DORVEK_BUILD_UI=OFF -DORVEK_BUILD_IMAGE=OFF -DORVEK_BUILD_BENCH=OFF >/dev/null
cmake --build build-windows -j"$(nproc)"
export WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wineprefix}
export WINEDEBUG=-all
wineboot --init >/dev/null 2>&1 || true
# Drive Q: is an empty folder, for the test of a game folder at a drive root.
root=$PWD/build-windows/drive-q
rm -rf "$root" && mkdir -p "$root"
ln -sfn "$root" "$WINEPREFIX/dosdevices/q:"
export ORVEK_ROOT_DRIVE=Q:
for t in core_tests gamedata_tests export_tests platform_tests; do
  echo "== $t.exe under Wine"
  wine build-windows/tests/$t.exe --gtest_brief=1
done
