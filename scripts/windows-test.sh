#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows build's tests under Wine: the library tests, the window's QTest suite on the
# offscreen platform, a screenshot of the window under Xvfb, and the Windows and Linux tools
# compared on the same arguments. Expects build/ (native) and build-win/ (cross) to be built.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=${WINEPREFIX:-$PWD/build-win/wineprefix}
export WINEDEBUG=-all
wineboot --init >/dev/null 2>&1 || true
# Drive Q: is an empty folder, for the test of a game folder at a drive root.
root=$PWD/build-win/drive-q
rm -rf "$root" && mkdir -p "$root"
ln -sfn "$root" "$WINEPREFIX/dosdevices/q:"
export ORVEK_ROOT_DRIVE=Q:
failed=""
# Runs one test program under Wine into its log; a program that waits forever (a dialog nobody
# closes) is stopped after five minutes, status 124, rather than holding the stage until the
# CI's own limit: the longest, the window's tests, take about one.
run_under_wine() {
  timeout -k 10 300 wine "build-win/tests/$1.exe" --gtest_filter=-Screenshot.* >"$2" 2>&1
}
for t in core_tests gamedata_tests campaign_tests archive_tests platform_tests image_tests ui_tests; do
  echo "== $t.exe under Wine"
  log=build-win/$t-under-wine.log
  status=0
  run_under_wine $t "$log" || status=$?
  # A stop says so with the test it stopped in, and the program runs once more: a hang that
  # comes back fails the stage, one that does not is left in the log for a look.
  if [ $status = 124 ]; then
    echo "$t.exe was stopped after five minutes in $(grep '^\[ RUN' "$log" | tail -n 1)"
    tail -n 20 "$log"
    wineserver -k 2>/dev/null || true
    cp "$log" "$log.stopped"
    status=0
    run_under_wine $t "$log" || status=$?
  fi
  # A program that crashes under Wine may still end with status 0: a run counts as passed only
  # when GoogleTest got as far as its summary.
  if [ $status = 0 ] && grep -q '^\[  PASSED  \]' "$log"; then
    grep -E '^\[(==========|  PASSED  )\]' "$log"
  else
    grep -E '^\[  FAILED  \]' "$log" || true
    echo "-- the end of $log (status $status):"
    tail -n 40 "$log"
    failed="$failed $t"
    wineserver -k 2>/dev/null || true
  fi
done
[ -z "${failed:-}" ] || { echo "FAILED under Wine:$failed"; exit 1; }

echo "== the Windows and the Linux tool on the same arguments"
tests/platform/same_campaigns.sh build/app/orvek-galaxy build-win/app/orvek-galaxy.exe \
  build/demo-game build-win/same-campaigns

echo "== the window under Wine inside Xvfb: build-win/window-under-wine.png"
shot=$PWD/build-win/window-under-wine.png
rm -f "$shot"
# Wine's desktop belongs to the running Wine server, started by the tests above without a
# display: it is stopped so that the window's own server starts inside Xvfb.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
# Wine takes a while to start a program the first time; the screen is grabbed every three
# seconds until the map shows the built-in picture (many colours, not a black square).
xvfb-run -a -s "-screen 0 1000x800x24" bash -c "
  cd build/demo-game && wine ../../build-win/app/orvek-galaxy-generator.exe &
  for i in \$(seq 1 20); do
    sleep 3
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >'$shot'
    [ \"\$(pngtopnm '$shot' | pnmcut 100 100 600 600 | ppmhist -noheader | wc -l)\" -gt 50 ] && break
  done
  wineserver -k"
[ "$(pngtopnm "$shot" | pnmcut 100 100 600 600 | ppmhist -noheader | wc -l)" -gt 50 ] ||
  { echo "the window under Wine shows no start-up picture"; exit 1; }
