#!/usr/bin/env bash
# A throwaway PulseAudio server for the tests, independent of any desktop
# session and of the user's sound settings.
#
#   pulse-fixture.sh start DIR   serves unix:DIR/native with one null output
#                                device; returns once the server answers
#   pulse-fixture.sh stop DIR    stops every server started in DIR or in a
#                                folder below it, then removes DIR
#
# The server keeps its state, runtime files and log (DIR/server.log) in DIR,
# runs in the foreground of a background job (fine as root without --system)
# and never exits on its own, so the stop command is what ends it.
set -euo pipefail

readonly startup_timeout_s=10
readonly shutdown_timeout_s=5
readonly marker=.velumix-pulse-fixture

die() {
    echo "pulse-fixture: $*" >&2
    exit 1
}

# The environment of everything run for DIR's server: its private home,
# runtime folder and address, and no way to a desktop session bus.
set_server_env() {
    local dir=$1
    server_env=(env -u DISPLAY -u WAYLAND_DISPLAY
        HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config"
        DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-session-bus"
        PULSE_SERVER="unix:$dir/native")
}

# True while the process is a running server; one that has exited but is not
# yet reaped by its parent counts as gone.
is_server() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    [[ $stat == *"(pulseaudio) "[^Z]* ]]
}

wait_gone() {
    local pid=$1 deadline=$((SECONDS + shutdown_timeout_s))
    while is_server "$pid"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

stop_server() {
    local pid
    pid=$(cat "$1")
    is_server "$pid" || return 0
    kill -TERM "$pid" 2>/dev/null || true
    wait_gone "$pid" && return 0
    echo "pulse-fixture: server $pid ignored SIGTERM, killing it" >&2
    kill -KILL "$pid" 2>/dev/null || true
    wait_gone "$pid"
}

stop() {
    local dir=$1 pid_file
    [ -e "$dir" ] || return 0
    [ -e "$dir/$marker" ] || die "$dir was not made by this script; not touching it"
    while IFS= read -r -d '' pid_file; do
        stop_server "$pid_file"
    done < <(find "$dir" -name server.pid -print0)
    rm -rf "$dir"
}

start() {
    local dir=$1
    command -v pulseaudio >/dev/null || die "pulseaudio is not installed (Debian package pulseaudio)"
    command -v pactl >/dev/null || die "pactl is not installed (Debian package pulseaudio-utils)"
    # A Unix socket path holds at most 107 bytes.
    [ "${#dir}" -le 100 ] || die "folder path too long for a socket: $dir"

    stop "$dir" # leftovers of an interrupted run
    mkdir -p "$dir/home" "$dir/runtime"
    touch "$dir/$marker"
    chmod 700 "$dir" "$dir/runtime"

    # No default script: only the modules named here, so nothing reads or
    # changes the machine's sound devices.
    set_server_env "$dir"
    (cd / && exec "${server_env[@]}" pulseaudio \
        --daemonize=no -n --use-pid-file=no \
        --exit-idle-time=-1 --disallow-exit \
        --realtime=no --high-priority=no --log-target=stderr \
        --load=module-null-sink \
        --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
        </dev/null >"$dir/server.log" 2>&1) &
    local pid=$!
    echo "$pid" >"$dir/server.pid"

    local deadline=$((SECONDS + startup_timeout_s))
    until "${server_env[@]}" pactl info >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then
            cat "$dir/server.log" >&2
            die "the PulseAudio server exited during start-up (log above)"
        fi
        if [ "$SECONDS" -ge "$deadline" ]; then
            cat "$dir/server.log" >&2
            stop "$dir"
            die "the PulseAudio server did not answer within ${startup_timeout_s} s (log above)"
        fi
        sleep 0.1
    done
}

case "${1:-}:${2:-}" in
start:?*) start "$2" ;;
stop:?*) stop "$2" ;;
*) die "usage: $0 start|stop DIR" ;;
esac
