#!/usr/bin/env bash
# Runs the installed application version as a task of Debian's BOINC client,
# with no project server, and checks what a volunteer's client relies on.
# Route "server" takes the files of the server's version directory and checks
# the slot set-up, progress reports, suspend and resume, a restart from the
# checkpoint and the finished output file; route "anonymous" takes the
# anonymous-platform files and checks that the client runs them to the end.
# Usage: real_client_test.sh BUILD_DIR server|anonymous
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/boinc_client.sh"
source "$here/../support/real_part.sh"
build=$1
route=$2

for tool in boinc boinccmd; do
    command -v "$tool" >/dev/null || missing_real_part "no $tool (Debian's boinc-client)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zf_real_client.XXXXXX")
data="$work/boinc"
project_dir="$data/projects/$zf_project_dir_name"
slot="$data/slots/0"
client_pid=""
app_pid=""

fail() {
    echo "FAIL: $*" >&2
    {
        echo "--- client messages"
        rpc --get_messages 0 | tail -n 30 || tail -n 30 "$work/client.log"
        echo "--- tasks"
        rpc --get_tasks
        echo "--- slot stderr.txt"
        cat "$slot/stderr.txt"
    } 2>/dev/null >&2 || true
    exit 1
}

step() { echo "$(date +%T) $*"; }

cleanup() {
    if [ -n "$client_pid" ]; then kill -9 "$client_pid" 2>/dev/null || true; fi
    if [ -n "$app_pid" ]; then kill -9 "$app_pid" 2>/dev/null || true; fi
    if [ -n "${ZF_KEEP_WORK:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

# wait_until SECONDS WHAT COMMAND...: polls COMMAND until it succeeds; the
# program runs at idle priority, so time-outs are generous.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || fail "timed out after ${seconds}s waiting for: $what"
        sleep 0.5
    done
}

rpc() { boinccmd --host "localhost:$rpc_port" --passwd "$zf_rpc_password" "$@"; }

# task_field NAME: the field of our task in "boinccmd --get_tasks".
task_field() { rpc --get_tasks 2>/dev/null | sed -n "s/^ *$1: //p" | head -n 1; }

start_client() {
    rpc_port=$(free_tcp_port)
    stdbuf -oL boinc --dir "$data" --gui_rpc_port "$rpc_port" --no_info_fetch >>"$work/client.log" 2>&1 &
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
# An ended program stays a zombie until the client collects it.
app_ended() {
    local state
    state=$(sed 's/.*) //' "/proc/$app_pid/stat" 2>/dev/null | cut -d' ' -f1)
    [ -z "$state" ] || [ "$state" = Z ]
}

app_running() {
    [ "$(task_field active_task_state)" = EXECUTING ] || return 1
    app_pid=$(task_field PID)
    [ -n "$app_pid" ] && [ "$app_pid" != 0 ] && kill -0 "$app_pid" 2>/dev/null
}

# worker_ticks: processor ticks of the program's busiest thread, the worker;
# the graphics thread keeps ticking over while the job is suspended.
worker_ticks() {
    local stat best=0 ticks
    for stat in /proc/"$app_pid"/task/*/stat; do
        ticks=$(sed 's/.*) //' "$stat" | awk '{ print $12 + $13 }') || continue
        ((ticks > best)) && best=$ticks
    done
    echo "$best"
}

ticks_hold_still() {
    local before
    before=$(worker_ticks)
    sleep 2
    [ "$(worker_ticks)" = "$before" ]
}

ticks_above() { (($(worker_ticks) > $1)); }

progress_above() {
    local fraction cpu
    fraction=$(task_field "fraction done")
    cpu=$(task_field "current CPU time")
    awk -v f="$fraction" -v c="$cpu" -v f0="$1" -v c0="$2" 'BEGIN { exit !(f > f0 && c > c0) }'
}

checkpoint_above_zero() {
    local pass
    pass=$(tr -dc 0-9 <"$slot/ckpt_state" 2>/dev/null) || return 1
    ((${pass:-0} > 0))
}

stderr_has() { grep -qF -- "$1" "$slot/stderr.txt" 2>/dev/null; }

task_suspended() { [ "$(task_field active_task_state)" = SUSPENDED ]; }

task_finished() { [ -n "$(task_field exit_status)" ]; }

init_value() { sed -n "s#.*<$1>\(.*\)</$1>.*#\1#p" "$slot/init_data.xml" | head -n 1; }

check_slot_set_up() {
    local f link
    for f in init_data.xml boinc_mmap_file out.txt QuenlartPoster3.jpg; do
        [ -e "$slot/$f" ] || fail "slot directory lacks $f"
    done
    link=$(sed -n 's#.*<soft_link>\(.*\)</soft_link>.*#\1#p' "$slot/out.txt")
    [ "$(realpath -m "$slot/$link")" = "$project_dir/$zf_output_name" ] ||
        fail "out.txt links to '$link', not to the project's output file"
    link=$(sed -n 's#.*<soft_link>\(.*\)</soft_link>.*#\1#p' "$slot/QuenlartPoster3.jpg")
    cmp -s "$slot/$link" "$(find "$work/bundle" -name 'QuenlartPoster3*' | head -n 1)" ||
        fail "QuenlartPoster3.jpg links to '$link', not to the shipped poster"
    [ "$(init_value shm_key)" = -1 ] || fail "the client did not hand the task its shared memory file"
    client_user=$(init_value user_name)
    client_project_dir=$(init_value project_dir)
    client_slot=$(init_value slot)
    if [ "$client_user" != "$zf_user_name" ] || [ "$client_project_dir" != "$project_dir" ] ||
        [ "$client_slot" != 0 ]; then
        fail "unexpected init data: $client_user, $client_project_dir, $client_slot"
    fi
}

check_progress_advances() {
    wait_until 60 "a first progress report" progress_above 0 "$prior_cpu"
    wait_until 120 "progress and processor time to advance" \
        progress_above "$(task_field "fraction done")" "$(task_field "current CPU time")"
}

check_suspend_and_resume() {
    local pid ticks_suspended
    rpc --task "$zf_master_url" "$zf_result_name" suspend
    wait_until 30 "the client to mark the task suspended" task_suspended
    app_pid=$(task_field PID)
    pid=$app_pid
    wait_until 30 "the worker to stop using the processor" ticks_hold_still
    kill -0 "$pid" 2>/dev/null || fail "suspend ended the program"
    ticks_suspended=$(worker_ticks)
    rpc --task "$zf_master_url" "$zf_result_name" resume
    wait_until 120 "the worker to use the processor again" ticks_above "$ticks_suspended"
    [ "$(task_field PID)" = "$pid" ] || fail "resume started another process"
}

check_restart_from_checkpoint() {
    local pid checkpoint
    wait_until 120 "a checkpoint past pass 0" checkpoint_above_zero
    pid=$app_pid
    stop_client
    checkpoint=$(tr -dc 0-9 <"$slot/ckpt_state")
    start_client
    wait_until 60 "the task to run again" app_running
    [ "$app_pid" != "$pid" ] || fail "the client did not start the program anew"
    wait_until 60 "the restart line" stderr_has "worker: restarting at $checkpoint "
    step "restarted at pass $checkpoint"
}

# check_output STARTS: the finished task's output file, written by STARTS starts.
check_output() {
    local starts=$1 output="$project_dir/$zf_output_name" greetings line
    [ "$(task_field exit_status)" = 0 ] || fail "exit status $(task_field exit_status)"
    rpc --get_tasks | grep -q "state: uploading" || fail "the result is not waiting for upload"
    [ -f "$output" ] || fail "no output file in the project directory"
    greetings=$(grep -c "^Hello, BOINC World!$" "$output" || true)
    [ "$greetings" = "$starts" ] || fail "expected a greeting from each of $starts starts, found $greetings"
    for line in "User: $client_user " "Project Dir: $client_project_dir " "Slot:  $client_slot " \
        "APP Name: $zf_app_name " "WU Name:  $zf_wu_name " " CPU is " "Blow me down!"; do
        grep -qF -- "$line" "$output" || fail "output file lacks '$line'"
    done
    tail -n 1 "$output" | grep -qx "Blow me down!" || fail "output file does not end with the closing line"
}

# The application version, exactly as installed.
cmake --install "$build" --prefix "$work/bundle" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
# The task starts with processor time already used, so that the job reaches
# its 120-second limit (it never shows graphics here) after 20 s of its own
# work on the full route, 5 s on the short one.
case $route in
server)
    prior_cpu=100
    install_server_version "$data" "$(dirname "$(find "$work/bundle/apps" -name version.xml)")"
    ;;
anonymous)
    prior_cpu=115
    install_anonymous_version "$data" "$work/bundle/anonymous_platform"
    ;;
*) fail "unknown route '$route'" ;;
esac
write_client_state "$data" "$prior_cpu"

step "the client starts the task in its slot directory"
start_client
wait_until 60 "the task to run" app_running
check_slot_set_up
starts=1
if [ "$route" = server ]; then
    step "progress and processor time reach the client, and advance"
    check_progress_advances
    step "suspend stops the program's processor use, resume restarts it"
    check_suspend_and_resume
    step "stopping the client and starting it again resumes from the checkpoint"
    check_restart_from_checkpoint
    starts=2
fi
step "the task ends computed, and its output reached the project directory"
wait_until 240 "the task to finish" task_finished
check_output "$starts"
stop_client
step "PASS: the $route route ran under the real client and ended with status 0"
