#!/usr/bin/env bash
# Installs the dependencies, builds Velumix and starts it with the given
# arguments (for example --simulate when no headset is plugged in).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
exec build/bin/velumix "$@"
