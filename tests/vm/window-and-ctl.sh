#!/usr/bin/env bash
# The window and velumixctl on the virtual headset at the same time:
# velumixctl's commands go through the window, and the window never acts on
# a reply to a command it did not send (another program with the headset
# open gets the window's replies and the window gets the other program's).
set -u
source "$(dirname "$0")/lib.sh"

readonly kProduct=1054
readonly kIdentity=0a1b2c3d
export VELUMIX_ANSWER_BOXES=1

start_window() {
    "$bin/velumix" >"$work/window.log" 2>&1 &
    window_pid=$!
    local deadline=$((SECONDS + 20))
    while [ "$SECONDS" -lt "$deadline" ]; do
        # Run directly, get knows the identity too, but never the microphone.
        "$bin/velumixctl" --json get 2>/dev/null | grep "\"identity\":\"$kIdentity\"" |
            grep -q '"micLevel":[0-9]' && return 0
        sleep 0.2
    done
    echo "the window never reported the unit; it said:" >&2
    tail -n 5 "$work/window.log" >&2
    return 1
}

stop_window() {
    kill "$window_pid" 2>/dev/null
    wait "$window_pid" 2>/dev/null
    return 0
}

# Only the window knows the microphone level: reading it back proves the
# command went through it, and the headset received the level.
mic_volume_goes_through_the_window() {
    local from=$(($(headset_log_length) + 1))
    "$bin/velumixctl" mic-volume 40 || return 1
    "$bin/velumixctl" --json get >"$work/get.out" 2>&1
    grep -q '"micLevel":40' "$work/get.out" ||
        { echo "the window does not show 40: $(cat "$work/get.out")" >&2; headset_log_from "$from" >&2; return 1; }
    [ "$(headset_log_from "$from" | grep -c '^TX ')" -eq 1 ] ||
        { headset_log_from "$from" >&2; return 1; }
}

# velumixctl --trace-frames opens the headset itself, as another program
# would. The status reply it asks for reaches the window too; acting on it
# would re-apply the page and send equaliser frames.
window_ignores_replies_it_did_not_ask_for() {
    local from=$(($(headset_log_length) + 1))
    "$bin/velumixctl" --trace-frames status >"$work/status.out" || return 1
    sleep 1
    if ! diff <(grep '^TX ' "$work/status.out") <(headset_log_from "$from" | grep '^TX ') >&2; then
        echo "the headset received more than velumixctl's own frames (>)" >&2
        return 1
    fi
}

start_headset
check "the virtual headset comes up" plug_in "$kProduct" "$kIdentity" || { finish; exit 1; }
check "the window takes the headset" start_window || { finish; exit 1; }
check "velumixctl's command goes through the window" mic_volume_goes_through_the_window
check "the window ignores replies it did not ask for" window_ignores_replies_it_did_not_ask_for
stop_window
finish
