#!/usr/bin/env bash
# A session scripted with velumixctl against the window's simulated headset:
# starts `velumix --simulate`, then applies a preset and a custom mode, sets
# the microphone, pulls the headset out, plugs it back in, plugs in another
# unit, reads the settings as JSON, and prints what the window reported
# meanwhile (`velumixctl --json watch`). Every command goes through the window.
#   scripts/example-session.sh [BIN_DIR]     (default: build/bin)
# Without a desktop, run it with QT_QPA_PLATFORM=offscreen. Needs jq.
set -euo pipefail
bin=${1:-"$(dirname "$0")/../build/bin"}
ctl() { "$bin/velumixctl" "$@"; }

socket="${XDG_RUNTIME_DIR:?the session has no runtime folder}/velumix-$(id -u)"
if [ -S "$socket" ]; then
    echo "A velumix window runs already (or left $socket behind); quit it first." >&2
    exit 1
fi

"$bin/velumix" --simulate=1054 &
window=$!
events=$(mktemp)
trap 'kill "${watcher:-}" "$window" 2>/dev/null; rm -f "$events"' EXIT

# The window listens once it has started.
for _ in $(seq 50); do
    [ -S "$socket" ] && break
    sleep 0.2
done
[ -S "$socket" ] || { echo "the window did not start" >&2; exit 1; }

ctl --json watch >"$events" &
watcher=$!
sleep 0.5

step() { echo "\$ velumixctl $*"; ctl "$@"; }
step get
step preset list --page stereo
step preset Jazz --page stereo
# The first custom mode saved for this unit, if it has any.
custom=$(ctl --json custom list | jq -r '.[0].name // empty')
if [ -n "$custom" ]; then
    step custom apply "$custom" --page "$(ctl --json custom list | jq -r '.[0].page')"
else
    echo "(no custom mode saved for this unit yet: make one in the window)"
fi
step mic-volume 40
step enc on
step simulate unplug
sleep 1
step simulate plug
sleep 1
step simulate new-unit 4130 0a1b2c3d
sleep 1
echo "\$ velumixctl --json get"
ctl --json get | jq .

sleep 0.5
echo "What the window reported meanwhile:"
cat "$events"
