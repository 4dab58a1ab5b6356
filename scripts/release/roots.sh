# shellcheck shell=bash
# Sourced by the release scripts: Debian roots made with debootstrap and kept
# between runs under $ZF_ROOTS (default /var/cache/zorvath_fold/roots), each
# made again when the recipe it was made from changes. Needs root.

zf_roots=${ZF_ROOTS:-/var/cache/zorvath_fold/roots}
zf_mirror=${ZF_DEBIAN_MIRROR:-http://deb.debian.org/debian}

roots_fail() {
    echo "roots: $*" >&2
    exit 1
}

# need_root_tools: debootstrap and the privileges it needs.
need_root_tools() {
    [ "$(id -u)" = 0 ] || roots_fail "making a Debian root needs root"
    command -v debootstrap >/dev/null || roots_fail "no debootstrap (Debian package debootstrap)"
    command -v unshare >/dev/null || roots_fail "no unshare (util-linux)"
}

# root_current DIR RECIPE: DIR was made, to the end, from RECIPE.
root_current() {
    [ -f "$1/.zf_recipe" ] && [ "$(cat "$1/.zf_recipe")" = "$2" ]
}

# lock_root NAME: holds NAME's lock until the calling shell exits or
# unlock_root, so that two makers of one root (the test command makes them
# ahead, beside the tests that use them) never build it at once; the second
# finds it made.
lock_root() {
    mkdir -p "$zf_roots"
    exec {zf_root_lock}>"$zf_roots/$1.lock"
    flock "$zf_root_lock"
}
unlock_root() { exec {zf_root_lock}>&-; }

# claim_root NAME DIR RECIPE: true, holding NAME's lock, when the root is to
# be made; false when it is current, perhaps made meanwhile by another maker.
claim_root() {
    root_current "$2" "$3" && return 1
    need_root_tools
    lock_root "$1"
    root_current "$2" "$3" || return 0
    unlock_root
    return 1
}

# finish_root DIR.new DIR RECIPE: records the recipe and puts the root in
# place, so that a root half made by an interrupted run is never used.
finish_root() {
    local new=$1 dir=$2 recipe=$3
    printf '%s' "$recipe" >"$new/.zf_recipe"
    rm -rf "$dir"
    mv "$new" "$dir"
}

# make_native_root NAME SUITE PACKAGES...: a minimal root of this machine's
# architecture holding PACKAGES, installed by its own apt.
make_native_root() {
    local name=$1 suite=$2
    shift 2
    local dir="$zf_roots/$name" recipe="native $suite $*"
    claim_root "$name" "$dir" "$recipe" || return 0
    echo "roots: making $name ($suite, $*)"
    rm -rf "$dir.new"
    debootstrap --variant=minbase "$suite" "$dir.new" "$zf_mirror" >"$zf_roots/$name.log" 2>&1 ||
        roots_fail "debootstrap of $name failed: $(tail -n 5 "$zf_roots/$name.log")"
    in_root "$dir.new" apt-get update -qq >>"$zf_roots/$name.log" 2>&1
    if (($#)); then
        in_root "$dir.new" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends "$@" >>"$zf_roots/$name.log" 2>&1 ||
            roots_fail "installing $* into $name failed: $(tail -n 5 "$zf_roots/$name.log")"
    fi
    in_root "$dir.new" apt-get clean
    finish_root "$dir.new" "$dir" "$recipe"
    unlock_root
}

# make_foreign_root NAME SUITE ARCH PACKAGES...: a root of another
# architecture, for running its binaries under qemu-user with -L: the first
# stage of debootstrap downloads the base and PACKAGES with their
# dependencies, and every downloaded package is unpacked (nothing of the
# foreign architecture is run, so no second stage and no binfmt handler).
make_foreign_root() {
    local name=$1 suite=$2 arch=$3
    shift 3
    local dir="$zf_roots/$name" recipe="foreign $suite $arch $*" deb
    claim_root "$name" "$dir" "$recipe" || return 0
    echo "roots: making $name ($suite $arch, $*)"
    rm -rf "$dir.new"
    local include
    include=$(IFS=,; echo "$*")
    debootstrap --foreign --arch="$arch" --variant=minbase ${include:+--include="$include"} \
        "$suite" "$dir.new" "$zf_mirror" >"$zf_roots/$name.log" 2>&1 ||
        roots_fail "debootstrap of $name failed: $(tail -n 5 "$zf_roots/$name.log")"
    for deb in "$dir.new"/var/cache/apt/archives/*.deb; do
        dpkg-deb -x "$deb" "$dir.new" || roots_fail "cannot unpack $deb into $name"
    done
    rm -f "$dir.new"/var/cache/apt/archives/*.deb
    # No ldconfig of the root's has run, and qemu-user would let the loader
    # read this machine's /etc/ld.so.cache in its place, whose 32-bit x86
    # entries name this machine's own /lib32 libraries for an i386 root. An
    # empty cache is ignored: the loader searches the root's library
    # directories instead.
    : >"$dir.new/etc/ld.so.cache"
    finish_root "$dir.new" "$dir" "$recipe"
    unlock_root
}

# in_root DIR COMMAND...: COMMAND inside the root, with /proc, /dev/shm and
# the X servers' sockets; the mounts live in a namespace of their own, so they
# go when the command ends, however it ends. ZF_BIND="SRC:DEST[:ro] ..." adds
# bind mounts; ZF_IN_DIR is the working directory inside.
in_root() { (exec_in_root "$@"); }

# exec_in_root DIR COMMAND...: in_root in place of the calling shell, so that
# COMMAND keeps its process id (for a task that its client watches by pid).
exec_in_root() {
    local dir=$1
    shift
    # shellcheck disable=SC2016
    exec unshare --mount --propagation private -- bash -c '
        set -e
        dir=$1; shift
        mount -t proc proc "$dir/proc"
        mkdir -p "$dir/dev/shm"
        mount -t tmpfs tmpfs "$dir/dev/shm"
        if [ -d /tmp/.X11-unix ]; then
            mkdir -p "$dir/tmp/.X11-unix"
            mount --bind /tmp/.X11-unix "$dir/tmp/.X11-unix"
        fi
        for bind in ${ZF_BIND:-}; do
            IFS=: read -r src dest opts <<<"$bind"
            mkdir -p "$dir$dest"
            mount --bind "$src" "$dir$dest"
            [ "$opts" != ro ] || mount -o remount,bind,ro "$dir$dest"
        done
        exec chroot "$dir" /bin/sh -c "cd \"\${ZF_IN_DIR:-/}\" && exec \"\$@\"" sh "$@"
    ' in_root "$dir" "$@"
}
