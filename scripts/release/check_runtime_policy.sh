#!/usr/bin/env bash
# Checks each FILE (ELF) against the runtime policy: the libraries it needs,
# the newest symbol version of each family it needs, and its RUNPATH. Prints
# one line per breach, naming the file and the library or symbol, and exits
# 1 if there was any.
# Usage: scripts/release/check_runtime_policy.sh POLICY FILE...
set -euo pipefail
policy=$1
shift
command -v readelf >/dev/null || { echo "policy: no readelf (binutils)" >&2; exit 2; }

allowed=() newest=() runpath=""
while read -r key value; do
    case $key in
        needed) allowed+=("$value") ;;
        newest) newest+=("$value") ;;
        runpath) runpath=$value ;;
        '' | '#'*) ;;
        *) echo "policy: unknown rule '$key' in $policy" >&2; exit 2 ;;
    esac
done <"$policy"

breaches=0
breach() {
    echo "policy: $*" >&2
    breaches=$((breaches + 1))
}

is_allowed() {
    local name=$1 pattern
    for pattern in "${allowed[@]}"; do
        # shellcheck disable=SC2053
        [[ $name == $pattern ]] && return 0
    done
    return 1
}

# newer VERSION LIMIT: VERSION (e.g. 2.34) is newer than LIMIT.
newer() { [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -n 1)" = "$1" ]; }

check_file() {
    local file=$1 name dynamic limit family version symbols found
    dynamic=$(readelf -dW "$file" 2>/dev/null) || { breach "$file is not an ELF file"; return; }
    for name in $(sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' <<<"$dynamic"); do
        is_allowed "$name" || breach "$file needs $name, which a volunteer's host does not have"
    done
    if [ -n "$runpath" ]; then
        found=$(sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p' <<<"$dynamic")
        if [ -n "$found" ] && [ "$found" != "$runpath" ]; then
            breach "$file looks for libraries in '$found', not only in '$runpath'"
        fi
        if grep -q 'zorvath_fold_libboinc' <<<"$dynamic" && [ "$found" != "$runpath" ]; then
            breach "$file needs the shipped libraries but has no RUNPATH '$runpath'"
        fi
    fi
    symbols=$(readelf --dyn-syms -W "$file" | awk '$7 == "UND" && $8 ~ /@/ { print $8 }')
    for limit in "${newest[@]}"; do
        family=${limit%_*}
        for version in $(grep -o "@${family}_[0-9.]*" <<<"$symbols" | sed "s/@${family}_//" | sort -uV); do
            if newer "$version" "${limit#*_}"; then
                found=$(grep "@${family}_${version}\( \|$\)" <<<"$symbols" | sed 's/@.*//' | head -n 3 | tr '\n' ' ')
                breach "$file needs ${family}_$version (${found% }), newer than $limit"
            fi
        done
    done
}

for file in "$@"; do check_file "$file"; done
((breaches == 0)) || exit 1
echo "policy: $# file(s) keep to $policy"
