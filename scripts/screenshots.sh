#!/usr/bin/env bash
# Draws the animated scene and the poster on a private Xvfb and writes the
# pictures that the README shows: docs/images/scene.png and docs/images/poster.png;
# then runs a task under the emulator with the graphics companion beside it
# and writes the companion's window: docs/images/companion.png.
# Needs ImageMagick's convert. Usage: scripts/screenshots.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ZF_BUILD_DIR:-$root/build}}
images=$root/docs/images

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target scene_snapshot zorvath_fold zorvath_fold_graphics client_sim -j2 >/dev/null
snapshot=$build/bin/scene_snapshot

source "$root/scripts/xvfb.sh"
work=$(mktemp -d)
cleanup() { stop_all_xvfb; rm -rf "$work"; }
trap cleanup EXIT
start_xvfb ZF_SCREENSHOT_DISPLAY

mkdir -p "$images"
# 640 x 480 is the standalone window's size; 3.2 s into the animation the cube,
# the square, the title and all four points are in view.
"$snapshot" --display "$ZF_SCREENSHOT_DISPLAY" --size 640x480 --times 1000,1003.2 \
  --out "$work/scene.ppm" 2>/dev/null
cp "$root/assets/QuenlartPoster3.jpg" "$work/"
(cd "$work" && "$snapshot" --display "$ZF_SCREENSHOT_DISPLAY" --size 640x480 --times 1000 \
  --poster 1 --out "$work/poster.ppm" 2>/dev/null)

convert "$work/scene.ppm" -strip "$images/scene.png"
convert "$work/poster.ppm" -strip "$images/poster.png"

# The task from a checkpoint half-way, so that the status line has something to say.
mkdir "$work/slot"
echo " 620 " >"$work/slot/ckpt_state"
"$build/bin/client_sim" --slot "$work/slot" --program "$build/bin/zorvath_fold" \
  --app-name "Zorvath@Fold" --wu-cpu-time 30 </dev/null >/dev/null 2>&1 &
sim=$!
for _ in $(seq 100); do [ -e "$work/slot/graphics_state.txt" ] && break; sleep 0.1; done
(cd "$work/slot" && DISPLAY=$ZF_SCREENSHOT_DISPLAY exec "$build/bin/zorvath_fold_graphics" 2>/dev/null) &
companion=$!
sleep 4.2
window=$(xwininfo -display "$ZF_SCREENSHOT_DISPLAY" -name "Zorvath@Fold" | awk '/Window id:/ {print $4}')
import -display "$ZF_SCREENSHOT_DISPLAY" -window "$window" -strip "$images/companion.png"
kill "$companion" "$sim" 2>/dev/null || true
wait 2>/dev/null || true
echo "screenshots: wrote $images/scene.png, $images/poster.png and $images/companion.png"
