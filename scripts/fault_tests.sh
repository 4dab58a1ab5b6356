#!/usr/bin/env bash
# Runs the fault tests and prints their figures: with --full at full count
# (200 kills, 200 suspend/resume pairs, 1000 mode requests, 50 exits while
# drawing; about half an hour), otherwise at the quick counts that ctest uses.
# Usage: scripts/fault_tests.sh [--full] [gtest args...]
# Build dir from ZF_BUILD_DIR (default build). Needs root for the tmpfs and
# chattr cases, which are skipped otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZF_BUILD_DIR:-$root/build}
if [ "${1:-}" = "--full" ]; then
  export ZF_FAULT_FULL=1
  shift
fi

[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" >/dev/null
targets=(fault_job_test fault_display_test fault_mode_storm_test)
for target in "${targets[@]}"; do cmake --build "$build" --target "$target" -j2 >/dev/null; done

source "$root/scripts/xvfb.sh"
start_xvfb ZF_TEST_DISPLAY
start_xvfb ZF_TEST_DISPLAY2
trap stop_all_xvfb EXIT

status=0
for target in "${targets[@]}"; do
  start=$(date +%s)
  "$build/bin/$target" "$@" >"$build/$target.log" 2>&1 || status=1
  grep -E '^\[ *(figure|FAILED|OK|SKIPPED) *\]' "$build/$target.log" || true
  echo "$target: $(( $(date +%s) - start )) s"
done
exit $status
