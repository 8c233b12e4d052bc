#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a bounded time
# (FUZZ_SECONDS, default 60) from its seed corpus; a crash, leak or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh hardening
seconds=${FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_encounter fuzz_name_list fuzz_campaign_id fuzz_jpeg fuzz_journal fuzz_campaign fuzz_library_folders fuzz_archive
# Runs one target; prints its figures, and its log's end when it fails.
fuzz_target() {
  local target=$1 work=build-fuzz/corpus-$1 log=build-fuzz/fuzz_$1.log status=0
  mkdir -p "$work"
  build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -rss_limit_mb=2560 -timeout=20 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/crash-$target- "$work" fuzz/corpus/$target \
    >"$log" 2>&1 || status=$?
  echo "== fuzz_$target for ${seconds}s"
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec)|^Done" "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log"
    echo "fuzz_$target failed (status $status)"
    return 1
  fi
}
# Two targets at a time, one per core: each fuzzer runs on one thread.
status=0
for pair in "encounter name_list" "campaign_id jpeg" "journal campaign" "library_folders archive"; do
  pids=()
  for target in $pair; do
    fuzz_target "$target" >"build-fuzz/report-$target.txt" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  for target in $pair; do cat "build-fuzz/report-$target.txt"; done
done
exit $status
