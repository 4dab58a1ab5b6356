#!/usr/bin/env bash
# Sets up, builds, checks the sources' formatting and runs the whole test
# suite, with the X servers it needs.
# Usage: scripts/test.sh [ctest args...]   (the fuzzers then run ZF_FUZZ_SECONDS each, default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZF_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" --packages-only

# The release build's Debian roots take a machine that has none about twenty
# minutes to make: they are made beside the development build and the first
# tests, and the tests that use them wait for them (each root has a lock).
# Where they are kept already this ends at once. Without root the shipping
# tests skip, so nothing is made ahead.
roots_ahead=""
stop_roots_ahead() {
  [ -z "$roots_ahead" ] || kill -- "-$roots_ahead" 2>/dev/null || true
}
if [ "$(id -u)" = 0 ]; then
  mkdir -p "$build"
  setsid bash -c '"$1/scripts/release/build_root.sh" && "$1/scripts/release/host_roots.sh"' \
    roots_ahead "$root" >"$build/roots_ahead.log" 2>&1 &
  roots_ahead=$!
fi
trap stop_roots_ahead EXIT

"$root/scripts/setup.sh" "$build"
"$root/scripts/check_format.sh"
"$root/scripts/check_test_includes.sh"

source "$root/scripts/xvfb.sh"
start_xvfb ZF_TEST_DISPLAY
start_xvfb ZF_TEST_DISPLAY2
trap 'stop_all_xvfb; stop_roots_ahead' EXIT

(cd "$build" && ctest --output-on-failure -j 2 "$@")

# Each fuzzer briefly, from its seed corpus, under ASan and UBSan (clang).
# ZF_FUZZ_SECONDS=0 skips them.
if [ "${ZF_FUZZ_SECONDS:-10}" != 0 ]; then
  ZF_FUZZ_SECONDS=${ZF_FUZZ_SECONDS:-10} "$root/scripts/test_sanitizers.sh" fuzz
fi
