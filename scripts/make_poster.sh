#!/usr/bin/env bash
# Draws the project's poster, shown in the job's last phase, and writes it as
# assets/QuenlartPoster3.jpg. Needs ImageMagick and the DejaVu fonts (Debian:
# imagemagick, fonts-dejavu-core). Usage: scripts/make_poster.sh [output.jpg]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/assets/QuenlartPoster3.jpg}
fonts=/usr/share/fonts/truetype/dejavu
bold=$fonts/DejaVuSans-Bold.ttf
regular=$fonts/DejaVuSans.ttf
for f in "$bold" "$regular"; do
  [ -r "$f" ] || { echo "make_poster: font $f is missing (install fonts-dejavu-core)" >&2; exit 1; }
done

# A 4:3 picture, so that it fills the poster view's whole 4:3 area.
# The wire cube echoes the animated scene: a front face, a back face offset up
# and right, and the four edges joining them.
convert -size 1024x768 gradient:'#1a0a4a'-'#05021a' \
  -fill none -stroke '#ffd21a' -strokewidth 8 \
  -draw "rectangle 382,250 582,450" \
  -draw "rectangle 442,190 642,390" \
  -draw "line 382,250 442,190" -draw "line 582,250 642,190" \
  -draw "line 582,450 642,390" -draw "line 382,450 442,390" \
  -stroke none -fill '#ff3a6ccc' -draw "rectangle 472,280 552,360" \
  -fill '#ffffff' -draw "circle 512,320 512,328" \
  -fill '#ff2020' -draw "circle 700,320 700,330" \
  -fill '#20ff20' -draw "circle 512,130 512,140" \
  -fill '#3a6cff' -draw "circle 430,470 430,480" \
  -font "$bold" -pointsize 110 -fill '#ffd21a' -stroke '#000000' -strokewidth 2 \
  -gravity north -annotate +0+520 'Zorvath@Fold' \
  -font "$regular" -pointsize 34 -fill '#e8e0ff' -stroke none \
  -annotate +0+660 'a test application for volunteer computing with BOINC' \
  -quality 90 -sampling-factor 4:2:0 -strip "$out"
echo "make_poster: wrote $out"
