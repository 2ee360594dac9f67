# shellcheck shell=bash
# What the system and tandrel-cli must do in each phase of the guest test, and which commands the
# receiver must receive meanwhile. Sourced by guest.sh, which provides the helpers and HIDRAW.

# The tool looks beside itself first. The guest's root has a writable layer, so this copy never
# reaches the host's build folder.
SET_XML=$BUILD/src/cli/Set.xml
# The device side answers for a paired keyboard: model 0082, firmware 1.05, switch code 2 and
# colour code 3, which the fixture names (table codes one less).
INFO_LINES=("Status:   connected (已连接！！！)" "Model:    V540N" "Firmware: 1.05")
NAMED_LINES=("Switch:   红轴" "Colour:   象牙白")

tagged_uaccess() {
    local line
    while IFS= read -r line; do
        [[ $line == TAGS=*:uaccess:* ]] && return 0
    done <"$1"
    return 1
}

# Real udev, with the project's rule installed where an administrator puts local rules, gives the
# user at the seat the command interface only; no daemon is needed to see what the rules do.
check_udev() {
    check "the rule is installed" cp "$HERE/../../res/linux/70-tandrel.rules" /etc/udev/rules.d/
    local n out
    for n in 0 1 2; do
        out=$PHASE_DIR/udev-if$n.out
        udevadm test --action=add "/sys/class/hidraw/${HIDRAW[n]#/dev/}" >"$out" 2>&1
        check "udevadm test runs the rules for ${HIDRAW[n]}" contains "$out" "DEVNAME=${HIDRAW[n]}"
        if [ "$n" = 2 ]; then
            check "interface 2 is tagged uaccess" tagged_uaccess "$out"
        else
            check "interface $n is not tagged uaccess" eval '! tagged_uaccess "$out"'
        fi
    done
}

# Interfaces 0 and 1 answer too, with decoys; only interface 2 may be written to, and what is
# shown is its keyboard. Interface 2 is listed by hidapi once per usage; the tool shows it once.
check_identity() {
    run_tool list list
    expect_rc list 0
    expect_lines list "  ${HIDRAW[0]}  interface 0  can be opened" \
        "  ${HIDRAW[1]}  interface 1  can be opened" "* ${HIDRAW[2]}  interface 2  can be opened"
    check "list shows each of the three interfaces once" \
        [ "$(grep -c "  interface [0-9]" "$PHASE_DIR/list.out")" = 3 ]
    run_tool info info --json
    expect_rc info 0
    expect_json info path "\"${HIDRAW[2]}\""
    expect_json info status '"connected"'
    expect_json info linkStatus 3
    expect_json info model '"V540N"'
    expect_json info firmware '"1.05"'
    expect_sent query query
}

# Names come from the Set.xml beside the tool, GBK under a UTF-8 declaration, printed as UTF-8;
# without one, the fallback. The fixture stays in place for the later phases.
check_query() {
    run_tool status status
    expect_rc status 0
    expect_lines status "connected"
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

# A receiver that takes the query but never answers costs one bounded read, then a clear error;
# an interface listed once per usage must not cost one read per listing. The answered status of
# the query phase measures the rest of the run.
check_silent() {
    run_tool silent status
    expect_rc silent 1
    expect_lines silent "not connected"
    expect_error silent "tandrel-cli: the receiver did not answer"
    local elapsed answered
    elapsed=$(value_of "$PHASE_DIR/silent.ms")
    answered=$(value_of "$RESULTS/query/status.ms")
    check "the tool waits out one read bound of 500 ms, not two (${elapsed} ms; answered: ${answered} ms)" \
        eval '[ "$elapsed" -ge 500 ] && [ "$elapsed" -lt $((answered + 800)) ]'
    expect_sent query
}

check_denied() {
    local command
    for command in status pair; do
        run_tool "$command" --as-nobody "$command"
        expect_rc "$command" 4
        expect_error "$command" "permission denied on ${HIDRAW[2]}: install the udev rule"
    done
    expect_sent
}

# Unplugging, as far as the host can tell: the gadget lets go of its controller.
check_unplugged() {
    check "the gadget unbinds from its controller" eval 'echo "" >"$GADGET/UDC"'
    check "the hidraw nodes go away" wait_until hidraw_count_is 0
    run_tool status status
    expect_rc status 3
    expect_lines status "no receiver"
    expect_error status "no receiver found"
    run_tool info info
    expect_rc info 3
    expect_lines info "Status:   no receiver (未找到接收器!)"
}
