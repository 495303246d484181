#!/usr/bin/env bash
# Times a large module updated end to end through the real wizard under Wine (from Yes on the
# final question to the page after the run: services stopped, checks, backup, file phase,
# services started) against Wine's xcopy /e /i of the same tree done twice in the same prefix
# (as the backup, then over the installed files), and the services' downtime, from the result
# log's stop and start lines, against the same. Three runs over a fresh installed tree each; best
# and median. The module is a generic updater's, which expands the package path pattern. While
# the wizard runs, the status view and the current action are read every second, to show that
# both keep moving.
# Usage: bench/wizard-update-bench.sh [FILES] [TOTAL_MB] [FOLDERS]   (10000 1000 300)
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
files=${1:-10000} megabytes=${2:-1000} folders=${3:-300}
build="$repo/build/windows"
cd "$repo"
scripts/setup.sh >/dev/null
scripts/build-libxml2-windows.sh >/dev/null
cmake --preset windows >/dev/null
cmake --build build/windows -j2 --target TavUpdateWizard tavpkg uidriver uidriver_hook \
    tav_server_v1 tav_server_v2 tav_desktop_keeper >/dev/null

source tests/win/uidriver/ui-test-lib.sh
work=$(mktemp -d /var/tmp/tav-bench.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
trap 'wineserver -k 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid"; wait 2>/dev/null; [ -n "${TAV_BENCH_KEEP:-}" ] && echo "kept $work" || rm -rf "$work"' EXIT
start_xvfb "$work"
wineboot -i >/dev/null 2>&1
wineserver -w
drive="$WINEPREFIX/drive_c"
# Wine ends the session, the service with it, once no program has run for a few seconds (as while
# the disk is flushed below): the keeper holds it open from here on.
desktop="tavbench$$"
cp "$build/tests/win/wizard/tav_desktop_keeper.exe" "$drive/keeper.exe"
wine explorer "/desktop=$desktop,1024x768" 'C:\keeper.exe' >/dev/null 2>&1 &

# Two trees of the same layout with different bytes: the installed one and the package's. Names
# in capitals, as the manager writes the install folder (see file-update-bench.sh).
tree() {  # ROOT SEED
    python3 - "$1" "$2" "$files" "$megabytes" "$folders" <<'EOF'
import os, random, sys
root, seed, files, mb, folders = sys.argv[1], int(sys.argv[2]), *map(int, sys.argv[3:])
rng = random.Random(seed)
mean = mb * 1024 * 1024 // files
block = rng.randbytes(4 * mean)
for i in range(files):
    folder = i % folders
    path = os.path.join(root, "GROUP%02d" % (folder // 20), "FOLDER%03d" % folder)
    os.makedirs(path, exist_ok=True)
    size = mean // 2 + rng.randrange(mean + 1)
    start = rng.randrange(len(block) - size)
    with open(os.path.join(path, "FILE%05d.DAT" % i), "wb") as f:
        f.write(block[start:start + size])
EOF
}
echo "== two trees of $files files, $megabytes MB each"
mkdir -p "$drive/TAVSERVER" "$drive/UPDATE/PACKAGE"
tree "$work/installed" 1
tree "$drive/UPDATE/PACKAGE/DATA" 2
cp "$build/tests/win/wizard/tav_server_v2.exe" "$drive/UPDATE/PACKAGE/Qelsrv.exe"
cp "$build/TavUpdateWizard.exe" "$drive/UPDATE/"
cp resources/TavLang.Xml "$drive/UPDATE/"
cat >"$drive/UPDATE/config.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<CONFIG>
  <ITEM key="RequiredDiskspaceMB" type="OCUnsignedLong">1</ITEM>
  <ITEM key="Tarnova_Update" type="OCContainer">
    <ITEM key="ComponentName" type="OCString">Bench</ITEM>
    <ITEM key="Updaters" type="OCContainer">
      <ITEM key="Updater0" type="OCContainer">
        <ITEM key="ClassType" type="OCString">CTupGenericUpdater</ITEM>
        <ITEM key="AffectedServices" type="OCStringList">
          <ITEM key="0" type="OCStringListItem">TavSvc</ITEM>
        </ITEM>
        <ITEM key="Files" type="OCContainer">
          <ITEM key="File0" type="OCContainer">
            <ITEM key="UpdatePackageFile" type="OCString">DATA\*</ITEM>
            <ITEM key="InstallationFile" type="OCString">[$TN_INSTALL_PATH]DATA\*</ITEM>
          </ITEM>
          <ITEM key="File1" type="OCContainer">
            <ITEM key="UpdatePackageFile" type="OCString">Qelsrv.exe</ITEM>
            <ITEM key="InstallationFile" type="OCString">[$TN_INSTALL_PATH]Qelsrv.exe</ITEM>
            <ITEM key="VersionCheckType" type="OCUnsignedLong">1</ITEM>
          </ITEM>
        </ITEM>
      </ITEM>
    </ITEM>
  </ITEM>
</CONFIG>
EOF
wine sc create TavSvc binPath= 'C:\TAVSERVER\Qelsrv.exe' >/dev/null

echo "== xcopy /e /i of the package tree, twice"
sync
start=$(date +%s.%N)
wine xcopy /e /i /q 'C:\UPDATE\PACKAGE\DATA' 'C:\XCOPY1\DATA' >/dev/null
wine xcopy /e /i /q 'C:\UPDATE\PACKAGE\DATA' 'C:\XCOPY2\DATA' >/dev/null
xcopy_seconds=$(echo "$(date +%s.%N) - $start" | bc)
rm -rf "$drive/XCOPY1" "$drive/XCOPY2"
sync

driver() { wine "$build/tests/win/uidriver/uidriver.exe" --desktop "$desktop" "$@" 2>/dev/null | tr -d '\r'; }
lang() { wine "$build/tavpkg.exe" text "$1" EN --folder 'C:\UPDATE' 2>/dev/null | tr -d '\r'; }
done_text=$(lang 53036) stopped_text=$(lang 53078) started_text=$(lang 53086)
results="$work/results"

# One run of the wizard over a fresh installed tree; appends "whole downtime" (seconds) to $results.
run_once() {  # RUN
    wine sc stop TavSvc >/dev/null 2>&1
    for _ in $(seq 300); do wine sc query TavSvc | grep -q STOPPED && break; sleep 0.1; done
    rm -rf "$drive/TAVSERVER/DATA" "$drive/TAVSERVER/_TupBkp" "$drive/TAVSERVER"/_todo*
    cp -a "$work/installed" "$drive/TAVSERVER/DATA"
    cp "$build/tests/win/wizard/tav_server_v1.exe" "$drive/TAVSERVER/Qelsrv.exe"
    sync
    wine sc start TavSvc >/dev/null
    # The wizard finds the install folder from the running server program.
    for _ in $(seq 300); do wine sc query TavSvc | grep -q RUNNING && break; sleep 0.1; done
    wine sc query TavSvc | grep -q RUNNING || { echo "TavSvc does not run"; exit 1; }

    echo "== the wizard, run $1"
    (cd "$drive/UPDATE" && exec wine explorer "/desktop=$desktop,1024x768" TavUpdateWizard.exe) >/dev/null 2>&1 &
    driver wait-dialog 1005 60000 >/dev/null || { echo "no wizard"; exit 1; }
    driver click --dialog 1005 1000 >/dev/null
    driver wait-text --dialog 1005 1007 "$(lang 53011)" 10000 >/dev/null
    driver click --dialog 1005 1000 >/dev/null
    driver wait-text --dialog 1005 1007 "$(lang 53017)" 60000 >/dev/null
    driver click --dialog 1005 1000 >/dev/null
    driver msgbox 10000 >/dev/null
    local start samples="$work/samples$1"
    start=$(date +%s.%N)
    driver answer 6 >/dev/null
    while :; do
        now=$(echo "$(date +%s.%N) - $start" | bc)
        action=$(driver text --dialog 1005 1024 | head -n1)
        lines=$(driver text --dialog 1005 1016 | wc -l)
        printf '%s\t%s\t%s\n' "$now" "$lines" "$action" >>"$samples"
        [ "$(driver text --dialog 1005 1000)" == "$done_text" ] && break
        sleep 1
    done
    local wizard_seconds note replaced backed downtime
    wizard_seconds=$(echo "$(date +%s.%N) - $start" | bc)
    note=$(driver text --dialog 1005 1021)
    replaced=$(cd "$drive/UPDATE/PACKAGE/DATA" && find . -type f | while read -r f; do
                   cmp -s "$f" "$drive/TAVSERVER/DATA/$f" && echo; done | wc -l)
    backed=$(find "$drive"/TAVSERVER/_TupBkp/*/DATA -type f 2>/dev/null | wc -l)
    echo "files now as in the package: $replaced of $files; in the backup: $backed"
    if [ "$note" != "$(lang 53034)" ]; then
        echo "the update failed; the status view ends:"
        driver text --dialog 1005 1016 | tail -n 8
    fi
    # Downtime: from the first service stopped to the last service started, as the log says.
    downtime=$(python3 - "$stopped_text" "$started_text" "$drive"/TAVSERVER/_TupBkp/*/_log.csv <<'EOF'
import datetime, sys
stopped, started, log = sys.argv[1], sys.argv[2], sys.argv[3]
first = last = None
for line in open(log, encoding="utf-8", errors="replace"):
    if stopped not in line and started not in line: continue
    when = datetime.datetime.strptime(line[:23], "%Y-%m-%d %H:%M:%S.%f")
    if stopped in line and first is None: first = when
    if started in line: last = when
print("%.2f" % (last - first).total_seconds() if first and last else "nan")
EOF
)
    awk -F'\t' -v w="$wizard_seconds" -v d="$downtime" -v note="$note" '
        { if ($3 != last_action || $2 != last_lines) { if (NR > 1 && $1 - changed > gap) gap = $1 - changed; changed = $1; changes++ }
          last_action = $3; last_lines = $2; n++ }
        END {
          printf "wizard end to end: %7.1f s, services down: %7.1f s   (%s)\n", w, d, note
          printf "status view or current action changed in %d of %d one-second samples; longest still: %.1f s\n", changes, n, gap }' "$samples"
    echo "$wizard_seconds $downtime" >>"$results"
    # The next run waits until this wizard has closed and let go of the update lock.
    driver click --dialog 1005 1000 >/dev/null
    for _ in $(seq 120); do [ -z "$(driver text --dialog 1005 1000)" ] && break; sleep 0.5; done
}

for run in 1 2 3; do run_once "$run"; done

# Best and median of the three runs, each figure sorted on its own.
sort -n -k1,1 "$results" | awk -v x="$xcopy_seconds" '{ whole[NR] = $1 }
    END { printf "xcopy twice:            %7.1f s\n", x
          printf "wizard / xcopy:         best %5.2f   median %5.2f\n", whole[1] / x, whole[2] / x }'
sort -n -k2,2 "$results" | awk -v x="$xcopy_seconds" '{ down[NR] = $2 }
    END { printf "services down / xcopy:  best %5.2f   median %5.2f\n", down[1] / x, down[2] / x }'
