#!/usr/bin/env bash
# The program's own black-box tests, run against the shipped x86_64 binaries
# (built in the Debian 11 root against BOINC 7.16.16, freeglut 2.8.1 and the
# rest linked in) instead of the development build: the job, its restarts and
# control, the window and its modes, and the companion beside a task.
# Usage: release_black_box_test.sh BUILD_DIR PACKAGE_DIR
set -euo pipefail
build=$(realpath "$1")
package=$(realpath "$2")
project="$package/anonymous_platform"
program=$(find "$project" -name 'zorvath_fold_*_x86_64-pc-linux-gnu' ! -name '*graphics*' | head -n 1)
companion=$(find "$project" -name 'zorvath_fold_graphics_*_x86_64-pc-linux-gnu' | head -n 1)
[ -n "$program" ] && [ -n "$companion" ] || { echo "FAIL: no shipped x86_64 binaries in $project" >&2; exit 1; }
export ZF_PROGRAM=$program ZF_COMPANION=$companion

failed=()
for suite in job_run_test job_graphics_test job_input_test program_graphics_test companion_task_test; do
    echo "$(date +%T) $suite against the shipped binaries"
    "$build/bin/$suite" --gtest_brief=1 || failed+=("$suite")
done
((${#failed[@]} == 0)) || { echo "FAIL: ${failed[*]}" >&2; exit 1; }
echo "the shipped binaries pass the job, restart, window and companion tests"
