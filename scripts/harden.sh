#!/usr/bin/env bash
# Everything beyond the test command: the sanitizer build of every test, the bounded fuzz runs,
# and the Windows cross-build with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/sanitize.sh
./scripts/fuzz.sh
./scripts/windows.sh
