#!/usr/bin/env bash
# Runs every check of the test guest against the virtual headset: velumixctl
# and its traced frames, the headset link on the hidraw driver,
# the window following hot-plug through libudev, and access to the headset.
#   tests/vm/in-guest.sh BIN_FOLDER      (inside the guest: scripts/vm/guest.sh)
set -u
here=$(cd "$(dirname "$0")" && pwd)
export VELUMIX_BIN=${1:?usage: in-guest.sh BIN_FOLDER}
isolated="$here/../common/isolated.sh"

if [ ! -w /dev/uhid ]; then
    echo "in-guest.sh: /dev/uhid is missing or not writable; run it through scripts/vm/guest.sh"
    exit 1
fi

failed=()
run() { # NAME COMMAND...
    local name=$1 start=$SECONDS
    shift
    echo "=== $name"
    if "$@"; then
        echo "=== $name: passed ($((SECONDS - start)) s)"
    else
        echo "=== $name: FAILED ($((SECONDS - start)) s)"
        failed+=("$name")
    fi
}

run "velumixctl" "$here/ctl.sh"
run "device link" "$isolated" "$VELUMIX_BIN/tst_uhidlink"
run "window hot-plug" "$isolated" "$VELUMIX_BIN/tst_uhidwindow"
run "window and velumixctl together" "$isolated" "$here/window-and-ctl.sh"
# A checkout in a home folder that other users cannot enter (mode 0700, as
# Debian makes new home folders): the build folder is seen again below such
# a folder for the access checks, whose user is not the folder's owner.
behind_closed_folder() { # COMMAND...
    local closed=/run/closed-home status
    mkdir -m 700 "$closed" && mkdir "$closed/build" &&
        mount --bind "$VELUMIX_BIN/.." "$closed/build" || return 1
    VELUMIX_BIN="$closed/build/bin" "$@"
    status=$?
    umount "$closed/build" && rm -r "$closed"
    return "$status"
}

run "access to the headset" behind_closed_folder "$here/access.sh"

if [ ${#failed[@]} -gt 0 ]; then
    echo "VM tests failed: ${failed[*]}"
    exit 1
fi
echo "VM tests passed"
