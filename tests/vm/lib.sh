# Shared by the shell checks that run inside the test guest: the virtual
# headset (tools/uhid-headset) behind a pipe, and the check bookkeeping.
# Source it with VELUMIX_BIN set to the build's bin folder.

bin=${VELUMIX_BIN:?VELUMIX_BIN must name the build output folder}
work=$(mktemp -d)
failures=0
headset_log="$work/headset.log"
headset_lines_seen=0

# check DESCRIPTION COMMAND...: runs one check and tells how it went.
check() {
    local description=$1
    shift
    if "$@"; then
        echo "ok - $description"
    else
        echo "FAILED - $description"
        failures=$((failures + 1))
    fi
}

finish() {
    [ -n "${headset_pid:-}" ] && stop_headset
    rm -rf "$work"
    [ "$failures" -eq 0 ]
}

start_headset() {
    mkfifo "$work/headset.in"
    "$bin/uhid-headset" <"$work/headset.in" >"$headset_log" 2>&1 &
    headset_pid=$!
    exec 7>"$work/headset.in"
}

stop_headset() {
    echo quit >&7
    exec 7>&-
    wait "$headset_pid"
    headset_pid=
}

headset() { echo "$*" >&7; }

# wait_headset_line PATTERN: the first line the headset said after the last
# one waited for that matches PATTERN (extended regex); fails after 10 s.
wait_headset_line() {
    local deadline=$((SECONDS + 10)) found
    while [ "$SECONDS" -lt "$deadline" ]; do
        found=$(tail -n +"$((headset_lines_seen + 1))" "$headset_log" | grep -n -m 1 -E "$1")
        if [ -n "$found" ]; then
            headset_lines_seen=$((headset_lines_seen + ${found%%:*}))
            echo "${found#*:}"
            return 0
        fi
        sleep 0.05
    done
    echo "the headset never said /$1/; it said:" >&2
    tail -n 5 "$headset_log" >&2
    return 1
}

# plug_in PID IDENTITY: a unit appears; sets headset_node and controls_node.
plug_in() {
    headset "create $1 $2"
    local ready
    ready=$(wait_headset_line '^(ready|error)') || return 1
    read -r _ headset_node controls_node <<<"$ready"
    [ -n "$controls_node" ] || { echo "$ready" >&2; return 1; }
}

pull_out() {
    headset destroy
    wait_headset_line '^destroyed$' >/dev/null
}

# The headset's log from line N on.
headset_log_from() { tail -n +"$1" "$headset_log"; }
headset_log_length() { wc -l <"$headset_log"; }
