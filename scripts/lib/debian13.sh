# The Debian 13 ("trixie") stage of scripts/test, for a host of another release: a minimal
# Debian 13 root, made with debootstrap once per machine and kept, in which the tree as it stands
# is checked with Debian 13's clang-format, built and tested under the dev preset, then packaged
# and put through the package round trip (lintian, install, run, removal), all with Debian 13's
# own tools and libraries. Sourced by scripts/test after common.sh and package-check.sh.
# shellcheck shell=bash

DEBIAN13_MIRROR=http://deb.debian.org/debian
DEBIAN13_CACHE=${TANDREL_DEBIAN13_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tandrel-debian13}
DEBIAN13_ROOT=$DEBIAN13_CACHE/root

# What the stage needs in the root: the build packages (Qt's translation tools and Qt's own
# Chinese texts among them), clang-format, the test frameworks and the benchmarks' libraries, the
# desktop files' validators, and dpkg, lintian, devscripts' hardening-check and man-db for the
# package; and udev, with which the real-kernel test's chroot phase runs the package's postinst in
# this root.
DEBIAN13_PACKAGES=(
    "${TANDREL_BUILD_PACKAGES[@]}"
    clang-format libgtest-dev libbenchmark-dev libxcb-damage0-dev
    desktop-file-utils appstream dpkg-dev lintian devscripts man-db udev
)

debian13_host() { (. /etc/os-release && [ "$ID" = debian ] && [ "${VERSION_ID:-}" = 13 ]); }

# Runs a command inside the root with a clean environment, in a mount namespace of its own, so
# that its mounts vanish with it whatever happens; the trap undoes them all the same. /sys is
# read-only: hidapi lists the devices there, and nothing in the root may touch the host's.
debian13_run() {
    unshare --mount --propagation private bash -c '
        root=$1
        shift
        trap "umount -R \"\$root/dev\" \"\$root/sys\" \"\$root/proc\" 2>/dev/null || true" EXIT
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mount --bind /sys "$root/sys"
        mount -o remount,bind,ro "$root/sys"
        cp /etc/resolv.conf "$root/etc/resolv.conf"
        chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"' \
        _ "$DEBIAN13_ROOT" "$@"
}

# debian13_prepare [PACKAGE...]: makes the root unless it is there, brings it up to date once a
# week, as a fresh one would be, and installs what it misses of the packages (by default the
# stage's). The first run on a machine mostly waits on the Debian archive, so scripts/test starts
# this in the background. A subshell, so that the lock goes with it.
debian13_prepare() (
    ensure_packages debootstrap
    mkdir -p "$DEBIAN13_CACHE"
    # One run at a time in the root: another scripts/test, from another tree, waits here.
    exec {lock}>"$DEBIAN13_CACHE/lock"
    flock "$lock"
    if [ ! -f "$DEBIAN13_ROOT/.tandrel-ready" ]; then
        # A run stopped half-way leaves only the staging folder, which the next run replaces;
        # the mounts debootstrap makes in it go with its mount namespace.
        local staging=$DEBIAN13_ROOT.partial
        rm -rf --one-file-system "$staging"
        echo "debian13: making a Debian 13 root in $DEBIAN13_ROOT"
        unshare --mount --propagation private \
            debootstrap --variant=minbase trixie "$staging" "$DEBIAN13_MIRROR" ||
            { echo "debian13: debootstrap failed" >&2 && return 1; }
        touch "$staging/.tandrel-ready"
        rm -rf --one-file-system "$DEBIAN13_ROOT"
        mv -T "$staging" "$DEBIAN13_ROOT"
    fi
    mkdir -p "$DEBIAN13_ROOT/tandrel"
    if [ -n "$(find "$DEBIAN13_ROOT/.tandrel-ready" -mtime +6)" ]; then
        echo "debian13: bringing the root up to date"
        debian13_run sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get -y -qq upgrade'
        touch "$DEBIAN13_ROOT/.tandrel-ready"
    fi
    # The downloaded packages are not kept: the root is big enough without them.
    debian13_run bash -c "$(declare -f as_root ensure_packages)"'
        ensure_packages "$@" && apt-get clean' _ "${@:-${DEBIAN13_PACKAGES[@]}}"
)

# Starts debian13_prepare in a process group of its own, which the stage waits for and an early
# end of scripts/test stops.
debian13_prepare_in_background() {
    debian13_host && return 0
    DEBIAN13_PREPARE_LOG=$(mktemp)
    setsid -w bash -c 'set -euo pipefail && source "$1/common.sh" && source "$1/debian13.sh"
        debian13_prepare' \
        _ "$TANDREL_ROOT/scripts/lib" >"$DEBIAN13_PREPARE_LOG" 2>&1 &
    DEBIAN13_PREPARE_PID=$!
    trap 'kill -- -"$DEBIAN13_PREPARE_PID" 2>/dev/null || true' EXIT
}

debian13_stage() {
    if debian13_host; then
        echo "debian13: this host runs Debian 13, which the stages above have tested"
        return 0
    fi
    if [ -n "${DEBIAN13_PREPARE_PID:-}" ]; then
        local status=0
        wait "$DEBIAN13_PREPARE_PID" || status=$?
        DEBIAN13_PREPARE_PID=
        [ "$status" -eq 0 ] ||
            { cat "$DEBIAN13_PREPARE_LOG" >&2 && echo "debian13: preparing the root failed" >&2 && return 1; }
        grep -E '^(debian13|Installing):' "$DEBIAN13_PREPARE_LOG" || true
        rm -f "$DEBIAN13_PREPARE_LOG"
    else
        debian13_prepare
    fi
    local lock
    exec {lock}>"$DEBIAN13_CACHE/lock"
    flock "$lock"
    # The root's builds are kept between runs of the same tree, like the host's; the copies keep
    # the sources' times, so that make sees what changed. Another tree's builds go.
    local tree=$DEBIAN13_ROOT/tandrel
    [ "$(cat "$tree/.source" 2>/dev/null)" = "$TANDREL_ROOT" ] || rm -rf "$tree/build"
    find "$tree" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
    copy_sources "$tree"
    echo "$TANDREL_ROOT" >"$tree/.source"
    debian13_run SOURCE_DATE_EPOCH="$(git -C "$TANDREL_ROOT" log -1 --format=%ct)" bash -c '
        set -euo pipefail
        cd /tandrel
        source scripts/lib/common.sh
        source scripts/lib/package-check.sh
        echo "debian13: $(g++ --version | head -n1), Qt $(dpkg-query -W -f="\${Version}" qt6-base-dev)"
        find . -path ./build -prune -o \( -name "*.cpp" -o -name "*.h" \) -print0 |
            xargs -0 clang-format --dry-run --Werror
        cmake --preset dev >/dev/null
        cmake --build --preset dev -j "$(jobs_count)"
        ctest --preset dev
        package_round_trip --once'
    exec {lock}>&-
}
