#!/usr/bin/env bash
# Installs what the tests need as well, builds Velumix and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests
jobs=$(nproc)

# The tree keeps one format (.clang-format).
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" --timeout 300)
# Why the virtual machine tests (tests/vm) were skipped, if they were.
[ ! -f build/vm/skipped ] || cat build/vm/skipped

# The Debian package installed with apt in the test guest (about 2 minutes).
status=0
scripts/test-package.sh || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] || exit "$status"

# The device link once more under ThreadSanitizer.
threaded_tests="tst_linkreplies tst_link"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELUMIX_TSAN=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target $threaded_tests
suppressions="$PWD/tests/tsan.supp"
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$suppressions" \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 \
    -R "^($(echo $threaded_tests | tr ' ' '|'))\$")

# The whole suite once more under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer, in build-asan. The programs the tests start
# (velumix, velumixctl) are built the same way and inherit the options: a
# finding or a leak ends a child with a non-zero exit code, which the tests
# compare. Every ASan report also goes to a file of its own under
# build-asan/sanitizer, so one from a child whose exit code no test looks at
# still fails the run. tests/lsan.supp lists only Qt's own leaks. Not run
# here: vm and package boot the QEMU guest with the normal build, above.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELUMIX_ASAN=ON >/dev/null
cmake --build build-asan -j"$jobs"
reports="$PWD/build-asan/sanitizer"
leak_suppressions="$PWD/tests/lsan.supp"
rm -rf "$reports" && mkdir -p "$reports"
status=0
(cd build-asan &&
    ASAN_OPTIONS="detect_leaks=1 halt_on_error=1 log_path=$reports/asan" \
    LSAN_OPTIONS="suppressions=$leak_suppressions print_suppressions=0" \
    UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" --timeout 300 \
    -E '^(vm|package)$') || status=$?
if compgen -G "$reports/*" >/dev/null; then
    cat "$reports"/*
    exit 1
fi
exit "$status"
