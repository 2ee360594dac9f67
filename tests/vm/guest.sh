#!/bin/bash
# Runs inside the test machine: makes the receiver a USB gadget on dummy_hcd, drives the tool
# under test against it phase by phase (tool-checks.sh), and leaves every outcome in the results
# folder. Usage: guest.sh RESULTS_DIR BUILD_DIR
set -u

RESULTS=$1
BUILD=$2
HERE=$(dirname "$(readlink -f "$0")")
GADGET=/sys/kernel/config/usb_gadget/receiver
CHECKS=$RESULTS/checks.log
PHASE=setup
PHASE_DIR=$RESULTS/setup
RESPONDER_PID=
: >"$CHECKS"
# The tool looks for Set.xml beside itself, then in the user's and the system's data folders;
# with those pointed at an empty folder, nothing from the host's files can be found.
mkdir -p /run/vm-nowhere
export HOME=/run/vm-nowhere XDG_CONFIG_HOME=/run/vm-nowhere XDG_DATA_DIRS=/run/vm-nowhere

# check DESCRIPTION COMMAND...: one counted check.
check() {
    if "${@:2}"; then
        echo "PASS $PHASE: $1" >>"$CHECKS"
    else
        echo "FAIL $PHASE: $1" >>"$CHECKS"
    fi
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
    mount -t configfs configfs /sys/kernel/config && mkdir "$GADGET" || return 1
    echo 0x5e1c >"$GADGET/idVendor"
    echo 0x8040 >"$GADGET/idProduct"
    mkdir "$GADGET/configs/c.1"
    local n
    for n in 0 1 2; do
        mkdir "$GADGET/functions/hid.$n" || return 1
        echo 64 >"$GADGET/functions/hid.$n/report_length"
        report_descriptor "$n" >"$GADGET/functions/hid.$n/report_desc"
    done
    # Linked in order, so that hid.N becomes interface N and /dev/hidgN.
    for n in 0 1 2; do
        ln -s "$GADGET/functions/hid.$n" "$GADGET/configs/c.1/" || return 1
    done
    echo dummy_udc.0 >"$GADGET/UDC"
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
    : >"$PHASE_DIR/if0.log" && : >"$PHASE_DIR/if1.log" && : >"$PHASE_DIR/if2.log"
    if [ "$2" != none ]; then
        "$BUILD/tests/vm/vm_gadget" "$2" "$PHASE_DIR" "$PHASE_DIR/ready" /dev/hidg0 /dev/hidg1 \
            /dev/hidg2 2>"$PHASE_DIR/responder.err" &
        RESPONDER_PID=$!
        check "the device side is listening" wait_until test -e "$PHASE_DIR/ready"
    fi
}

# expect_sent [--interface N] COMMAND...: the reports interface N (2 unless given) must receive
# in this phase, in order; the host compares them with the device's records afterwards.
expect_sent() {
    local interface=2
    if [ "${1-}" = --interface ]; then
        interface=$2
        shift 2
    fi
    printf '%s\n' "$@" >"$PHASE_DIR/expected-if$interface"
}

# run_tool NAME [--as-nobody] ARGS...: runs the tool, keeping its output as NAME.out and
# NAME.err, its exit code as NAME.rc and its run time in milliseconds as NAME.ms.
run_tool() {
    local name=$1 as=() started=${EPOCHREALTIME/./}
    shift
    if [ "${1-}" = --as-nobody ]; then
        as=(setpriv --reuid 65534 --regid 65534 --clear-groups)
        shift
    fi
    "${as[@]}" timeout 10 "$BUILD/src/cli/tandrel-cli" "$@" >"$PHASE_DIR/$name.out" \
        2>"$PHASE_DIR/$name.err"
    echo $? >"$PHASE_DIR/$name.rc"
    echo $(((${EPOCHREALTIME/./} - started) / 1000)) >"$PHASE_DIR/$name.ms"
}

# Bash builtins only: every process started under emulation costs tens of milliseconds.
value_of() {
    local value
    read -r value <"$1"
    echo "$value"
}
# has_line FILE LINE, contains FILE TEXT: some line of FILE is LINE, or contains TEXT.
has_line() {
    local line
    while IFS= read -r line; do
        [ "$line" = "$2" ] && return 0
    done <"$1"
    return 1
}
contains() {
    local line
    while IFS= read -r line; do
        [[ $line == *"$2"* ]] && return 0
    done <"$1"
    return 1
}
expect_rc() { check "$1 exits with $2" [ "$(value_of "$PHASE_DIR/$1.rc")" = "$2" ]; }
expect_error() { check "$1 complains '$2'" contains "$PHASE_DIR/$1.err" "$2"; }
# expect_lines NAME LINE...: each LINE is a whole line of what NAME printed.
expect_lines() {
    local name=$1 line
    for line in "${@:2}"; do
        check "$name says '$line'" has_line "$PHASE_DIR/$name.out" "$line"
    done
}
# expect_json NAME KEY VALUE: VALUE as JSON text, strings with their quotes, followed by the end
# of the value, so that 3 does not pass for 30.
json_has() { contains "$1" "\"$2\":$3," || contains "$1" "\"$2\":$3}"; }
expect_json() { check "$1 gives $2 $3" json_has "$PHASE_DIR/$1.out" "$2" "$3"; }

source "$HERE/tool-checks.sh"

check "the USB gadget is made and bound" make_gadget
check "three hidraw nodes appear" wait_until hidraw_count_is 3
HIDRAW=("$(hidraw_of_interface 0)" "$(hidraw_of_interface 1)" "$(hidraw_of_interface 2)")
echo "interfaces: ${HIDRAW[*]}" >"$RESULTS/setup.txt"

for phase in "udev none" "identity answer" "query answer" "pair answer" "silent silent" \
    "denied answer" "unplugged none"; do
    begin_phase $phase
    "check_${phase% *}"
done
stop_responder
echo finished >"$RESULTS/finished"
