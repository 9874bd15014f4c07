#!/usr/bin/env bash
# A throwaway PulseAudio server for the tests, independent of any desktop
# session and of the user's sound settings. Where PipeWire's PulseAudio server
# is installed (the sound stack of a Debian 12 desktop) it is a private
# PipeWire with pipewire-pulse and WirePlumber, none of them looking at the
# machine's devices; elsewhere the pulseaudio daemon. VELUMIX_SOUND_SERVER
# (pipewire or pulseaudio) picks one by name.
#
#   pulse-fixture.sh start DIR   serves unix:DIR/native with one null output
#                                device; returns once the server answers
#   pulse-fixture.sh stop DIR    stops every server started in DIR or in a
#                                folder below it, then removes DIR
#
# The servers keep their state, runtime files and logs (DIR/*.log) in DIR,
# run in the foreground of background jobs (fine as root without --system)
# and never exit on their own, so the stop command is what ends them.
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
        XDG_STATE_HOME="$dir/home/.local/state"
        DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-session-bus"
        PULSE_SERVER="unix:$dir/native")
}

# True while the process is a running server; one that has exited but is not
# yet reaped by its parent counts as gone.
is_server() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    [[ $stat =~ \((pulseaudio|pipewire|pipewire-pulse|wireplumber)\)\ [^Z] ]]
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

# Servers are numbered in start order (N-name.pid) and stopped in reverse.
stop() {
    local dir=$1 pid_file
    [ -e "$dir" ] || return 0
    [ -e "$dir/$marker" ] || die "$dir was not made by this script; not touching it"
    while IFS= read -r -d '' pid_file; do
        stop_server "$pid_file"
    done < <(find "$dir" -name '*.pid' -print0 | sort -rz)
    rm -rf "$dir"
}

# pipewire where PipeWire's PulseAudio server is installed, else pulseaudio.
sound_server() {
    local wanted=${VELUMIX_SOUND_SERVER:-} tool
    if [ -z "$wanted" ]; then
        wanted=pulseaudio
        command -v pipewire-pulse >/dev/null && wanted=pipewire
    fi
    case "$wanted" in
    pipewire)
        for tool in pipewire pipewire-pulse wireplumber; do
            command -v "$tool" >/dev/null || die "$tool is not installed (Debian package $tool)"
        done
        ;;
    pulseaudio)
        command -v pulseaudio >/dev/null || die "pulseaudio is not installed (Debian package pulseaudio)"
        ;;
    *) die "VELUMIX_SOUND_SERVER is pipewire or pulseaudio, not '$wanted'" ;;
    esac
    echo "$wanted"
}

# run_server N NAME [ARGS...]: the Nth server process of DIR in the background,
# its log in DIR/NAME.log.
run_server() {
    local number=$1 name=$2
    shift
    (cd / && exec "${server_env[@]}" "$@" </dev/null >"$dir/$name.log" 2>&1) &
    echo "$!" >"$dir/$number-$name.pid"
    server_pids+=("$!")
}

# No default script: only the modules named here, so nothing reads or
# changes the machine's sound devices.
start_pulseaudio() {
    run_server 1 pulseaudio \
        --daemonize=no -n --use-pid-file=no \
        --exit-idle-time=-1 --disallow-exit \
        --realtime=no --high-priority=no --log-target=stderr \
        --load=module-null-sink \
        --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1"
}

# PipeWire reads its files from the private XDG_CONFIG_HOME: the PulseAudio
# server listens on DIR/native with one null output device (and no stand-in
# device once that is removed); WirePlumber keeps the default device and
# watches no sound, video or Bluetooth hardware and needs no session bus.
write_pipewire_config() {
    local config="$dir/home/.config"
    mkdir -p "$config/pipewire" "$config/wireplumber/main.lua.d" "$config/wireplumber/bluetooth.lua.d"
    cat >"$config/pipewire/pipewire-pulse.conf" <<END
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-protocol-pulse }
]
pulse.cmd = [
    { cmd = "load-module" args = "module-null-sink" }
]
pulse.properties = {
    server.address = [ "unix:$dir/native" ]
}
END
    printf '%s\n' 'alsa_monitor.enabled = false' 'v4l2_monitor.enabled = false' \
        'libcamera_monitor.enabled = false' \
        'default_access.properties["enable-flatpak-portal"] = false' \
        >"$config/wireplumber/main.lua.d/51-no-devices.lua"
    echo 'bluez_monitor.enabled = false' >"$config/wireplumber/bluetooth.lua.d/51-no-devices.lua"
}

start_pipewire() {
    write_pipewire_config
    run_server 1 pipewire
    local deadline=$((SECONDS + startup_timeout_s))
    until [ -S "$dir/runtime/pipewire-0" ] || [ "$SECONDS" -ge "$deadline" ]; do
        sleep 0.05
    done
    run_server 2 wireplumber
    run_server 3 pipewire-pulse
}

# The server answers, and has chosen its default output device.
server_ready() {
    local sink
    sink=$("${server_env[@]}" pactl get-default-sink 2>/dev/null) && [ "$sink" != "@DEFAULT_SINK@" ]
}

start() {
    dir=$1
    local server pid
    server=$(sound_server)
    command -v pactl >/dev/null || die "pactl is not installed (Debian package pulseaudio-utils)"
    # A Unix socket path holds at most 107 bytes.
    [ "${#dir}" -le 100 ] || die "folder path too long for a socket: $dir"

    stop "$dir" # leftovers of an interrupted run
    mkdir -p "$dir/home" "$dir/runtime"
    touch "$dir/$marker"
    chmod 700 "$dir" "$dir/runtime"

    set_server_env "$dir"
    server_pids=()
    "start_$server"

    local deadline=$((SECONDS + startup_timeout_s))
    until server_ready; do
        for pid in "${server_pids[@]}"; do
            kill -0 "$pid" 2>/dev/null && continue
            tail -n 20 "$dir"/*.log >&2
            stop "$dir"
            die "the $server server exited during start-up (logs above)"
        done
        if [ "$SECONDS" -ge "$deadline" ]; then
            tail -n 20 "$dir"/*.log >&2
            stop "$dir"
            die "the $server server did not answer within ${startup_timeout_s} s (logs above)"
        fi
        sleep 0.1
    done
}

case "${1:-}:${2:-}" in
start:?*) start "$2" ;;
stop:?*) stop "$2" ;;
*) die "usage: $0 start|stop DIR" ;;
esac
