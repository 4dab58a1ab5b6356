#!/usr/bin/env bash
# Builds the program and lays it out as a BOINC application version:
#   OUTDIR/apps/zorvath_fold/VERSION/x86_64-pc-linux-gnu/  for the server's update_versions
#   OUTDIR/anonymous_platform/                            for volunteers' project directories
# and names the Debian packages that a volunteer's host needs to run it.
# Usage: scripts/package.sh [outdir]   (default ./install; build dir from ZF_BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZF_BUILD_DIR:-$root/build}
outdir=$(realpath -m "${1:-install}")

# runtime_packages PROGRAM: the Debian packages that hold the libraries the
# program links directly.
runtime_packages() {
    local program=$1 needed path
    for needed in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldd "$program" | awk -v lib="$needed" '$1 == lib { print $3 }')
        [ -n "$path" ] || { echo "package: $needed is not found on this host" >&2; return 1; }
        dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath "$path")"
    done | cut -d: -f1 | sort -u | tr '\n' ' '
}

"$root/scripts/setup.sh" "$build"
cmake --install "$build" --prefix "$outdir"
echo "package: application version laid out under $outdir"
echo "package: runtime packages: $(runtime_packages "$build/bin/zorvath_fold")"
echo "package: runtime packages of the graphics app: $(runtime_packages "$build/bin/zorvath_fold_graphics")"
