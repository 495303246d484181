#!/usr/bin/env bash
# Wine test of the wizard's dialog templates and of the UI driver: DialogHost shows each template
# from the real resource script on a desktop of this test's own, under an X server of its own;
# uidriver checks that every control is there, of its kind and style, laid out inside the dialog
# without overlaps, and that each of its commands works. Each label must hold its text at half
# again the English length and a quarter again the German one.
#   dialog-templates-test.sh DialogHost.exe uidriver.exe RESOURCES_FOLDER
set -uo pipefail

host_exe=$1
driver_exe=$2
resources=$(cd "$3" && pwd)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

if ! command -v Xvfb >/dev/null || ! command -v wine >/dev/null; then
    "$repo/scripts/setup.sh" >&2
fi

# The caller's Wine prefix when WINEPREFIX is set, else the repository's, made on first use.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${WINEPREFIX:-}" ]; then wine=(wine); else wine=("$repo/scripts/wine-run.sh"); fi

source "$repo/tests/win/uidriver/ui-test-lib.sh"
work=$(mktemp -d)
xvfb_pid=""
host_pid=""
cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

start_xvfb "$work"

texts="Z:${resources//\//\\}"
desktop="tavtemplates$$"
expect_line() {  # NAME OUTPUT LINE: OUTPUT has LINE as one of its lines
    checks=$((checks + 1))
    grep -qxF -- "$3" <<<"$2" || fail "$1: no line '$3' in: $(tr '\n' '|' <<<"$2")"
}

driver() { "${wine[@]}" "$driver_exe" --desktop "$desktop" "$@"; }
# The controls of a dialog; a loaded machine may let one listing come back empty, so it is
# asked again a few times.
controls_of() {  # DIALOG
    local listing
    for _ in 1 2 3; do
        listing=$(driver controls --dialog "$1" 2>/dev/null)
        [ -n "$listing" ] && break
        sleep 1
    done
    printf '%s\n' "$listing"
}
driver_rc() {  # prints the driver's exit code only
    driver "$@" >/dev/null 2>&1
    echo $?
}

start_host() {  # TEMPLATE [OPTIONS...]
    "${wine[@]}" "$host_exe" "$@" --desktop "$desktop" --texts "$texts" \
        >"$work/host.out" 2>&1 &
    host_pid=$!
}
end_host() {  # NAME EXPECTED_RESULT: waits for the host to end by itself with that dialog result
    local result
    for _ in $(seq 100); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.05; done
    if kill -0 "$host_pid" 2>/dev/null; then
        kill "$host_pid"
        wait "$host_pid" 2>/dev/null
        result="still running"
    else
        wait "$host_pid"
        result="$(tr -d '\r' <"$work/host.out") (exit $?)"
    fi
    host_pid=""
    expect "$1" "$result" "result $2 (exit 0)"
}
gone() {  # CONTROLID: waits until no dialog has that control
    for _ in $(seq 40); do
        [ "$(driver_rc --timeout 0 wait-dialog "$1")" == 1 ] && return 0
        sleep 0.05
    done
    return 1
}

# Checks the controls of a template against "ID CLASS [STYLE_MASK=STYLE_BITS ...]" lines, then its
# layout: every control inside the client area; the controls of one group (a line of ids; in the
# wizard one page) do not overlap, except that group box 1009 holds the page content; each check
# box's explanation follows right below it.
check_template() {  # NAME DIALOG_CONTROL LAYOUT GROUPS PAIRS
    local name=$1 dialog=$2 layout=$3 groups=$4 pairs=$5 controls
    controls=$(controls_of "$dialog")
    checks=$((checks + 1))
    [ -n "$controls" ] || { fail "$name: no controls"; return; }
    while read -r id cls rules; do
        [ -z "$id" ] && continue
        local line
        line=$(awk -v id="$id" '$1 == id' <<<"$controls")
        checks=$((checks + 1))
        if [ -z "$line" ]; then fail "$name: control $id is missing"; continue; fi
        expect "$name: class of $id" "$(awk '{print $2}' <<<"$line")" "$cls"
        local style rule
        style=$(awk '{print $9}' <<<"$line")
        for rule in $rules; do
            expect "$name: style $rule of $id" \
                "$(printf '0x%x' $((style & ${rule%=*})))" "$(printf '0x%x' $((${rule#*=})))"
        done
    done <<<"$layout"

    local layout
    layout=$(awk -v groups="$groups" -v pairs="$pairs" '
        { x[$1] = $5; y[$1] = $6; r[$1] = $5 + $7; b[$1] = $6 + $8 }
        $1 == 0 { W = $7; H = $8 }
        function overlap(a, c) { return x[a] < r[c] && x[c] < r[a] && y[a] < b[c] && y[c] < b[a] }
        function inside(a, c) { return x[a] >= x[c] && y[a] >= y[c] && r[a] <= r[c] && b[a] <= b[c] }
        END {
            for (id in x) if (id != 0 && (x[id] < 0 || y[id] < 0 || r[id] > W || b[id] > H))
                print "control " id " leaves the client area " W "x" H
            ng = split(groups, g, ";")
            for (k = 1; k <= ng; k++) {
                n = split(g[k], ids, " ")
                for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) {
                    a = ids[i]; c = ids[j]
                    if (a == 1009 || c == 1009) {
                        o = (a == 1009) ? c : a
                        if (o ~ /^(1000|1001|1007|1008|1010)$/) { if (overlap(o, 1009)) print "control " o " overlaps the group box" }
                        else if (!inside(o, 1009)) print "control " o " is not inside the group box"
                    } else if (overlap(a, c)) print "controls " a " and " c " overlap"
                }
            }
            np = split(pairs, p, " ")
            for (k = 1; k <= np; k++) {
                split(p[k], q, ":")
                if (y[q[2]] < b[q[1]] || y[q[2]] - b[q[1]] > 8 || x[q[2]] < x[q[1]])
                    print "explanation " q[2] " is not right below check box " q[1]
            }
        }' <<<"$controls")
    checks=$((checks + 1))
    [ -z "$layout" ] || fail "$name layout: $(tr '\n' ';' <<<"$layout")"
}

# Kinds and styles: CBS_DROPDOWNLIST, CBS_SORT (the combo box passes WS_VSCROLL on to its list);
# ES_MULTILINE, ES_READONLY, WS_VSCROLL;
# BS_DEFPUSHBUTTON, BS_PUSHBUTTON, BS_AUTOCHECKBOX, BS_GROUPBOX (low four bits).
multiline_ro="0x804=0x804"
vscroll="0x200000=0x200000"
autocheck="0xf=0x3"
wizard_layout="1000 Button 0xf=0x1
1001 Button 0xf=0x0
1010 Button 0xf=0x0
1002 Static
1003 Static
1004 Static
1005 ComboBox 0x3=0x3 0x100=0x100
1007 Static
1008 Static
1009 Button 0xf=0x7
1011 Static
1012 Static
1013 Edit $multiline_ro $vscroll
1014 Edit $multiline_ro
1015 Static
1016 Edit $multiline_ro $vscroll
1017 Static
1018 msctls_progress32
1019 Static
1020 msctls_progress32
1021 Static
1022 Static
1023 Static
1024 Static"
wizard_pages="1022 1002 1003 1004 1005 1000 1001;1007 1008 1009 1011 1013 1012 1010 1000 1001;\
1007 1008 1009 1014 1015 1010 1000 1001;1007 1008 1009 1023 1024 1017 1018 1019 1020 1016 1021 1000"
settings_layout() {  # CHECK_BOXES EXPLANATIONS LINK INTRO
    local id
    printf '1 Button 0xf=0x1\n2 Button 0xf=0x0\n%s SysLink\n%s Static\n' "$3" "$4"
    for id in $1; do printf '%s Button %s\n' "$id" "$autocheck"; done
    for id in $2; do printf '%s Static\n' "$id"; done
}

# --- The wizard dialog, page 0, and the driver's commands on it.
start_host 102
driver wait-dialog 1005 30000 >"$work/handle"
expect "wizard shown" $? 0
expect "wait-dialog prints a handle" "$(grep -cE '^0x[0-9a-f]+$' "$work/handle")" 1
check_template "wizard" 1005 "$wizard_layout" "$wizard_pages" ""
controls_of 1005 >"$work/controls"
strip=$(awk '$1 == 1022 {print $5, $6, $7, $8}' "$work/controls")
client=$(awk '$1 == 0 {print $7, $8}' "$work/controls")
read -r sx sy sw sh <<<"$strip"
read -r cw ch <<<"$client"
expect "strip at the top left" "$sx $sy" "0 0"
expect "strip as tall as the dialog" "$sh" "$ch"
# 132 of 334 dialog units wide, give or take a pixel of rounding.
expect "strip width" "$(( (sw * 334 - 132 * cw) / 334 ))" 0
expect "text of the dialog" "$(driver text --dialog 1005 0)" "page 0"
expect "state of the language list" "$(driver state --dialog 1005 1005)" \
    "visible=1 enabled=1 checked=0 selected=4 count=15"
expect "select" "$(driver_rc select --dialog 1005 1005 8)" 0
expect "selection reaches the dialog" "$(driver_rc wait-text --dialog 1005 0 'selected 8')" 0
expect "the list is sorted" "$(driver text --dialog 1005 1005)" "German"
expect "select beyond the list" "$(driver_rc select --dialog 1005 1005 15)" 1
expect "click on a hidden button" "$(driver_rc --timeout 300 click --dialog 1005 1010)" 1
expect "control that is not there" "$(driver_rc text --dialog 1005 1099)" 1
expect "dialog that is not there" "$(driver_rc --timeout 200 text --dialog 1099 0)" 1
for args in "frobnicate" "text 1000 1002" "check --dialog 1005 1005 2" "wait-dialog" \
    "select --dialog 1005 1005 x" "--timeout -5 msgbox"; do
    # shellcheck disable=SC2086
    expect "wrong command line '$args'" "$(driver_rc $args)" 2
done
menu=$(driver menu-item --dialog 1005)
expect_line "About item in the system menu" "$menu" "16 0 &About TavUpdateWizard..."
checks=$((checks + 1))
grep -qE '^61536 0 ' <<<"$menu" || fail "Close is not enabled on page 0: $menu"

driver syscommand --dialog 1005 16
expect "About box opens" "$(driver_rc wait-dialog 1006 5000)" 0
check_template "about box" 1006 "1006 Static
1 Button 0xf=0x1" "1006 1" ""
expect "About box title" "$(driver text --dialog 1006 1006)" "Tarnova server update wizard"
expect "the About box is no message box" "$(driver_rc msgbox 300)" 1
driver click --dialog 1006 1
checks=$((checks + 1))
gone 1006 || fail "the About box stays open after OK"

driver click --dialog 1005 1000
box=$(driver msgbox 5000)
expect "message box" "$(head -n3 <<<"$box")" "DialogHost
Show the next page?
6 7"
expect_match "message box left to right" "$(tail -n1 <<<"$box")" "rtl=0"
expect "no such button" "$(driver_rc answer 4 300)" 1
driver answer 7
checks=$((checks + 1))
gone 65535 || fail "the message box stays open after No"
expect "No keeps the page" "$(driver state --dialog 1005 1005 | cut -d' ' -f1)" "visible=1"
driver click --dialog 1005 1000
driver answer 6 5000
expect "Yes shows page 1" "$(driver_rc wait-text --dialog 1005 0 'page 1')" 0
expect "Back on page 1" "$(driver state --dialog 1005 1010)" "visible=1 enabled=1 checked=0"
expect "no language list on page 1" "$(driver state --dialog 1005 1005 | cut -d' ' -f1)" "visible=0"
driver click --dialog 1005 1010
expect "Back shows page 0" "$(driver_rc wait-text --dialog 1005 0 'page 0')" 0
driver click --dialog 1005 1001
end_host "wizard Cancel" 1001

# --- Page 3 while the update runs: no buttons, Close greyed.
start_host 102 --page 3
driver wait-dialog 1018 20000 >/dev/null
expect "Next hidden while running" "$(driver state --dialog 1018 1000)" \
    "visible=0 enabled=1 checked=0"
expect "progress position" "$(driver state --dialog 1018 1018)" \
    "visible=1 enabled=1 checked=0 pos=40"
checks=$((checks + 1))
grep -qE '^61536 1 ' <<<"$(driver menu-item --dialog 1018)" || fail "Close not greyed on page 3"
driver syscommand --dialog 1018 61536
end_host "wizard closed by the system menu" 2

# --- The settings dialogs.
start_host 132
driver wait-dialog 1028 20000 >/dev/null
check_template "settings 132" 1028 \
    "$(settings_layout "1025 1026 1027 1028" "1031 1032 1033" 1029 1030)" \
    "1 2 1025 1026 1027 1028 1029 1030 1031 1032 1033" "1025:1031 1026:1032 1027:1033"
expect "understood box clear" "$(driver state --dialog 1028 1028)" "visible=1 enabled=1 checked=0"
driver check --dialog 1028 1028 1
expect "check reaches the dialog" "$(driver_rc wait-text --dialog 1028 0 'clicked 1028 checked=1')" 0
driver click --dialog 1028 1028
expect "click toggles a check box" "$(driver_rc wait-text --dialog 1028 0 'clicked 1028 checked=0')" 0
expect "check on a label" "$(driver_rc check --dialog 1028 1030 1)" 1
driver link --dialog 1028 1029
expect "link click reaches the dialog" "$(driver_rc wait-text --dialog 1028 0 'link 1029')" 0
driver click --dialog 1028 1
end_host "settings 132 OK" 1

start_host 133
driver wait-dialog 1038 20000 >/dev/null
check_template "settings 133" 1038 \
    "$(settings_layout "1034 1035 1036 1037 1038" "1041 1042 1043 1044" 1039 1040)" \
    "1 2 1034 1035 1036 1037 1038 1039 1040 1041 1042 1043 1044" \
    "1034:1041 1035:1042 1036:1043 1037:1044"
driver click --dialog 1038 2
end_host "settings 133 Cancel" 2

start_host 134
driver wait-dialog 1046 20000 >/dev/null
check_template "settings 134" 1046 "$(settings_layout "1045 1046" "1049" 1047 1048)" \
    "1 2 1045 1046 1047 1048 1049" "1045:1049"
driver click --dialog 1046 2
end_host "settings 134 Cancel" 2

# --- Room for every translation, and for longer ones, on every page and form.
fit=EN:150,DE:125,FR:100,ES:100,IT:100,NL:100,DK:100,NO:100,SE:100,FI:100,EE:100,CZ:100,PL:100
fit+=,HU:100,AR:100
"${wine[@]}" "$host_exe" 100,102,132,133,134 --check-fit "$fit" --desktop "$desktop" \
    --texts "$texts" >"$work/fit" 2>&1
rc=$?
expect "every template holds longer texts ($(tr -d '\r' <"$work/fit" | tr '\n' ';'))" "$rc" 0

echo "dialog templates: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
