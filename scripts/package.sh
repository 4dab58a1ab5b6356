#!/usr/bin/env bash
# Builds the program and lays it out as a BOINC application version:
#   OUTDIR/apps/zorvath_fold/VERSION/x86_64-pc-linux-gnu/  for the server's update_versions
#   OUTDIR/anonymous_platform/                            for volunteers' project directories
# Usage: scripts/package.sh [outdir]   (default ./install; build dir from ZF_BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZF_BUILD_DIR:-$root/build}
outdir=$(realpath -m "${1:-install}")

"$root/scripts/setup.sh" "$build"
cmake --install "$build" --prefix "$outdir"
echo "package: application version laid out under $outdir"
