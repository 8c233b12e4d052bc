#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Everything beyond the test command: the sanitizer build of every test, the bounded fuzz runs,
# and the Windows release (static Qt, both programs, their tests under Wine, the zip).
set -euo pipefail
cd "$(dirname "$0")/.."
timed() {
  local start=$SECONDS
  "$@"
  echo "[harden] $1 took $((SECONDS - start)) s"
}
timed ./scripts/sanitize.sh
timed ./scripts/fuzz.sh
timed ./scripts/windows-release.sh
