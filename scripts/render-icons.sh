#!/usr/bin/env bash
# Renders the desktop icons (resources/icons/icons.py) into resources/icons:
# the scalable and symbolic SVGs and the usual hicolor PNG sizes.
# Needs python3 and rsvg-convert (librsvg2-bin).
set -euo pipefail
icons=$(cd "$(dirname "${BASH_SOURCE[0]}")/../resources/icons" && pwd)
for tool in python3 rsvg-convert; do
    command -v "$tool" >/dev/null || { echo "render-icons: $tool is missing" >&2; exit 1; }
done
python3 -B "$icons/icons.py" "$icons"
rm -rf "$icons/hicolor"
for size in 16 22 24 32 48 64 128 256 512; do
    mkdir -p "$icons/hicolor/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" -o "$icons/hicolor/${size}x${size}/velumix.png" "$icons/velumix.svg"
done
echo "render-icons: icons in $icons"
