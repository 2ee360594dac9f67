# Shared by the scripts: where the project is and how missing Debian packages get installed.
# shellcheck shell=bash

TANDREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# What building and testing need. Listed once so `run` and `test` cannot drift apart. Qt's
# translation tools compile the window's English: lrelease and lupdate (qt6-l10n-tools) and their
# CMake commands (qt6-tools-dev). The window also needs at run time what the package depends on
# beyond its libraries: Qt's Wayland platform plugin and the translations of Qt's own texts.
TANDREL_BUILD_PACKAGES=(
    cmake g++ make pkg-config git
    qt6-base-dev qt6-tools-dev qt6-l10n-tools
    libhidapi-dev libtinyxml-dev libcli11-dev nlohmann-json3-dev
    fonts-wqy-microhei qt6-wayland qt6-translations-l10n
)
# The real-kernel test boots a guest under QEMU; its kernel and busybox are downloaded, not
# installed. kmod orders the guest's modules, cpio packs its initramfs, setpriv drops privileges,
# udev's udevd applies the project's rule, and acl's setfacl, which the package's scripts take
# access back with, gives an entry by hand.
TANDREL_VM_PACKAGES=(
    qemu-system-x86 kmod cpio xz-utils util-linux coreutils udev acl
)
# The accessibility test runs the window on Xvfb with a private session bus (dbus-daemon), the
# accessibility bus and its registry (at-spi2-core), and reads it from Python through AT-SPI. The
# speech test has Orca follow it, speaking through speech-dispatcher, with keys typed by xdotool.
TANDREL_A11Y_PACKAGES=(
    dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
    orca speech-dispatcher xdotool
)
# The desktop checks show the window on Xvfb, bare or under openbox, and read it with x11-utils'
# xprop and xwininfo, and on a headless Weston; lintian, devscripts' hardening-check and man-db
# judge the package; debootstrap makes the Debian 13 root of that stage.
TANDREL_TEST_PACKAGES=(
    "${TANDREL_BUILD_PACKAGES[@]}"
    libgtest-dev clang-format
    dpkg-dev desktop-file-utils appstream lintian devscripts man-db debootstrap
    libbenchmark-dev libxcb-damage0-dev
    xvfb x11-utils openbox weston
    "${TANDREL_VM_PACKAGES[@]}"
    "${TANDREL_A11Y_PACKAGES[@]}"
)

# The benchmarks in bench/ and their tools; not needed to build or test. Xvfb gives the window a
# display, the DAMAGE extension's headers let frame-watch see its first frame, hyperfine times the
# command-line tool.
TANDREL_BENCH_PACKAGES=(
    "${TANDREL_BUILD_PACKAGES[@]}"
    libbenchmark-dev libxcb-damage0-dev xvfb hyperfine jq
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "error: installing packages needs root; run as root or install sudo" >&2
        return 1
    fi
}

# Installs only the packages that are missing, so a prepared machine does not touch apt at all.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    # Waits for another apt run instead of failing at once, so that two scripts can start together.
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends "${missing[@]}"
}

jobs_count() { nproc 2>/dev/null || echo 2; }

# copy_sources DEST [TAR_OPTION...]: copies the project's files as they stand, committed or not,
# without its builds, to DEST; --touch stamps the copies with the present time.
copy_sources() {
    local dest=$1
    shift
    mkdir -p "$dest"
    if git -C "$TANDREL_ROOT" rev-parse --git-dir >/dev/null 2>&1; then
        git -C "$TANDREL_ROOT" ls-files -z -co --exclude-standard
    else
        (cd "$TANDREL_ROOT" && find . -path ./build -prune -o ! -type d -print0)
    fi | tar -C "$TANDREL_ROOT" -c --null -T - | tar -C "$dest" -x "$@"
}
