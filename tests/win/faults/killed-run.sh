#!/usr/bin/env bash
# Fault scenario under Wine: the wizard's process is killed in the middle of the file phase.
# Every installed file is then the old one, the new one, or gone with the old one beside it
# under ".old" (never missing or half written), and the backup folder holds the old version
# of every file replaced so far. tavpkg restore with that backup folder then puts every file
# back byte for byte as it was before the update. Command line: see fault-lib.sh.
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
kill -9 "$pid" || { fail "no wizard process to kill"; exit 1; }
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
step "killed after $(result_log | grep -cF -- "$updated_text") files were logged as updated"
expect_not_logged "the file phase had not ended" 53131
checks=$((checks + 1))
[ -z "$(wizard_process)" ] || fail "the wizard still runs"

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
wine "$tavpkg_exe" restore "C:\\TavServer\\_TupBkp\\$(basename "$backup")" >"$work/restore.log" 2>&1
expect "restore exit code" "$?" "0"
tr -d '\r' <"$work/restore.log" | tail -n 3
for name in "${names[@]}"; do
    expect_same_file "$name restored" "$server/$name" "$work/old/$name"
done
expect "nothing staged or set aside is left" \
    "$(cd "$server" && ls -a | grep -E '[.](old|tup~new)$')" ""
expect "version after the restore" "$(version_of 'C:\TavServer\Qelsrv.exe')" "1.2.3.4"
[ "$(sc_state TavSvc)" == RUNNING ] || wine sc start TavSvc >/dev/null
wait_state TavSvc RUNNING 10
expect "service running on the restored program" "$(sc_state TavSvc)" "RUNNING"

fault_end "killed run"
