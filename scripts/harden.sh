#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Everything beyond the test command: the sanitizer build of every test, the bounded fuzz runs,
# the window killed at 100 moments of a stretch of edits and its recovery copy's writing failed,
# a first Save, a Save over it, a save back and an import killed and failed at every file call,
# and the Windows release (static Qt, both programs, their tests under Wine, the zip).
set -euo pipefail
cd "$(dirname "$0")/.."
timed() {
  local start=$SECONDS
  "$@"
  echo "[harden] $1 took $((SECONDS - start)) s"
}
# The benchmarks, which the test command does not build, still build.
timed cmake --build build --target benchmarks -j"$(nproc)"
timed ./scripts/sanitize.sh
timed ./scripts/fuzz.sh
# Two windows at a time, one per core, each on an X server of its own: the runs wait on the
# window far more than they work, and more at once would make a busy machine, not a late copy,
# decide how old a copy may be.
kills() {
  local pids=() status=0
  for seed in 1 2; do
    python3 tests/faults/recovery_kills.py --build build --runs 50 --seed $seed \
      > "build/recovery-kills-$seed.log" 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  grep -H "kills kept the work\|^tried once more" build/recovery-kills-*.log
  [ $status = 0 ] || { grep -h "^run .*:" build/recovery-kills-*.log | grep -v "killed after"; }
  return $status
}
timed kills
# A campaign's first Save, a Save over it, the save back of an edited campaign and the import of
# an archive, each killed and failed at every file call it makes (the test command tries one call
# in eight of the first three). Two run at a time, one per core.
crash_suites() {
  local status=0
  for pair in "first generated" "edited import"; do
    local pids=()
    for save in $pair; do
      CRASH_SAVE=$save tests/faults/crash_suite.sh build/app/orvek-galaxy build/demo-game \
        "build/crash-suite-every-$save" > "build/crash-suite-every-$save.log" 2>&1 &
      pids+=($!)
    done
    for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  done
  for save in first generated edited import; do
    echo "$save: $(grep -h "(tried/held)" "build/crash-suite-every-$save.log")"
    grep -h -A5 "^FAILED" "build/crash-suite-every-$save.log" | head -60 || true
  done
  return $status
}
timed crash_suites
timed xvfb-run -a -s "-screen 0 1600x1000x24" tests/faults/recovery_copy_fails.sh build
timed ./scripts/windows-release.sh
