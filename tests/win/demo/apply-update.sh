#!/usr/bin/env bash
# The unattended update of the demo's staged server with tavpkg apply, as a deployment tool runs
# it: refused without the settings answers (nothing changed), busy while a wizard runs, previewed
# (nothing in the prefix changes, and the plan's decisions are those of the update that follows),
# applied with every answer (the same result as the demo's walk through the wizard, and a JSON
# result that says so; detection then says applied), applied again (nothing changes), and a run
# that fails (services running, backup kept). Every apply runs under a time limit, so a hidden window fails instead of hanging.
#   apply-update.sh BUILD_FOLDER PACKAGE_FOLDER RESOURCES_FOLDER
set -uo pipefail

build=$(cd "$1" && pwd)
package=$(cd "$2" && pwd)
resources=$(cd "$3" && pwd)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

source "$repo/tests/win/demo/demo-server.sh"

cp "$tavpkg_exe" "$update/tavpkg.exe"
# The exit code as Windows has it: Wine hands only its low byte to the Unix side.
printf '@echo off\r\nC:\\Update\\tavpkg.exe apply %%*\r\necho exit=%%ERRORLEVEL%%\r\n' >"$update/apply.cmd"
# The answers of the demo's settings dialog: HTTPS for the webs and inside the server, an SSL
# certificate, synchronization compatibility as it stands.
answers=(--accept-licence --secure-channel on --internal-secure-channel on --ssl-certificate on
         --sync-compatibility on)
apply() {  # ARGS...: tavpkg apply from the package folder; its output in $work/wizard.log
    (cd "$update" && timeout 300 wine cmd /c apply.cmd "$@") >"$work/apply.out" 2>&1
    tr -d '\r' <"$work/apply.out" >>"$work/wizard.log"
    last=$(tr -d '\r' <"$work/apply.out" | grep '^apply: ' | tail -n1)
    code=$(tr -d '\r' <"$work/apply.out" | sed -n 's/^exit=//p' | tail -n1)
}
# Every installed file with its digest, and the update's folders.
listing() {
    (cd "$server" && find . -type f -print0 | sort -z | xargs -0 md5sum)
}
result_is() {  # NAME FILE EXPRESSION: FILE is a result the schema allows, and the Python
    # EXPRESSION over it (r) holds
    expect "$1" "$(python3 "$repo/tests/tools/check-result.py" "$2" "$3" 2>&1)" ok
}

stage "apply without the answers of the settings dialog: refused, nothing changed"
before_listing=$(listing)
apply --accept-licence --json 'C:\refused.json'
expect "refused exit code" "$code" 1639
expect_has "the reason names what is missing" "$last" "--secure-channel"
expect "nothing changed" "$(listing)" "$before_listing"
result_is "the refusal's JSON" "$drive/refused.json" 'r["exitCode"] == 1639 and not r["applied"]'

stage "apply while the wizard runs: busy"
(cd "$update" && exec wine explorer "/desktop=$desktop,1024x768" TavUpdateWizard.exe) \
    >>"$work/wizard.log" 2>&1 &
driver() { wine "$driver_exe" --desktop "$desktop" "$@" 2>>"$work/driver.log" | tr -d '\r'; }
driver wait-dialog 1005 30000 >/dev/null || fail "the wizard did not open"
apply "${answers[@]}"
expect "busy exit code" "$code" 1618
expect "nothing changed while busy" "$(listing)" "$before_listing"
# A second wizard says so in the administrator's language and ends.
wine_reg add 'HKLM\SOFTWARE\Kelmark\Tav' /v TavLanguage /d DE /f /reg:32
(cd "$update" && exec wine explorer "/desktop=$desktop,1024x768" TavUpdateWizard.exe) \
    >>"$work/wizard.log" 2>&1 &
box=$(driver msgbox 30000)
expect "the second wizard's message" "$(sed -n 2p <<<"$box")" "$(tavpkg text 53380 DE --folder 'C:\Update')"
[ -n "${TAV_SHOTS:-}" ] && desktop_shot "$work" tavupdatewizard.exe "$TAV_SHOTS/busy-wizard-de"
driver answer 1 >/dev/null || fail "no OK on the second wizard's message"
wine_reg delete 'HKLM\SOFTWARE\Kelmark\Tav' /v TavLanguage /f /reg:32
driver click --dialog 1005 1001 >/dev/null
driver msgbox 10000 >/dev/null && driver answer 6 >/dev/null
for _ in $(seq 200); do
    pgrep -f '(^|[\\])TavUpdateWizard[.]exe' >/dev/null || break
    sleep 0.1
done

stage "preview with every answer: what the update would do, and nothing changes"
# Its output stays outside the prefix, which is compared file by file and key by key.
printf '@echo off\r\nC:\\Update\\tavpkg.exe preview %%*\r\necho exit=%%ERRORLEVEL%%\r\n' >"$update/preview.cmd"
outside="Z:${work//\//\\}"
preview() {  # ARGS...: tavpkg preview from the package folder; its output in $work/preview.out
    (cd "$update" && timeout 300 wine cmd /c preview.cmd "$@") >"$work/preview.out" 2>&1
    tr -d '\r' <"$work/preview.out" >>"$work/wizard.log"
    code=$(tr -d '\r' <"$work/preview.out" | sed -n 's/^exit=//p' | tail -n1)
}
prefix_state() {  # every file of the prefix but the registry's own, with digests; the registry
    (cd "$WINEPREFIX" && find . -type f ! -name '*.reg' -print0 | sort -z | xargs -0 md5sum)
    for root in HKLM HKCU; do
        rm -f "$work/$root.reg"
        wine reg export "$root" "$outside\\$root.reg" /y >/dev/null 2>&1
        [ -s "$work/$root.reg" ] || fail "no export of $root"
        md5sum <"$work/$root.reg"
    done
}
# Any user may run a program named like the remote print server's from a folder of their own;
# beside the server's service it decides nothing.
mkdir -p "$drive/users/Public/aps"
cp "$keeper_exe" "$drive/users/Public/aps/TavAps.exe"
wine explorer "/desktop=$desktop,1024x768" 'C:\users\Public\aps\TavAps.exe' >/dev/null 2>&1 &
user_aps=""
for _ in $(seq 100); do
    user_aps=$(pgrep -f 'aps[\\/]TavAps[.]exe') && break
    sleep 0.1
done
[ -n "$user_aps" ] || fail "the user's TavAps.exe did not start"
before_state=$(prefix_state)
start=$(date +%s.%N)
preview "${answers[@]}" --json "$outside\\preview.json"
echo "  preview ($(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s)"
expect "preview exit code" "$code" 0
plan=$(tr -d '\r' <"$work/preview.out")
expect_has "a user's TavAps.exe leaves the server's folder" "$plan" "Preview of the update of C:\\TAVSERVER\\ from"
[ -n "${TAV_SHOW_PREVIEW:-}" ] && echo "$plan"
expect_has "the plan names the server's replacement" "$plan" "Qelsrv.exe  1.2.3.4 -> 1.2.3.1000"
expect_has "the plan keeps the changed page" "$plan" "keep copy    C:\\TavServer\\Web\\wbclient\\status.asp"
expect_has "the plan's services" "$plan" "Services stopped, in order: "
expect_has "the plan's count line" "$plan" "files replaced, 1 kept in _todo"
result_is "the preview's JSON says so" "$work/preview.json" 'r["preview"] and r["exitCode"] == 0 and r["assumed"]'
result_is "the preview's JSON: the server would change" "$work/preview.json" \
    'any(f["path"].endswith("Qelsrv.exe") and (f["before"], f["after"], f["changed"]) == ("1.2.3.4", "1.2.3.1000", True) for f in r["files"])'
preview --detect --json "$outside\\detect.json"
expect "detect before the update: not applied" "$code" 1
result_is "detect writes its answer" "$work/detect.json" 'r["detect"]["answer"] == "not-applied" and r["preview"]'
expect_has "detect names a file" "$(tr -d '\r' <"$work/preview.out")" "detect: not applied: the update would change 8 installed files"
expect "nothing in the prefix changed" "$(prefix_state)" "$before_state"
[ -n "$user_aps" ] && kill $user_aps
# The decisions of a result, one per line: files, services, registry values, programs.
decisions() {
    python3 - "$1" <<'EOF'
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
for f in r["files"]: print(f["path"], f["decision"])
print(r["servicesStopped"], r["servicesStarted"])
for v in r["registryValues"]: print(v["key"], v["view"], v["name"], v["type"], v["data"], v.get("replaced"))
for p in r["programs"]: print(p["program"], p["commandLine"])
EOF
}

stage "apply with every answer: the demo's update"
start=$(date +%s.%N)
apply "${answers[@]}" --json 'C:\applied.json'
expect "applied exit code" "$code" 0
echo "  $last ($(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s)"
check_demo_update
applied="$drive/applied.json"
result_is "JSON: success" "$applied" 'r["exitCode"] == 0 and r["applied"] and not r["preview"]'
result_is "JSON: versions" "$applied" '(r["versionBefore"], r["versionAfter"]) == ("1.2.3.4", "1.2.3.1000")'
result_is "JSON: server replaced" "$applied" \
    'any(f["path"].endswith("Qelsrv.exe") and f["decision"] == "replaced" for f in r["files"])'
result_is "JSON: changed page kept" "$applied" \
    'any(f["path"].endswith("status.asp") and f["decision"] == "kept-customized" for f in r["files"])'
result_is "JSON: services" "$applied" 'r["servicesStarted"] and r["servicesStopped"]'
result_is "JSON: RequireHttps" "$applied" \
    '{"type": "REG_DWORD", "data": 1} in [{"type": v["type"], "data": v["data"]} for v in r["registryValues"] if v["name"] == "RequireHttps"]'
result_is "JSON: IIS command" "$applied" \
    'any(p["commandLine"].endswith("CrtVDir.exe\" CA w3svc/1/root/wbclient OOP") for p in r["programs"])'
expect "the preview's decisions are the update's" "$(decisions "$drive/applied.json")" \
    "$(decisions "$work/preview.json")"
preview --detect --json "$outside\\detect.json"
expect "detect after the update: applied" "$code" 0
result_is "detect's JSON: applied" "$work/detect.json" 'r["detect"]["exitCode"] == 0 and r["detect"]["answer"] == "applied"'

stage "apply again, same version left alone: no installed file changes"
# The run keeps its own record as a wizard run does: a result log, and the last run's _todo
# archived beside it.
installed() { listing | grep -vE '^[0-9a-f]+  [.]/_(TupBkp|todo)'; }
after_listing=$(installed)
apply "${answers[@]}" --version-question no --quiet
expect "second apply exit code" "$code" 0
expect "the installed files are unchanged" "$(installed)" "$after_listing"

stage "a run that fails in its last step (the readme cannot be shown): 1603, services running"
# An older server again, so the server module runs, and no browser for its readme.
wine sc stop TavSvc >/dev/null
for _ in $(seq 100); do wine sc query TavSvc | grep -q STOPPED && break; sleep 0.1; done
cp "$server_v1" "$server/Qelsrv.exe"
wine sc start TavSvc >/dev/null
rm -f "$drive/Program Files/Internet Explorer/iexplore.exe" \
    "$drive/Program Files (x86)/Internet Explorer/iexplore.exe"
preview "${answers[@]}" --quiet
expect "the preview foresees the failure" "$code" 1603
expect_has "the preview names the step" "$(tr -d '\r' <"$work/preview.out")" "at: "
apply "${answers[@]}" --quiet --json 'C:\failed.json'
expect "failed exit code" "$code" 1603
result_is "the failure's JSON names the step" "$drive/failed.json" \
    'r["exitCode"] == 1603 and r["failedStep"] and not r["applied"] and r["resultLog"]'
expect_has "the last line names the result log" "$last" "_log.csv"
for service in TavSvc W3SVC; do
    expect "$service runs after the failed run" "$(wine sc query $service | grep -c RUNNING)" 1
done
# The files are replaced, but the run's last steps are undone: not applied.
preview --detect
expect "detect after the failed run: not applied" "$code" 1
expect_has "detect says the last run failed" "$(tr -d '\r' <"$work/preview.out")" "the last update run of this package failed"

stage "a package that needs .NET Framework 4.5.2: listed and refused, then installed and a restart asked for"
prerequisite="$drive/Update452"
mkdir -p "$prerequisite/package"
cp "$update/TavLang.Xml" "$update/tavpkg.exe" "$prerequisite/"
cp "$recorder_exe" "$prerequisite/package/ndp452.exe"
sed 's#<ITEM key="ComponentName" type="OCString">Tarnova server</ITEM>#&<ITEM key="InstallNET452Framework" type="OCString">ndp452.exe</ITEM>#' \
    "$update/config.xml" >"$prerequisite/config.xml"
sed 's#C:\\Update\\#C:\\Update452\\#' "$update/apply.cmd" >"$prerequisite/apply.cmd"
before_listing=$(installed)
apply452() { update="$prerequisite" apply "$@"; }
apply452 "${answers[@]}"
expect "missing prerequisite exit code" "$code" 1639
expect_has "the prerequisite is named" "$last" ".NET Framework 4.5.2"
export TAV_TOOL_EXIT_CODE=3010
apply452 "${answers[@]}" --install-prerequisites
unset TAV_TOOL_EXIT_CODE
expect "restart exit code" "$code" 3010
expect_match "the installer ran" "$(tr -d '\r' <"$drive/tools.log")" 'ndp452.exe.*/passive /norestart'
expect "no installed file changed" "$(installed)" "$before_listing"

echo "apply: $checks checks, $failures failed"
[ "$failures" -eq 0 ]
