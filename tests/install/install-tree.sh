#!/usr/bin/env bash
# The install tree: cmake --install into a throwaway DESTDIR puts every file
# in its place and nothing outside the prefix (so that an install into a
# folder of one's own needs no root), the desktop entry and the AppStream
# description validate, the manual pages render, the completion completes,
# and the installed programs find their files relative to themselves.
#   tests/install/install-tree.sh BUILD_DIR
set -u
build=${1:?usage: install-tree.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
# shellcheck source=../common/checks.sh
. "$(dirname "$0")/../common/checks.sh"

installed() { # PATH...: every path is a file in the tree
    local path missing=0
    for path in "$@"; do
        [ -f "$root$path" ] || { echo "missing: $path"; missing=1; }
    done
    return "$missing"
}

not_installed() { # PATTERN: no path in the tree matches
    ! (cd "$root" && find . -path "$1" | grep .)
}

manifest="$build/install_manifest.txt"

# Every file the install wrote lies below PREFIX: install_manifest.txt names
# them without the DESTDIR, where a destination outside the prefix would
# have gone.
all_below_prefix() { # PREFIX
    [ -s "$manifest" ] || { echo "no $manifest"; return 1; }
    ! grep -v "^$1/" "$manifest"
}

# No libraries: the udev rule is all there is under lib.
only_the_rule_under_lib() {
    ! (cd "$root" && find ./usr/lib -mindepth 1 | grep -vxE '\./usr/lib/udev(/rules\.d(/70-velumix\.rules)?)?')
}

# As a user installs into a folder of their own: nothing may land outside it.
own_prefix="$work/own"
rm -f "$manifest"
check "cmake --install with a prefix of one's own" \
    env DESTDIR="$own_prefix" cmake --install "$build" --prefix /home/someone/.local
check "every file it installed below that prefix" all_below_prefix /home/someone/.local
check "its udev rule too, in lib/udev/rules.d" \
    test -f "$own_prefix/home/someone/.local/lib/udev/rules.d/70-velumix.rules"

rm -f "$manifest"
check "cmake --install into DESTDIR" env DESTDIR="$root" cmake --install "$build" --prefix /usr
check "every installed file below the prefix" all_below_prefix /usr
check "and nothing else in the tree" not_installed './[!u]*'
check "the programs in bin" installed /usr/bin/velumix /usr/bin/velumixctl
check "their files in share/velumix" installed \
    /usr/share/velumix/DefaultFile/VID-3206\&PID-1054.json /usr/share/velumix/audio/test.wav
check "nothing under lib but the udev rule" only_the_rule_under_lib
check "no fonts of our own" not_installed '*.ttf'
check "the udev rule below the prefix, in lib/udev/rules.d" installed /usr/lib/udev/rules.d/70-velumix.rules
check "the desktop entry" installed /usr/share/applications/org.velumix.velumix.desktop
check "the icons: scalable, symbolic and the hicolor sizes" installed \
    /usr/share/icons/hicolor/scalable/apps/velumix.svg \
    /usr/share/icons/hicolor/symbolic/apps/velumix-symbolic.svg \
    /usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/velumix.png
check "the AppStream descriptions, the window's and velumixctl's" installed \
    /usr/share/metainfo/org.velumix.velumix.metainfo.xml /usr/share/metainfo/org.velumix.velumixctl.metainfo.xml
check "the manual pages" installed /usr/share/man/man1/velumix.1 /usr/share/man/man1/velumixctl.1
check "the completion" installed /usr/share/bash-completion/completions/velumixctl
check "the licence" installed /usr/share/doc/velumix/LICENSE

check "desktop-file-validate passes" desktop-file-validate "$root/usr/share/applications/org.velumix.velumix.desktop"
check "appstreamcli validate --pedantic passes" \
    appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.velumix.velumix.metainfo.xml" \
    "$root/usr/share/metainfo/org.velumix.velumixctl.metainfo.xml"
check "the metainfo names the licence" \
    grep -q '<project_license>GPL-3.0-or-later</project_license>' \
    "$root/usr/share/metainfo/org.velumix.velumix.metainfo.xml"
for page in velumix velumixctl; do
    check "man $page renders without warnings" bash -c \
        "out=\$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l '$root/usr/share/man/man1/$page.1' 2>&1 >/dev/null)
         [ -z \"\$out\" ] || { echo \"\$out\"; false; }"
done

desktop="$root/usr/share/applications/org.velumix.velumix.desktop"
metainfo="$root/usr/share/metainfo/org.velumix.velumix.metainfo.xml"
# One main category (freedesktop.org's list), so the menu shows it once.
one_main_category() {
    local main
    main=$(sed -n 's/^Categories=//p' "$desktop" | tr ';' '\n' |
        grep -cxE 'AudioVideo|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility')
    [ "$main" -eq 1 ] || { grep '^Categories=' "$desktop"; false; }
}
check "the menu entry has one main category" one_main_category
screenshots_dir=$(cd "$(dirname "$0")/../../docs/screenshots" && pwd)
id_matches_desktop_file() {
    grep -q '<id>org.velumix.velumix</id>' "$metainfo" &&
        grep -q '<launchable type="desktop-id">org.velumix.velumix.desktop</launchable>' "$metainfo"
}
# Every screenshot is one of the README's (docs/screenshots).
screenshots_and_urls() {
    local images image
    images=$(sed -n 's|.*<image>https://.*/\([^/]*\.png\)</image>.*|\1|p' "$metainfo")
    [ "$(wc -w <<<"$images")" -ge 4 ] || { echo "screenshots: $images"; return 1; }
    for image in $images; do
        [ -f "$screenshots_dir/$image" ] || { echo "not in docs/screenshots: $image"; return 1; }
    done
    grep -q '<url type="homepage">https://' "$metainfo" &&
        grep -q '<url type="bugtracker">https://' "$metainfo"
}
check "the AppStream ID is lower case and the desktop file's name" id_matches_desktop_file
check "the metainfo has the README's screenshots and the project's URLs" screenshots_and_urls

# The autostart entry: written by the installed program, pointing at it with
# TryExec, with the menu entry's name and icon; never by a run with
# --simulate or by the build folder's program.
started_once() { # HOME PROGRAM ARGUMENT...: the window starts and shows its first frame
    local home=$1
    shift
    mkdir -p "$home/runtime" && chmod 700 "$home/runtime"
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen VELUMIX_EXIT_ON_FIRST_FRAME=1 \
        VELUMIX_ANSWER_BOXES=1 PULSE_SERVER="unix:$home/no-sound-server" \
        timeout 60 "$@" >"$home/out" 2>&1 || { cat "$home/out"; return 1; }
    grep -q '^first frame$' "$home/out" || { cat "$home/out"; return 1; }
}
autostart_written() {
    local home="$work/home-autostart" entry
    started_once "$home" "$root/usr/bin/velumix" || return 1
    entry="$home/.config/autostart/velumix.desktop"
    grep -qx "TryExec=$root/usr/bin/velumix" "$entry" && grep -qx "Exec=$root/usr/bin/velumix -autorun" "$entry" &&
        grep -qx 'Name=Velumix' "$entry" && grep -qx 'Icon=velumix' "$entry" &&
        desktop-file-validate "$entry" || { cat "$entry"; return 1; }
}
no_autostart() { # NAME PROGRAM ARGUMENT...
    local home="$work/home-$1"
    shift
    started_once "$home" "$@" || return 1
    [ ! -e "$home/.config/autostart" ] || { find "$home/.config/autostart"; return 1; }
}
check "the installed program writes the autostart entry, with TryExec, name and icon" autostart_written
check "not with --simulate" no_autostart simulate "$root/usr/bin/velumix" --simulate
check "not from the build folder" no_autostart build-folder "$build/bin/velumix"

# complete WORDS...: what the installed completion offers for the last word.
complete_words() {
    # The completion asks the installed velumixctl for its words.
    PATH="$root/usr/bin:$PATH" bash -c 'source /usr/share/bash-completion/bash_completion
        source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _velumixctl velumixctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"' _ \
        "$root/usr/share/bash-completion/completions/velumixctl" "$@"
}
offers() { # EXPECTED WORDS...
    local expected=$1 got
    shift
    got=$(complete_words "$@" | sort | tr '\n' ' ')
    [ "$got" = "$expected " ] || { echo "offered '$got', expected '$expected '"; false; }
}
check "completion: the commands" offers "auto custom enc eq get info list mic-volume preset simulate status switch watch" velumixctl ""
check "completion: commands after an option" offers "enc eq" velumixctl --accept 1054 e
check "completion: the options" offers "--accept --device --help --json --simulate --trace-frames --version" velumixctl --
check "completion: enc" offers "off on" velumixctl enc ""
check "completion: custom" offers "apply export import list" velumixctl custom ""
check "completion: custom import's options" offers "--device --json --name --page" velumixctl custom import eq.txt --
check "completion: --format" offers "json parametric" velumixctl custom export Club --format ""
check "completion: --page" offers "stereo surround" velumixctl preset Jazz --page ""
check "completion: preset names, quoted" offers 'Rock\ \&\ Roll' velumixctl preset Ro
check "completion: preset list's options" offers "--device --json --model --page" velumixctl preset list --
check "completion: simulate" offers "new-unit plug report-page unplug" velumixctl simulate ""

# --help and --version answer without a display and write nothing.
answers_alone() { # PROGRAM ARGUMENT EXPECTED
    local home="$work/home-$2"
    mkdir -p "$home"
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_RUNTIME_DIR="$home" "$root/usr/bin/$1" "$2" >"$work/answer" 2>&1 || return 1
    grep -q -- "$3" "$work/answer" || { cat "$work/answer"; return 1; }
    [ -z "$(ls -A "$home")" ] || { echo "wrote:"; find "$home"; return 1; }
}
check "velumix --version" answers_alone velumix --version "^velumix 0.1.0$"
check "velumix --help" answers_alone velumix --help "--simulate <PID>"
check "velumixctl --version" answers_alone velumixctl --version "^velumixctl 0.1.0$"
check "velumixctl -h" answers_alone velumixctl -h "^Usage: velumixctl"

# The installed velumixctl reads the installed default files: a preset of the
# simulated model needs them; without them it accepts no headset at all.
ctl="$root/usr/bin/velumixctl"
check "installed velumixctl finds its default files" \
    env HOME="$work/home" "$ctl" --simulate=1029 preset "Rock & Roll"
mv "$root/usr/share/velumix" "$work/moved-away"
check "and accepts no headset without them" bash -c \
    "HOME='$work/home' '$ctl' --simulate=1029 preset 'Rock & Roll'; [ \$? -eq 3 ]"

[ "$failures" -eq 0 ]
