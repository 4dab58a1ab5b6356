# shellcheck shell=bash
# Sourced by shell-driven tests. wait_until SECONDS WHAT COMMAND...: polls
# COMMAND until it succeeds, and calls the test's own `fail` when SECONDS have
# passed. The programs under test may run at idle priority or under an
# emulator: callers give generous times.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || fail "timed out after ${seconds}s waiting for: $what"
        sleep 0.5
    done
}
