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

source "$repo/tests/win/uidriver/ui-test-lib.sh"
work=$(mktemp -d)
# Wine would run its own cscript.exe from the system folder instead of the stand-in put there.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;cscript.exe=n"
xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if [ "$failures" -gt 0 ] && [ -s "$work/wizard.log" ]; then
        echo "--- the wizard's output:"
        tail -n 30 "$work/wizard.log"
    fi
    # TAV_DEMO_KEEP=1 keeps the prefix for a look afterwards.
    if [ -n "${TAV_DEMO_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

stage() { echo "== $*"; }
program() {  # TARGET: the built program of that name
    local found
    found=$(find "$build" -name "$1" -type f -not -path '*/CMakeFiles/*' | head -n1)
    [ -n "$found" ] || { echo "demo: $1 is not built in $build" >&2; exit 2; }
    echo "$found"
}
wizard_exe=$(program TavUpdateWizard.exe)
tavpkg_exe=$(program tavpkg.exe)
driver_exe=$(program uidriver.exe)
keeper_exe=$(program tav_desktop_keeper.exe)
server_v1=$(program tav_server_v1.exe)
server_v2=$(program tav_server_v2.exe)
probe_old=$(program tav_probe.exe)
probe_new=$(program tav_probe_1000.exe)
recorder_exe=$(program tav_tool_recorder.exe)
regasm_exe=$(program tav_regasm_standin.exe)
certhlp_dll=$(program TavCertHlp.dll)

start_xvfb "$work"
stage "a fresh Wine prefix under Xvfb $DISPLAY"
wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
wineserver -w
drive="$WINEPREFIX/drive_c"
windows="$drive/windows"
desktop="tavdemo$$"
# Wine ends the session, services included, once no program has run for a few seconds: the
# keeper holds it open in the wizard's desktop from here on.
cp "$keeper_exe" "$drive/keeper.exe"
wine explorer "/desktop=$desktop,1024x768" 'C:\keeper.exe' >/dev/null 2>&1 &

wine_reg() { wine reg "$@" >/dev/null 2>&1; }
tavpkg() { wine "$tavpkg_exe" "$@" 2>/dev/null | tr -d '\r'; }
lang() { tavpkg text "$1" EN --folder 'C:\Update'; }
md5() { md5sum <"$1" | cut -c1-8; }
version_or_md5() {  # FILE: the file version of a program, else the start of its MD5
    case "$1" in
        *.exe | *.EXE | *.dll) tavpkg version "$(winepath -w "$1" 2>/dev/null)" ;;
        *) echo "md5 $(md5 "$1")" ;;
    esac
}

stage "staging the server in C:\\TavServer: Qelsrv.exe 1.2.3.4 runs as TavSvc"
server="$drive/TavServer"
mkdir -p "$server/tools" "$server/Web/wbclient/bin" "$server/JobTickets" "$server/Reports" "$server/Rip" \
    "$server/Client/Support" "$server/Client/WebUI" "$server/WebAnon" \
    "$server/Web/wbclient/jobevents/jobtickets/TAVJTX/xml" "$server/Web/wbserver" \
    "$server/Web/wbqueueman"
cp "$server_v1" "$server/Qelsrv.exe"
# The resource library, the web client's library and the check tool carry file versions.
cp "$probe_old" "$server/tools/TavCheck.exe"
cp "$probe_old" "$server/TavResources.dll"
cp "$probe_old" "$server/Web/wbclient/bin/TavWebClient.dll"
sed 's/version="7.2"/version="7.1"/; s/<RetentionDays>3</<RetentionDays>7</' \
    "$package/package/resources/JobTicketDefaults.xml" >"$server/JobTickets/JobTicketDefaults.xml"
sed 's/^Version=7.2/Version=7.1/; s/,Colour pages//' \
    "$package/package/resources/JobReport.rpt" >"$server/Reports/JobReport.rpt"
touch "$server/Client/TavClntMsi.exe" "$server/Client/IgV2PortDriverMsi.exe" \
    "$server/Client/Support/adsutil.vbs" "$server/Client/Support/chglist.vbs"

stage "the installed web pages: delivered ones of the last version, one changed by the administrator"
for page in "$package"/package/web/*.asp; do
    name=$(basename "$page")
    grep -v 'Signature=' "$page" | sed 's/print portal/print portal 7.1/; s/Server version/Version/' \
        >"$server/Web/wbclient/$name"
done
tavpkg sign 'C:\TavServer\Web\wbclient\default.asp' 'C:\TavServer\Web\wbclient\status.asp' >/dev/null
# The administrator adds a line for the help desk to the signed status page.
sed -i 's#^  <p>Jobs waiting#  <p>Help desk: extension 1234.</p>\r\n  <p>Jobs waiting#' \
    "$server/Web/wbclient/status.asp"
expect "delivered page passes its signature" "$(tavpkg verify 'C:\TavServer\Web\wbclient\default.asp' >/dev/null; echo $?)" 0
expect "changed page fails its signature" "$(tavpkg verify 'C:\TavServer\Web\wbclient\status.asp' >/dev/null; echo $?)" 1

stage "the product key and the machine's IIS and network settings"
key='HKLM\SOFTWARE\Kelmark\Tav'
declare -A values=(
    [TAVCLNTMSIPATH]='C:\TavServer\Client\TavClntMsi.exe'
    [IGV2PORTDRIVERMSIPATH]='C:\TavServer\Client\IgV2PortDriverMsi.exe'
    [REPORTSERVERPATH]='C:\TavServer\Reports\'
    [POSPATH]='C:\TavServer\Pos.exe'
    [GSRIPPATH]='C:\TavServer\Rip\'
    [POSJTCONFIGFOLDER]='C:\TavServer\JobTickets\'
    [WEBCLIENTPATH]='C:\TavServer\Web\wbclient\'
    [WEBSERVERPATH]='C:\TavServer\Web\wbserver\'
    [WEBQUEUEMANPATH]='C:\TavServer\Web\wbqueueman\'
)
for name in "${!values[@]}"; do
    wine_reg add "$key" /v "$name" /d "${values[$name]}" /f /reg:32
done
for view in 32 64; do
    wine_reg add 'HKLM\SOFTWARE\Microsoft\InetStp' /v MajorVersion /t REG_DWORD /d 10 /f /reg:$view
done
# The programs folder of 32-bit programs, which a Wine prefix without 32-bit support lacks.
wine_reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir \
    /d 'C:\Program Files (x86)' /f /reg:32
wine_reg add 'HKLM\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters' /v Hostname /d printhost /f
wine_reg add 'HKLM\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters' /v Domain /d example.test /f
wine_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f

stage "stand-ins: IIS tools, the certificate component's regasm and the browser record their command lines"
export TAV_TOOL_LOG='C:\tools.log' TAVCERTHLP_DOUBLE_LOG='C:\certhlp.log'
export WINEPATH=''  # the stand-ins are found where the wizard looks for them
mkdir -p "$windows/system32/inetsrv" "$windows/Microsoft.NET/Framework/v4.0.30319" \
    "$windows/Microsoft.NET/Framework64/v4.0.30319" \
    "$drive/Program Files/Internet Explorer" "$drive/Program Files (x86)/Internet Explorer"
cp "$recorder_exe" "$server/Client/Support/CrtVDir.exe"
cp "$recorder_exe" "$server/Client/Support/selfssl.exe"
cp "$recorder_exe" "$windows/system32/inetsrv/appcmd.exe"
cp "$recorder_exe" "$windows/system32/cscript.exe"
cp "$recorder_exe" "$drive/Program Files/Internet Explorer/iexplore.exe"
cp "$recorder_exe" "$drive/Program Files (x86)/Internet Explorer/iexplore.exe"
# Each bitness has its regasm: the product's assemblies go through the 32-bit one, the
# certificate component through the wizard's own (64-bit) one.
cp "$regasm_exe" "$windows/Microsoft.NET/Framework/v4.0.30319/regasm.exe"
cp "$regasm_exe" "$windows/Microsoft.NET/Framework64/v4.0.30319/regasm.exe"
# The web server: a service of its own that the update stops and starts like the real one.
cp "$server_v1" "$windows/system32/inetsrv/w3svc-demo.exe"

stage "the update package in C:\\Update: Qelsrv.exe 1.2.3.1000, resources, pages, check tool"
update="$drive/Update"
mkdir -p "$update/package/server" "$update/package/tools" "$update/package/web/bin"
cp -r "$package/package/." "$update/package/"
cp "$server_v2" "$update/package/server/Qelsrv.exe"
cp "$probe_new" "$update/package/tools/TavCheck.exe"
cp "$probe_new" "$update/package/resources/TavResources.dll"
cp "$probe_new" "$update/package/web/bin/TavWebClient.dll"
cp "$certhlp_dll" "$update/package/TavCertHlp.dll"
cp "$package/config.xml" "$update/config.xml"
cp "$wizard_exe" "$update/TavUpdateWizard.exe"
cp "$resources/TavLang.Xml" "$update/TavLang.Xml"

declare -A before
while IFS= read -r -d '' file; do
    before[$file]=$(version_or_md5 "$file")
done < <(find "$server" -type f \( -name '*.exe' -o -name '*.dll' -o -name '*.asp' -o -name '*.xml' -o -name '*.rpt' \) \
         -not -path '*/Client/*' -print0)

stage "starting the services TavSvc and W3SVC"
wine sc create TavSvc binPath= 'C:\TavServer\Qelsrv.exe' >/dev/null
wine sc create W3SVC binPath= 'C:\windows\system32\inetsrv\w3svc-demo.exe' >/dev/null
wine sc start TavSvc >/dev/null
wine sc start W3SVC >/dev/null
for service in TavSvc W3SVC; do
    for _ in $(seq 100); do wine sc query $service | grep -q RUNNING && break; sleep 0.1; done
    expect "$service runs before the update" "$(wine sc query $service | grep -c RUNNING)" 1
done

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
driver answer 6 >/dev/null || fail "no Yes on the final question"
sleep 1
shot 6-running
driver wait-text --dialog 1005 1000 "$(lang 53036)" 180000 >/dev/null || fail "the run did not end"
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
reg_value() {  # KEY VALUE VIEW
    wine reg query "$1" /v "$2" /reg:"$3" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { print $3 }'
}
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
expect "Qelsrv.exe is the new version" "$(version_or_md5 "$server/Qelsrv.exe")" "1.2.3.1000"
expect "the backup holds the old Qelsrv.exe" "$(cmp -s "$backup/server/Qelsrv.exe" "$server_v1"; echo $?)" 0
expect "delivered page replaced" "$(cmp -s "$server/Web/wbclient/default.asp" "$package/package/web/default.asp"; echo $?)" 0
expect "changed page replaced too" "$(cmp -s "$server/Web/wbclient/status.asp" "$package/package/web/status.asp"; echo $?)" 0
expect "changed page kept in _todo" "$(grep -c 'Help desk' "$server/_todo/web/status.asp" 2>/dev/null)" 1
expect "delivered page not kept" "$(test -e "$server/_todo/web/default.asp"; echo $?)" 1
expect "resources replaced" "$(cmp -s "$server/JobTickets/JobTicketDefaults.xml" "$package/package/resources/JobTicketDefaults.xml"; echo $?)" 0
expect "report replaced" "$(cmp -s "$server/Reports/JobReport.rpt" "$package/package/resources/JobReport.rpt"; echo $?)" 0
expect "ForceHttps" "$(reg_value 'HKLM\SOFTWARE\Kelmark\Tav\TavTcpServer' ForceHttps 32)" 0x1
expect "HttpsPort" "$(reg_value 'HKLM\SOFTWARE\Kelmark\Tav\TavTcpServer' HttpsPort 32)" 0x20fb
expect "RequireHttps" "$(reg_value 'HKLM\SOFTWARE\Kelmark\Tav\TavWeb' RequireHttps 32)" 0x1
tools=$(tr -d '\r' <"$drive/tools.log" 2>/dev/null)
expect_match "virtual directory created" "$tools" 'CrtVDir.exe" CA w3svc/1/root/wbclient OOP'
expect_match "application pool" "$tools" 'add apppool /name:"AspNetCoreWorkerPool"'
expect_match "SSL required" "$tools" 'adsutil.vbs" set w3svc/1/root/wbserver/AccessSSL True'
expect_match "anonymous access off" "$tools" 'adsutil.vbs" set w3svc/1/root/wbserver/AuthAnonymous False'
expect "redirect page copied" "$(cmp -s "$server/WebAnon/redirect403_4.asp" "$package/package/redirect403_4.asp"; echo $?)" 0
expect_match "readme opened" "$tools" 'ReadMe\\readme.html'
expect_match "certificate created" "$(cat "$drive/certhlp.log" 2>/dev/null)" CreateSelfSignedCertificateInStore
expect_match "log: TavSvc stopped" "$log" "$(lang 53078).*tavsvc"
expect_match "log: W3SVC started" "$log" "$(lang 53086).*w3svc"
expect_match "log ends with success" "$(tail -n1 <<<"$log")" "$(lang 53038)\$"
for service in TavSvc W3SVC; do
    expect "$service runs after the update" "$(wine sc query $service | grep -c RUNNING)" 1
done
for n in 1-welcome 2-licence 3-summary 4-settings 5-final-question 7-done; do
    [ -s "$screenshots/$n.png" ] || fail "no screenshot $n"
done

echo "demo: $checks checks, $failures failed"
[ "$failures" -eq 0 ]
