#!/usr/bin/env bash
# Builds the application version that volunteers' hosts run and lays it out:
#   OUTDIR/apps/zorvath_fold/VERSION/PLATFORM/  (with its version.xml) for the server's update_versions
#   OUTDIR/anonymous_platform/                  (with one app_info.xml for every platform) for
#                                               volunteers' project directories
# Each platform's binaries are built in a Debian 11 build root (made once and
# kept, see scripts/release/) and checked against packaging/runtime_policy.txt.
# Usage: scripts/package.sh [--platform NAME|all] [outdir]
#   (default: x86_64-pc-linux-gnu, ./install; build trees under $ZF_BUILD_DIR/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/release/platforms.sh"

platforms=(x86_64-pc-linux-gnu)
outdir=install
while (($#)); do
    case $1 in
        --platform)
            [ $# -ge 2 ] || { echo "package: --platform needs a name or 'all'" >&2; exit 2; }
            if [ "$2" = all ]; then platforms=("${zf_platforms[@]}"); else platforms=("$2"); fi
            platform_triplet "${platforms[0]}" >/dev/null ||
                { echo "package: unknown platform $2 (known: ${zf_platforms[*]})" >&2; exit 2; }
            shift 2
            ;;
        -h | --help) sed -n '2,10p' "$0"; exit 0 ;;
        *) outdir=$1; shift ;;
    esac
done
outdir=$(realpath -m "$outdir")
anonymous="$outdir/anonymous_platform"

for platform in "${platforms[@]}"; do
    "$root/scripts/release/build_release.sh" "$platform" "$outdir"
    # Each build writes an app_info.xml for its own platform; one file holds them all.
    mkdir -p "$anonymous/.app_info"
    mv "$anonymous/app_info.xml" "$anonymous/.app_info/$platform.xml"
done
"$root/scripts/release/merge_app_info.sh" "$anonymous"/.app_info/*.xml >"$anonymous/app_info.xml"
rm -rf "$anonymous/.app_info"

"$root/scripts/release/check_runtime_policy.sh" "$root/packaging/runtime_policy.txt" \
    "$outdir"/apps/*/*/*/zorvath_fold* "$anonymous"/zorvath_fold*[!g]
echo "package: application version for ${platforms[*]} laid out under $outdir"
