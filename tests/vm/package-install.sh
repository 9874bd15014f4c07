#!/usr/bin/env bash
# The Debian packages (velumixctl and velumix, which depends on it) on a
# Debian 12 system, as a user installs them: apt installs both with what
# they need already there and removes nothing; udev
# applies the headset rule at once to a headset that is already plugged in
# (the uaccess tag, with which the login manager lets the user at the seat
# open it); the program is in the menu with its icon and runs; and apt purge
# leaves nothing behind. The system is the host's root with what
# scripts/vm/package-system.sh prepared laid over it (a settled copy of the
# package database without Velumix, apt without package lists, and the
# host's own Velumix files and headset rules hidden), under a throwaway
# writable layer, with a udev daemon of its own.
#   tests/vm/package-install.sh BIN_FOLDER SYSTEM_FOLDER DEB...
#                                              (inside the guest: scripts/test-package.sh)
set -u
usage="usage: package-install.sh BIN_FOLDER SYSTEM_FOLDER DEB..."
export VELUMIX_BIN=${1:?$usage}
prepared=${2:?$usage}
shift 2
debs=("$@")
[ ${#debs[@]} -gt 0 ] || { echo "$usage" >&2; exit 2; }
source "$(dirname "$0")/lib.sh"

layer=/run/package-layer
system="$layer/root"
# The guest runs everything in a chroot, where udevadm would ignore requests.
in_system() { SYSTEMD_IGNORE_CHROOT=1 chroot "$system" "$@"; }

# The paths the host has and the test must not see, as overlayfs hides a
# path: a character device 0/0 in a layer above it.
hide_host_paths() {
    local path
    mkdir -p "$layer/hidden" || return 1
    while IFS= read -r path; do
        mkdir -p "$layer/hidden$(dirname "$path")" && mknod "$layer/hidden$path" c 0 0 || return 1
    done <"$prepared/hidden"
}

# From the top: the test's writable layer, the prepared folders, the hidden
# paths, the host's root. The writable layer alone is what the test changed.
make_system() {
    mkdir -p "$layer/upper" "$layer/work" "$layer/prepared" "$system" && hide_host_paths &&
        tar -C "$layer/prepared" -xf "$prepared/root.tar" &&
        mount -t overlay overlay \
            -o "lowerdir=$layer/prepared:$layer/hidden:/,upperdir=$layer/upper,workdir=$layer/work" \
            "$system" &&
        mount --rbind /dev "$system/dev" && mount -t proc proc "$system/proc" &&
        mount -t sysfs sysfs "$system/sys" && mount -t tmpfs tmpfs "$system/run" &&
        in_system /lib/systemd/systemd-udevd --daemon
}

headset_tags() { in_system udevadm info --query=property --name="$headset_node" | grep '^TAGS='; }
tagged_uaccess() { in_system udevadm settle && headset_tags | grep -q ':uaccess:'; }
not_tagged_uaccess() { in_system udevadm settle && ! headset_tags | grep -q ':uaccess:'; }

apt_installs() {
    local plan
    # Rebuilding the manual's index takes minutes in the emulated guest.
    rm -f "$system/var/lib/man-db/auto-update"
    plan=$(in_system apt-get -s install "${debs[@]}") || { echo "$plan"; return 1; }
    ! grep '^Remv' <<<"$plan" || return 1
    DEBIAN_FRONTEND=noninteractive in_system apt-get install -y "${debs[@]}"
}

in_the_menu() {
    in_system desktop-file-validate /usr/share/applications/org.velumix.velumix.desktop &&
        grep -qx 'Icon=velumix' "$system/usr/share/applications/org.velumix.velumix.desktop" &&
        [ -f "$system/usr/share/icons/hicolor/scalable/apps/velumix.svg" ] &&
        [ -f "$system/usr/share/icons/hicolor/48x48/apps/velumix.png" ]
}

runs() {
    in_system velumix --version | grep -qx "velumix 0.1.0" &&
        in_system velumixctl --version | grep -qx "velumixctl 0.1.0"
}

# What the purge left in the writable layer, beyond the package manager's own
# records and caches that the desktop's triggers refresh (in /usr/local too,
# where the host has such a folder).
leftovers() {
    (cd "$layer/upper" && find . -mindepth 1 \( -type f -o -type l -o -type c \) |
        grep -vE '^\./(var/lib/(dpkg|apt|ucf)|var/log|var/cache|run|tmp)/' |
        grep -vE '^\./usr/(local/)?share/(icons/hicolor/icon-theme\.cache|applications/mimeinfo\.cache)$' |
        grep -vx './var/lib/man-db/auto-update')
}
purge_leaves_nothing() {
    DEBIAN_FRONTEND=noninteractive in_system apt-get purge -y velumix velumixctl >/dev/null || return 1
    local left
    left=$(leftovers)
    [ -z "$left" ] || { echo "left behind:"; echo "$left"; return 1; }
}

check "a writable system over the host's root, Velumix hidden, with udev" make_system
[ "$failures" -eq 0 ] || { finish; exit 1; }
start_headset
check "a headset is plugged in" plug_in 1054 0a1b2c3d
check "no rule lets the user at the seat open it yet" not_tagged_uaccess
check "apt installs both packages, removing nothing" apt_installs
check "udev applies the rule at once: the seat's user may open the headset" tagged_uaccess
check "the program is in the menu with its icon" in_the_menu
check "both programs run" runs
check "apt purge leaves nothing behind" purge_leaves_nothing
finish
