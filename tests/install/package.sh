#!/usr/bin/env bash
# The Debian packages built from the build folder, velumix (the window) and
# velumixctl: each one's files and places; their dependencies (the window's
# package on velumixctl's, the libraries each needs, the fonts; the Wayland
# platform plugin, the sound plugins and udev recommended); velumixctl's
# maintainer scripts that reload udev's rules; the hardening flags; lintian
# --pedantic with nothing but the initial upload's tag; the same bytes from
# a second build; and an apt plan on this machine that installs both without
# removing anything.
#   tests/install/package.sh SOURCE_DIR BUILD_DIR
set -u
source_dir=${1:?usage: package.sh SOURCE_DIR BUILD_DIR}
build=${2:?usage: package.sh SOURCE_DIR BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../common/checks.sh
. "$(dirname "$0")/../common/checks.sh"

contains() { # PACKAGE PATH...: the package holds every path
    local package=$1 path missing=0
    shift
    for path in "$@"; do
        grep -qxF ".$path" "$work/$package.contents" || { echo "missing from $package: $path"; missing=1; }
    done
    return "$missing"
}
lacks() { # PACKAGE PATH...: the package holds none of the paths
    local package=$1 path found=0
    shift
    for path in "$@"; do
        ! grep -qxF ".$path" "$work/$package.contents" || { echo "in $package: $path"; found=1; }
    done
    return "$found"
}
only_below_usr_and_udev() { # PACKAGE
    ! grep -vE '^\.$|^\./usr(/|$)|^\./lib$|^\./lib/udev(/|$)' "$work/$1.contents" &&
        ! grep '^\./usr/local' "$work/$1.contents"
}
field() { # PACKAGE FIELD
    dpkg-deb -f "${deb[$1]}" "$2"
}
lists() { # PACKAGE FIELD ENTRY...: the field names every entry
    local package=$1 name=$2 value entry missing=0
    shift 2
    value=$(field "$package" "$name")
    for entry in "$@"; do
        grep -qE "(^|, )$entry( |,|$)" <<<"$value" || { echo "no $entry in $package's $name: $value"; missing=1; }
    done
    return "$missing"
}
lacks_entries() { # PACKAGE FIELD ENTRY...: the field names none of the entries
    local package=$1 name=$2 value entry found=0
    shift 2
    value=$(field "$package" "$name")
    for entry in "$@"; do
        ! grep -qE "(^|, )$entry( |,|$)" <<<"$value" || { echo "$entry in $package's $name: $value"; found=1; }
    done
    return "$found"
}
# Every time in the archive's members is SOURCE_DATE_EPOCH's.
one_time() { # PACKAGE
    local epoch times
    epoch=$(dpkg-parsechangelog -l "$source_dir/packaging/changelog" -STimestamp)
    times=$(dpkg-deb --fsys-tarfile "${deb[$1]}" | tar -tv --full-time | awk '{ print $4 " " $5 }' | sort -u)
    [ "$(wc -l <<<"$times")" -eq 1 ] && [ "$(date -u -d "$times" +%s)" = "$epoch" ] ||
        { echo "times in $1: $times (SOURCE_DATE_EPOCH $epoch)"; return 1; }
}
hardened() { # PROGRAM: bindnow, relro and fortified functions
    local program="$work/unpacked/usr/bin/$1"
    readelf -d "$program" | grep -qE 'FLAGS.*BIND_NOW|FLAGS_1.*NOW' &&
        readelf -lW "$program" | grep -q GNU_RELRO &&
        readelf -sW --dyn-syms "$program" | grep -q '__[a-z_]*_chk@' ||
        { echo "$1 lacks bindnow, relro or fortified functions"; return 1; }
}
# lintian --pedantic shows nothing but the tag of an initial upload.
lintian_clean() {
    local out
    # As root lintian says so first; that is no finding.
    out=$(lintian --pedantic --info --display-experimental --suppress-tags initial-upload-closes-no-bugs \
        "${deb[velumix]}" "${deb[velumixctl]}" 2>&1 | grep -vx 'running with root privileges is not recommended!')
    [ -z "$out" ] || { echo "$out"; return 1; }
}

declare -A deb
check "the packages build" "$source_dir/scripts/build-package.sh" "$build" "$work/first"
for package in velumix velumixctl; do
    deb[$package]=$(ls "$work/first/${package}"_*.deb 2>/dev/null | head -n 1)
    [ -n "${deb[$package]}" ] || { echo "no $package package was built"; exit 1; }
    dpkg-deb --fsys-tarfile "${deb[$package]}" | tar -t | sed 's|/$||' >"$work/$package.contents"
    mkdir -p "$work/unpacked"
    dpkg-deb -x "${deb[$package]}" "$work/unpacked"
done

check "velumix: the window in /usr/bin" contains velumix /usr/bin/velumix
check "velumix: the speaker test's sound" contains velumix /usr/share/velumix/audio/test.wav
check "velumix: menu entry, icon and AppStream description" contains velumix \
    /usr/share/applications/org.velumix.velumix.desktop /usr/share/icons/hicolor/scalable/apps/velumix.svg \
    /usr/share/icons/hicolor/48x48/apps/velumix.png /usr/share/metainfo/org.velumix.velumix.metainfo.xml
check "velumix: its manual page, copyright and changelog" contains velumix \
    /usr/share/man/man1/velumix.1.gz /usr/share/doc/velumix/copyright /usr/share/doc/velumix/changelog.Debian.gz
check "velumix: nothing of velumixctl's" lacks velumix /usr/bin/velumixctl \
    /lib/udev/rules.d/70-velumix.rules /usr/share/man/man1/velumixctl.1.gz
check "velumixctl: the program in /usr/bin" contains velumixctl /usr/bin/velumixctl
check "velumixctl: the default files in /usr/share/velumix" contains velumixctl \
    "/usr/share/velumix/DefaultFile/VID-3206&PID-1054.json"
check "velumixctl: the udev rule in udev's folder, its AppStream description and the completion" \
    contains velumixctl /lib/udev/rules.d/70-velumix.rules \
    /usr/share/metainfo/org.velumix.velumixctl.metainfo.xml /usr/share/bash-completion/completions/velumixctl
check "velumixctl: its manual page, copyright and changelog" contains velumixctl \
    /usr/share/man/man1/velumixctl.1.gz /usr/share/doc/velumixctl/copyright \
    /usr/share/doc/velumixctl/changelog.Debian.gz
check "velumixctl: nothing of the window's" lacks velumixctl /usr/bin/velumix \
    /usr/share/applications/org.velumix.velumix.desktop /usr/share/velumix/audio/test.wav
for package in velumix velumixctl; do
    check "$package: nothing outside /usr but the udev rule" only_below_usr_and_udev "$package"
    check "$package: every time is SOURCE_DATE_EPOCH" one_time "$package"
    check "$package: built from the source package velumix" bash -c "[ \"\$(dpkg-deb -f '${deb[$package]}' Source)\" = velumix ]"
done
version=$(field velumix Version)
check "velumix depends on velumixctl of the same version" lists velumix Depends "velumixctl \\(= $version\\)"
check "velumix: the Qt GUI libraries from dpkg-shlibdeps and the fonts" lists velumix Depends \
    libqt5widgets5 libqt5multimedia5 fonts-liberation fonts-jura
check "velumix: the Wayland plugin and the sound plugins recommended" lists velumix Recommends \
    qtwayland5 libqt5multimedia5-plugins gstreamer1.0-plugins-base gstreamer1.0-plugins-good
check "velumix: no redundant or optional Depends" lacks_entries velumix Depends \
    fontconfig qtwayland5 libqt5multimedia5-plugins gstreamer1.0-plugins-base gstreamer1.0-plugins-good udev
check "velumixctl: QtCore, QtNetwork, hidapi and libudev" lists velumixctl Depends \
    libqt5core5a libqt5network5 libhidapi-hidraw0 libudev1
check "velumixctl: no GUI or sound stack" lacks_entries velumixctl Depends \
    libqt5gui5 libqt5widgets5 libqt5multimedia5 libpulse0 fonts-liberation fonts-jura qtwayland5
check "velumixctl: udev recommended" lists velumixctl Recommends udev
check "velumixctl's postinst reloads udev's rules and triggers hidraw" bash -c \
    "dpkg-deb -I '${deb[velumixctl]}' postinst | grep -q 'udevadm control --reload-rules' &&
     dpkg-deb -I '${deb[velumixctl]}' postinst | grep -q 'udevadm trigger --subsystem-match=hidraw'"
for program in velumix velumixctl; do
    check "$program: built with dpkg-buildflags' hardening" hardened "$program"
done
check "lintian --pedantic: nothing but the initial upload's tag" lintian_clean

# A second build after the built files' times changed gives the same bytes.
touch "$build"/bin/velumix "$build"/bin/velumixctl "$build"/share/velumix/*/*
check "a second build" "$source_dir/scripts/build-package.sh" "$build" "$work/second"
for package in velumix velumixctl; do
    check "$package: the second build is byte-identical" \
        cmp "${deb[$package]}" "$work/second/$(basename "${deb[$package]}")"
done
check "apt would install both here, removing nothing" bash -c \
    "plan=\$(apt-get -s install '${deb[velumixctl]}' '${deb[velumix]}' 2>&1) || { echo \"\$plan\"; exit 1; }
     ! grep '^Remv' <<<\"\$plan\""

[ "$failures" -eq 0 ]
