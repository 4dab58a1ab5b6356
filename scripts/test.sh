#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, with the X servers it needs.
# Usage: scripts/test.sh [ctest args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZF_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" "$build"

source "$root/scripts/xvfb.sh"
start_xvfb ZF_TEST_DISPLAY
start_xvfb ZF_TEST_DISPLAY2
trap stop_all_xvfb EXIT

cd "$build"
ctest --output-on-failure -j 2 "$@"
