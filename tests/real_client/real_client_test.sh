#!/usr/bin/env bash
# Runs the installed application version as a task of Debian's BOINC client,
# with no project server, and checks what a volunteer's client relies on.
# Route "server" takes the files of the server's version directory and checks
# the slot set-up, progress reports, suspend and resume, a restart from the
# checkpoint and the finished output file; route "anonymous" takes the
# anonymous-platform files, starts the graphics companion as the Manager
# would, under another account on a private X display, and checks that the
# client runs the task to the end and the companion then ends by itself. Both
# routes run the client under the boinc account and check the graphics app and
# slot that its GUI RPC reports.
# Usage: real_client_test.sh BUILD_DIR server|anonymous
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/desktop_account.sh"
build=$1
route=$2

open_session

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

init_value() { sed -n "s#.*<$1>\(.*\)</$1>.*#\1#p" "$slot/init_data.xml" | head -n 1; }

check_slot_set_up() {
    local f link
    for f in init_data.xml boinc_mmap_file out.txt QuenlartPoster3.jpg graphics_app; do
        [ -e "$slot/$f" ] || fail "slot directory lacks $f"
    done
    link=$(sed -n 's#.*<soft_link>\(.*\)</soft_link>.*#\1#p' "$slot/out.txt")
    [ "$(realpath -m "$slot/$link")" = "$project_dir/$zf_output_name" ] ||
        fail "out.txt links to '$link', not to the project's output file"
    link=$(sed -n 's#.*<soft_link>\(.*\)</soft_link>.*#\1#p' "$slot/QuenlartPoster3.jpg")
    cmp -s "$slot/$link" "$(find "$work/bundle" -name 'QuenlartPoster3*' | head -n 1)" ||
        fail "QuenlartPoster3.jpg links to '$link', not to the shipped poster"
    link=$(sed -n 's#.*<soft_link>\(.*\)</soft_link>.*#\1#p' "$slot/graphics_app")
    cmp -s "$slot/$link" "$build/bin/zorvath_fold_graphics" ||
        fail "graphics_app links to '$link', not to the shipped graphics companion"
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

# start_companion: starts the graphics app as the Manager's "Show graphics"
# does: the reported path, no arguments, in the reported slot, as the person
# at the desk with their DISPLAY.
start_companion() {
    (cd "$slot" && exec "${desk_user_command[@]}" "$graphics_exec_path" >>"$work/graphics_app.log" 2>&1) &
    companion_pid=$!
    session_owns "$companion_pid"
}

# check_companion_shows_task: the companion runs as launched and its window,
# titled with the task's app name from the state it read across the account
# boundary, shows the animated scene.
check_companion_shows_task() {
    check_runs_as_launched "$companion_pid"
    wait_until 30 "the companion's window titled with the task's app name" has_window_titled "$zf_app_name"
    companion_window=$(window_titled "$zf_app_name")
    [ -n "$companion_window" ] || fail "no window titled $zf_app_name"
    wait_until 30 "the scene in the companion's window" shows_animated_scene "$companion_window"
}

companion_gone() { process_gone "$companion_pid"; }

companion_said_finished() {
    grep -qxF "graphics companion: the task has finished" "$work/graphics_app.log" 2>/dev/null
}

# task_finished_with_companion_beside: task_finished, failing the test when
# the companion has ended before it for any reason but the task's end, which
# it learns from the task's state and gives in its log.
task_finished_with_companion_beside() {
    if companion_gone && ! companion_said_finished; then
        fail "the companion ended before its task had finished"
    fi
    task_finished
}

install_bundle
# The task starts with processor time already used, so that the job reaches
# its 120-second limit (it never shows graphics here) after 20 s of its own
# work on the full route, 15 s on the one that shows the companion.
case $route in
server)
    prior_cpu=100
    install_server_version "$data" "$(dirname "$(find "$work/bundle/apps" -name version.xml)")"
    ;;
anonymous)
    prior_cpu=105
    install_anonymous_version "$data" "$work/bundle/anonymous_platform"
    open_desktop
    ;;
*) fail "unknown route '$route'" ;;
esac
write_client_state "$data" "$prior_cpu"
hand_data_to_client

step "the client starts the task in its slot directory, under the boinc account"
start_client
wait_until 60 "the task to run" app_running
[ "$(process_uid "$app_pid")" = "$(id -u boinc)" ] || fail "the task does not run under the boinc account"
check_slot_set_up
step "the GUI RPC reports the task's graphics app and slot"
check_graphics_reported
starts=1
if [ "$route" = server ]; then
    step "progress and processor time reach the client, and advance"
    check_progress_advances
    step "suspend stops the program's processor use, resume restarts it"
    check_suspend_and_resume
    step "stopping the client and starting it again resumes from the checkpoint"
    check_restart_from_checkpoint
    starts=2
else
    step "the companion, started as the Manager starts it under the desk account, shows the task"
    start_companion
    check_companion_shows_task
fi
step "the task ends computed, and its output reached the project directory"
if [ "$route" = anonymous ]; then
    wait_until 240 "the task to finish, the companion beside it" task_finished_with_companion_beside
    step "the companion ends by itself after its task, and says why"
    wait_until 10 "the companion to end after its task" companion_gone
    wait "$companion_pid" || fail "the companion ended with status $?"
    companion_said_finished || fail "the companion gave another reason than the task's end"
else
    wait_until 240 "the task to finish" task_finished
fi
check_output "$starts"
stop_client
step "PASS: the $route route ran under the real client and ended with status 0"
