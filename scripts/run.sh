#!/usr/bin/env bash
# Installs what building and running need, builds the two programs and their
# files, and starts the window with the given arguments (for example
# --simulate when no headset is plugged in).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target velumix velumixctl
exec build/bin/velumix "$@"
