#!/usr/bin/env bash
# Builds the application version for every platform, as scripts/package.sh
# does, into PACKAGE_DIR, for the shipping tests that follow.
# Usage: package_test.sh BUILD_DIR PACKAGE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/real_part.sh"
build=$(realpath "$1")
package=$2

[ "$(id -u)" = 0 ] || missing_real_part "only root can build in the Debian 11 build root"
command -v debootstrap >/dev/null || missing_real_part "no debootstrap (scripts/setup.sh installs it)"
rm -rf "$package"
start=$SECONDS
ZF_BUILD_DIR=$build "$here/../../scripts/package.sh" --platform all "$package"
echo "package_test: all platforms built and checked in $((SECONDS - start)) s"
