#!/usr/bin/env bash
# Draws the animated scene and the poster on a private Xvfb and writes the
# pictures that the README shows: docs/images/scene.png and docs/images/poster.png.
# Needs ImageMagick's convert. Usage: scripts/screenshots.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ZF_BUILD_DIR:-$root/build}}
images=$root/docs/images

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target scene_snapshot -j2 >/dev/null
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
echo "screenshots: wrote $images/scene.png and $images/poster.png"
