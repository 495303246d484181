#!/usr/bin/env bash
# Times tavpkg preview and tavpkg apply on the demo's staged server under Wine (the demo package
# with the answers of its settings dialog). ROUNDS rounds, each a preview and an apply of every
# tavpkg given, in turn, from the staged state: after each apply the services stop, the server's
# folder comes back from a copy taken after staging, the package's run record goes, and the
# services start again (the registry values the apply wrote stay: later applies replace them
# rather than add them). Each writes its JSON result. Median, best and worst per program and
# command.
# Usage: bench/apply-preview-bench.sh [ROUNDS] [TAVPKG_EXE...]   (5, build/windows/tavpkg.exe)
# Build first what scripts/demo.sh builds.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${1:-5}
shift || true
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=("$repo/build/windows/tavpkg.exe")
for i in "${!programs[@]}"; do programs[$i]=$(realpath "${programs[$i]}"); done
build="$repo/build/windows" package="$repo/demo/package" resources="$repo/resources"

source "$repo/tests/win/demo/demo-server.sh"

answers=(--accept-licence --secure-channel on --internal-secure-channel on --ssl-certificate on
         --sync-compatibility on --quiet --json 'C:\bench.json')
for i in "${!programs[@]}"; do cp "${programs[$i]}" "$update/tavpkg$i.exe"; done
cp -a "$server" "$work/server-staged"
times="$work/times"

reset_server() {
    for service in W3SVC TavSvc; do wine sc stop $service >/dev/null 2>&1; done
    for service in W3SVC TavSvc; do
        for _ in $(seq 100); do wine sc query $service | grep -q STOPPED && break; sleep 0.1; done
    done
    rm -rf "$server" && cp -a "$work/server-staged" "$server"
    wine_reg delete 'HKLM\SOFTWARE\Kelmark\Tav\Updates' /f /reg:32
    for service in TavSvc W3SVC; do wine sc start $service >/dev/null 2>&1; done
    for service in TavSvc W3SVC; do
        for _ in $(seq 100); do wine sc query $service | grep -q RUNNING && break; sleep 0.1; done
    done
}
timed() {  # PROGRAM COMMAND: one run, its seconds appended to $times
    local start out
    sync
    start=$(date +%s.%N)
    out=$(cd "$update" && timeout 300 wine "tavpkg$1.exe" "$2" 'C:\Update' "${answers[@]}" 2>&1 | tr -d '\r')
    echo "$1 $2 $(echo "$(date +%s.%N) - $start" | bc)" | tee -a "$times"
    grep -qE '^(apply: updated|preview: .*would update)' <<<"$out" || { echo "$2 did not succeed: $out"; exit 1; }
}

for round in $(seq "$rounds"); do
    stage "round $round"
    for i in "${!programs[@]}"; do
        timed "$i" preview
        timed "$i" apply
        reset_server
    done
done

for i in "${!programs[@]}"; do
    for command in preview apply; do
        awk -v p="$i" -v c="$command" '$1 == p && $2 == c { print $3 }' "$times" | sort -n |
            awk -v name="${programs[$i]}" -v c="$command" '{ t[NR] = $1 }
                END { printf "%-8s %s: median %.2f s, best %.2f s, worst %.2f s (%d runs)\n", c, name,
                      (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2), t[1], t[NR], NR }'
    done
done
