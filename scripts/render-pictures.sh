#!/usr/bin/env bash
# Renders the window's pictures from their drawing sources in resources/art
# into resources/pic and writes the resource collection resources/velumix.qrc.
# Needs python3, rsvg-convert (librsvg2-bin), ImageMagick's convert
# (imagemagick) and the fonts of fonts-liberation and fonts-dejavu-core.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
art=$root/resources/art
out=$root/resources/pic

for tool in python3 rsvg-convert convert; do
    command -v "$tool" >/dev/null || { echo "render-pictures: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 -B "$art/pictures.py" "$work"

# GIF keeps only on/off transparency: soften the edges against the page
# colour the animations are shown on, then cut away what is nearly clear.
matte='rgb(30,30,30)'

render_png() { # svg target
    rsvg-convert -o "$2" "$1"
}

render_jpg() { # svg target
    rsvg-convert "$1" | convert png:- -background "$matte" -flatten -strip -quality 92 "$2"
}

render_ico() { # target svg...
    local target=$1 sizes=()
    shift
    for svg in "$@"; do
        rsvg-convert -o "${svg%.svg}.png" "$svg"
        sizes+=("${svg%.svg}.png")
    done
    convert "${sizes[@]}" "$target"
}

render_gif() { # target delay svg...
    local target=$1 delay=$2 frames=()
    shift 2
    for svg in "$@"; do
        local frame=${svg%.svg}
        rsvg-convert -o "$frame.png" "$svg"
        convert "$frame.png" -alpha extract -threshold 25% "$frame-mask.png"
        convert "$frame.png" -background "$matte" -flatten \
            "$frame-mask.png" -alpha off -compose CopyOpacity -composite "$frame-gif.png"
        frames+=("$frame-gif.png")
    done
    convert -delay "$delay" -loop 0 -dispose Background "${frames[@]}" "$target"
}

rm -rf "$out"
count=0
while IFS=$'\t' read -r kind path sources delay; do
    target=$root/resources/$path
    mkdir -p "$(dirname "$target")"
    IFS=, read -r -a svgs <<<"$sources"
    svgs=("${svgs[@]/#/$work/}")
    case $kind in
        png) render_png "${svgs[0]}" "$target" ;;
        jpg) render_jpg "${svgs[0]}" "$target" ;;
        ico) render_ico "$target" "${svgs[@]}" ;;
        gif) render_gif "$target" "$delay" "${svgs[@]}" ;;
        *) echo "render-pictures: unknown kind $kind for $path" >&2; exit 1 ;;
    esac
    count=$((count + 1))
done <"$work/manifest.tsv"

cp "$work/velumix.qrc" "$root/resources/velumix.qrc"
echo "render-pictures: $count pictures in resources/pic"
