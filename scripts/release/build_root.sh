#!/usr/bin/env bash
# Makes (once, then keeps) the Debian 11 build root of the release build: its
# own g++ 10, CMake and cross compilers, the static archives the shipped
# binaries carry for each architecture, and BOINC 7.16.16's development files
# for each architecture unpacked under /opt/boinc/<triplet> (Debian's package
# cannot be installed for two architectures at once). Prints the root's path.
# Usage: scripts/release/build_root.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/roots.sh"
source "$here/platforms.sh"

# Per architecture: what the shipped binaries link, statically or from the host.
link_packages=(libgl-dev libx11-dev libxext-dev freeglut3-dev libglu1-mesa-dev libjpeg-dev
    libxi-dev libxfixes-dev libxxf86vm-dev libxrandr-dev libxrender-dev
    libfontconfig1-dev uuid-dev libfreetype-dev libfribidi-dev libexpat1-dev libpng-dev libbrotli-dev
    libbz2-dev zlib1g-dev)
boinc_packages=(libboinc-app-dev libboinc-app7 libboinc7)

name=build-bullseye
dir="$zf_roots/$name"
packages=(build-essential cmake patchelf pkg-config gettext "${link_packages[@]}")
for platform in "${zf_platforms[@]}"; do
    arch=$(platform_debian_arch "$platform")
    [ "$arch" = amd64 ] && continue
    packages+=("crossbuild-essential-$arch")
    for p in "${link_packages[@]}"; do packages+=("$p:$arch"); done
done
recipe="build bullseye ${packages[*]} boinc ${boinc_packages[*]}"

if claim_root "$name" "$dir" "$recipe"; then
    echo "roots: making $name" >&2
    rm -rf "$dir.new"
    debootstrap --variant=minbase bullseye "$dir.new" "$zf_mirror" >"$zf_roots/$name.log" 2>&1 ||
        roots_fail "debootstrap of $name failed: $(tail -n 5 "$zf_roots/$name.log")"
    for platform in "${zf_platforms[@]}"; do
        arch=$(platform_debian_arch "$platform")
        [ "$arch" = amd64 ] || in_root "$dir.new" dpkg --add-architecture "$arch"
    done
    {
        in_root "$dir.new" apt-get update -qq &&
            in_root "$dir.new" env DEBIAN_FRONTEND=noninteractive \
                apt-get install -y -qq --no-install-recommends "${packages[@]}"
    } >>"$zf_roots/$name.log" 2>&1 ||
        roots_fail "installing the build tools into $name failed: $(tail -n 5 "$zf_roots/$name.log")"
    for platform in "${zf_platforms[@]}"; do
        arch=$(platform_debian_arch "$platform")
        triplet=$(platform_triplet "$platform")
        mkdir -p "$dir.new/opt/boinc/$triplet" "$dir.new/tmp/boinc-$arch"
        ZF_IN_DIR=/tmp/boinc-$arch in_root "$dir.new" \
            apt-get download -qq "${boinc_packages[@]/%/:$arch}" >>"$zf_roots/$name.log" 2>&1 ||
            roots_fail "cannot download BOINC's packages for $arch"
        for deb in "$dir.new/tmp/boinc-$arch"/*.deb; do
            dpkg-deb -x "$deb" "$dir.new/opt/boinc/$triplet"
        done
        rm -rf "$dir.new/tmp/boinc-$arch"
    done
    in_root "$dir.new" apt-get clean
    finish_root "$dir.new" "$dir" "$recipe"
    unlock_root
fi
echo "$dir"
