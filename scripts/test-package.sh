#!/usr/bin/env bash
# Builds the Debian packages (velumixctl and velumix) and installs them with
# apt in the test guest
# (tests/vm/package-install.sh), on the host's Debian 12 under a throwaway
# writable layer. What of the host could change under the test or already
# knows Velumix (dpkg's database, apt's lists, an installed velumix, a udev
# rule for the headset) is replaced or hidden by what
# scripts/vm/package-system.sh prepares first. Exits with 77 where the guest
# cannot run.
#   scripts/test-package.sh [BUILD_DIR]     (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mapfile -t debs < <(scripts/build-package.sh "$build" "$build/package" | grep '\.deb$')
[ ${#debs[@]} -eq 2 ] || { echo "test-package.sh: expected two packages, got: ${debs[*]}" >&2; exit 1; }
for i in "${!debs[@]}"; do
    debs[i]=$(realpath "${debs[i]}")
done
prepared="$build/vm/package-system"
mkdir -p "$build/vm"
rm -f "$build/vm/skipped-package-install"
status=0
scripts/vm/package-system.sh "$prepared" "${debs[@]}" >"$build/vm/package-system.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$build/vm/package-system.log"
    [ "$status" -ne 77 ] || sed -n "s/^skipped: //p" "$build/vm/package-system.log" >"$build/vm/skipped-package-install"
    exit "$status"
fi
exec scripts/vm/guest.sh --cache "$build/vm" --timeout 420 tests/vm/package-install.sh \
    "$(realpath "$build/bin")" "$(realpath "$prepared")" "${debs[@]}"
