# The Debian 13 ("trixie") stage of scripts/test, for a host of another release: a minimal
# Debian 13 root, made with debootstrap once per machine and kept, in which the tree as it stands
# is built and tested under the dev preset, then packaged and put through the package round trip
# (lintian, a second build, install, run, removal), all with Debian 13's own tools and libraries.
# Sourced by scripts/test after common.sh and package-check.sh.
# shellcheck shell=bash

DEBIAN13_MIRROR=http://deb.debian.org/debian
DEBIAN13_CACHE=${TANDREL_DEBIAN13_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tandrel-debian13}

# What the dev preset's build and tests and the package round trip need in the root.
DEBIAN13_PACKAGES=(
    "${TANDREL_BUILD_PACKAGES[@]}"
    libgtest-dev libbenchmark-dev libxcb-damage0-dev
    dpkg-dev desktop-file-utils appstream lintian man-db
)

# debian13_root ROOT: makes ROOT with debootstrap unless it is ready, staging in ROOT.partial.PID
# so that a run stopped half-way leaves nothing that looks ready.
debian13_root() {
    local root=$1 staging=$1.partial.$$
    [ -f "$root/.tandrel-ready" ] && return 0
    rm -rf "$staging"
    mkdir -p "$(dirname "$root")"
    echo "debian13: making a Debian 13 root in $root (once per machine)"
    debootstrap --variant=minbase trixie "$staging" "$DEBIAN13_MIRROR" >"$staging.log" 2>&1 ||
        { echo "debian13: debootstrap failed; its log is $staging.log" >&2 && return 1; }
    touch "$staging/.tandrel-ready"
    rm -rf "$root" "$staging.log"
    mv -T "$staging" "$root"
}

# debian13_chroot ROOT COMMAND...: runs COMMAND in ROOT with a clean environment. Called in a
# mount namespace of its own, so that the mounts vanish with it whatever happens; the trap
# undoes them in order all the same. /sys is read-only: hidapi lists devices there, and nothing
# in the root may poke the host's devices.
debian13_chroot() {
    local root=$1
    shift
    trap 'umount -R "$root/dev" "$root/sys" "$root/proc" 2>/dev/null || true' EXIT
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --bind /sys "$root/sys"
    mount -o remount,bind,ro "$root/sys"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" "$@"
}

# What runs inside the root, in its copy of the tree.
debian13_inside() {
    ensure_packages "${DEBIAN13_PACKAGES[@]}"
    echo "debian13: $(g++ --version | head -n1), Qt $(dpkg-query -W -f='${Version}' qt6-base-dev)"
    cmake --preset dev >/dev/null
    cmake --build --preset dev -j "$(jobs_count)"
    ctest --preset dev
    package_round_trip
}

debian13_stage() {
    if (. /etc/os-release && [ "$ID" = debian ] && [ "${VERSION_ID:-}" = 13 ]); then
        echo "debian13: this host runs Debian 13, which the stages above have tested"
        return 0
    fi
    ensure_packages debootstrap
    local root=$DEBIAN13_CACHE/root
    debian13_root "$root" || return 1
    # The builds in the root's copy are kept between runs, like the host's; the sources are not.
    local tree=$root/tandrel
    mkdir -p "$tree"
    find "$tree" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
    copy_sources "$tree"
    SOURCE_DATE_EPOCH=$(git -C "$TANDREL_ROOT" log -1 --format=%ct) \
        unshare --mount --propagation private bash -c \
        'source "$1/common.sh" && source "$1/debian13.sh" && debian13_chroot "$2" bash -c "$3"' \
        _ "$TANDREL_ROOT/scripts/lib" "$root" \
        'set -euo pipefail && cd /tandrel && source scripts/lib/common.sh &&
         source scripts/lib/package-check.sh && source scripts/lib/debian13.sh && debian13_inside'
}
