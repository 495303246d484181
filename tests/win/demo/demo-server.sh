# The demo's staged Tarnova server, shared by the scripts that update it (the demo's walk through
# the wizard, the unattended update): a fresh Wine prefix under Xvfb with the server installed,
# its product key, web pages, services and the stand-ins of the IIS tools and the certificate
# component, the update package in C:\Update, and the checks that an update did what it should.
# Sourced with build, package, resources and repo set as demo-update.sh sets them;
# the caller's output goes to $work/wizard.log, shown when a check failed.

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
reg_value() {  # KEY VALUE VIEW
    wine reg query "$1" /v "$2" /reg:"$3" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { print $3 }'
}
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

# What the demo's update must have done to the staged server, read back from the machine.
check_demo_update() {
    backup=$(ls -d "$server"/_TupBkp/*/ 2>/dev/null | head -n1)
    log=$(tr -d '\r' <"${backup}_log.csv" 2>/dev/null)
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
}
