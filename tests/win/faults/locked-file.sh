#!/usr/bin/env bash
# Fault scenario under Wine: another program holds one of the files to replace open without
# sharing and lets go only after the wizard found it locked. The wizard waits for it, pausing
# between its attempts, and the run succeeds: both files new, both old ones in the backup,
# the service running again. Command line: see fault-lib.sh.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/fault-lib.sh"

fault_begin
stage_server
data_file TavCore.dat 30000 40000
write_package TavSvc
cp "$holder_exe" "$drive/holder.exe"

start_wizard
walk_to_final_question

step "another program holds C:\\TavServer\\TavCore.dat"
wine 'C:\holder.exe' 'C:\TavServer\TavCore.dat' 'C:\release-holder' 120 >"$work/holder.log" 2>&1 &
for _ in $(seq 100); do grep -q held "$work/holder.log" && break; sleep 0.1; done
expect "the file is held" "$(tr -d '\r' <"$work/holder.log" | head -n1)" "held"

start_run
core='C:\TAVSERVER\TavCore.dat'
for _ in $(seq 300); do [ -n "$(log_lines 53097 "$core")" ] && break; sleep 0.1; done
[ -n "$(log_lines 53097 "$core")" ] || fail "the wizard did not come to checking TavCore.dat"
# The first attempt has failed by now; the next comes after a pause of five seconds.
sleep 1
[ -n "$(log_lines 53098 "$core")" ] && fail "TavCore.dat counted as writable while it was held"
touch "$drive/release-holder"
wait_for_run_end 90
for _ in $(seq 50); do grep -q released "$work/holder.log" && break; sleep 0.1; done
expect "the holder let go" "$(tr -d '\r' <"$work/holder.log" | sed -n 2p)" "released"

step "the last page and the result log"
expect_outcome success
expect_logged "TavCore.dat checked" 53097 "$core"
expect_logged "TavCore.dat writable" 53098 "$core"
expect_not_logged "TavCore.dat never reported locked" 53099 "$core"
waited=$(log_gap 53097 "$core" 53098 "$core")
# At least one pause of five seconds, and no more than two.
expect_between "seconds waited for TavCore.dat" "$waited" 4.9 11
expect_logged "service stopped" 53078 tavsvc
expect_logged "service started" 53086 tavsvc
expect_logged "files replaced" 53131
close_wizard

step "the server after the update"
expect_same_file "Qelsrv.exe replaced" "$server/Qelsrv.exe" "$service_v2"
expect_same_file "TavCore.dat replaced" "$server/TavCore.dat" "$work/new/TavCore.dat"
backup=$(backup_folder)
expect_same_file "old Qelsrv.exe in the backup" "$backup/server/Qelsrv.exe" "$service_v1"
expect_same_file "old TavCore.dat in the backup" "$backup/server/TavCore.dat" "$work/old/TavCore.dat"
expect "service running" "$(sc_state TavSvc)" "RUNNING"
expect "version after" "$(version_of 'C:\TavServer\Qelsrv.exe')" "1.2.3.1000"

fault_end "locked file"
