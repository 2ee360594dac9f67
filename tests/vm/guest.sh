#!/bin/bash
# Runs inside the test machine: makes the receiver a USB gadget on dummy_hcd, drives tandrel-cli
# against it phase by phase, and leaves each check's outcome, the tool's outputs and what the
# device side received in the results folder. Usage: guest.sh RESULTS_DIR BUILD_DIR CHROOT_ROOT
set -u
shopt -s nullglob
RESULTS=$1 BUILD=$2 CHROOT=$3 HERE=$(dirname "$(readlink -f "$0")")
GADGET=/sys/kernel/config/usb_gadget/receiver
PHASE=setup RESPONDER_PID='' RUN_AS=() HIDRAW=(none none none)
# The tool looks for Set.xml beside itself, then in the user's and the system's data folders;
# with those pointed at an empty folder, nothing from the host's files can be found. The guest's
# root has a writable layer, so a copy beside the tool never reaches the host's build folder.
SET_XML=$BUILD/src/cli/Set.xml
rm -f "$SET_XML"
mkdir -p /run/vm-nowhere
export HOME=/run/vm-nowhere XDG_CONFIG_HOME=/run/vm-nowhere XDG_DATA_DIRS=/run/vm-nowhere
# The device side answers for a paired keyboard: model 0082, firmware 1.05, switch code 2 and
# colour code 3, which the fixture names (table codes one less).
INFO_LINES=("Status:   connected (已连接！！！)" "Model:    V540N" "Firmware: 1.05")
NAMED_LINES=("Switch:   红轴" "Colour:   象牙白")

check() {
    { "${@:2}" && echo "PASS $PHASE: $1" || echo "FAIL $PHASE: $1"; } >>"$RESULTS/checks.log"
}
# Polls a condition for a few seconds; device nodes come and go asynchronously.
wait_until() { for _ in {1..100}; do "$@" && return 0; sleep 0.05; done; return 1; }
hidraw_count_is() { local nodes=(/sys/class/hidraw/hidraw*); [ "${#nodes[@]}" -eq "$1" ]; }

# A vendor-defined collection with one 64-byte input and one 64-byte output report, no ids.
# Interface 2 adds a nested collection and a second top-level one, each with a usage of its own:
# hidapi's hidraw backend lists such an interface once per usage, all under one path.
# One printf, so one write: each write to report_desc replaces the whole descriptor.
report_descriptor() {
    local reports='\x15\x00\x26\xff\x00\x75\x08\x95\x40\x09\x01\x81\x02\x95\x40\x09\x01\x91\x02'
    local nested='\x09\x02\xa1\x00\xc0' second='\x06\x01\xff\x09\x01\xa1\x01\x09\x01\x95\x01\xb1\x02\xc0'
    [ "$1" = 2 ] || nested='' second=''
    printf "\x06\x00\xff\x09\x01\xa1\x01$reports$nested\xc0$second"
}
# Functions are linked in order, so that hid.N becomes interface N and /dev/hidgN.
make_gadget() (
    mkdir -p /sys/kernel/config && mount -t configfs configfs /sys/kernel/config &&
        mkdir -p "$GADGET/configs/c.1" && cd "$GADGET" || return 1
    echo 0x5e1c >idVendor && echo 0x8040 >idProduct || return 1
    for n in 0 1 2; do
        mkdir "functions/hid.$n" && echo 64 >"functions/hid.$n/report_length" &&
            report_descriptor "$n" >"functions/hid.$n/report_desc" &&
            ln -s "$GADGET/functions/hid.$n" configs/c.1/ || return 1
    done
    echo dummy_udc.0 >UDC
)

# begin_phase NAME answer|silent|hung|none [COMMAND...]: a fresh results folder and a fresh device
# side, and the commands interface 2 must receive in the phase, in order, while 0 and 1 receive
# nothing; the host compares them with the device side's records afterwards.
begin_phase() {
    if [ -n "$RESPONDER_PID" ]; then kill "$RESPONDER_PID" && wait "$RESPONDER_PID"; fi 2>/dev/null
    RESPONDER_PID='' PHASE=$1 PHASE_DIR=$RESULTS/$1
    mkdir -p "$PHASE_DIR"
    [ "$2" = none ] && return
    echo "${*:3}" >"$PHASE_DIR/expected"
    "$BUILD/tests/vm/vm_gadget" "$2" >"$PHASE_DIR/device.log" 2>"$PHASE_DIR/device.err" &
    RESPONDER_PID=$!
    check "the device side is listening" wait_until test -s "$PHASE_DIR/device.log"
}

# run_tool NAME RC ARGS...: runs the tool (as RUN_AS, if set), which must exit with RC, keeping its
# output as NAME.out and NAME.err, its exit code as NAME.rc and its run time in ms as NAME.ms.
run_tool() {
    local started=${EPOCHREALTIME/./}
    "${RUN_AS[@]}" timeout 10 "$BUILD/src/cli/tandrel-cli" "${@:3}" >"$PHASE_DIR/$1.out" \
        2>"$PHASE_DIR/$1.err"
    echo $? >"$PHASE_DIR/$1.rc"
    echo $(((${EPOCHREALTIME/./} - started) / 1000)) >"$PHASE_DIR/$1.ms"
    check "$1 exits with $2" [ "$(<"$PHASE_DIR/$1.rc")" = "$2" ]
}
# Output checks use bash builtins only: every process started under emulation costs over 100 ms.
has_line() { [[ $'\n'$1$'\n' == *$'\n'"$2"$'\n'* ]]; }
contains() { [[ $1 == *"$2"* ]]; }
# says NAME LINE...: each LINE is a whole line of what NAME printed.
says() {
    local out line
    out=$(<"$PHASE_DIR/$1.out")
    for line in "${@:2}"; do check "$1 says '$line'" has_line "$out" "$line"; done
}
complains() { check "$1 complains '$2'" contains "$(<"$PHASE_DIR/$1.err")" "$2"; }
# within NAME MS WHAT: NAME took less than MS beyond what an answered run takes (in $answered).
within() {
    local ms && read -r ms <"$PHASE_DIR/$1.ms"
    check "$3 ($ms ms; answered: $answered ms)" [ "$ms" -lt $((answered + $2)) ]
}

check "the USB gadget is made and bound" make_gadget
check "three hidraw nodes appear" wait_until hidraw_count_is 3
# The hidraw node of each USB interface, found through sysfs rather than through hidapi.
for node in /sys/class/hidraw/hidraw*; do
    read -r number <"$node/device/../bInterfaceNumber" && HIDRAW[10#$number]=/dev/${node##*/}
done

# The package's own scripts under Debian's udevd; uid 65534 is the seat's user as logind records
# it, so udev's uaccess grants it access. Installed, it gets interface 2; upgraded from a rule that
# tagged every interface, it keeps interface 2 only; after removal, none; each at once and after a
# later event, and only the nodes whose access changes see events. Others keep their access.
begin_phase access none
RULE=/usr/lib/udev/rules.d/70-tandrel.rules NEW_RULE=$HERE/../../res/linux/70-tandrel.rules
SCRIPTS=$BUILD/debian N=("${HIDRAW[@]#/dev/}")
mkdir -p /run/systemd/seats /run/udev/rules.d && echo ACTIVE_UID=65534 >/run/systemd/seats/seat0
# udev notes each event of a hidraw node; events prints and forgets those noted so far.
echo 'SUBSYSTEM=="hidraw", RUN+="/bin/sh -c '\''echo $env{ACTION} %k >>/run/events'\''"' \
    >/run/udev/rules.d/99-events.rules && : >/run/events
events() { udevadm settle && echo $(</run/events) | tee -a "$PHASE_DIR/events" && : >/run/events; }
# Without udevd, as in most containers, no event would ever be handled, nor awaited.
check "without udevd the postinst waits for nothing" timeout 10 sh "$SCRIPTS/postinst" configure
check "udevd starts" /lib/systemd/systemd-udevd --daemon
replay() { udevadm control --reload-rules && udevadm trigger -s hidraw && udevadm settle; }
# opens UID IFS: of the receiver's nodes, UID opens for reading and writing those of interfaces IFS.
opens() {
    local s=$(setpriv --reuid="$1" --regid="$1" --clear-groups bash -c \
        'for n in 1 2 3; do : 2>/dev/null 3<>"${!n}" && echo -n $((n - 1)); done' - "${HIDRAW[@]}")
    echo "uid $1 opens [$s]" >>"$PHASE_DIR/opened" && [ "$s" = "$2" ]
}
# applied SCRIPT ARG IFS EVENTS: after the package's SCRIPT ARG, with EVENTS, uid 65534 opens IFS.
applied() {
    events >/dev/null && sh "$SCRIPTS/$1" "$2" && opens 65534 "$3" && [ "$(events)" = "$4" ] &&
        replay && opens 65534 "$3"
}
check "installed, the rule gives uid 65534 interface 2" \
    eval 'cp "$NEW_RULE" $RULE && applied postinst configure 2 "change ${N[2]}"'
echo 'SUBSYSTEM=="hidraw", ATTRS{idVendor}=="5e1c", ATTRS{idProduct}=="8040", TAG+="uaccess"' \
    >$RULE
check "the old rule gives uid 65534 every interface" eval 'replay && opens 65534 012'
check "uid 65533 is given interface 0 by hand" setfacl -m u:65533:rw "${HIDRAW[0]}"
check "after the upgrade uid 65534 opens interface 2 only" eval 'cp "$NEW_RULE" $RULE &&
    applied postinst configure 2 "remove ${N[0]} add ${N[0]} remove ${N[1]} add ${N[1]}"'
check "after the removal uid 65534 opens none" \
    eval 'rm $RULE && applied postrm remove "" "remove ${N[2]} add ${N[2]}"'
check "uid 65533 keeps interface 0" opens 65533 0

# An image builder's chroot: a Debian root with the guest's /proc, /sys, /dev and /run mounted in.
# udevadm ignores requests in a chroot it recognises, but Debian 12's recognises none without /proc,
# so this one is told not to look: only the postinst's own test keeps it from the receiver.
begin_phase chroot none
in_root() { chroot "$CHROOT" env SYSTEMD_IN_CHROOT=0 "$@"; }
check "udevadm in the chroot reaches the receiver" eval 'cp "$SCRIPTS/postinst" "$CHROOT/tmp/" &&
    mount -t proc proc "$CHROOT/proc" && mount --bind /sys "$CHROOT/sys" &&
    mount --rbind /dev "$CHROOT/dev" && mount --rbind /run "$CHROOT/run" && events >/dev/null &&
    in_root udevadm trigger --settle --action=change "/sys/class/hidraw/${N[2]}" &&
    [ "$(events)" = "change ${N[2]}" ]'
check "in the chroot the postinst sends no event" \
    eval 'in_root sh /tmp/postinst configure && [ -z "$(events)" ] && opens 65534 ""'

# Interfaces 0 and 1 answer too, with decoys; only interface 2 may be written to, and what is
# shown is its keyboard. Interface 2 is listed by hidapi once per usage; the tool shows it once.
begin_phase identity answer query query
run_tool list 0 list
says list "  ${HIDRAW[0]}  interface 0  can be opened" \
    "  ${HIDRAW[1]}  interface 1  can be opened" "* ${HIDRAW[2]}  interface 2  can be opened"
check "list shows each of the three interfaces once" \
    [ "$(grep -c "  interface [0-9]" "$PHASE_DIR/list.out")" = 3 ]
run_tool info 0 info --json
json='{"colour":"其他类型","firmware":"1.05","linkStatus":3,"model":"V540N","path":'
says info "$json\"${HIDRAW[2]}\",\"status\":\"connected\",\"switch\":\"其他类型\"}"

# Names come from the Set.xml beside the tool, GBK under a UTF-8 declaration, printed as UTF-8;
# without one, the fallback. The fixture stays in place for the later phases.
begin_phase query answer query query query
run_tool status 0 status
says status "connected"
run_tool unnamed 0 info
says unnamed "${INFO_LINES[@]}" "Switch:   其他类型" "Colour:   其他类型"
check "the Set.xml fixture is put beside the tool" cp "$HERE/Set.xml" "$SET_XML"
run_tool named 0 info
says named "${INFO_LINES[@]}" "${NAMED_LINES[@]}"

# The pair command goes first; the receiver then reports pairing once, then the connection.
begin_phase pair answer pair query query
run_tool pair 0 pair --timeout 5
says pair "0 s: pairing" "1 s: connected" "${INFO_LINES[@]}" "${NAMED_LINES[@]}"

# A receiver that takes the query but never answers costs one bounded read, then a clear error;
# an interface listed once per usage must not cost one read per listing. The answered status of
# the query phase measures the rest of the run. A pairing with it ends at its time-out on the
# clock: three seconds and the read bound of the last look.
begin_phase silent silent query pair query query
run_tool silent 1 status
says silent "not connected"
complains silent "tandrel-cli: the receiver did not answer"
read -r elapsed <"$PHASE_DIR/silent.ms"
read -r answered <"$RESULTS/query/status.ms"
check "the tool waits out one read bound of 500 ms, not two ($elapsed ms; answered: $answered ms)" \
    eval '[ "$elapsed" -ge 500 ] && [ "$elapsed" -lt $((answered + 800)) ]'
run_tool pair 5 pair --timeout 3
complains pair "pairing timed out after 3 s; the receiver did not answer"
within pair 3500 "pair --timeout 3 ends within 3.5 s"

begin_phase denied answer
RUN_AS=(setpriv --reuid 65534 --regid 65534 --clear-groups)
for command in status pair; do
    run_tool "$command" 4 "$command"
    complains "$command" "permission denied on ${HIDRAW[2]}: install the udev rule"
done
RUN_AS=()

# A receiver whose firmware hangs reads no more commands: once the gadget's queued requests are
# full, each write waits in the kernel for the USB time-out (5 s). Each run may write once, not
# retry; usbmon shows what a run put on the bus. Beyond what an answered run takes (the tool's
# start under emulation), a run may take one time-out and a second.
begin_phase hung hung
mount -t debugfs debugfs /sys/kernel/debug
for run in 1 2 3 4 5 6; do
    run_tool "filling$run" 1 status
    read -r elapsed <"$PHASE_DIR/filling$run.ms"
    [ "$elapsed" -lt 4000 ] || break
done
check "the receiver stops taking commands within six runs ($elapsed ms)" [ "$elapsed" -ge 4000 ]
for run in 1 2; do
    cat /sys/kernel/debug/usb/usbmon/0u >"$PHASE_DIR/bus$run.log" &
    monitor=$!
    sleep 0.2
    run_tool "hung$run" 1 status
    kill "$monitor" && wait "$monitor" 2>/dev/null
    says "hung$run" "not connected"
    within "hung$run" 6000 "hung$run ends within one USB time-out and a second"
    queries=$(grep -c ' S Io:.* = 03038f00' "$PHASE_DIR/bus$run.log")
    check "hung$run puts one query on the bus, not a retry ($queries)" [ "$queries" = 1 ]
done
# Ctrl-C a second into a run: the write in flight runs its course, and the tool ends with it.
run_tool interrupted 130 status &
sleep 1 && pkill -INT -x tandrel-cli
wait $!
complains interrupted "tandrel-cli: interrupted."
within interrupted 6000 "Ctrl-C ends status within one USB time-out"

# Unplugging, as far as the host can tell: the gadget lets go of its controller.
begin_phase unplugged none
check "the gadget unbinds from its controller" eval 'echo "" >"$GADGET/UDC"'
check "the hidraw nodes go away" wait_until hidraw_count_is 0
run_tool status 3 status
says status "no receiver"
complains status "no receiver found"
run_tool info 3 info
says info "Status:   no receiver (未找到接收器!)"
echo finished >"$RESULTS/finished"
