#!/usr/bin/env bash
# One platform's shipped binaries on a clean root that stands for a
# volunteer's host (libc, the desktop's GL with Mesa, nothing of our build's):
# the program loads and runs standalone; a task under the core-client
# emulator is killed after a checkpoint and restarts from it to its end; the
# companion shows the scene on an X display whose socket the root sees.
# Usage: clean_host_test.sh BUILD_DIR PACKAGE_DIR PLATFORM [HOST]
#   HOST: a root of scripts/release/host_roots.sh (default: PLATFORM's Debian 11)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/host_run.sh"
source "$here/../support/real_part.sh"
source "$here/../../scripts/xvfb.sh"
build=$(realpath "$1")
package=$(realpath "$2")
platform=$3
host=${4:-$platform}

[ "$(id -u)" = 0 ] || missing_real_part "only root can run binaries in a clean root"
qemu=$(platform_qemu "$platform")
if [ -n "$qemu" ]; then
    command -v "$qemu" >/dev/null || missing_real_part "no $qemu (Debian's qemu-user)"
    # Emulated, a pass of the job and a frame of llvmpipe take many times longer.
    patience=600
else
    patience=120
fi
project="$package/anonymous_platform"
program=$(find "$project" -maxdepth 1 -name "zorvath_fold_*_$platform" ! -name 'zorvath_fold_graphics_*' | head -n 1)
companion=$(find "$project" -maxdepth 1 -name "zorvath_fold_graphics_*_$platform" | head -n 1)
[ -n "$program" ] && [ -n "$companion" ] || { echo "FAIL: no $platform binaries in $project" >&2; exit 1; }
root=$("$here/../../scripts/release/host_roots.sh" "$host" | awk '{ print $2 }') ||
    missing_real_part "cannot make the clean root $host (debootstrap, Debian's archive)"

work=$(mktemp -d "$build/clean_host_$platform.XXXXXX")
pids=()
cleanup() {
    local pid
    disown -a 2>/dev/null || true
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    stop_all_xvfb
    if [ -n "${ZF_KEEP_WORK:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
    echo "FAIL ($platform on $host): $*" >&2
    local f
    for f in "$work"/*/stderr.txt "$work"/*.log; do
        [ -f "$f" ] && { echo "--- $f"; tail -n 20 "$f"; } >&2
    done
    exit 1
}
step() { echo "$(date +%T) $platform on $host: $*"; }

file_has() { grep -qF -- "$2" "$1" 2>/dev/null; }
checkpoint_pass() { tr -dc 0-9 2>/dev/null <"$1/ckpt_state" || true; }
checkpoint_above_zero() { local pass; pass=$(checkpoint_pass "$1"); ((${pass:-0} > 0)); }

write_host_runner "$work/run_program" "$platform" "$root" "$build" "$program"
write_host_runner "$work/run_companion" "$platform" "$root" "$build" "$companion"

step "the program loads and runs standalone, without a display"
mkdir "$work/standalone"
(cd "$work/standalone" && exec env -u DISPLAY "$work/run_program" >"$work/standalone.log" 2>&1) &
pids+=($!)
standalone_started() {
    kill -0 "${pids[-1]}" 2>/dev/null || fail "the standalone run ended: $(tail -n 3 "$work/standalone.log")"
    file_has "$work/standalone/out.txt" "i=    0"
}
wait_until "$patience" "the standalone run's first pass in out.txt" standalone_started
kill -9 "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null || true

step "a task under the emulator checkpoints, is killed, and restarts from its checkpoint to the end"
slot="$work/slot"
env -u DISPLAY "$build/bin/client_sim" --slot "$slot" --program "$work/run_program" \
    --wu-cpu-time 100 --checkpoint-period 1 </dev/null >"$work/first_run.log" 2>&1 &
pids+=($!)
wait_until "$patience" "a checkpoint after pass 0" checkpoint_above_zero "$slot"
task_pid=$(sed -n 's/.* as pid \([0-9]*\).*/\1/p' "$work/first_run.log" | head -n 1)
[ -n "$task_pid" ] || fail "client_sim did not say the task's pid"
kill -9 "$task_pid"
wait "${pids[-1]}" || true
resumed_from=$(checkpoint_pass "$slot")
status=0
timeout "$((patience * 2))" env -u DISPLAY "$build/bin/client_sim" --slot "$slot" --program "$work/run_program" \
    --wu-cpu-time 119 --checkpoint-period 1 </dev/null >"$work/second_run.log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "the restarted task ended with status $status"
file_has "$slot/stderr.txt" "restarting at $resumed_from" || fail "the task did not restart at pass $resumed_from"
file_has "$slot/stderr.txt" "worker: all done" || fail "the restarted task did not finish its job"
file_has "$slot/out.txt" "Hello, BOINC World!" || fail "the output file lacks its first line"

step "the companion shows the scene"
start_xvfb display || missing_real_part "Xvfb does not start"
companion_slot="$work/companion_slot"
"$build/bin/client_sim" --slot "$companion_slot" --prepare-only >/dev/null
(cd "$companion_slot" && DISPLAY=$display exec "$work/run_companion" >"$work/companion.log" 2>&1) &
pids+=($!)
companion_window() {
    xwininfo -display "$display" -root -tree 2>/dev/null |
        awk '/"BOINC Application"/ && !found { print $1; found = 1 }'
}
picture() { timeout 20 import -display "$display" -window "$1" rgb:- 2>/dev/null | md5sum | cut -d' ' -f1; }
colours() {
    timeout 20 import -display "$display" -window "$1" png:- 2>/dev/null |
        convert png:- -unique-colors -format '%w' info:- 2>/dev/null
}
shows_scene() {
    local window first
    window=$(companion_window)
    [ -n "$window" ] || return 1
    ((${colours_seen:=0} >= 4)) || colours_seen=$(colours "$window")
    ((${colours_seen:-0} >= 4)) || return 1
    first=$(picture "$window")
    sleep 1
    [ "$(picture "$window")" != "$first" ]
}
wait_until "$patience" "the companion's window with a moving scene" shows_scene
kill -0 "${pids[-1]}" 2>/dev/null || fail "the companion ended"

# The shaping library is the host's, loaded only where it is there; without
# it the companion says so once and draws the text unshaped.
unshaped=$(grep -c "text is drawn unshaped" "$work/companion.log" || true)
if compgen -G "$root/usr/lib/*/libharfbuzz.so.0" >/dev/null; then
    [ "$unshaped" = 0 ] || fail "the companion did not find the host's libharfbuzz.so.0"
else
    ((unshaped <= 1)) || fail "the companion said $unshaped times that it draws unshaped"
fi
step "passed"
