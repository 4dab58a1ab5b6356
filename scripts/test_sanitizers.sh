#!/usr/bin/env bash
# Runs the test suite under the sanitizers, each in a build tree of its own:
#   asan  the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer
#   tsan  the tests labelled "threaded" or "x11" with ThreadSanitizer (the
#         job's timed runs under client_sim are too slow under it)
#   fuzz  each libFuzzer target for a short time (clang; ZF_FUZZ_SECONDS each)
# Usage: scripts/test_sanitizers.sh [asan|tsan|fuzz|all] [ctest args...]
# Build trees: ZF_ASAN_DIR, ZF_TSAN_DIR, ZF_FUZZ_DIR (default build-asan,
# build-tsan, build-fuzz under the repository).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
shift || true

asan_dir=${ZF_ASAN_DIR:-$root/build-asan}
tsan_dir=${ZF_TSAN_DIR:-$root/build-tsan}
fuzz_dir=${ZF_FUZZ_DIR:-$root/build-fuzz}

# Suppressions name third-party libraries only; a finding in our code fails.
# WORKAROUND(boinc-client 7.20.5, Debian 12): tasks that Debian's BOINC client
# starts fail ASan's library-order check
# although the runtime is the program's first library, so that check is off.
export ASAN_OPTIONS=${ASAN_OPTIONS:-verify_asan_link_order=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp}

# The fuzzers need no display.
if [ "$which" != fuzz ]; then
  source "$root/scripts/xvfb.sh"
  start_xvfb ZF_TEST_DISPLAY
  start_xvfb ZF_TEST_DISPLAY2
  trap stop_all_xvfb EXIT
fi

# Prints how long the named stage took.
timed() {
  local name=$1 start status=0
  shift
  start=$(date +%s)
  "$@" || status=$?
  echo "sanitizers: $name took $(($(date +%s) - start)) s, status $status"
  return $status
}

run_asan() {
  "$root/scripts/setup.sh" "$asan_dir" -DZF_SANITIZE=ON -DZF_TSAN=OFF
  # AddressSanitizer holds freed memory back, so memory-growth bounds do not apply.
  # The shipping tests build and run the release binaries, which no sanitizer
  # build changes.
  (cd "$asan_dir" && ZF_PROGRAM_SANITIZED=1 ctest --output-on-failure -j 2 -LE shipping "$@")
}

run_tsan() {
  "$root/scripts/setup.sh" "$tsan_dir" -DZF_TSAN=ON -DZF_SANITIZE=OFF
  (cd "$tsan_dir" && ctest --output-on-failure -j 2 -L 'threaded|x11' "$@")
}

run_fuzz() {
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_dir" -DZF_FUZZ=ON \
    -Dzf_fuzz_seconds="${ZF_FUZZ_SECONDS:-20}" >/dev/null
  local targets
  targets=$(sed -n 's/^zf_add_fuzzer(\([a-z_]*\).*/\1/p' "$root/fuzz/CMakeLists.txt")
  # shellcheck disable=SC2086
  cmake --build "$fuzz_dir" -j 2 --target $targets
  # One at a time: each fuzzer takes a core for its whole run.
  (cd "$fuzz_dir" && ctest --output-on-failure -j 1 -L fuzz "$@")
}

status=0
case $which in
  asan) timed asan run_asan "$@" || status=$? ;;
  tsan) timed tsan run_tsan "$@" || status=$? ;;
  fuzz) timed fuzz run_fuzz "$@" || status=$? ;;
  all)
    timed asan run_asan "$@" || status=$?
    timed tsan run_tsan "$@" || status=$?
    timed fuzz run_fuzz "$@" || status=$?
    ;;
  *) echo "usage: $0 [asan|tsan|fuzz|all] [ctest args...]" >&2; exit 2 ;;
esac
exit $status
