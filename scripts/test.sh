#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds with warnings as errors and runs every test: unit tests, the window driven by QTest on
# the offscreen platform, the screenshot test under Xvfb, and the Debian package installed and
# started.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh test
# The tests' own temporary folders go in memory where the machine has room there: their files
# are made and removed by the thousand, which on a disk costs a tenth of the tests' time. The
# crash suites, which kill and fail a Save's file calls, still work on the disk, in build/.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ] &&
  [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -gt $((512 * 1024)) ]; then
  TMPDIR=$(mktemp -d /dev/shm/orvek-tests.XXXXXX)
  # Open to all, as /tmp is: some tests run the tool as another user.
  chmod 1777 "$TMPDIR"
  export TMPDIR
  trap 'rm -rf "$TMPDIR"' EXIT
fi
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -LE xvfb
if ctest -N -L xvfb | grep -q "Total Tests: [1-9]"; then
  xvfb-run -a -s "-screen 0 1280x800x24" ctest --output-on-failure -L xvfb
fi
cd ..
./scripts/deb.sh
