#!/usr/bin/env bash
# The window and velumixctl on the virtual headset at the same time:
# velumixctl's commands go through the window, and the window never acts on
# a reply to a command it did not send (another program with the headset
# open gets the window's replies and the window gets the other program's).
# Then the window is left alone with the headset and its wake-ups are
# counted (printed: a figure, not a check), and an unplug while it is idle
# and the unit plugged in again are followed, with replies as before.
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
# mic_volume_goes_through_the_window [LEVEL]
mic_volume_goes_through_the_window() {
    local from=$(($(headset_log_length) + 1)) level=${1:-40}
    "$bin/velumixctl" mic-volume "$level" || return 1
    "$bin/velumixctl" --json get >"$work/get.out" 2>&1
    grep -q "\"micLevel\":$level" "$work/get.out" ||
        { echo "the window does not show $level: $(cat "$work/get.out")" >&2; headset_log_from "$from" >&2; return 1; }
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

# The window's threads, one a line: "thread name context_switches".
window_threads() {
    local task
    for task in /proc/"$window_pid"/task/*; do
        echo "${task##*/} $(tr ' ' _ <"$task/comm" 2>/dev/null)" \
            "$(awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }' \
                "$task/status" 2>/dev/null)"
    done | sort
}

# Prints the window's wake-ups per second over 10 s, after 3 s to settle,
# and the threads that woke. A wake-up means the program ran: the headset's
# link waits for the kernel, so with no traffic it adds none.
count_idle_wakeups() {
    local seconds=10
    sleep 3
    window_threads >"$work/threads.before"
    sleep "$seconds"
    window_threads >"$work/threads.after"
    kill -0 "$window_pid" 2>/dev/null || return 1
    # A thread that ended in between is left out, one started counts in full.
    join -a 2 -e 0 -o 2.2,1.3,2.3 "$work/threads.before" "$work/threads.after" |
        awk -v s="$seconds" '
            { d = $3 - $2; n += d; if (d) woke = woke sprintf(" %s %d", $1, d) }
            END { printf "idle wake-ups of the window with the headset: %d in %d s, %.1f per second%s\n",
                         n, s, n / s, woke ? " (" substr(woke, 2) ")" : "" }'
}

# An unplug while the window sits idle is noticed at once, without any
# read time-out; the unit plugged in again is taken and answers.
window_follows_unplug() {
    pull_out || return 1
    local deadline=$((SECONDS + 5))
    while [ "$SECONDS" -lt "$deadline" ]; do
        "$bin/velumixctl" --json get 2>&1 | grep -q "\"identity\":\"$kIdentity\"" || return 0
        sleep 0.1
    done
    echo "the window still reports the unit after it was pulled out" >&2
    return 1
}

window_takes_the_unit_again() {
    plug_in "$kProduct" "$kIdentity" || return 1
    local deadline=$((SECONDS + 20))
    while [ "$SECONDS" -lt "$deadline" ]; do
        "$bin/velumixctl" --json get 2>/dev/null | grep "\"identity\":\"$kIdentity\"" |
            grep -q '"micLevel":[0-9]' && return 0
        sleep 0.2
    done
    echo "the window never took the unit again" >&2
    return 1
}

start_headset
check "the virtual headset comes up" plug_in "$kProduct" "$kIdentity" || { finish; exit 1; }
check "the window takes the headset" start_window || { finish; exit 1; }
check "velumixctl's command goes through the window" mic_volume_goes_through_the_window
check "the window ignores replies it did not ask for" window_ignores_replies_it_did_not_ask_for
check "the window is still running after 13 s idle with the headset" count_idle_wakeups
check "an unplug while idle is noticed" window_follows_unplug
check "the unit plugged in again is taken" window_takes_the_unit_again
check "velumixctl's command goes through the window after the replug" \
    mic_volume_goes_through_the_window 60
stop_window
finish
