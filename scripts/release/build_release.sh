#!/usr/bin/env bash
# Builds the shipped binaries for one platform in the Debian 11 build root and
# installs the application version's files for it under OUTDIR.
# Usage: scripts/release/build_release.sh PLATFORM OUTDIR
#   (build tree: $ZF_BUILD_DIR/release/PLATFORM, default build/release/PLATFORM)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
source "$here/roots.sh"
source "$here/platforms.sh"
platform=$1
outdir=$(realpath -m "$2")
triplet=$(platform_triplet "$platform") || roots_fail "unknown platform $platform (known: ${zf_platforms[*]})"
build_dir="${ZF_BUILD_DIR:-$src/build}/release/$platform"

root=$("$here/build_root.sh")
mkdir -p "$build_dir" "$outdir"
export ZF_BIND="$src:/src:ro $build_dir:/build $outdir:/out"
log="$build_dir.log"
{
    in_root "$root" cmake -S /src -B /build \
        -DCMAKE_TOOLCHAIN_FILE="/src/cmake/toolchains/$platform.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DZF_SHIP=ON -DZF_BOINC_ROOT="/opt/boinc/$triplet" &&
        in_root "$root" cmake --build /build -j "$(nproc)" &&
        in_root "$root" cmake --install /build --prefix /out
} >"$log" 2>&1 || {
    tail -n 30 "$log" >&2
    roots_fail "the release build for $platform failed (log: $log)"
}
echo "release: $platform built and installed under $outdir"
