#!/usr/bin/env bash
# Runs Debian's BOINC screensaver (boincscr, an XScreenSaver hack) against a
# real client that runs one task of the installed application version, and
# checks that it starts the version's graphics companion under the desk
# account, in the task's slot, and embeds the companion's window into its own;
# then that the companion ends, within a second, when the screensaver does.
# boincscr asks only the client on the default GUI RPC port 31416, and finds
# the window to embed among the window manager's clients (_NET_CLIENT_LIST) by
# its WM_COMMAND, which must be the command it started: a window manager runs
# here, as on any desktop.
# Usage: screensaver_test.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/desktop_account.sh"
build=$1
screensaver_port=31416

for tool in boincscr openbox; do
    command -v "$tool" >/dev/null || missing_real_part "no $tool (Debian's boinc-screensaver, openbox)"
done
if ss -Hltn "sport = :$screensaver_port" | grep -q .; then
    missing_real_part "port $screensaver_port, the only one boincscr asks, is taken by another program"
fi
open_session

# start_window_manager: Openbox on the desk display, as the desk account's.
start_window_manager() {
    (exec "${desk_user_command[@]}" openbox >>"$work/openbox.log" 2>&1) &
    session_owns $!
    wait_until 20 "the window manager" window_manager_runs
}
window_manager_runs() { xprop -display "$desk_display" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep '#' >/dev/null; }

start_screensaver() {
    (exec "${desk_user_command[@]}" boincscr -boinc_dir "$data" >>"$work/boincscr.log" 2>&1) &
    screensaver_pid=$!
    session_owns "$screensaver_pid"
}

# screensaver_child: the pid of the graphics app that boincscr started, once
# the child runs it: between fork and exec the child is still boincscr.
screensaver_child() {
    companion_pid=$(pgrep -o -P "$screensaver_pid")
    [ -n "$companion_pid" ] || return 1
    session_owns "$companion_pid"
    [ "$(readlink "/proc/$companion_pid/exe")" = "$graphics_exec_path" ]
}

# window_parent WINDOW: the id of WINDOW's parent, in decimal.
window_parent() {
    local parent
    parent=$(xwininfo -display "$desk_display" -children -id "$1" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
    [ -n "$parent" ] && printf '%d\n' "$parent"
}

# embedded_in_screensaver WINDOW: WINDOW's parent is another client of the
# window manager (boincscr's window), no longer the manager's frame or root.
embedded_in_screensaver() {
    local parent client
    parent=$(window_parent "$1") || return 1
    for client in $(xprop -display "$desk_display" -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*'); do
        [ "$((client))" = "$parent" ] && [ "$((client))" != "$(($1))" ] && return 0
    done
    return 1
}

install_bundle
install_anonymous_version "$data" "$work/bundle/anonymous_platform"
# 60 s of the job's own work: the task outlives the waits for the embed and
# the scene below (30 s each), since its finish ends the companion; with 15 s,
# one loaded run lost the window before boincscr had embedded it. The test
# stops the client once it has passed, so a longer task costs no time.
write_client_state "$data" 60
hand_data_to_client
open_desktop
start_window_manager

step "the client runs the task under the boinc account, its GUI RPC on port $screensaver_port"
start_client "$screensaver_port"
wait_until 60 "the task to run" app_running
check_graphics_reported

step "boincscr, under the desk account, starts the graphics companion in the slot"
start_screensaver
wait_until 30 "boincscr to start the graphics app $graphics_exec_path" screensaver_child
check_runs_as_launched "$companion_pid"

step "boincscr embeds the companion's window, which shows the scene"
wait_until 30 "the companion's window titled with the task's app name" has_window_titled "$zf_app_name"
companion_window=$(window_titled "$zf_app_name")
wait_until 30 "boincscr to embed the companion's window" embedded_in_screensaver "$companion_window"
wait_until 30 "the scene in the embedded window" shows_animated_scene "$companion_window"

step "the screensaver ends as XScreenSaver ends a hack (SIGTERM); the companion ends within a second"
kill -TERM "$screensaver_pid"
ended_in_ms=""
started_ns=$(date +%s%N)
while (( $(date +%s%N) - started_ns < 3000000000 )); do
    if process_gone "$companion_pid"; then
        ended_in_ms=$(( ($(date +%s%N) - started_ns) / 1000000 ))
        break
    fi
    sleep 0.02
done
[ -n "$ended_in_ms" ] || fail "the companion still runs 3 s after the screensaver ended"
(( ended_in_ms <= 1000 )) || fail "the companion ended ${ended_in_ms} ms after the screensaver, not within 1 s"
# Its own end, with status 0, says why; a companion killed by boincscr would not.
grep -q "graphics companion: the screensaver's window is gone" "$work/boincscr.log" ||
    fail "the companion did not end by its own rule: $(tail -n 5 "$work/boincscr.log")"
echo "the companion ended ${ended_in_ms} ms after the screensaver"

stop_client
step "PASS: boincscr started the graphics companion, embedded its window, and the companion ended with it"
