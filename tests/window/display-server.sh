#!/usr/bin/env bash
# Runs one test program on a display server of its own: X11 (Xvfb, Qt's xcb
# platform) or Wayland (weston's headless backend, Qt's wayland platform).
# Exits 77, saying why, when the server is not installed or does not start.
#   tests/window/display-server.sh x11|wayland PROGRAM [ARGUMENT...]
# Run inside tests/common/isolated.sh, which gives it a runtime folder.
set -uo pipefail
kind=${1:?usage: display-server.sh x11|wayland PROGRAM [ARGUMENT...]}
shift
scratch=$(mktemp -d "${TMPDIR:-/tmp}/velumix-display.XXXXXX")
server=""
finish() {
    [ -z "$server" ] || { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; }
    rm -rf "$scratch"
}
trap finish EXIT
skip() {
    echo "skipped: $*"
    exit 77
}

case "$kind" in
x11)
    command -v Xvfb >/dev/null || skip "Xvfb is not installed (Debian package xvfb)"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$scratch/display" \
        2>"$scratch/server.log" &
    server=$!
    for _ in $(seq 100); do
        [ -s "$scratch/display" ] && break
        sleep 0.1
    done
    [ -s "$scratch/display" ] || skip "Xvfb did not start: $(tail -n 3 "$scratch/server.log")"
    export DISPLAY=":$(cat "$scratch/display")"
    export QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY
    ;;
wayland)
    command -v weston >/dev/null || skip "weston is not installed (Debian package weston)"
    [ -d "${XDG_RUNTIME_DIR:-}" ] || skip "no XDG_RUNTIME_DIR for weston's socket"
    socket="velumix-test-$$"
    weston --backend=headless-backend.so --socket="$socket" --idle-time=0 --no-config \
        --width=1920 --height=1080 >"$scratch/server.log" 2>&1 &
    server=$!
    for _ in $(seq 100); do
        [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    [ -S "$XDG_RUNTIME_DIR/$socket" ] ||
        skip "weston did not start: $(tail -n 3 "$scratch/server.log")"
    export WAYLAND_DISPLAY="$socket"
    export QT_QPA_PLATFORM=wayland
    unset DISPLAY
    ;;
*)
    echo "usage: display-server.sh x11|wayland PROGRAM [ARGUMENT...]" >&2
    exit 2
    ;;
esac
"$@"
