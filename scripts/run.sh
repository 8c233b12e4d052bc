#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything, makes the demo game folder once, and starts the window inside it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh dev
cd build/demo-game
exec ../app/orvek-galaxy-generator
