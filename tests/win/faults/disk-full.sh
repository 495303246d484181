#!/usr/bin/env bash
# Fault scenario under Wine: the install folder lives on a small file system with room for
# the installed files but not for the new ones beside them. The run finds that out while the
# service still runs: it fails before anything is stopped or replaced, leaves nothing staged,
# and the wizard reports the failure. Needs root to mount the small file system (exit 77,
# skipped, otherwise). Command line: see fault-lib.sh.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/fault-lib.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "disk full: needs root to mount a small file system; skipped"
    exit 77
fi
unmount_server() {
    mountpoint -q "$server" || return 0
    [ -n "${TAV_FAULT_KEEP:-}" ] && cp -a "$server" "$work/TavServer-kept"
    umount "$server" || umount -l "$server"
}
fault_cleanup_hooks+=(unmount_server)

fault_begin
# Room for the installed files, the new Qelsrv.exe beside the old one, the copy of the package
# description and language file kept with the backup and the result log, but not for the new
# TavData.bin.
kb_of() { echo $(( ($(stat -c %s "$1") + 4095) / 4096 * 4 )); }
size_kb=$(( $(kb_of "$service_v1") * 3 + $(kb_of "$resources/TavLang.Xml") + 48 + 256 ))
mount -t tmpfs -o "size=${size_kb}k" tavfull "$server" || { fail "cannot mount a file system"; exit 1; }
step "C:\\TavServer on a file system of $size_kb KB"
stage_server
data_file TavData.bin 8000 $(((size_kb + 1024) * 1024))
data_file TavExtra.dat 6000 7000
write_package TavSvc
echo "free before the run: $(df -k --output=avail "$server" | tail -n1) KB"

start_wizard
walk_to_final_question
start_run
wait_for_run_end 90
echo "free after the run: $(df -k --output=avail "$server" | tail -n1) KB"

step "the last page and the result log"
expect_outcome failure
expect_logged "no room for the new files" 53049
expect_not_logged "the service was never stopped" 53078 tavsvc
expect_not_logged "no file was replaced" 53137
expect_logged "update not installed" 53132
close_wizard

step "the server after the failed run"
expect_same_file "Qelsrv.exe as it was" "$server/Qelsrv.exe" "$service_v1"
for name in TavData.bin TavExtra.dat; do
    expect_same_file "$name as it was" "$server/$name" "$work/old/$name"
done
expect "nothing staged or set aside is left" \
    "$(cd "$server" && ls -a | grep -E '[.](old|tup~new)$')" ""
backup=$(backup_folder)
expect "the backup folder holds only the run's own files" \
    "$(cd "$backup" && find . -type f ! -path './_wizard/*' | sort | tr '\n' ' ')" "./_log.csv "
expect "service running" "$(sc_state TavSvc)" "RUNNING"
expect "version after" "$(version_of 'C:\TavServer\Qelsrv.exe')" "1.2.3.4"

fault_end "disk full"
