#!/usr/bin/env bash
# Runs a Windows program under Wine in the repository's own prefix (build/wine), creating the
# prefix on first use. Used by CMake as the emulator of the windows build; the program's exit
# code is passed on unchanged. Needs no display.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if ! command -v wine >/dev/null 2>&1; then
    "$repo/scripts/setup.sh" >&2
fi

export WINEPREFIX="$repo/build/wine"
export WINEDEBUG=-all
# Never wait on the optional Mono and Gecko installers.
export WINEDLLOVERRIDES="mscoree,mshtml="

# A prefix counts as made only once wineboot has finished and its registry is on disk.
ready="$WINEPREFIX/.tav-prefix-ready"
if [ ! -e "$ready" ]; then
    mkdir -p "$repo/build"
    # One creator at a time; the others wait here and then find the prefix ready.
    exec 9>"$repo/build/wine.lock"
    flock 9
    if [ ! -e "$ready" ]; then
        # Whatever an interrupted creation left behind is started over.
        rm -rf "$WINEPREFIX"
        echo "wine-run: creating the Wine prefix $WINEPREFIX" >&2
        log="$repo/build/wine-boot.log"
        if ! wineboot -i >"$log" 2>&1; then
            cat "$log" >&2
            echo "wine-run: wineboot failed" >&2
            exit 1
        fi
        wineserver -w
        touch "$ready"
    fi
    flock -u 9
    exec 9>&-
fi

exec wine "$@"
