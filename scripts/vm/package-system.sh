#!/usr/bin/env bash
# Prepares, on the host, what the package test's guest lays between the
# host's root and its own writable layer (tests/vm/package-install.sh), so
# that the test sees a Debian system that does not change under it and knows
# nothing of Velumix, whatever the host is doing or has installed:
# In OUTPUT/root.tar:
#   var/lib/dpkg               a settled copy of the host's package database,
#                              without any velumix or velumixctl package
#   var/lib/apt                apt's state without package lists, and
#   var/cache/apt              an empty cache, so apt reads nothing of the
#                              host's that apt-get update may be rewriting
# In OUTPUT/hidden:            the host paths the guest hides: those three
#                              folders, every path of the packages under test
#                              and of a velumix or velumixctl package
#                              installed on the host,
#                              the same below /usr/local (a cmake --install),
#                              and any udev rule for the headset
#
#   scripts/vm/package-system.sh OUTPUT DEB...
#
# The copy is taken when dpkg is at rest: no package half-way through a
# change, nothing in dpkg's journal and the status file the same before and
# after the copy. An apt run on the host is waited for (up to
# VELUMIX_DPKG_WAIT seconds, default 180); after that the script exits with
# 77 and says why.
set -euo pipefail
export LC_ALL=C

readonly kSkipped=77
output=${1:?usage: package-system.sh OUTPUT DEB...}
shift
debs=("$@")
[ ${#debs[@]} -gt 0 ] || { echo "usage: package-system.sh OUTPUT DEB..." >&2; exit 2; }
admin=/var/lib/dpkg
wait_seconds=${VELUMIX_DPKG_WAIT:-180}

rm -rf "$output"
mkdir -p "$output/root/var/lib" "$output/root/var/cache"
copy="$output/root/var/lib/dpkg"

status_stamp() { stat -c '%i %s %Y %Z' "$admin/status"; }

# Every package installed, removed with its configuration left, or gone;
# none half-installed, unpacked, half-configured or waiting for triggers.
settled() { # ADMINDIR
    [ -z "$(ls -A "$1/updates")" ] || return 1
    [ ! -s "$1/triggers/Unincorp" ] || return 1
    ! dpkg-query --admindir="$1" -W -f='${db:Status-Status} ${db:Status-Eflag}\n' 2>/dev/null |
        grep -qvE '^(installed|config-files|not-installed) ok$'
}

take_copy() {
    local before
    settled "$admin" || return 1
    before=$(status_stamp)
    rm -rf "$copy"
    # The lock files are root's alone and dpkg makes them anew.
    tar -C "$(dirname "$admin")" --exclude=./dpkg/lock --exclude=./dpkg/lock-frontend \
        --exclude=./dpkg/triggers/Lock -cf - ./dpkg | tar -C "$(dirname "$copy")" -xf -
    [ "$(status_stamp)" = "$before" ] && settled "$copy"
}

deadline=$((SECONDS + wait_seconds))
attempts=1
until take_copy 2>/dev/null; do
    attempts=$((attempts + 1))
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "skipped: dpkg on this machine did not come to rest within ${wait_seconds}s" \
             "(an apt run that goes on, or a package left half-installed: dpkg --audit)"
        exit "$kSkipped"
    fi
    sleep 1
done
echo "package-system.sh: dpkg's database copied at rest (attempt $attempts)"

# What velumix packages on the host own, before the copy forgets them.
host_list=$(cat "$copy"/info/velumix.list "$copy"/info/velumix:*.list \
    "$copy"/info/velumixctl.list "$copy"/info/velumixctl:*.list 2>/dev/null || true)
rm -f "$copy"/info/velumix.* "$copy"/info/velumix:*.* "$copy"/info/velumixctl.* "$copy"/info/velumixctl:*.*
for database in status available; do
    [ -f "$copy/$database" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" } !/(^|\n)Package: velumix(ctl)?(\n|$)/' \
        "$copy/$database" >"$copy/$database.new"
    mv "$copy/$database.new" "$copy/$database"
done

mkdir -p "$output/root/var/lib/apt/lists/partial" "$output/root/var/cache/apt/archives/partial"
# Which packages were installed by hand, as the copy of dpkg's database has them.
[ ! -f /var/lib/apt/extended_states ] ||
    awk 'BEGIN { RS = ""; ORS = "\n\n" } !/(^|\n)Package: velumix(ctl)?(\n|$)/' \
        /var/lib/apt/extended_states >"$output/root/var/lib/apt/extended_states"

# The paths to hide: the packages', the host's velumix packages', the same
# below /usr/local, and udev rules that name the headset.
{
    for deb in "${debs[@]}"; do
        dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^$' |
            tee >(sed -n 's|^/usr/|/usr/local/|p')
    done
    [ -z "$host_list" ] || echo "$host_list"
    for rules in /etc/udev/rules.d /lib/udev/rules.d /usr/lib/udev/rules.d /usr/local/lib/udev/rules.d; do
        [ -d "$rules" ] || continue
        find "$rules" -maxdepth 1 -name '*.rules' \( -iname '*velumix*' -o -exec \
            grep -qiE 'velumix|0003:3206:|idVendor}=="?3206' {} \; \) -print
    done
} | sort -u >"$output/candidates"

# Every path a package in the copy owns: never hidden.
cat "$copy"/info/*.list | sort -u >"$output/owned"
owned() { grep -qxF "$1" "$output/owned"; }

# A path by its real folders (on a merged /usr, /lib is /usr/lib); a folder,
# or a link to one, by where it leads.
real_path() {
    if [ -d "$1" ]; then
        realpath -e "$1"
    else
        local parent
        parent=$(realpath -e "$(dirname "$1")") && echo "${parent%/}/$(basename "$1")"
    fi
}

# The candidates the host has and no package owns, by their real paths.
while IFS= read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    owned "$path" && continue
    # dpkg never touches /usr/local: there only the files matter.
    [[ "$path" != /usr/local/* ]] || [ ! -d "$path" ] || [ -L "$path" ] || continue
    real=$(real_path "$path") || continue
    owned "$real" || echo "$real"
done <"$output/candidates" | sort -u >"$output/present"

# A file is hidden; a folder only when all it holds is hidden too (deepest
# first), so nothing but what the test must not see is hidden.
hidden=()
declare -A is_hidden=()
while IFS= read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        all_hidden=1
        while IFS= read -r -d '' entry; do
            [ -n "${is_hidden[$entry]:-}" ] || { all_hidden=0; break; }
        done < <(find "$path" -mindepth 1 -maxdepth 1 -print0)
        [ "$all_hidden" -eq 1 ] || continue
    fi
    hidden+=("$path")
    is_hidden[$path]=1
done < <(sort -r "$output/present")

# A hidden folder hides what it holds; only the outermost hidden path is kept.
{
    printf '%s\n' /var/lib/dpkg /var/lib/apt /var/cache/apt
    [ ${#hidden[@]} -eq 0 ] || printf '%s\n' "${hidden[@]}"
} | sort -u | awk '{ for (p = $0; (i = match(p, /\/[^\/]*$/)) > 1; ) { p = substr(p, 1, i - 1); if (p in kept) next }
                   kept[$0] = 1; print }' >"$output/hidden"
rm -f "$output/candidates" "$output/owned" "$output/present"

# One file for the guest to unpack into a layer of its own: overlayfs takes
# no layer that lies inside another one of the same file system, and the
# guest sees this folder inside the host's root.
tar -C "$output/root" -cf "$output/root.tar" .
rm -rf "$output/root"
