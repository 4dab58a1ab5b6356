# Sourced by shell-driven tests. missing_real_part REASON ends a test whose
# real part is missing: a failure under CI=true, where nothing may pass
# without its real part, and a skip otherwise (status 77, which CTest counts
# as skipped through the test's SKIP_RETURN_CODE).
missing_real_part() {
    if [ "${CI:-}" = true ] || [ "${CI:-}" = 1 ]; then
        echo "FAIL: missing real part under CI=true: $1" >&2
        exit 1
    fi
    echo "SKIP: $1" >&2
    exit 77
}
