# A private display for the checks and tools that need a real one: an Xvfb X server, with or
# without a window manager, or a headless Weston. What is started here stops when the script
# that sourced this file exits.
# shellcheck shell=bash

DISPLAY_PIDS=()
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'stop_display' EXIT

stop_display() {
    local pid
    for pid in "${DISPLAY_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$XDG_RUNTIME_DIR"
}

# Runs a command in the background until the script ends.
run_in_background() {
    "$@" &
    DISPLAY_PIDS+=($!)
}

# Waits up to ten seconds for a command to succeed.
wait_until() {
    local tries=0
    until "$@" >/dev/null 2>&1; do
        [ $((tries += 1)) -le 100 ] || return 1
        sleep 0.1
    done
}

# Exports DISPLAY for a new Xvfb on a free display number, with any extra Xvfb options given; Qt
# uses its X11 platform there.
start_xvfb() {
    local number="$XDG_RUNTIME_DIR/display"
    run_in_background Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp "$@" 3>"$number" \
        2>/dev/null
    wait_until test -s "$number" || { echo "error: Xvfb did not start" >&2 && return 1; }
    export DISPLAY=":$(head -n1 "$number")" QT_QPA_PLATFORM=xcb
}

start_openbox() {
    run_in_background openbox --sm-disable >/dev/null 2>&1
    wait_until sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
        { echo "error: openbox did not start" >&2 && return 1; }
}

# Exports WAYLAND_DISPLAY for a new Weston with its headless backend, as in a Wayland session.
start_weston() {
    run_in_background weston --backend=headless-backend.so --socket=wayland-check --idle-time=0 \
        >"$XDG_RUNTIME_DIR/weston.log" 2>&1
    wait_until test -S "$XDG_RUNTIME_DIR/wayland-check" ||
        { echo "error: weston did not start" >&2 && return 1; }
    unset DISPLAY QT_QPA_PLATFORM
    export WAYLAND_DISPLAY=wayland-check XDG_SESSION_TYPE=wayland
}
