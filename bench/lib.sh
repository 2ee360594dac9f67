# Shared by the bench/ scripts: building the bench preset, a private X display, medians.
# shellcheck shell=bash
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/common.sh"

BENCH_BUILD="$TANDREL_ROOT/build/bench"

bench_build() {
    ensure_packages "${TANDREL_BENCH_PACKAGES[@]}"
    (cd "$TANDREL_ROOT" && cmake --preset bench >/dev/null &&
        cmake --build --preset bench -j "$(jobs_count)" "$@")
}

# Starts an Xvfb of our own on a free display number, exports DISPLAY for it and stops it on exit.
# Qt runs on it through its X11 (xcb) platform, as on a desktop.
start_xvfb() {
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" 2>/dev/null &
    BENCH_XVFB_PID=$!
    trap 'kill "$BENCH_XVFB_PID" 2>/dev/null || true; rm -rf "$BENCH_RUNTIME_DIR"' EXIT
    local waited=0
    while [ ! -s "$number_file" ]; do
        if ! kill -0 "$BENCH_XVFB_PID" 2>/dev/null || [ "$waited" -ge 100 ]; then
            echo "error: Xvfb did not start" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    export DISPLAY=":$(head -n1 "$number_file")"
    rm -f "$number_file"
    BENCH_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR="$BENCH_RUNTIME_DIR" QT_QPA_PLATFORM=xcb
}

# The median of the numbers on standard input, one a line.
median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit 1;
        print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

machine_summary() {
    local cpu
    cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
    echo "machine: $(nproc) cores, ${cpu}; $(uname -sr); $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
}
