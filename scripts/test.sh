#!/usr/bin/env bash
# Sets up, builds, checks the sources' formatting and runs the whole test
# suite, with the X servers it needs.
# Usage: scripts/test.sh [ctest args...]   (the fuzzers then run ZF_FUZZ_SECONDS each, default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZF_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" "$build"
"$root/scripts/check_format.sh"
"$root/scripts/check_test_includes.sh"

source "$root/scripts/xvfb.sh"
start_xvfb ZF_TEST_DISPLAY
start_xvfb ZF_TEST_DISPLAY2
trap stop_all_xvfb EXIT

(cd "$build" && ctest --output-on-failure -j 2 "$@")

# Each fuzzer briefly, from its seed corpus, under ASan and UBSan (clang).
# ZF_FUZZ_SECONDS=0 skips them.
if [ "${ZF_FUZZ_SECONDS:-10}" != 0 ]; then
  ZF_FUZZ_SECONDS=${ZF_FUZZ_SECONDS:-10} "$root/scripts/test_sanitizers.sh" fuzz
fi
