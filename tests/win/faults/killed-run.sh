#!/usr/bin/env bash
# Fault scenario under Wine: the wizard's process is killed twice, each time followed by
# tavpkg restore. First while it stages the new files beside the installed ones: the service
# still runs, every installed file is the old one, and the restore removes what was staged.
# Then in the middle of the swaps, with the service down: every installed file is then the old
# one, the new one, or gone with the old one beside it under ".old" or already in the backup
# (never lost or half written), and the backup folder holds the old version of every file
# replaced so far. Each
# restore puts every file back byte for byte as it was before the update. Command line: see
# fault-lib.sh.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/fault-lib.sh"

files=240
fault_begin
stage_server
step "$files data files of 64 to 192 KB"
names=()
for i in $(seq -w 1 "$files"); do
    data_file "TavData$i.bin" $(( (64 + 10#$i % 3 * 64) * 1024 )) $(( (64 + 10#$i % 5 * 32) * 1024 ))
    names+=("TavData$i.bin")
done
write_package TavSvc
cp "$server/Qelsrv.exe" "$work/old/Qelsrv.exe"
cp "$service_v2" "$work/new/Qelsrv.exe"
names=(Qelsrv.exe "${names[@]}")

staged_count() { ls "$server" | grep -c '[.]tup~new$'; }
kill_wizard() {  # PID
    kill -9 "$1" || { fail "no wizard process to kill"; exit 1; }
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    checks=$((checks + 1))
    [ -z "$(wizard_process)" ] || fail "the wizard still runs"
}
restore_all() {  # NAME
    wine "$tavpkg_exe" restore "C:\\TavServer\\_TupBkp\\$(basename "$(backup_folder)")" >"$work/restore.log" 2>&1
    expect "$1: restore exit code" "$?" "0"
    tr -d '\r' <"$work/restore.log" | tail -n 2
    for name in "${names[@]}"; do
        expect_same_file "$1: $name as before" "$server/$name" "$work/old/$name"
    done
    expect "$1: nothing staged or set aside is left" \
        "$(cd "$server" && ls -a | grep -E '[.](old|tup~new)$')" ""
    [ "$(sc_state TavSvc)" == RUNNING ] || wine sc start TavSvc >/dev/null
    wait_state TavSvc RUNNING 10
}

start_wizard
walk_to_final_question
start_run
step "staging runs while the service runs: the wizard is killed once some new files are staged"
pid=$(wizard_process)
for _ in $(seq 3000); do
    [ "$(staged_count)" -ge 20 ] && break
    sleep 0.01
done
kill_wizard "$pid"
staged=$(staged_count)
step "killed with $staged new files staged"
checks=$((checks + 1))
[ "$staged" -ge 1 ] || fail "the kill did not land while files were staged"
expect "the service still runs" "$(sc_state TavSvc)" "RUNNING"
expect_not_logged "no service was stopped" 53078 tavsvc
for name in "${names[@]}"; do
    expect_same_file "$name untouched while staged" "$server/$name" "$work/old/$name"
done
restore_all "after the staging"

start_wizard
walk_to_final_question
start_run
step "the file phase runs: the wizard is killed once a few files are replaced"
updated_text="Faults: $(lang 53139) "
pid=$(wizard_process)
for _ in $(seq 2000); do
    [ "$(result_log | grep -cF -- "$updated_text")" -ge 12 ] && break
    sleep 0.01
done
kill_wizard "$pid"
step "killed after $(result_log | grep -cF -- "$updated_text") files were logged as updated"
expect_not_logged "the file phase had not ended" 53131

step "every installed file is old, new or old under .old"
backup=$(backup_folder)
replaced=0 untouched=0 aside=0
for name in "${names[@]}"; do
    installed="$server/$name" old="$work/old/$name"
    checks=$((checks + 1))
    if [ -e "$installed.old" ]; then
        cmp -s "$installed.old" "$old" || fail "$name.old is not the old $name"
        aside=$((aside + 1))
    fi
    if cmp -s "$installed" "$work/new/$name"; then
        replaced=$((replaced + 1))
    elif cmp -s "$installed" "$old"; then
        untouched=$((untouched + 1))
        continue
    elif [ ! -e "$installed" ] && [ -e "$installed.old" ]; then
        :
    elif [ ! -e "$installed" ] && cmp -s "$backup/server/$name" "$old"; then
        # In the middle of its swap: the old file already has its backup's name.
        aside=$((aside + 1))
    else
        fail "$name is missing or neither the old nor the new file"
        continue
    fi
    # Replaced, or on its way: the backup holds the old file.
    expect_same_file "backup of the replaced $name" "$backup/server/$name" "$old"
done
for logged in $(result_log | grep -F -- "$updated_text" | sed 's/.*\\//'); do
    checks=$((checks + 1))
    cmp -s "$server/$logged" "$work/new/$logged" || fail "$logged logged as updated but not new"
done
# A backup copy that is there is whole, also where its file was not replaced yet.
for name in "${names[@]}"; do
    [ -e "$backup/server/$name" ] || continue
    checks=$((checks + 1))
    cmp -s "$backup/server/$name" "$work/old/$name" || fail "the backup of $name is not the old file"
done
echo "replaced $replaced, untouched $untouched, set aside under .old $aside," \
     "staged copies left: $(ls "$server" | grep -c '[.]tup~new$')"
checks=$((checks + 1))
[ "$replaced" -ge 1 ] && [ "$untouched" -ge 1 ] || fail "the kill did not land in the middle of the file phase"

step "tavpkg restore puts every file back"
restore_all "after the swaps"
expect "version after the restore" "$(version_of 'C:\TavServer\Qelsrv.exe')" "1.2.3.4"
expect "service running on the restored program" "$(sc_state TavSvc)" "RUNNING"

fault_end "killed run"
