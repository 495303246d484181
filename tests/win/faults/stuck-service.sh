#!/usr/bin/env bash
# Fault scenario under Wine: the server service answers a stop request with "stop pending" and
# runs on. The wizard waits its sixty seconds, ends the service's process, replaces the file
# and starts the service again; the run succeeds. Command line: see fault-lib.sh.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/fault-lib.sh"

fault_begin
stage_server --ignore-stop
write_package TavSvc
stuck_pid=$(prefix_pids 'Qelsrv[.]exe --ignore-stop' | head -n1)
[ -n "$stuck_pid" ] || fail "no process of the service"

start_wizard
walk_to_final_question
start_run
wait_for_run_end 180

step "the last page and the result log"
expect_outcome success
expect_logged "stopping the service" 53077 tavsvc
expect_logged "service stopped in the end" 53078 tavsvc
expect_not_logged "no retry question" 53333 '"Retry"'
# 240 polls of 250 ms, then the process is ended and the wizard waits two more seconds.
expect_between "seconds until the service counted as stopped" "$(log_gap 53077 tavsvc 53078 tavsvc)" 61.5 75
expect_logged "service started" 53086 tavsvc
expect_logged "files replaced" 53131
close_wizard

step "the server after the update"
checks=$((checks + 1))
kill -0 "$stuck_pid" 2>/dev/null && fail "the service's old process $stuck_pid still runs"
expect_same_file "Qelsrv.exe replaced" "$server/Qelsrv.exe" "$service_v2"
expect_same_file "old Qelsrv.exe in the backup" "$(backup_folder)/server/Qelsrv.exe" "$service_v1"
expect "service running" "$(sc_state TavSvc)" "RUNNING"
expect "version after" "$(version_of 'C:\TavServer\Qelsrv.exe')" "1.2.3.1000"
checks=$((checks + 1))
[ -n "$(prefix_pids 'Qelsrv[.]exe --ignore-stop')" ] || fail "no new process of the service"

fault_end "stuck service"
