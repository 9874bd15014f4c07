#!/usr/bin/env bash
# Runs one test program with a throwaway home, so that no test ever reads or
# writes the user's real documents, configuration or autostart folders, and
# without the user's session bus: a test that needs one starts its own.
set -euo pipefail
scratch=$(mktemp -d "${TMPDIR:-/tmp}/velumix-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$HOME/Documents" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-session-bus"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
"$@"
