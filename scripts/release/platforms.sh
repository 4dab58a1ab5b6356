# shellcheck shell=bash
# Sourced by the release scripts: the BOINC platforms the application version
# ships for, and what each is called by Debian and by the toolchain.

zf_platforms=(x86_64-pc-linux-gnu i686-pc-linux-gnu aarch64-unknown-linux-gnu arm-unknown-linux-gnueabihf)

# platform_debian_arch PLATFORM, platform_triplet PLATFORM, platform_qemu PLATFORM
# (empty where this machine runs the binaries itself).
platform_debian_arch() {
    case $1 in
        x86_64-pc-linux-gnu) echo amd64 ;;
        i686-pc-linux-gnu) echo i386 ;;
        aarch64-unknown-linux-gnu) echo arm64 ;;
        arm-unknown-linux-gnueabihf) echo armhf ;;
        *) echo "unknown platform $1 (known: ${zf_platforms[*]})" >&2; return 1 ;;
    esac
}
platform_triplet() {
    case $1 in
        x86_64-pc-linux-gnu) echo x86_64-linux-gnu ;;
        i686-pc-linux-gnu) echo i386-linux-gnu ;;
        aarch64-unknown-linux-gnu) echo aarch64-linux-gnu ;;
        arm-unknown-linux-gnueabihf) echo arm-linux-gnueabihf ;;
        *) return 1 ;;
    esac
}
platform_qemu() {
    case $1 in
        x86_64-pc-linux-gnu) echo "" ;;
        i686-pc-linux-gnu) echo qemu-i386 ;;
        aarch64-unknown-linux-gnu) echo qemu-aarch64 ;;
        arm-unknown-linux-gnueabihf) echo qemu-arm ;;
        *) return 1 ;;
    esac
}
