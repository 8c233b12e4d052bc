#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds with warnings as errors and runs every test: unit tests, the window driven by QTest on
# the offscreen platform, the screenshot test under Xvfb, and the Debian package installed and
# started.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh test
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -LE xvfb
if ctest -N -L xvfb | grep -q "Total Tests: [1-9]"; then
  xvfb-run -a -s "-screen 0 1280x800x24" ctest --output-on-failure -L xvfb
fi
cd ..
./scripts/deb.sh
