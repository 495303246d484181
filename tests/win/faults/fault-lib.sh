# Shared pieces of the fault scenarios under Wine, sourced by their scripts: a fresh prefix with
# a staged server (the test service as "TavSvc" from C:\TavServer), a package in C:\Update, the
# real wizard walked up to its run, and checks of what the run left behind. Every scenario
# script takes the same command line:
#   SCENARIO.sh TavUpdateWizard.exe uidriver.exe tavpkg.exe SERVER_V1.exe SERVER_V2.exe \
#               KEEPER.exe RESOURCES_FOLDER FILE_HOLDER.exe
# TAV_FAULT_KEEP=1 keeps the prefix and the logs for a look afterwards.

wizard_exe=$1 driver_exe=$2 tavpkg_exe=$3 service_v1=$4 service_v2=$5 keeper_exe=$6
resources=$(cd "$7" && pwd)
holder_exe=$8
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

if ! command -v Xvfb >/dev/null || ! command -v wine >/dev/null; then
    "$repo/scripts/setup.sh" >&2
fi

source "$repo/tests/win/uidriver/ui-test-lib.sh"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
drive="$WINEPREFIX/drive_c"
server="$drive/TavServer"
desktop="tavfault$$"
xvfb_pid=""
wizard_pid=""
started_at=$(date +%s)
# Scenario clean-up that must run before the prefix goes (unmounting, say).
fault_cleanup_hooks=()

cleanup() {
    [ -n "$wizard_pid" ] && kill "$wizard_pid" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if [ "$failures" -gt 0 ] && [ -s "$work/wizard.log" ]; then
        echo "--- the wizard's output:"
        tail -n 30 "$work/wizard.log"
    fi
    if [ "$failures" -gt 0 ] && [ -n "$(backup_folder)" ] && [ -s "$(backup_folder)/_log.csv" ]; then
        echo "--- the end of the result log:"
        tr -d '\r' <"$(backup_folder)/_log.csv" | tail -n 25
    fi
    local hook
    for hook in "${fault_cleanup_hooks[@]}"; do "$hook"; done
    if [ -n "${TAV_FAULT_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

step() { echo "== [$(($(date +%s) - started_at)) s] $*"; }

driver() { wine "$driver_exe" --desktop "$desktop" "$@" 2>>"$work/driver.log" | tr -d '\r'; }
text_of() { driver text --dialog "$1" "$2"; }
# A text of the language file in English, as the wizard writes it into the result log; the
# texts are read once per id.
declare -A text_cache
lang() {
    local key="$1:${2:-EN}"
    if [ -z "${text_cache[$key]+set}" ]; then
        text_cache[$key]=$(wine "$tavpkg_exe" text "$1" "${2:-EN}" --folder 'C:\Update' 2>/dev/null |
                           tr -d '\r')
    fi
    printf '%s' "${text_cache[$key]}"
}
sc_state() {  # SERVICE: the state word of "sc query", e.g. RUNNING or STOPPED
    wine sc query "$1" 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" { print $4 }'
}
wait_state() {  # SERVICE STATE SECONDS
    local i
    for i in $(seq $(($3 * 10))); do [ "$(sc_state "$1")" == "$2" ] && return 0; sleep 0.1; done
    return 1
}
version_of() { wine "$tavpkg_exe" version "$1" | tr -d '\r'; }

# A fresh prefix and an X server of the test's own.
fault_begin() {
    start_xvfb "$work"
    step "a fresh Wine prefix"
    wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
    wineserver -w
    mkdir -p "$server" "$drive/Update/package/server"
    # Wine ends the session, services too, once no program has run for a few seconds (while a
    # scenario writes its files, say), and when the last program of a desktop goes: the keeper
    # holds the wizard's desktop open from here on.
    cp "$keeper_exe" "$drive/keeper.exe"
    wine explorer "/desktop=$desktop,1024x768" 'C:\keeper.exe' >/dev/null 2>&1 &
}

# The package: one module updater whose files and services the scenario adds, then writes.
package_files=""
package_file_count=0
package_file() {  # PACKAGE_NAME INSTALLED_NAME VERSION_CHECK_TYPE [UPDATE_CHECK_TYPE]
    package_files+="          <ITEM key=\"File$package_file_count\" type=\"OCContainer\">
            <ITEM key=\"UpdatePackageFile\" type=\"OCString\">$1</ITEM>
            <ITEM key=\"InstallationFile\" type=\"OCString\">[\$TN_INSTALL_PATH]$2</ITEM>
            <ITEM key=\"ExistenceCheckType\" type=\"OCUnsignedLong\">2</ITEM>
            <ITEM key=\"VersionCheckType\" type=\"OCUnsignedLong\">$3</ITEM>
            <ITEM key=\"UpdateCheckType\" type=\"OCUnsignedLong\">${4:-1}</ITEM>
          </ITEM>
"
    package_file_count=$((package_file_count + 1))
}
write_package() {  # SERVICE...
    local services="" i=0 name
    for name in "$@"; do
        services+="          <ITEM key=\"$i\" type=\"OCStringListItem\">$name</ITEM>
"
        i=$((i + 1))
    done
    cat >"$drive/Update/config.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<CONFIG>
  <ITEM key="RequiredDiskspaceMB" type="OCUnsignedLong">0</ITEM>
  <ITEM key="Tarnova_Update" type="OCContainer">
    <ITEM key="ComponentName" type="OCString">Faults</ITEM>
    <ITEM key="Updaters" type="OCContainer">
      <ITEM key="Updater0" type="OCContainer">
        <ITEM key="ClassType" type="OCString">CTupModuleUpdater</ITEM>
        <ITEM key="AffectedServices" type="OCStringList">
$services        </ITEM>
        <ITEM key="Files" type="OCContainer">
$package_files        </ITEM>
      </ITEM>
    </ITEM>
  </ITEM>
</CONFIG>
EOF
}

# The server: Qelsrv.exe 1.2.3.4 running as TavSvc (with ARGUMENTS after its path), the wizard
# and its language file in C:\Update, and Qelsrv.exe 1.2.3.1000 as the package's first file.
stage_server() {  # [ARGUMENTS]
    step "staging the server: C:\\TavServer\\Qelsrv.exe 1.2.3.4 running as TavSvc"
    cp "$service_v1" "$server/Qelsrv.exe"
    cp "$service_v2" "$drive/Update/package/server/Qelsrv.exe"
    cp "$wizard_exe" "$drive/Update/TavUpdateWizard.exe"
    cp "$resources/TavLang.Xml" "$drive/Update/TavLang.Xml"
    package_file 'server\Qelsrv.exe' Qelsrv.exe 1
    wine sc create TavSvc binPath= "C:\\TavServer\\Qelsrv.exe${1:+ $1}" >/dev/null
    wine sc start TavSvc >/dev/null
    wait_state TavSvc RUNNING 10 || fail "TavSvc did not start before the update"
    expect "version before" "$(version_of 'C:\TavServer\Qelsrv.exe')" "1.2.3.4"
}

# A data file of the package: OLD_BYTES installed under C:\TavServer\NAME, NEW_BYTES in the
# package's server folder; both kept under $work/old and $work/new for comparisons.
data_file() {  # NAME OLD_BYTES NEW_BYTES [VERSION_CHECK_TYPE [UPDATE_CHECK_TYPE]]
    mkdir -p "$work/old" "$work/new"
    head -c "$2" /dev/urandom >"$work/old/$1"
    head -c "$3" /dev/urandom >"$work/new/$1"
    cp "$work/old/$1" "$server/$1"
    cp "$work/new/$1" "$drive/Update/package/server/$1"
    package_file "server\\$1" "$1" "${4:-0}" "${5:-1}"
}

# The wizard runs in the keeper's desktop.
start_wizard() {
    (cd "$drive/Update" && exec wine explorer "/desktop=$desktop,1024x768" TavUpdateWizard.exe) \
        >"$work/wizard.log" 2>&1 &
    wizard_pid=$!
}
# Unix pids of this prefix's processes whose command line matches; other tests and other
# people run Wine programs of the same names at the same time.
prefix_pids() {  # EXTENDED_REGEX
    local pid
    for pid in $(pgrep -f "$1"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
            echo "$pid"
    done
}
wizard_process() {  # the Unix pid of the wizard's Windows process, not of its launcher
    prefix_pids '(^|[\\])TavUpdateWizard[.]exe' | head -n1
}
wizard_ended() {  # waits up to 20 s for the wizard's process to end
    for _ in $(seq 200); do
        [ -z "$(wizard_process)" ] && return 0
        sleep 0.1
    done
    return 1
}

# From the first page to the final question, which is left open for the scenario to answer.
walk_to_final_question() {
    step "the wizard: language, licence, summary"
    driver wait-dialog 1005 30000 >/dev/null || { fail "the wizard did not appear"; exit 1; }
    driver click --dialog 1005 1000 >/dev/null
    driver wait-text --dialog 1005 1007 "$(lang 53011)" 5000 >/dev/null || fail "no licence page"
    driver click --dialog 1005 1000 >/dev/null
    driver wait-text --dialog 1005 1007 "$(lang 53017)" 5000 >/dev/null || fail "no summary page"
    driver click --dialog 1005 1000 >/dev/null
    local box
    box=$(driver msgbox 5000)
    expect "final question" "$(sed -n 2p <<<"$box")" "$(lang 53010)"
}
start_run() {
    step "the run"
    driver answer 6 >/dev/null || { fail "final question: no Yes"; exit 1; }
    run_started=$(date +%s)
}
wait_for_run_end() {  # SECONDS
    driver wait-text --dialog 1005 1000 "$(lang 53036)" $(($1 * 1000)) >/dev/null ||
        { fail "the run did not end within $1 s"; exit 1; }
    step "the run ended after $(($(date +%s) - run_started)) s"
}
# The last page after a run that succeeded or failed.
expect_outcome() {  # success|failure
    if [ "$1" == success ]; then
        expect "subtitle after the run" "$(text_of 1005 1008)" "$(lang 53029)"
        expect "note after the run" "$(text_of 1005 1021)" "$(lang 53034)"
        expect_match "result log ends with success" "$(tail -n1 <<<"$(result_log)")" "$(lang 53038)\$"
    else
        expect "subtitle after the run" "$(text_of 1005 1008)" "$(lang 53030)"
        expect "note after the run" "$(text_of 1005 1021)" "$(lang 53035)"
        expect_match "result log ends with failure" "$(tail -n1 <<<"$(result_log)")" "$(lang 53039)\$"
    fi
}
close_wizard() {
    driver click --dialog 1005 1000 >/dev/null
    wizard_ended && return
    fail "the wizard did not end after Finish"
    driver msgbox 1000 | sed 's/^/    message box: /'
    driver text --dialog 1005 1000 | sed 's/^/    button 1000: /'
}

# The last run's backup folder (their names begin with the run's time).
backup_folder() { ls -d "$server"/_TupBkp/*/ 2>/dev/null | tail -n1 | sed 's:/$::'; }
result_log() { local b; b=$(backup_folder); [ -n "$b" ] && tr -d '\r' <"$b/_log.csv" 2>/dev/null; }
# The result log's lines of a text, with an extra text that follows it, e.g. a file's path.
log_lines() {  # TEXT_ID [EXTRA]
    local text
    text="Faults: $(lang "$1")"
    [ -n "${2:-}" ] && text+=" $2"
    result_log | T="$text" awk '{ p = index($0, " - ;"); if (p && substr($0, p + 4) == ENVIRON["T"]) print }'
}
expect_logged() {  # NAME TEXT_ID [EXTRA]: exactly one such line
    checks=$((checks + 1))
    local n
    n=$(log_lines "$2" "${3:-}" | wc -l)
    [ "$n" -eq 1 ] || fail "$1: $n result log lines of $2 '$(lang "$2") ${3:-}', want 1"
}
expect_not_logged() {  # NAME TEXT_ID [EXTRA]
    checks=$((checks + 1))
    [ -z "$(log_lines "$2" "${3:-}")" ] || fail "$1: the result log holds $2 '$(lang "$2") ${3:-}'"
}
# Seconds (with milliseconds) of a result log line's time stamp.
log_seconds() {  # LINE
    local stamp=${1%% - *}
    printf '%s.%s\n' "$(date -u -d "${stamp%.*}" +%s)" "${stamp##*.}"
}
# Seconds between the first line of one text and the first line of another.
log_gap() {  # FROM_ID FROM_EXTRA TO_ID TO_EXTRA
    local from to
    from=$(log_lines "$1" "$2" | head -n1)
    to=$(log_lines "$3" "$4" | head -n1)
    [ -n "$from" ] && [ -n "$to" ] || { echo "-1"; return; }
    echo "$(log_seconds "$to") - $(log_seconds "$from")" | bc
}
expect_between() {  # NAME VALUE MIN MAX
    checks=$((checks + 1))
    [ "$(echo "$2 >= $3 && $2 <= $4" | bc)" == 1 ] || fail "$1: $2, want $3 to $4"
}
expect_same_file() {  # NAME FILE EXPECTED_FILE
    checks=$((checks + 1))
    cmp -s "$2" "$3" || fail "$1: $2 is not the same as $3"
}
expect_no_file() {  # NAME FILE
    checks=$((checks + 1))
    [ ! -e "$2" ] || fail "$1: $2 is there"
}

fault_end() {  # NAME
    echo "$1: $checks checks, $failures failed, $(($(date +%s) - started_at)) s"
    [ "$failures" -eq 0 ]
}
