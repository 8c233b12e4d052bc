#!/usr/bin/env bash
# Configures and builds the project into build/ (extra CMake arguments pass through).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEK_BUILD_UI=ON "$@" >/dev/null
cmake --build build -j"$(nproc)"
