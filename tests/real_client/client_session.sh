# shellcheck shell=bash
# Sourced by the real-client tests: a work directory, a client run under the
# boinc account that Debian's package creates, the checks' polling and failure
# report, and the clean-up of every process a test starts.
# The caller sets `build` and defines no EXIT trap of its own.

source "$(dirname "${BASH_SOURCE[0]}")/boinc_client.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/real_part.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/polling.sh"

client_pid=""
app_pid=""
rpc_port=""
zf_session_pids=()

# open_session: checks the real parts every real-client test needs and makes
# the work directory, traversable by the client's and the desktop's accounts.
open_session() {
    local tool
    for tool in boinc boinccmd setpriv; do
        command -v "$tool" >/dev/null || missing_real_part "no $tool (Debian's boinc-client, util-linux)"
    done
    id boinc >/dev/null 2>&1 || missing_real_part "no boinc account (Debian's boinc-client creates it)"
    [ "$(id -u)" = 0 ] || missing_real_part "only root can run the client under the boinc account"
    work=$(mktemp -d "${TMPDIR:-/tmp}/zf_real_client.XXXXXX")
    chmod 755 "$work"
    data="$work/boinc"
    project_dir="$data/projects/$zf_project_dir_name"
    slot="$data/slots/0"
    trap close_session EXIT
}

# session_owns PID: a process that close_session ends.
session_owns() { zf_session_pids+=("$1"); }

close_session() {
    local pid
    # Disowned first, so that bash does not report each as killed.
    disown -a 2>/dev/null || true
    for pid in "$client_pid" "$app_pid" "${zf_session_pids[@]}"; do
        if [ -n "$pid" ]; then kill -9 "$pid" 2>/dev/null || true; fi
    done
    # Ended, not killed outright, so that each takes its display's lock with it.
    if declare -F stop_all_xvfb >/dev/null; then stop_all_xvfb; fi
    if [ -n "${ZF_KEEP_WORK:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}

fail() {
    echo "FAIL: $*" >&2
    {
        echo "--- client messages"
        rpc --get_messages 0 | tail -n 30 || tail -n 30 "$work/client.log"
        echo "--- tasks"
        rpc --get_tasks
        echo "--- slot stderr.txt"
        cat "$slot/stderr.txt"
        echo "--- graphics app"
        cat "$work/graphics_app.log"
    } >&2 2>/dev/null || true
    exit 1
}

step() { echo "$(date +%T) $*"; }

# install_bundle: the application version, exactly as installed.
install_bundle() {
    cmake --install "$build" --prefix "$work/bundle" >"$work/install.log" 2>&1 ||
        fail "cmake --install failed: $(cat "$work/install.log")"
}

# hand_data_to_client: after write_client_state, gives the data directory to
# the client's account, the slot with the mode the client gives its slots.
hand_data_to_client() {
    chown -R boinc:boinc "$data"
    chmod 771 "$slot"
}

rpc() { boinccmd --host "localhost:$rpc_port" --passwd "$zf_rpc_password" "$@"; }

# task_field NAME: the field of our task in "boinccmd --get_tasks".
task_field() { rpc --get_tasks 2>/dev/null | sed -n "s/^ *$1: //p" | head -n 1; }

# start_client [PORT]: the client under the boinc account, as Debian's service
# runs it; its GUI RPC on PORT (default: a free one).
start_client() {
    rpc_port=${1:-$(free_tcp_port)}
    stdbuf -oL setpriv --reuid boinc --regid boinc --init-groups \
        boinc --dir "$data" --gui_rpc_port "$rpc_port" --no_info_fetch >>"$work/client.log" 2>&1 &
    client_pid=$!
}

# stop_client: quits the client; the program must leave on the client's
# request, well before the client would kill it (after about 60 s).
stop_client() {
    rpc --quit >/dev/null 2>&1 || true
    wait_until 20 "the program to end on the client's quit request" app_ended
    wait_until 60 "the client to exit" client_gone
    wait "$client_pid" 2>/dev/null || true
    client_pid=""
    app_pid=""
}
client_gone() { ! kill -0 "$client_pid" 2>/dev/null; }
app_ended() { process_gone "$app_pid"; }

# process_gone PID: ended; an ended process stays a zombie until its parent
# collects it.
process_gone() {
    local state
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
    [ -z "$state" ] || [ "$state" = Z ]
}

process_uid() { awk '/^Uid:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

app_running() {
    [ "$(task_field active_task_state)" = EXECUTING ] || return 1
    app_pid=$(task_field PID)
    [ -n "$app_pid" ] && [ "$app_pid" != 0 ] && kill -0 "$app_pid" 2>/dev/null
}

task_finished() { [ -n "$(task_field exit_status)" ]; }
