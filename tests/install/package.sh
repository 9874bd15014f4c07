#!/usr/bin/env bash
# The Debian package built from the build folder: its files and places, its
# dependencies (the libraries, the Wayland platform plugin, the fonts, udev),
# the maintainer scripts that reload udev's rules, no lintian errors, and an
# apt plan on this machine that installs it without removing anything.
#   tests/install/package.sh SOURCE_DIR BUILD_DIR
set -u
source_dir=${1:?usage: package.sh SOURCE_DIR BUILD_DIR}
build=${2:?usage: package.sh SOURCE_DIR BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../common/checks.sh
. "$(dirname "$0")/../common/checks.sh"

contains() { # PATH...: the package holds every path
    local path missing=0
    for path in "$@"; do
        grep -qxF ".$path" "$work/contents" || { echo "missing: $path"; missing=1; }
    done
    return "$missing"
}
only_below_usr_and_udev() {
    ! grep -vE '^\.$|^\./usr(/|$)|^\./lib$|^\./lib/udev(/|$)' "$work/contents" &&
        ! grep '^\./usr/local' "$work/contents"
}
depends_on() { # PACKAGE...
    local package missing=0
    for package in "$@"; do
        grep -qE "(^|, )$package( |,|$)" <<<"$depends" || { echo "no $package in: $depends"; missing=1; }
    done
    return "$missing"
}

check "the package builds" "$source_dir/scripts/build-package.sh" "$build" "$work"
deb=$(ls "$work"/velumix_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "no package was built"; exit 1; }
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|/$||' >"$work/contents"
depends=$(dpkg-deb -f "$deb" Depends)

check "the programs in /usr/bin" contains /usr/bin/velumix /usr/bin/velumixctl
check "their files in /usr/share/velumix" contains \
    "/usr/share/velumix/DefaultFile/VID-3206&PID-1054.json" /usr/share/velumix/audio/test.wav
check "the udev rule in udev's folder" contains /lib/udev/rules.d/70-velumix.rules
check "menu entry, icon and AppStream description" contains \
    /usr/share/applications/velumix.desktop /usr/share/icons/hicolor/scalable/apps/velumix.svg \
    /usr/share/icons/hicolor/48x48/apps/velumix.png /usr/share/metainfo/org.velumix.Velumix.metainfo.xml
check "compressed manual pages, copyright and changelog" contains \
    /usr/share/man/man1/velumix.1.gz /usr/share/man/man1/velumixctl.1.gz \
    /usr/share/doc/velumix/copyright /usr/share/doc/velumix/changelog.Debian.gz
check "nothing outside /usr but the udev rule" only_below_usr_and_udev
check "the Qt libraries from dpkg-shlibdeps" depends_on libqt5widgets5 libqt5multimedia5 libhidapi-hidraw0
check "the Wayland plugin, fonts, sound plugins and udev" depends_on \
    qtwayland5 fonts-liberation fonts-jura libqt5multimedia5-plugins gstreamer1.0-plugins-good udev
check "postinst reloads udev's rules and triggers hidraw" bash -c \
    "dpkg-deb -I '$deb' postinst | grep -q 'udevadm control --reload-rules' &&
     dpkg-deb -I '$deb' postinst | grep -q 'udevadm trigger --subsystem-match=hidraw'"
check "no lintian errors" lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
check "apt would install it here, removing nothing" bash -c \
    "plan=\$(apt-get -s install '$deb' 2>&1) || { echo \"\$plan\"; exit 1; }
     ! grep '^Remv' <<<\"\$plan\""

[ "$failures" -eq 0 ]
