# shellcheck shell=bash
# Sourced by the real-client tests, with client_session.sh: the person at the
# desk, whose account is not the client's, a private X display for them, and
# what a test looks at in the graphics app that their Manager or screensaver
# starts.

source "$(dirname "${BASH_SOURCE[0]}")/client_session.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

zf_desk_user=zf_desk

# open_desktop: the desk account (made once, without a home or a login) and a
# private Xvfb display that any local account may use, in `desk_display`.
open_desktop() {
    local tool
    for tool in Xvfb xwininfo xprop import convert; do
        command -v "$tool" >/dev/null || missing_real_part "no $tool (xvfb, x11-utils, imagemagick)"
    done
    if ! id "$zf_desk_user" >/dev/null 2>&1; then
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
            "$zf_desk_user" || fail "cannot create the account $zf_desk_user"
    fi
    desk_home="$work/desk"
    mkdir -p "$desk_home"
    chown "$zf_desk_user:" "$desk_home"
    start_xvfb desk_display || missing_real_part "Xvfb does not start"
    desk_user_command=(env -i PATH=/usr/bin:/bin HOME="$desk_home" USER="$zf_desk_user" DISPLAY="$desk_display"
        setpriv --reuid "$zf_desk_user" --regid "$zf_desk_user" --init-groups)
}

# desk_user_command: the start of a command line that runs a program under
# the desk account with only the environment a desktop session gives its
# programs (set by open_desktop; exec-able, so the program keeps the pid).
desk_user_command=()

# graphics_report: "GRAPHICS_EXEC_PATH<TAB>SLOT_PATH" of our task, as the
# client's GUI RPC reports them.
graphics_report() {
    "$build/bin/gui_rpc_query" --port "$rpc_port" --passwd-file "$data/gui_rpc_auth.cfg" |
        awk -F'\t' -v name="$zf_result_name" '$1 == name { print $4 "\t" $5 }'
}

# check_graphics_reported: the running task's graphics app is the version's
# file of open name graphics_app in the project directory, its slot ours.
check_graphics_reported() {
    local report expected
    expected=$(sed -n 's#.*<soft_link>\(.*\)</soft_link>.*#\1#p' "$slot/graphics_app" 2>/dev/null)
    [ -n "$expected" ] || fail "the slot has no graphics_app link file"
    expected=$(realpath -m "$slot/$expected")
    report=$(graphics_report)
    [ "$report" = "$expected"$'\t'"$slot" ] ||
        fail "GUI RPC reports graphics app and slot '$report', expected '$expected' and '$slot'"
    [ -x "$expected" ] || fail "the graphics app $expected is not executable"
    graphics_exec_path=$expected
}

runs_as_desk_user() { [ "$(process_uid "$1")" = "$(id -u "$zf_desk_user")" ]; }

# check_runs_as_launched PID: the graphics app runs under the desk account, in
# the slot, with no arguments.
check_runs_as_launched() {
    local pid=$1 args
    # Until setpriv has carried out the start, the process is still root's.
    wait_until 10 "graphics app $pid to run under the desk account" runs_as_desk_user "$pid"
    [ "$(readlink "/proc/$pid/cwd")" = "$slot" ] || fail "graphics app $pid does not run in the slot"
    args=$(tr '\0' '\n' <"/proc/$pid/cmdline" | wc -l)
    [ "$args" = 1 ] || fail "graphics app $pid was given arguments"
}

# scene_geometry WINDOW: "WIDTHxHEIGHT" of the part of WINDOW above its child
# windows: the companion's status strip is a child that the X server keeps
# and repaints by itself (with every change of the processor time), so only
# the part above it shows whether GL frames keep coming.
scene_geometry() {
    local width height top
    read -r width height < <(xwininfo -display "$desk_display" -id "$1" 2>/dev/null |
        awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w, h }')
    [ -n "$width" ] && [ -n "$height" ] || return 1
    top=$(xwininfo -display "$desk_display" -children -id "$1" 2>/dev/null | awk '
        /^ +0x[0-9a-f]+ / {
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^[0-9]+x[0-9]+[+-][0-9]+[+-][0-9]+$/) {
                    split($i, g, /[x+]/)
                    if (top == "" || g[4] < top) top = g[4]
                }
            }
        }
        END { print top }')
    if [ -n "$top" ] && ((top > 0 && top < height)); then height=$top; fi
    echo "${width}x${height}"
}

# scene_picture WINDOW: the part of WINDOW's picture above its child windows, as PNG.
scene_picture() {
    local geometry
    geometry=$(scene_geometry "$1") || return 1
    timeout 10 import -display "$desk_display" -window "$1" png:- 2>/dev/null |
        convert png:- -crop "$geometry+0+0" +repage png:- 2>/dev/null
}

# scene_colours WINDOW: the number of colours in the scene's part of WINDOW.
scene_colours() {
    scene_picture "$1" | convert png:- -unique-colors -format '%w' info:- 2>/dev/null
}

# scene_checksum WINDOW: a digest of the scene's part of WINDOW.
scene_checksum() {
    scene_picture "$1" | convert png:- rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
}

# shows_animated_scene WINDOW: several colours (not a cleared window) that change
# from one look to the next (frames keep coming), above the status strip.
shows_animated_scene() {
    local first colours
    colours=$(scene_colours "$1")
    ((${colours:-0} >= 4)) || return 1
    first=$(scene_checksum "$1")
    sleep 0.5
    [ "$(scene_checksum "$1")" != "$first" ]
}

# window_titled TITLE: the id of a window of the display with that title.
window_titled() {
    xwininfo -display "$desk_display" -root -tree 2>/dev/null |
        awk -v title="\"$1\":" '$2 == title && !found { print $1; found = 1 }'
}
has_window_titled() { [ -n "$(window_titled "$1")" ]; }
