#!/usr/bin/env bash
# Fault scenario under Wine: a second service of the package, TavAux, cannot start again after
# the file phase. The wizard asks whether to retry: Retry once (another start that fails), then
# Cancel; it says that further failures are given up, starts the server service and reports
# the run as failed. The files stay replaced with the old ones in the backup. Command line: see
# fault-lib.sh.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/fault-lib.sh"

fault_begin
stage_server
cp "$service_v1" "$server/TavAux.exe"
# TavAux cannot start while this file exists.
mkdir -p "$drive/TavTest"
wine sc create TavAux binPath= 'C:\TavServer\TavAux.exe --fail-start-when C:\TavTest\aux-fails' >/dev/null
wine sc start TavAux >/dev/null
wait_state TavAux RUNNING 10 || fail "TavAux did not start before the update"
write_package TavSvc TavAux

start_wizard
walk_to_final_question
touch "$drive/TavTest/aux-fails"
start_run

# A start polls the service for sixty seconds before it counts as failed.
ask_start_retry() {  # ANSWER_ID ANSWER_NAME
    local box
    box=$(driver msgbox 100000)
    [ -n "$box" ] || { fail "no start retry question before the $2"; exit 1; }
    expect "retry caption before the $2" "$(sed -n 1p <<<"$box")" "$(lang 53331)"
    expect "retry text before the $2" "$(sed -n 2,4p <<<"$box" | tr '\n' '|')" "$(lang 53332)||TavAux|"
    driver answer "$1" >/dev/null || fail "the retry question has no $2 button"
}
step "the first start of TavAux fails: Retry"
ask_start_retry 4 Retry
step "the second start fails too: Cancel"
ask_start_retry 2 Cancel
box=$(driver msgbox 10000)
expect "given-up caption" "$(sed -n 1p <<<"$box")" "$(lang 53008)"
expect "given-up text" "$(sed -n 2p <<<"$box")" "$(lang 53334)"
driver answer 1 >/dev/null || fail "the given-up message has no OK button"
wait_for_run_end 60

step "the last page and the result log"
expect_outcome failure
expect_logged "TavAux stopped" 53078 TavAux
expect_logged "starting TavAux" 53085 TavAux
expect_logged "Retry answered" 53333 '"Retry"'
expect_logged "Cancel answered" 53333 '"Cancel"'
expect_logged "TavAux given up" 53087 TavAux
expect_logged "services not started" 53084
expect_logged "the server service started after it" 53086 tavsvc
expect_logged "files replaced" 53131
expect_not_logged "no executables launched after the failure" 53160
expect_between "seconds until the first question" "$(log_gap 53085 TavAux 53333 '"Retry"')" 59.5 75
expect_between "seconds from Retry to Cancel" "$(log_gap 53333 '"Retry"' 53333 '"Cancel"')" 59.5 75
close_wizard

step "the server after the update"
expect_same_file "Qelsrv.exe replaced" "$server/Qelsrv.exe" "$service_v2"
expect_same_file "old Qelsrv.exe in the backup" "$(backup_folder)/server/Qelsrv.exe" "$service_v1"
expect "server service running" "$(sc_state TavSvc)" "RUNNING"
expect "TavAux stopped" "$(sc_state TavAux)" "STOPPED"
rm "$drive/TavTest/aux-fails"
wine sc start TavAux >/dev/null
wait_state TavAux RUNNING 10
expect "TavAux starts once it can" "$(sc_state TavAux)" "RUNNING"

fault_end "failed start"
