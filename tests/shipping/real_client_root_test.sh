#!/usr/bin/env bash
# The packaged x86_64 version under the real BOINC client of a clean Debian 12
# root (boinc-client, libc and the desktop's GL, no BOINC library of the
# build's, no freeglut, GLU or libjpeg): the client starts the task from the
# project directory, under its own account, and the task runs to its end.
# Usage: real_client_root_test.sh BUILD_DIR PACKAGE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/host_run.sh"
source "$here/../support/real_part.sh"
source "$here/../real_client/boinc_client.sh"
build=$(realpath "$1")
package=$(realpath "$2")

[ "$(id -u)" = 0 ] || missing_real_part "only root can run a client in a clean root"
command -v boinccmd >/dev/null || missing_real_part "no boinccmd (Debian's boinc-client)"
root=$("$here/../../scripts/release/host_roots.sh" debian12-client | awk '{ print $2 }') ||
    missing_real_part "cannot make the clean Debian 12 root (debootstrap, Debian's archive)"

work=$(mktemp -d "$build/clean_client.XXXXXX")
chmod 755 "$work"
client_pid=""
cleanup() {
    [ -z "$client_pid" ] || kill -9 "$client_pid" 2>/dev/null || true
    if [ -n "${ZF_KEEP_WORK:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
data="$work/boinc"
slot="$data/slots/0"

rpc() { boinccmd --host "localhost:$rpc_port" --passwd "$zf_rpc_password" "$@"; }
task_field() { rpc --get_tasks 2>/dev/null | sed -n "s/^ *$1: //p" | head -n 1; }
fail() {
    echo "FAIL: $*" >&2
    { echo "--- client"; tail -n 30 "$work/client.log"; echo "--- slot stderr.txt"; cat "$slot/stderr.txt"; } >&2 2>/dev/null || true
    exit 1
}
task_finished() { [ -n "$(task_field exit_status)" ]; }
client_gone() { ! kill -0 "$client_pid" 2>/dev/null; }

echo "$(date +%T) the client in the clean root runs the packaged version's task to its end"
install_anonymous_version "$data" "$package/anonymous_platform"
# Close to the limit for a task without graphics, so that it ends in seconds.
write_client_state "$data" 119
ZF_BIND="$work:$work" in_root "$root" chown -R boinc:boinc "$data"
chmod 771 "$slot"
rpc_port=$(free_tcp_port)
ZF_BIND="$work:$work" exec_in_root "$root" setpriv --reuid boinc --regid boinc --init-groups \
    boinc --dir "$data" --gui_rpc_port "$rpc_port" --no_info_fetch >"$work/client.log" 2>&1 &
client_pid=$!
wait_until 180 "the task to finish" task_finished
[ "$(task_field exit_status)" = 0 ] || fail "the task ended with exit status $(task_field exit_status)"
# The client clears the slot of a finished task; the output file stays in the
# project directory, waiting for its upload.
output="$data/projects/$zf_project_dir_name/$zf_output_name"
grep -q "Hello, BOINC World!" "$output" 2>/dev/null || fail "the task's output file lacks the job's output"
grep -q "User: $zf_user_name" "$output" || fail "the task's output file lacks the account's details"
rpc --quit >/dev/null 2>&1 || true
wait_until 60 "the client to exit" client_gone
client_pid=""
echo "$(date +%T) passed"
