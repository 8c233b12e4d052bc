#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds the project into build/ with a preset of CMakePresets.json: "dev" (the
# default) or "test" (warnings as errors). Extra CMake arguments pass through.
#   scripts/build.sh [dev|test] [CMake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
preset=dev
if [ "${1:-}" = dev ] || [ "${1:-}" = test ]; then preset=$1; shift; fi
# The window's run keeps the build the test command configured (warnings as errors) rather than
# turning that flag off, which would compile everything again.
if [ "$preset" = dev ] && [ $# -eq 0 ] && [ -f build/CMakeCache.txt ]; then
  cmake build >/dev/null
else
  cmake --preset "$preset" "$@" >/dev/null
fi
cmake --build build -j"$(nproc)"
