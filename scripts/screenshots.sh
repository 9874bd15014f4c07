#!/usr/bin/env bash
# Renders the window's screens with a simulated headset into docs/screenshots
# (or the folder given), without a display: the pages, the custom modes and
# their import, the Automatic modes list and the start screen.
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/screenshots}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target velumix-screenshots
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A throwaway home: the screens never touch the user's own files.
# Both looks: the default one, and the high-contrast one beside it.
# Each look starts from an empty home of its own.
for look in default high-contrast; do
    option=$([ "$look" = default ] || echo --high-contrast)
    HOME="$scratch/$look" XDG_CONFIG_HOME="$scratch/$look/.config" QT_QPA_PLATFORM=offscreen \
        build/bin/velumix-screenshots $option "$output"
done
