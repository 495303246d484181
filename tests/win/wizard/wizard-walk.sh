#!/usr/bin/env bash
# Wine test of the real TavUpdateWizard.exe on a staged server: the server program (a test
# service with a version resource) runs as "TavSvc" from C:\TavServer, and the wizard starts
# from C:\Update with a package whose module updater replaces that program by a newer one and
# asks for a missing runtime. The UI driver answers the start-up question, walks all four pages
# in English and a second language (German, or TAV_WALK_LANGUAGE; Arabic first mirrors page 0
# and its message boxes, English turns them back), the settings dialog and the
# final question, waits for the run, and the
# test checks the status lines, the replaced file, the backup, the result log and the restarted
# service. A second start checks the stored language and Cancel.
#   wizard-walk.sh TavUpdateWizard.exe uidriver.exe tavpkg.exe SERVICE_V1.exe SERVICE_V2.exe \
#                  PROBE.exe RESOURCES_FOLDER KEEPER.exe PACKAGE_TEMPLATE [SCREENSHOT_FOLDER]
set -uo pipefail

wizard_exe=$1 driver_exe=$2 tavpkg_exe=$3 service_v1=$4 service_v2=$5 probe_exe=$6
resources=$(cd "$7" && pwd)
keeper_exe=$8
package_template=$9
screenshots=${10:-}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

if ! command -v Xvfb >/dev/null || ! command -v wine >/dev/null; then
    "$repo/scripts/setup.sh" >&2
fi

source "$repo/tests/win/uidriver/ui-test-lib.sh"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
wizard_pid=""
cleanup() {
    [ -n "$wizard_pid" ] && kill "$wizard_pid" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if [ "$failures" -gt 0 ] && [ -s "$work/wizard.log" ]; then
        echo "--- the wizard's output:"
        tail -n 30 "$work/wizard.log"
    fi
    # TAV_WALK_KEEP=1 keeps the prefix and the logs for a look afterwards.
    if [ -n "${TAV_WALK_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

step() { echo "== $*"; }

# The second language: its code, its place in the wizard's language list and its English name.
L=${TAV_WALK_LANGUAGE:-DE}
languages=(AR:Arabic CZ:Czech DK:Danish NL:Dutch EN:English EE:Estonian FI:Finnish FR:French
           DE:German HU:Hungarian IT:Italian NO:Norwegian PL:Polish ES:Spanish SE:Swedish)
for i in "${!languages[@]}"; do
    [ "${languages[$i]%%:*}" == "$L" ] && { L_index=$i; L_name=${languages[$i]#*:}; }
done
[ -n "${L_index:-}" ] || { echo "wizard walk: no language $L" >&2; exit 2; }
l=$(tr 'A-Z' 'a-z' <<<"$L")
start_xvfb "$work"

step "a fresh Wine prefix"
wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
wineserver -w
drive="$WINEPREFIX/drive_c"
desktop="tavwizard$$"
# The dialog font has no Arabic letters: link a system font that has them, as Windows links its
# own fonts behind the dialog font.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1

# The directional marks that right-to-left pages put around Latin parts; texts are compared
# without them, and checked for them where they belong.
lro=$'\xe2\x80\xad' rle=$'\xe2\x80\xab' pdf=$'\xe2\x80\xac'
driver_raw() { wine "$driver_exe" --desktop "$desktop" "$@" 2>>"$work/driver.log" | tr -d '\r'; }
driver() { driver_raw "$@" | sed "s/$lro//g; s/$rle//g; s/$pdf//g"; }
text_of() { driver text --dialog "$1" "$2"; }
state_of() { driver state --dialog "$1" "$2"; }
# A text of the language file, as the wizard reads it.
lang() { wine "$tavpkg_exe" text "$1" "$2" --folder 'C:\Update' 2>/dev/null | tr -d '\r'; }
shot() {  # NAME: a screenshot when a folder was given
    [ -n "$screenshots" ] || return 0
    desktop_shot "$work" tavupdatewizard.exe "$screenshots/$1"
}

step "staging the server: C:\\TavServer\\Qelsrv.exe 1.2.3.4 running as TavSvc"
mkdir -p "$drive/TavServer" "$drive/Update/package/server"
cp "$service_v1" "$drive/TavServer/Qelsrv.exe"
cp "$service_v2" "$drive/Update/package/server/Qelsrv.exe"
cp "$probe_exe" "$drive/Update/package/vc_redist.x64.exe"
cp "$wizard_exe" "$drive/Update/TavUpdateWizard.exe"
cp "$resources/TavLang.Xml" "$drive/Update/TavLang.Xml"
cp "$package_template" "$drive/Update/config.xml"
wine sc create TavSvc binPath= 'C:\TavServer\Qelsrv.exe' >/dev/null
wine sc start TavSvc >/dev/null
for _ in $(seq 100); do wine sc query TavSvc | grep -q RUNNING && break; sleep 0.1; done
expect "service before" "$(wine sc query TavSvc | grep -c RUNNING)" "1"
expect "version before" "$(wine "$tavpkg_exe" version 'C:\TavServer\Qelsrv.exe' | tr -d '\r')" "1.2.3.4"

# The wizard runs in a desktop of its own (window frames in the screenshots, and the driver
# looks only there), which the keeper holds open between the wizard's starts.
cp "$keeper_exe" "$drive/keeper.exe"
wine explorer "/desktop=$desktop,1024x768" 'C:\keeper.exe' >/dev/null 2>&1 &
start_wizard() {
    (cd "$drive/Update" && exec wine explorer "/desktop=$desktop,1024x768" TavUpdateWizard.exe) \
        >"$work/wizard.log" 2>&1 &
    wizard_pid=$!
}
wizard_ended() {  # waits up to 20 s for the wizard's process to end
    for _ in $(seq 200); do
        pgrep -f '(^|[\\])TavUpdateWizard[.]exe' >/dev/null || return 0
        sleep 0.1
    done
    return 1
}

step "start-up: the missing runtime is asked about in English and its installer started"
start_wizard
box=$(driver msgbox 20000)
expect "prerequisite caption" "$(sed -n 1p <<<"$box")" "TavUpdateWizard"
expect "prerequisite text" "$(sed -n 2p <<<"$box")" "$(lang 53341 EN)"
shot startup-prerequisite
driver answer 1 >/dev/null || fail "prerequisite: no OK button"

step "page 0 in English, then $L_name"
driver wait-dialog 1005 20000 >/dev/null || fail "page 0 did not appear"
shot page0-en
expect "title EN" "$(text_of 1005 0)" "$(lang 53006 EN)"
expect "1002 EN" "$(text_of 1005 1002)" "$(lang 53000 EN)"
expect "1000 EN" "$(text_of 1005 1000)" "$(lang 53003 EN)"
expect "1001 EN" "$(text_of 1005 1001)" "$(lang 53004 EN)"
expect_match "1010 hidden" "$(state_of 1005 1010)" "visible=0"
expect "language EN" "$(text_of 1005 1005)" "English"

step "right to left: Arabic mirrors page 0 and the message boxes, English turns them back"
for pass in AR:0:1 EN:4:0; do
    IFS=: read -r code index rtl <<<"$pass"
    driver select --dialog 1005 1005 "$index" >/dev/null
    driver wait-text --dialog 1005 1002 "$(lang 53000 "$code")" 5000 >/dev/null || fail "page 0 not in $code"
    expect_match "page 0 mirrored in $code" "$(driver layout --dialog 1005 0)" "rtl=$rtl"
    expect_match "label mirrored in $code" "$(driver layout --dialog 1005 1004)" "rtl=$rtl"
    driver click --dialog 1005 1001 >/dev/null
    box=$(driver msgbox 5000)
    expect "cancel question in $code" "$(sed -n 2p <<<"$box")" "$(lang 53009 "$code")"
    expect_match "cancel question mirrored in $code" "$(tail -n1 <<<"$box")" "rtl=$rtl"
    [ "$code" == AR ] && shot cancel-question-ar
    driver answer 7 >/dev/null || fail "cancel question in $code: no No"
done
driver select --dialog 1005 1005 "$L_index" >/dev/null || fail "cannot select $L_name"
driver wait-text --dialog 1005 1002 "$(lang 53000 "$L")" 5000 >/dev/null || fail "page 0 not in $L_name"
expect "title $L" "$(text_of 1005 0)" "$(lang 53006 "$L")"
expect "1004 $L" "$(text_of 1005 1004)" "$(lang 53002 "$L")"
expect "1000 $L" "$(text_of 1005 1000)" "$(lang 53003 "$L")"
shot page0-$l
expect_has "About item" "$(driver menu-item --dialog 1005)" "16 0 $(lang 53007 "$L")"
driver syscommand --dialog 1005 16 >/dev/null
driver wait-dialog 1006 5000 >/dev/null || fail "no About box"
expect "About title" "$(text_of 1006 0)" "$(lang 53007 "$L")"
expect "About program" "$(text_of 1006 1006)" "$(lang 53006 "$L")"
shot about-$l
driver click --dialog 1006 1 >/dev/null

step "page 1: the licence"
driver click --dialog 1005 1000 >/dev/null
driver wait-text --dialog 1005 1007 "$(lang 53011 "$L")" 5000 >/dev/null || fail "page 1 did not come"
expect "1000 page 1" "$(text_of 1005 1000)" "$(lang 53016 "$L")"
expect "1001 page 1" "$(text_of 1005 1001)" "$(lang 53015 "$L")"
expect "1010 page 1" "$(text_of 1005 1010)" "$(lang 53005 "$L")"
licence=$(text_of 1005 1013)
expect_has "licence starts with its first paragraph" "$(head -n1 <<<"$licence")" \
    "$(lang 53500 "$L" | cut -d' ' -f1-3)"
expect_match "strip hidden" "$(state_of 1005 1022)" "visible=0"
shot page1-$l
driver click --dialog 1005 1010 >/dev/null
driver wait-text --dialog 1005 1002 "$(lang 53000 "$L")" 5000 >/dev/null || fail "Back did not return to page 0"
driver click --dialog 1005 1000 >/dev/null
driver wait-text --dialog 1005 1007 "$(lang 53011 "$L")" 5000 >/dev/null || fail "page 1 again"

step "page 2: the summary"
driver click --dialog 1005 1000 >/dev/null
driver wait-text --dialog 1005 1007 "$(lang 53017 "$L")" 5000 >/dev/null || fail "page 2 did not come"
summary=$(text_of 1005 1014)
expect_has "summary heading" "$summary" "$(lang 53019 "$L")"
expect_match "summary folder" "$summary" 'C:\\TAVSERVER\\'
expect_match "summary module" "$summary" '^    Module$'
# The folder keeps its direction inside an Arabic line; other languages get no marks.
if [ "$L" == AR ]; then
    expect_has "summary folder marked" "$(driver_raw text --dialog 1005 1014)" "${lro}C:\\TAVSERVER\\${pdf}"
else
    expect "summary without marks" "$(driver_raw text --dialog 1005 1014 | grep -c "$lro")" "0"
fi
expect "1000 page 2" "$(text_of 1005 1000)" "$(lang 53026 "$L")"
shot page2-$l

step "the settings dialog: OK only while understood is ticked"
driver click --dialog 1005 1000 >/dev/null
driver wait-dialog 1028 5000 >/dev/null || fail "no settings dialog"
expect "settings title" "$(text_of 1028 0)" "$(lang 53307 "$L")"
expect "understood text" "$(text_of 1028 1028)" "$(lang 53316 "$L")"
expect_match "OK disabled at first" "$(state_of 1028 1)" "enabled=0"
expect_match "sync compatibility on" "$(state_of 1028 1027)" "checked=1"
expect_match "secure channel off" "$(state_of 1028 1025)" "checked=0"
shot settings-132-$l
driver check --dialog 1028 1028 1 >/dev/null
expect_match "OK enabled when understood" "$(state_of 1028 1)" "enabled=1"
driver check --dialog 1028 1028 0 >/dev/null
expect_match "OK disabled again" "$(state_of 1028 1)" "enabled=0"
driver check --dialog 1028 1028 1 >/dev/null
driver check --dialog 1028 1025 1 >/dev/null
shot settings-132-$l-ticked
driver click --dialog 1028 1 >/dev/null

step "the final question, then the run"
box=$(driver msgbox 5000)
expect "final question" "$(sed -n 2p <<<"$box")" "$(lang 53010 "$L")"
shot final-question-$l
driver answer 6 >/dev/null || fail "final question: no Yes"
driver wait-text --dialog 1005 1000 "$(lang 53036 "$L")" 120000 >/dev/null || fail "the run did not end"
shot page3-$l
expect "subtitle after the run" "$(text_of 1005 1008)" "$(lang 53029 "$L")"
expect "note after the run" "$(text_of 1005 1021)" "$(lang 53034 "$L")"
expect "current action emptied" "$(text_of 1005 1024)" ""
status=$(text_of 1005 1016)
expect_match "status lines" "$status" "^-- "
expect_has "status in the wizard's language" "$status" "$(lang 53038 "$L")"
expect_match "Close enabled again" "$(driver menu-item --dialog 1005)" "^61536 0 "
driver click --dialog 1005 1000 >/dev/null
wizard_ended || fail "the wizard did not end after the run"

step "the server after the update"
expect "version after" "$(wine "$tavpkg_exe" version 'C:\TavServer\Qelsrv.exe' | tr -d '\r')" "1.2.3.1000"
expect "service after" "$(wine sc query TavSvc | grep -c RUNNING)" "1"
backup=$(ls -d "$drive"/TavServer/_TupBkp/*/ 2>/dev/null | head -n1)
[ -n "$backup" ] || fail "no backup folder"
backed=$(find "$backup" -iname Qelsrv.exe | head -n1)
[ -n "$backed" ] && cmp -s "$backed" "$service_v1" || fail "the backup does not hold the old Qelsrv.exe"
checks=$((checks + 1))
log=$(tr -d '\r' <"$backup/_log.csv" 2>/dev/null)
expect_match "result log ends with success" "$(tail -n1 <<<"$log")" "$(lang 53038 EN)\$"
expect_match "result log: service stopped" "$log" "$(lang 53078 EN).*tavsvc"
expect_match "result log: service started" "$log" "$(lang 53086 EN).*tavsvc"
expect "result log without directional marks" "$(grep -c -e "$lro" -e "$rle" <<<"$log")" "0"

step "a second start: the stored language, and Cancel"
wine reg add 'HKLM\SOFTWARE\Kelmark\Tav' /v TavLanguage /d "$L" /f /reg:32 >/dev/null
start_wizard
driver answer 1 20000 >/dev/null || fail "second start: no prerequisite question"
driver wait-dialog 1005 20000 >/dev/null || fail "second start: no wizard"
# The page's texts follow the dialog's first appearance.
driver wait-text --dialog 1005 1002 "$(lang 53000 "$L")" 5000 >/dev/null
expect "stored language" "$(text_of 1005 1005)" "$L_name"
expect "stored language texts" "$(text_of 1005 1002)" "$(lang 53000 "$L")"
driver click --dialog 1005 1001 >/dev/null
box=$(driver msgbox 5000)
expect "cancel question" "$(sed -n 2p <<<"$box")" "$(lang 53009 "$L")"
driver answer 7 >/dev/null
expect "No keeps the wizard" "$(text_of 1005 1002)" "$(lang 53000 "$L")"
driver click --dialog 1005 1001 >/dev/null
driver answer 6 5000 >/dev/null
wizard_ended || fail "Cancel did not end the wizard"

step "a broken package description: the wizard still opens and applies nothing"
printf '<?xml version="1.0"?>\n<CONFIG><ITEM key="Tarnova_Update" type="OCContainer">' \
    >"$drive/Update/config.xml"
before=$(md5sum <"$drive/TavServer/Qelsrv.exe")
start_wizard
driver wait-dialog 1005 20000 >/dev/null || fail "broken description: no wizard"
driver click --dialog 1005 1000 >/dev/null
driver wait-text --dialog 1005 1007 "$(lang 53011 "$L")" 5000 >/dev/null || fail "broken description: no page 1"
driver click --dialog 1005 1000 >/dev/null
driver wait-text --dialog 1005 1007 "$(lang 53017 "$L")" 5000 >/dev/null || fail "broken description: no page 2"
expect_has "no module in the summary" "$(text_of 1005 1014 | tr '\n' '|')" "$(lang 53024 "$L")||"
shot page2-broken-description
driver click --dialog 1005 1000 >/dev/null
driver answer 6 5000 >/dev/null || fail "broken description: no final question"
driver wait-text --dialog 1005 1000 "$(lang 53036 "$L")" 60000 >/dev/null || fail "broken description: no end"
driver click --dialog 1005 1000 >/dev/null
wizard_ended || fail "broken description: the wizard did not end"
expect "server untouched" "$(md5sum <"$drive/TavServer/Qelsrv.exe")" "$before"
expect "service still running" "$(wine sc query TavSvc | grep -c RUNNING)" "1"

echo "wizard walk: $checks checks, $failures failed"
[ "$failures" -eq 0 ]
