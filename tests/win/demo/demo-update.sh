#!/usr/bin/env bash
# The demo update: stages a Tarnova server in a fresh Wine prefix (product key with the paths of
# an installation, the server program running as TavSvc, job ticket and report resources, signed
# web pages of which the administrator changed one, a web server service and stand-ins of the
# IIS tools and of the certificate component), walks the real TavUpdateWizard.exe through every
# page with the UI driver as an administrator would, and prints what the update did. Exits 1
# when the update did not do what it should.
#   demo-update.sh BUILD_FOLDER PACKAGE_FOLDER RESOURCES_FOLDER SCREENSHOT_FOLDER
# BUILD_FOLDER is the Windows build (TavUpdateWizard.exe, tavpkg.exe and the test programs).
set -uo pipefail

build=$(cd "$1" && pwd)
package=$(cd "$2" && pwd)
resources=$(cd "$3" && pwd)
screenshots=$4
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
mkdir -p "$screenshots"
screenshots=$(cd "$screenshots" && pwd)

source "$repo/tests/win/demo/demo-server.sh"

driver() { wine "$driver_exe" --desktop "$desktop" "$@" 2>>"$work/driver.log" | tr -d '\r'; }
text_of() { driver text --dialog "$1" "$2"; }
shot() {  # NAME: a screenshot of the wizard's desktop
    desktop_shot "$work" tavupdatewizard.exe "$screenshots/$1"
}

stage "what the wizard will do, as tavpkg plan sees it on this machine"
tavpkg plan 'C:\Update\config.xml' | sed 's/^/  /'

stage "starting C:\\Update\\TavUpdateWizard.exe in a Wine desktop"
(cd "$update" && exec wine explorer "/desktop=$desktop,1024x768" TavUpdateWizard.exe) \
    >"$work/wizard.log" 2>&1 &

stage "page 0: English stays chosen, Next"
driver wait-dialog 1005 30000 >/dev/null || { fail "the wizard did not open"; exit 1; }
expect "page 0" "$(text_of 1005 1002)" "$(lang 53000)"
shot 1-welcome
driver click --dialog 1005 1000 >/dev/null

stage "page 1: the licence, Next"
driver wait-text --dialog 1005 1007 "$(lang 53011)" 5000 >/dev/null || fail "no licence page"
shot 2-licence
driver click --dialog 1005 1000 >/dev/null

stage "page 2: the summary of the four modules, Next"
driver wait-text --dialog 1005 1007 "$(lang 53017)" 5000 >/dev/null || fail "no summary page"
summary=$(text_of 1005 1014)
expect_match "summary names the install folder" "$summary" 'C:\\TAVSERVER\\'
shot 3-summary
driver click --dialog 1005 1000 >/dev/null

stage "the settings dialog: HTTPS for the webs and inside the server, an SSL certificate, understood"
driver wait-dialog 1038 10000 >/dev/null || fail "no settings dialog"
driver check --dialog 1038 1034 1 >/dev/null
driver check --dialog 1038 1035 1 >/dev/null
driver check --dialog 1038 1036 1 >/dev/null
driver check --dialog 1038 1038 1 >/dev/null
shot 4-settings
driver click --dialog 1038 1 >/dev/null

stage "the final question: Yes, and the update runs"
box=$(driver msgbox 10000)
expect "final question" "$(sed -n 2p <<<"$box")" "$(lang 53010)"
shot 5-final-question
run_start=$(date +%s.%N)
driver answer 6 >/dev/null || fail "no Yes on the final question"
sleep 1
shot 6-running
driver wait-text --dialog 1005 1000 "$(lang 53036)" 180000 >/dev/null || fail "the run did not end"
echo "  the update ran $(awk -v a="$run_start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s (from Yes to the page after the run)"
shot 7-done
expect "the wizard reports success" "$(text_of 1005 1021)" "$(lang 53034)"
driver click --dialog 1005 1000 >/dev/null
for _ in $(seq 200); do
    pgrep -f '(^|[\\])TavUpdateWizard[.]exe' >/dev/null || break
    sleep 0.1
done

# What the update did, read back from the machine.
backup=$(ls -d "$server"/_TupBkp/*/ 2>/dev/null | head -n1)
[ -n "$backup" ] || fail "no backup folder"
log=$(tr -d '\r' <"${backup}_log.csv" 2>/dev/null)
echo
echo "=================== what the update did ==================="
echo "Files replaced (before -> after):"
for file in $(printf '%s\n' "${!before[@]}" | sort); do
    now=$(version_or_md5 "$file")
    mark="unchanged"
    [ "$now" != "${before[$file]}" ] && mark="replaced"
    printf '  %-48s %-22s -> %-22s %s\n' "${file#"$drive"/}" "${before[$file]}" "$now" "$mark"
done
echo
echo "Backup folder: C:/${backup#"$drive"/}"
(cd "$backup" && find . -type f | sort | sed 's#^\./#  #')
echo
echo "Pages the administrator changed, kept in C:/TavServer/_todo:"
(cd "$server/_todo" 2>/dev/null && find . -type f -not -name 'update_*.txt' | sort | sed 's#^\./#  #')
echo "  the note for the administrator:"
cat "$server"/_todo/update_*.txt 2>/dev/null | tr -d '\r' | sed 's/^/    /'
echo
echo "Registry values written:"
for entry in 'Tav\TavTcpServer ForceHttps' 'Tav\TavTcpServer HttpsPort' 'Tav\TavWeb RequireHttps' \
             'Tav UseTrustedCommunication' 'Tav TAVISSPATH' 'Tav EAIKEYSTOREFOLDER'; do
    read -r sub name <<<"$entry"
    printf '  HKLM\\SOFTWARE\\Kelmark\\%s\\%s = %s\n' "$sub" "$name" \
        "$(reg_value "HKLM\\SOFTWARE\\Kelmark\\$sub" "$name" 32)"
done
echo
echo "IIS tools and browser started (command lines as recorded):"
tr -d '\r' <"$drive/tools.log" 2>/dev/null | sed 's/^/  /'
echo
echo "Certificate component calls:"
tr -d '\r' <"$drive/certhlp.log" 2>/dev/null | sed 's/^/  /'
echo
echo "Services:"
grep -E "$(lang 53078)|$(lang 53086)" <<<"$log" | sed 's/^/  /'
for service in TavSvc W3SVC; do
    echo "  $service now: $(wine sc query $service | tr -d '\r' | awk '/STATE/ { print $4 }')"
done
echo
echo "Last lines of the result log ${backup#"$drive"/}_log.csv:"
tail -n 5 <<<"$log" | sed 's/^/  /'
echo
echo "Screenshots of every page: $screenshots"
echo "==========================================================="

# The checks behind the summary.
check_demo_update
# The wizard's run is recorded, and detection then calls the update applied.
expect_has "the run's record" "$(wine reg query 'HKLM\SOFTWARE\Kelmark\Tav\Updates' /s /reg:32 2>/dev/null | tr -d '\r')" "succeeded"
detected=$(cd "$update" && timeout 300 wine "$tavpkg_exe" preview 'C:\Update' --detect 2>/dev/null | tr -d '\r')
expect "detect after the wizard's run: applied (exit 0)" "$?" 0
expect_has "detect's line" "$detected" "detect: applied"
for n in 1-welcome 2-licence 3-summary 4-settings 5-final-question 7-done; do
    [ -s "$screenshots/$n.png" ] || fail "no screenshot $n"
done

echo "demo: $checks checks, $failures failed"
[ "$failures" -eq 0 ]
