# shellcheck shell=bash
# What the tool under test must say in each phase of the guest test, and which commands it must
# send to the receiver meanwhile. Sourced by guest.sh, which provides run_tool, expect_rc,
# expect_line, expect_sent, check, HIDRAW, RECEIVER_PATH, BUILD and PHASE_DIR.

# A hung read fails the check instead of stalling the machine.
TOOL=(timeout 10 "$BUILD/tests/vm/vm_probe")

# Interfaces 0 and 1 of the same device are listed with their numbers; nothing is sent.
check_identity() {
    run_tool list list
    expect_rc list 0
    local n
    for n in 0 1 2; do
        expect_line list "interface=${HIDRAW[n]} 5e1c:8040 $n"
    done
    check "list shows the three interfaces only" [ "$(grep -c '^interface=' "$PHASE_DIR/list.out")" = 3 ]

    run_tool find find
    expect_rc find 0
    expect_line find "path=$RECEIVER_PATH"
    expect_sent
}

# The query goes out as 03 03 8f and the answer comes back whole, report id 0 in front.
check_query() {
    run_tool status status
    expect_rc status 0
    expect_line status "result=Done"
    expect_line status "status=3"
    expect_line status "path=$RECEIVER_PATH"

    run_tool info info
    expect_rc info 0
    expect_line info "status=3"
    expect_line info "answer=$(last_answer_image)"
    expect_sent query query
}

check_pair() {
    run_tool pair pair
    expect_rc pair 0
    expect_line pair "result=Done"
    run_tool pairing status
    expect_line pairing "status=1"
    run_tool connected status
    expect_line connected "status=3"
    expect_sent pair query query
}

in_range() { [ "$1" -ge "$2" ] && [ "$1" -lt "$3" ]; }

# A receiver that takes the query but never answers costs one bounded read.
check_silent() {
    run_tool silent status
    expect_rc silent 1
    expect_line silent "result=NoAnswer"
    expect_line silent "status=0"
    local elapsed
    elapsed=$(sed -n 's/^elapsed_ms=//p' "$PHASE_DIR/silent.out")
    check "the read waits its bound of 500 ms, and not much longer (${elapsed:-?} ms)" \
        in_range "${elapsed:-0}" 500 2500
    expect_sent query
}

check_denied() {
    run_tool denied --as-nobody status
    expect_rc denied 1
    expect_line denied "result=NoAnswer"
    expect_line denied "open_failure=$RECEIVER_PATH PermissionDenied"
    expect_line denied "every_open_denied=1"
    expect_sent
}

check_unplugged() {
    run_tool find find
    expect_rc find 1
    expect_line find "candidates=0"
    run_tool status status
    expect_rc status 1
    expect_line status "result=NoAnswer"
    expect_line status "candidates=0"
}
