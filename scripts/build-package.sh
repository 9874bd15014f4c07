#!/usr/bin/env bash
# Builds the Debian packages build/package/velumix_<version>-<revision>_<arch>.deb
# (the window) and velumixctl_<version>-<revision>_<arch>.deb (the
# command-line program, the default files and the udev rule, which the
# window's package depends on) from the build folder, configured and built
# here if needed, with Debian's hardening flags (dpkg-buildflags: fortify,
# stack protector, relro and bindnow; cmake/Hardening.cmake). The packages
# are reproducible: every time
# in them is the last changelog entry's (SOURCE_DATE_EPOCH), so two builds
# give the same bytes. Needs dpkg-dev (scripts/install-deps.sh --tests).
# Prints the two packages' paths.
#   scripts/build-package.sh [BUILD_DIR [OUTPUT_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-$build/package}
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog -l packaging/changelog -STimestamp)}
# The build's flags come from dpkg-buildflags (cmake/Hardening.cmake).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELUMIX_HARDENING=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target velumix velumixctl velumix_compressed_docs
mkdir -p "$output"
output=$(realpath "$output")
rm -f "$output"/velumix_*.deb "$output"/velumixctl_*.deb
(cd "$build" && cpack -G DEB -B "$output" >"$output/cpack.log") ||
    { cat "$output/cpack.log" >&2; exit 1; }
ls "$output"/velumixctl_*.deb "$output"/velumix_*.deb
