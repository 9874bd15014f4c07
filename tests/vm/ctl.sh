#!/usr/bin/env bash
# velumixctl against the virtual headset through hidapi's hidraw back end:
# which interface it lists and opens, and every frame it traces, compared
# byte for byte with what the headset received and sent.
set -u
source "$(dirname "$0")/lib.sh"

readonly kProduct=1054
readonly kIdentity=0a1b2c3d

# One command per row, with the headset fault switched on for it and the exit
# code velumixctl must end with.
#   fault          exit  command
readonly kRows=(
    "none           0    info"
    "none           0    eq --mode 3 --gains 1,-2,3,-4,5,-6,7,-8,9,-12"
    "none           0    mic-volume 40"
    "none           0    enc on"
    "none           0    enc off"
    "short-reports  0    info"
    "error-status   7    mic-volume 40"
    "bad-checksum   6    info"
)

# traced_run EXIT ARGS...: velumixctl --trace-frames ARGS ends with EXIT, and
# the frames it traced are, per direction, those the headset logged.
traced_run() {
    local expected=$1 status direction
    shift
    local from=$(($(headset_log_length) + 1))
    "$bin/velumixctl" --trace-frames "$@" >"$work/ctl.out" 2>"$work/ctl.err"
    status=$?
    if [ "$status" -ne "$expected" ]; then
        echo "velumixctl $* ended with $status, not $expected: $(cat "$work/ctl.err")" >&2
        return 1
    fi
    grep -q '^TX ' "$work/ctl.out" || { echo "velumixctl traced nothing" >&2; return 1; }
    for direction in TX RX; do
        if ! diff <(grep "^$direction " "$work/ctl.out") \
                  <(headset_log_from "$from" | grep "^$direction ") >&2; then
            echo "$direction frames differ (<: velumixctl, >: the headset)" >&2
            return 1
        fi
    done
}

run_row() {
    local fault expected command
    read -r fault expected command <<<"$1"
    [ "$fault" = none ] || { headset "fault $fault on"; wait_headset_line "^fault $fault on" >/dev/null; }
    # shellcheck disable=SC2086 # the command's words are separate arguments
    traced_run "$expected" $command
    local result=$?
    [ "$fault" = none ] || { headset "fault $fault off"; wait_headset_line "^fault $fault off" >/dev/null; }
    return "$result"
}

# The table's rows: product, interface, usage page and path.
lists_only_the_headset_interface() {
    local listed
    listed=$("$bin/velumixctl" list | awk 'NR > 1 { print $2, $3, $4, $NF }') || return 1
    [ "$listed" = "$kProduct -1 ff00 $headset_node" ] ||
        { echo "listed '$listed', the headset is $headset_node" >&2; return 1; }
}

info_names_the_unit() {
    "$bin/velumixctl" info >"$work/info.out" || return 1
    grep -qE "^identity: +$kIdentity\$" "$work/info.out" &&
        grep -qE "^firmware: +VLX-FW 1.4.2\$" "$work/info.out" ||
        { cat "$work/info.out" >&2; return 1; }
}

controls_never_opened() {
    ! grep -q '^controls opened' "$headset_log"
}

finds_no_headset_when_pulled_out() {
    "$bin/velumixctl" info 2>/dev/null
    [ $? -eq 3 ]
}

start_headset
check "the virtual headset comes up" plug_in "$kProduct" "$kIdentity" || { finish; exit 1; }
check "list names only the vendor-defined interface" lists_only_the_headset_interface
check "info reports the unit's firmware and identity" info_names_the_unit
for row in "${kRows[@]}"; do
    check "traced frames match the headset's: $(tr -s " " <<<"$row")" run_row "$row"
done
check "the telephony interface is never opened" controls_never_opened
check "the headset pulled out" pull_out
check "no headset found once it is gone" finds_no_headset_when_pulled_out
finish
