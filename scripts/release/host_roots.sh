#!/usr/bin/env bash
# Makes (once, then keeps) the clean roots that stand for volunteers' hosts:
# libc, the desktop's GL (Mesa, with llvmpipe) and the X client libraries it
# brings, and nothing of our build's; Debian 12 with its BOINC client, Debian
# 11 (the oldest host the policy admits) for each platform, the other
# architectures' unpacked for qemu-user. Prints "PLATFORM-or-NAME PATH" lines.
# Usage: scripts/release/host_roots.sh [NAME...]   (default: all; names below)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/roots.sh"
source "$here/platforms.sh"

desktop_gl=(libgl1 libgl1-mesa-dri libx11-6 libxext6)

# host_root NAME: makes the root NAME and prints its line.
host_root() {
    local name=$1 arch
    case $name in
        debian12-client)
            make_native_root host-bookworm-client bookworm "${desktop_gl[@]}" boinc-client
            echo "$name $zf_roots/host-bookworm-client"
            ;;
        debian12-manager)
            # The Manager brings the desktop's text stack (Pango, HarfBuzz,
            # fontconfig, fonts), which the companion uses where it is there.
            make_native_root host-bookworm-manager bookworm "${desktop_gl[@]}" boinc-manager
            echo "$name $zf_roots/host-bookworm-manager"
            ;;
        *-linux-gnu | *-linux-gnueabihf)
            arch=$(platform_debian_arch "$name")
            if [ -z "$(platform_qemu "$name")" ]; then
                make_native_root "host-bullseye-$arch" bullseye "${desktop_gl[@]}"
            else
                make_foreign_root "host-bullseye-$arch" bullseye "$arch" "${desktop_gl[@]}"
            fi
            echo "$name $zf_roots/host-bullseye-$arch"
            ;;
        *) roots_fail "unknown host root $name (known: debian12-client debian12-manager ${zf_platforms[*]})" ;;
    esac
}

names=("$@")
((${#names[@]})) || names=(debian12-client debian12-manager "${zf_platforms[@]}")
for name in "${names[@]}"; do host_root "$name"; done
