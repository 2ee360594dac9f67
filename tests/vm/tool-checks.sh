# shellcheck shell=bash
# What tandrel-cli must say in each phase of the guest test, and which commands it must send to
# the receiver meanwhile. Sourced by guest.sh, which provides run_tool, the expect_* checks,
# expect_sent, check, HIDRAW, RECEIVER_PATH, BUILD, HERE and PHASE_DIR.

CLI_DIR=$BUILD/src/cli
# A hung read fails the check instead of stalling the machine.
TOOL=(timeout 10 "$CLI_DIR/tandrel-cli")
# The guest's root has a writable layer, so this copy never reaches the host's build folder.
SET_XML=$CLI_DIR/Set.xml

# The device side answers for a paired keyboard: model 0082, firmware 1.05, switch code 2 and
# colour code 3, which the fixture names (table codes one less).
INFO_LINES=("Status:   connected (已连接！！！)" "Model:    V540N" "Firmware: 1.05")
NAMED_LINES=("Switch:   红轴" "Colour:   象牙白")

expect_lines() {
    local name=$1 line
    shift
    for line in "$@"; do
        expect_line "$name" "$line"
    done
}

# Interfaces 0 and 1 answer too, with decoys; only interface 2 may be written to, and what is
# shown is its keyboard.
check_identity() {
    run_tool list list
    expect_rc list 0
    expect_line list "  ${HIDRAW[0]}  interface 0  can be opened"
    expect_line list "  ${HIDRAW[1]}  interface 1  can be opened"
    expect_line list "* ${HIDRAW[2]}  interface 2  can be opened"
    check "list shows the three interfaces only" [ "$(grep -c "  interface [0-9]" "$PHASE_DIR/list.out")" = 3 ]

    run_tool info info --json
    expect_rc info 0
    expect_json info path "\"$RECEIVER_PATH\""
    expect_json info status '"connected"'
    expect_json info linkStatus 3
    expect_json info model '"V540N"'
    expect_json info firmware '"1.05"'
    expect_sent query query
}

# Names come from the Set.xml beside the tool, GBK under a UTF-8 declaration, printed as UTF-8;
# without one, the fallback.
# The fixture stays in place for the later phases.
check_query() {
    run_tool status status
    expect_rc status 0
    expect_line status "connected"

    rm -f "$SET_XML"
    run_tool unnamed info
    expect_rc unnamed 0
    expect_lines unnamed "${INFO_LINES[@]}" "Switch:   其他类型" "Colour:   其他类型"

    check "the Set.xml fixture is put beside the tool" cp "$HERE/Set.xml" "$SET_XML"
    run_tool named info
    expect_rc named 0
    expect_lines named "${INFO_LINES[@]}" "${NAMED_LINES[@]}"
    expect_sent query query query
}

# The pair command goes first; the receiver then reports pairing once, then the connection.
check_pair() {
    run_tool pair pair --timeout 5
    expect_rc pair 0
    expect_lines pair "0 s: pairing" "1 s: connected" "${INFO_LINES[@]}" "${NAMED_LINES[@]}"
    expect_sent pair query query
}

in_range() { [ "$1" -ge "$2" ] && [ "$1" -lt "$3" ]; }

# A receiver that takes the query but never answers costs one bounded read, then a clear error.
check_silent() {
    run_tool silent status
    expect_rc silent 1
    expect_line silent "not connected"
    expect_error silent "tandrel-cli: the receiver did not answer"
    local elapsed
    elapsed=$(tool_ms silent)
    check "the tool waits out the read bound of 500 ms, and not much longer (${elapsed} ms)" \
        in_range "$elapsed" 500 2000
    expect_sent query
}

check_denied() {
    local command
    for command in status pair; do
        run_tool "$command" --as-nobody "$command"
        expect_rc "$command" 4
        expect_error "$command" "permission denied on $RECEIVER_PATH: install the udev rule"
    done
    expect_sent
}

check_unplugged() {
    run_tool status status
    expect_rc status 3
    expect_line status "no receiver"
    expect_error status "no receiver found"
    run_tool info info
    expect_rc info 3
    expect_line info "Status:   no receiver (未找到接收器!)"
}
