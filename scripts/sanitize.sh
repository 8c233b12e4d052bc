#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs
# them; any report fails the run. This build takes the AVX2 code paths where the processor also
# has AVX-512, which the test command's build takes.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-debian.sh hardening
cmake --preset asan >/dev/null
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Qt's platform and font libraries keep some allocations for the life of the process.
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
cd build-asan
# The crash suite stops and fails system calls from outside, which the sanitizers' own runtime
# makes too; it runs in the test command's plain build.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -LE "xvfb|crash"

# The generator's second thread, under ThreadSanitizer: the core's tests start it from the first
# attempt on. This build also takes the plain code paths instead of the SSE2 ones.
cd ..
cmake --preset tsan >/dev/null
cmake --build build-tsan -j"$(nproc)" --target core_tests
TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/core_tests --gtest_brief=1
