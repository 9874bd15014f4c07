#!/usr/bin/env bash
# Builds the Debian package build/package/velumix_<version>-<revision>_<arch>.deb from
# the build folder (configured and built here if needed): the two programs
# and their files below /usr. Needs dpkg-dev (scripts/install-deps.sh --tests).
#   scripts/build-package.sh [BUILD_DIR [OUTPUT_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
output=${2:-$build/package}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target velumix velumixctl velumix_compressed_docs
mkdir -p "$output"
output=$(realpath "$output")
(cd "$build" && cpack -G DEB -B "$output" >"$output/cpack.log") ||
    { cat "$output/cpack.log" >&2; exit 1; }
ls "$output"/velumix_*.deb
