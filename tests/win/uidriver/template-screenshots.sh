#!/usr/bin/env bash
# Screenshots of every dialog template, page and form as DialogHost shows them under Wine, in
# English and German and with English lengthened by half, for looking at the layout.
#   template-screenshots.sh DialogHost.exe uidriver.exe RESOURCES_FOLDER OUTPUT_FOLDER
set -uo pipefail

host_exe=$1
driver_exe=$2
resources=$(cd "$3" && pwd)
out=$4
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
mkdir -p "$out"

if [ ! -x /usr/bin/convert ] || ! command -v xwd >/dev/null || ! command -v Xvfb >/dev/null; then
    "$repo/scripts/setup.sh" >&2
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${WINEPREFIX:-}" ]; then wine=(wine); else wine=("$repo/scripts/wine-run.sh"); fi

work=$(mktemp -d)
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid"; wait 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
texts="Z:${resources//\//\\}"

# NAME TEMPLATE DIALOG_CONTROL CLOSE_COMMAND [DialogHost options...]
shot() {
    local name=$1 template=$2 control=$3 close=$4 desktop="tavshot$$"
    shift 4
    "${wine[@]}" explorer "/desktop=$desktop,1024x768" "$host_exe" "$template" --texts "$texts" "$@" &
    local pid=$!
    "${wine[@]}" "$driver_exe" --desktop "$desktop" wait-dialog "$control" 30000 >/dev/null
    sleep 1  # let every control paint
    xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$out/$name.png"
    # shellcheck disable=SC2086
    "${wine[@]}" "$driver_exe" --desktop "$desktop" $close >/dev/null
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill "$pid" 2>/dev/null
    wait "$pid"
    echo "$out/$name.png"
}

for variant in "en:--lang EN" "de:--lang DE" "en150:--lang EN --stretch 150"; do
    tag=${variant%%:*}
    # shellcheck disable=SC2206
    opts=(${variant#*:})
    for page in 0 1 2 3 4; do
        shot "wizard-page$page-$tag" 102 1005 "syscommand --dialog 1005 61536" --page "$page" "${opts[@]}"
    done
    shot "settings132-$tag" 132 1028 "click --dialog 1028 2" "${opts[@]}"
    shot "settings133-$tag" 133 1038 "click --dialog 1038 2" "${opts[@]}"
    shot "settings134-form0-$tag" 134 1046 "click --dialog 1046 2" --page 0 "${opts[@]}"
    shot "settings134-form1-$tag" 134 1046 "click --dialog 1046 2" --page 1 "${opts[@]}"
    shot "about-$tag" 100 1006 "click --dialog 1006 1" "${opts[@]}"
done
