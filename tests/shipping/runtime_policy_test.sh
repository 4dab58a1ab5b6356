#!/usr/bin/env bash
# The runtime policy check passes every file the package ships, and fails,
# naming the file and what breaks the rule, for a binary that needs one more
# library, a newer C library, or looks for libraries elsewhere.
# Usage: runtime_policy_test.sh BUILD_DIR PACKAGE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/real_part.sh"
build=$(realpath "$1")
package=$(realpath "$2")
policy="$here/../../packaging/runtime_policy.txt"
check="$here/../../scripts/release/check_runtime_policy.sh"
command -v patchelf >/dev/null || missing_real_part "no patchelf (scripts/setup.sh installs it)"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

mapfile -t shipped < <(find "$package" -type f -name 'zorvath_fold*' ! -name '*.jpg' ! -name '*.xml')
((${#shipped[@]} >= 8)) || fail "expected the program, the companion and two libraries per platform, found ${#shipped[@]} files"
"$check" "$policy" "${shipped[@]}" || fail "a shipped file breaks the policy"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
program=$(find "$package/anonymous_platform" -name 'zorvath_fold_*_x86_64-pc-linux-gnu' ! -name '*graphics*' | head -n 1)
[ -n "$program" ] || { echo "FAIL: no shipped x86_64 program" >&2; exit 1; }

# expect_breach NAME FILE TEXT: the check fails on FILE and says TEXT.
expect_breach() {
    local name=$1 file=$2 text=$3 output
    if output=$("$check" "$policy" "$file" 2>&1); then
        fail "$name: the check passed"
    elif ! grep -qF -- "$file" <<<"$output" || ! grep -qF -- "$text" <<<"$output"; then
        fail "$name: the check did not name '$text' in $file: $output"
    else
        echo "ok: $name: $(head -n 1 <<<"$output")"
    fi
}

cp "$program" "$work/one_more_library"
patchelf --add-needed libjpeg.so.62 "$work/one_more_library"
expect_breach "one more library" "$work/one_more_library" "needs libjpeg.so.62"

cp "$program" "$work/glvnd"
patchelf --replace-needed libGL.so.1 libOpenGL.so.0 "$work/glvnd"
expect_breach "GLVND's GL instead of libGL.so.1" "$work/glvnd" "needs libOpenGL.so.0"

cp "$program" "$work/elsewhere"
patchelf --set-rpath /usr/lib/x86_64-linux-gnu "$work/elsewhere"
expect_breach "libraries looked for elsewhere" "$work/elsewhere" "looks for libraries in '/usr/lib/x86_64-linux-gnu'"

# The development build, made on Debian 12, needs a newer C library.
expect_breach "a newer C library" "$build/bin/zorvath_fold" "needs GLIBC_2.34"

((failures == 0)) || exit 1
echo "runtime policy: ${#shipped[@]} shipped files keep to it, and each breach is named"
