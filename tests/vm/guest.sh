#!/bin/bash
# Runs inside the test machine: makes the receiver a USB gadget on dummy_hcd, drives the tool
# under test against it phase by phase, and leaves every outcome in the results folder.
# Usage: guest.sh RESULTS_DIR BUILD_DIR
set -u

RESULTS=$1
BUILD=$2
HERE=$(dirname "$(readlink -f "$0")")
RESPONDER=$BUILD/tests/vm/vm_gadget
GADGET=/sys/kernel/config/usb_gadget/receiver
UDC=dummy_udc.0
CHECKS=$RESULTS/checks.log
# The tool looks for Set.xml beside itself, then in the user's and the system's data folders;
# with those pointed at an empty folder, nothing from the host's files can be found.
NOWHERE=/run/vm-nowhere
PHASE=setup
PHASE_DIR=$RESULTS/setup
RESPONDER_PID=
: >"$CHECKS"
mkdir -p "$NOWHERE"
export HOME=$NOWHERE XDG_CONFIG_HOME=$NOWHERE XDG_DATA_DIRS=$NOWHERE

pass() { echo "PASS $PHASE: $1" >>"$CHECKS"; }
fail() { echo "FAIL $PHASE: $1" >>"$CHECKS"; }

# check DESCRIPTION COMMAND...: one counted check.
check() {
    if "${@:2}"; then pass "$1"; else fail "$1"; fi
}

# Polls a condition for at most five seconds; device nodes come and go asynchronously.
wait_until() {
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

hidraw_count_is() {
    local nodes=(/sys/class/hidraw/hidraw*)
    [ -e "${nodes[0]}" ] || nodes=()
    [ "${#nodes[@]}" -eq "$1" ]
}

# The hidraw node of USB interface N, found through sysfs rather than through hidapi.
hidraw_of_interface() {
    local node number
    for node in /sys/class/hidraw/hidraw*; do
        read -r number <"$node/device/../bInterfaceNumber" || continue
        [ "$number" = "0$1" ] && echo "/dev/${node##*/}"
    done
}

# A vendor-defined collection with one 64-byte input and one 64-byte output report, no ids.
# Interface 2 adds a nested collection and a second top-level one, each with a usage of its own:
# hidapi's hidraw backend lists such an interface once per usage, all under one path.
# One printf, so one write: each write to report_desc replaces the whole descriptor.
report_descriptor() {
    local reports='\x15\x00\x26\xff\x00\x75\x08\x95\x40\x09\x01\x81\x02\x95\x40\x09\x01\x91\x02'
    local nested='\x09\x02\xa1\x00\xc0' second='\x06\x01\xff\x09\x01\xa1\x01\x09\x01\x95\x01\xb1\x02\xc0'
    if [ "$1" = 2 ]; then
        printf "\x06\x00\xff\x09\x01\xa1\x01$reports$nested\xc0$second"
    else
        printf "\x06\x00\xff\x09\x01\xa1\x01$reports\xc0"
    fi
}

make_gadget() {
    mkdir -p /sys/kernel/config
    mount -t configfs configfs /sys/kernel/config || return 1
    mkdir "$GADGET" || return 1
    echo 0x5e1c >"$GADGET/idVendor"
    echo 0x8040 >"$GADGET/idProduct"
    mkdir "$GADGET/strings/0x409"
    echo "Tandrel test" >"$GADGET/strings/0x409/manufacturer"
    echo "Test receiver" >"$GADGET/strings/0x409/product"
    echo "vm-0001" >"$GADGET/strings/0x409/serialnumber"
    mkdir "$GADGET/configs/c.1"
    local n
    for n in 0 1 2; do
        local function=$GADGET/functions/hid.$n
        mkdir "$function" || return 1
        echo 0 >"$function/protocol"
        echo 0 >"$function/subclass"
        echo 64 >"$function/report_length"
        report_descriptor "$n" >"$function/report_desc"
    done
    # Linked in order, so that hid.N becomes interface N.
    for n in 0 1 2; do
        ln -s "$GADGET/functions/hid.$n" "$GADGET/configs/c.1/" || return 1
    done
    echo "$UDC" >"$GADGET/UDC"
}

# Unplugging, as far as the host can tell: the gadget lets go of its controller.
unbind_gadget() { echo "" >"$GADGET/UDC"; }

# Each function's device node carries its instance number as minor, hid.N on /dev/hidgN.
hidg_nodes_match() {
    local n
    for n in 0 1 2; do
        [ "$(cut -d: -f2 "$GADGET/functions/hid.$n/dev")" = "$n" ] && [ -c "/dev/hidg$n" ] || return 1
    done
}

stop_responder() {
    if [ -n "$RESPONDER_PID" ]; then
        kill "$RESPONDER_PID" 2>/dev/null
        wait "$RESPONDER_PID" 2>/dev/null
        RESPONDER_PID=
    fi
}

# begin_phase NAME answer|silent|none: a fresh results folder and a fresh device side.
begin_phase() {
    stop_responder
    PHASE=$1
    PHASE_DIR=$RESULTS/$1
    mkdir -p "$PHASE_DIR"
    local n
    for n in 0 1 2; do
        : >"$PHASE_DIR/if$n.log"
    done
    if [ "$2" != none ]; then
        "$RESPONDER" "$2" "$PHASE_DIR" "$PHASE_DIR/ready" /dev/hidg0 /dev/hidg1 /dev/hidg2 \
            2>"$PHASE_DIR/responder.err" &
        RESPONDER_PID=$!
        check "the device side is listening" wait_until test -e "$PHASE_DIR/ready"
    fi
}

# expect_sent [--interface N] COMMAND...: what this phase's output reports on interface N
# (2 unless given) must be, in order, as the host later reads them from the device's records.
expect_sent() {
    local interface=2
    if [ "${1-}" = --interface ]; then
        interface=$2
        shift 2
    fi
    printf '%s\n' "$@" >"$PHASE_DIR/expected-if$interface"
}

# run_tool NAME [--as-nobody] ARGS...: runs the tool, keeping its output as NAME.out and
# NAME.err, its exit code as NAME.rc and its run time in milliseconds as NAME.ms in the phase
# folder.
run_tool() {
    local name=$1
    shift
    local as=()
    if [ "${1-}" = --as-nobody ]; then
        as=(setpriv --reuid 65534 --regid 65534 --clear-groups)
        shift
    fi
    local started=${EPOCHREALTIME/./} rc
    "${as[@]}" "${TOOL[@]}" "$@" >"$PHASE_DIR/$name.out" 2>"$PHASE_DIR/$name.err"
    rc=$?
    echo $(((${EPOCHREALTIME/./} - started) / 1000)) >"$PHASE_DIR/$name.ms"
    echo $rc >"$PHASE_DIR/$name.rc"
}

# Bash builtins only: every process started under emulation costs tens of milliseconds.
tool_rc() { tool_value "$1.rc"; }
tool_ms() { tool_value "$1.ms"; }
tool_value() {
    local value
    read -r value <"$PHASE_DIR/$1"
    echo "$value"
}
tool_says() {
    local line
    while IFS= read -r line; do
        [ "$line" = "$2" ] && return 0
    done <"$PHASE_DIR/$1.out"
    return 1
}
# contains FILE TEXT: some line of FILE contains TEXT.
contains() {
    local line
    while IFS= read -r line; do
        [[ $line == *"$2"* ]] && return 0
    done <"$1"
    return 1
}
tool_mentions() { contains "$PHASE_DIR/$1.err" "$2"; }
# The key must be followed by the end of its value, so that 3 does not pass for 30.
json_has() {
    contains "$PHASE_DIR/$1.out" "\"$2\":$3," || contains "$PHASE_DIR/$1.out" "\"$2\":$3}"
}
expect_rc() { check "$1 exits with $2" [ "$(tool_rc "$1")" = "$2" ]; }
expect_line() { check "$1 says '$2'" tool_says "$1" "$2"; }
expect_error() { check "$1 complains '$2'" tool_mentions "$1" "$2"; }
# expect_json NAME KEY VALUE: VALUE as JSON text, strings with their quotes.
expect_json() { check "$1 gives $2 $3" json_has "$1" "$2" "$3"; }

# A write to interface 0 made here, not by the tool, proves the records would show one.
probe_the_records() {
    local image=$PHASE_DIR/query.bin
    { printf '\x00\x03\x03\x8f'; head -c 61 /dev/zero; } >"$image"
    check "a report written to interface 0 reaches the device" \
        dd if="$image" of="${HIDRAW[0]}" bs=65 count=1 status=none
    wait_until grep -q '^in ' "$PHASE_DIR/if0.log"
    expect_sent --interface 0 query
}

source "$HERE/tool-checks.sh"

check "the USB gadget is made and bound" make_gadget
check "three hidraw nodes appear" wait_until hidraw_count_is 3
check "each hid function has its own device node" hidg_nodes_match
HIDRAW=("$(hidraw_of_interface 0)" "$(hidraw_of_interface 1)" "$(hidraw_of_interface 2)")
RECEIVER_PATH=${HIDRAW[2]}
echo "interfaces: ${HIDRAW[*]}" >"$RESULTS/setup.txt"

begin_phase udev none
check_udev_rule

begin_phase records answer
probe_the_records

begin_phase identity answer
check_identity

begin_phase query answer
check_query

begin_phase pair answer
check_pair

begin_phase silent silent
check_silent

begin_phase denied answer
check_denied

begin_phase unplugged none
check "the gadget unbinds from its controller" unbind_gadget
check "the hidraw nodes go away" wait_until hidraw_count_is 0
check_unplugged

stop_responder
echo finished >"$RESULTS/finished"
