#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each briefly from its corpus in the repository.
# Usage: scripts/fuzz.sh [SECONDS]   (default 20 per target)
#        scripts/fuzz.sh --build-only
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
cd "$top"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j"$(nproc)" --target fuzz_container_xml fuzz_language_file fuzz_signature fuzz_restore >/dev/null
[ "$seconds" = --build-only ] && exit 0

# Inputs reach the reader through a file; memory-backed files keep the runs fast.
tmp="$top/build/fuzz"
[ -d /dev/shm ] && [ -w /dev/shm ] && tmp=/dev/shm

run() {
    local target=$1 corpus=$2
    # New inputs go to the build folder; the committed corpus stays as it is.
    local work="build/fuzz/corpus-$target"
    mkdir -p "$work"
    echo "fuzz: $target for ${seconds}s"
    local log="build/fuzz/$target.log"
    if ! (cd build/fuzz && TMPDIR="$tmp" "tests/fuzz/$target" \
            -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            "$top/$work" "$top/$corpus") >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz: $target failed; the input that failed is in build/fuzz"
        return 1
    fi
    grep -E 'stat::number_of_executed_units' "$log" || true
}

run fuzz_container_xml tests/fuzz/corpus/container_xml
run fuzz_language_file tests/fuzz/corpus/language_file
run fuzz_signature tests/fuzz/corpus/signature
run fuzz_restore tests/fuzz/corpus/restore
