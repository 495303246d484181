#!/usr/bin/env bash
# Times the backup and file phase of a large module under Wine against xcopy of the same tree
# copied twice (backup, then replacement), best of ROUNDS. The dirty pages of the previous step
# are written out before every timed step, so neither side pays for the other's writes.
# Usage: bench/file-update-bench.sh [FILES] [TOTAL_MB] [ROUNDS] [FOLDERS]   (10000 1000 3 300)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAV_BENCH_BUILD:-$repo/build/windows-bench}"
files="${1:-10000}"; megabytes="${2:-1000}"; rounds="${3:-3}"; folders="${4:-300}"

cd "$repo"
cmake --preset windows -B "$build" -DTAV_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j2 --target bench_file_update >/dev/null

# A temporary folder on the prefix's drive C:, named in capitals: the manager writes the install
# folder in capitals, and under Wine a path whose letter case differs from the disk's costs a
# folder scan for every part of it on every access, which Windows does not have.
name="TAV-BENCH-$$-$RANDOM"
scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true  # makes the prefix when it is missing
root="$repo/build/wine/drive_c/$name"
mkdir "$root"
trap 'rm -rf "$root"' EXIT
windowsRoot="C:\\$name"
bench() { scripts/wine-run.sh "$build/bench/bench_file_update.exe" "$1" "$windowsRoot" \
              "$files" "$megabytes" "$folders"; }

bench prepare
results=()
for ((round = 1; round <= rounds; ++round)); do
    for tool in xcopy updater; do
        bench reset
        sync
        line="$(bench "$tool")"
        echo "round $round: $line"
        results+=("$line")
    done
done
printf '%s\n' "${results[@]}" | awk '
    { total = $2 + $3
      if (!($1 in best) || total < best[$1]) { best[$1] = total; backup[$1] = $2; replace[$1] = $3 } }
    END {
      printf "%-8s %10s %10s %10s   (best of the rounds, seconds)\n", "", "backup", "replace", "total"
      for (tool in best) printf "%-8s %10.2f %10.2f %10.2f\n", tool, backup[tool], replace[tool], best[tool]
      printf "updater / xcopy: %.2f\n", best["updater"] / best["xcopy"] }'
