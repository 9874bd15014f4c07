#!/usr/bin/env bash
# Builds the Debian package and installs it with apt in the test guest
# (tests/vm/package-install.sh), on the host's Debian 12 under a throwaway
# writable layer. Exits with 77 where the guest cannot run.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(scripts/build-package.sh build build/package | tail -n 1)
exec scripts/vm/guest.sh --cache build/vm --timeout 420 tests/vm/package-install.sh "$(realpath "$deb")" \
    "$PWD/build/bin"
