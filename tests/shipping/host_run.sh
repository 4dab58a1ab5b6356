# shellcheck shell=bash
# Sourced by the clean-host tests: runs a shipped binary as a volunteer's host
# would, from a clean root: a root of this machine's architecture through
# chroot (in a mount namespace of its own), another architecture's through
# qemu-user with -L the root. The work directory is seen at the same path
# inside, so slots and the package need no copying.

zf_shipping_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$zf_shipping_dir/../../scripts/release/roots.sh"
source "$zf_shipping_dir/../../scripts/release/platforms.sh"
source "$zf_shipping_dir/../support/polling.sh"

# write_host_runner FILE PLATFORM ROOT SHARED_DIR BINARY: FILE becomes an
# executable that runs BINARY (under SHARED_DIR) with FILE's arguments on that
# host, in the current directory, keeping its process id: a program that the
# emulator can start as the task.
write_host_runner() {
    local file=$1 platform=$2 root=$3 shared=$4 binary=$5 qemu
    qemu=$(platform_qemu "$platform")
    if [ -n "$qemu" ]; then
        printf '#!/usr/bin/env bash\nexec %q -L %q %q "$@"\n' "$(command -v "$qemu")" "$root" "$binary" >"$file"
    else
        printf '#!/usr/bin/env bash\nsource %q\nZF_BIND=%q ZF_IN_DIR="$PWD" exec_in_root %q %q "$@"\n' \
            "$(realpath "$zf_shipping_dir/../../scripts/release/roots.sh")" "$shared:$shared" "$root" \
            "$binary" >"$file"
    fi
    chmod +x "$file"
}

