#!/usr/bin/env bash
# Runs every test: the native build under ASan/UBSan, the Windows build under Wine in a fresh
# prefix, and a short run of each fuzzer. Installs what it needs first.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc)

step() { printf '\n== %s ==\n' "$*"; }

step "setting up"
scripts/setup.sh
scripts/build-libxml2-windows.sh

step "native build (ASan, UBSan)"
cmake --preset native >/dev/null
cmake --build build/native -j"$jobs"
# One process for the whole binary: a process a test (ctest) costs minutes of sanitizer start-up.
build/native/tests/tav_tests --gtest_brief=1

step "tests with threads under ThreadSanitizer"
cmake --preset native-tsan >/dev/null
cmake --build build/native-tsan -j"$jobs" --target tav_threaded_tests
# Threaded tests carry Concurrent or Threads in their names; a list that shrank is a failure.
threaded='*Concurrent*:*Threads*'
found=$(build/native-tsan/tests/tav_threaded_tests --gtest_filter="$threaded" --gtest_list_tests | grep -c '^  ')
[ "$found" -ge 6 ] || { echo "only $found threaded tests in tav_threaded_tests"; exit 1; }
build/native-tsan/tests/tav_threaded_tests --gtest_filter="$threaded" --gtest_brief=1

step "Windows build, tests under Wine"
cmake --preset windows >/dev/null
cmake --build build/windows -j"$jobs"
rm -rf build/wine  # a fresh prefix for every run
waiting='^ui_fault_(stuck_service|failed_start)$'
(cd build/windows && ctest --output-on-failure -E "$waiting")
# These two mostly wait out the service time-outs: the fuzzers build meanwhile, at low priority.
nice -n 19 scripts/fuzz.sh --build-only >build/fuzz-build.log 2>&1 &
fuzz_build=$!
trap 'kill "$fuzz_build" 2>/dev/null || true' EXIT
(cd build/windows && ctest --output-on-failure -R "$waiting")

step "fuzzing"
wait "$fuzz_build" || { cat build/fuzz-build.log; echo "the fuzzers did not build"; exit 1; }
scripts/fuzz.sh 20

step "all tests passed"
