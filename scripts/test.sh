#!/usr/bin/env bash
# Installs what the tests need as well, builds Velumix and runs every check:
#   - the format of the sources (.clang-format);
#   - the whole suite once, built with AddressSanitizer, LeakSanitizer and
#     UndefinedBehaviorSanitizer (build-asan/, with clang, which compiles
#     the instrumented tree in little more than half of GCC's time), every
#     report failing the run;
#   - the threaded tests once more with ThreadSanitizer (build-tsan/);
#   - in the normal build (build/, only what the following need): the install
#     tree and the package's contents, the QEMU guest's tests on the kernel's
#     HID stack (tests/vm), and the package installed with apt in the guest
#     (scripts/test-package.sh).
# Independent steps overlap: the QEMU guests, which leave much of the machine
# idle, run while the sanitizer builds compile at a lower priority. Each step
# writes its output to build/test-logs/ and shows it when it fails. The last
# lines say how many checks passed and failed and which were skipped and why;
# the exit status is non-zero when any failed.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests || exit
jobs=$(nproc)
start=$SECONDS
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs"
logs=$(realpath "$logs")
export QT_QPA_PLATFORM=offscreen

# The tests ThreadSanitizer runs: those whose own code runs on more than one
# thread (the speaker test's stepping thread, blocking clients of the
# window's socket beside its server) and the device link's.
threaded_tests=(tst_speakerthread tst_localchannel tst_linkreplies tst_link)
# What the normal build makes: the programs and their files for the install
# tree and the package, and what the QEMU guest runs.
normal_targets=(velumix velumixctl velumix_compressed_docs uhid-headset tst_uhidlink tst_uhidwindow)

# Each step leaves its results in $logs/<step>.results, one line a check:
# "passed NAME", "failed NAME" or "skipped NAME: REASON".
record() { # STEP RESULT NAME
    echo "$2 $3" >>"$logs/$1.results"
}

# run_step STEP NAME COMMAND...: one check, its output in $logs/STEP.log.
# Exit status 77 means skipped; the reason is the command's last line that
# starts with "skipped: ".
run_step() {
    local step=$1 name=$2 status=0 began=$SECONDS reason
    shift 2
    "$@" >"$logs/$step.log" 2>&1 || status=$?
    if [ "$status" -eq 0 ]; then
        record "$step" passed "$name"
    elif [ "$status" -eq 77 ]; then
        reason=$(sed -n 's/^skipped: //p' "$logs/$step.log" | tail -n 1)
        record "$step" skipped "$name: ${reason:-no reason given}"
    else
        record "$step" failed "$name"
    fi
    echo "== $name: $(result_word "$status") ($((SECONDS - began)) s)"
    [ "$status" -eq 0 ] || [ "$status" -eq 77 ] || tail -n 60 "$logs/$step.log"
    return "$status"
}
result_word() { case "$1" in 0) echo passed ;; 77) echo skipped ;; *) echo FAILED ;; esac; }

# run_ctest STEP BUILD_DIR [CTEST OPTIONS...]: every test a check of its own.
run_ctest() {
    local step=$1 build=$2 status=0 began=$SECONDS
    shift 2
    (cd "$build" && ctest --output-on-failure --timeout 300 --output-junit "$logs/$step.xml" "$@") \
        >"$logs/$step.log" 2>&1 || status=$?
    if [ -f "$logs/$step.xml" ]; then
        junit_results <"$logs/$step.xml" >>"$logs/$step.results"
    else
        record "$step" failed "ctest in $build"
    fi
    local failed
    failed=$(grep -c '^failed ' "$logs/$step.results")
    echo "== ctest in $build $*: $(grep -c '^passed ' "$logs/$step.results") passed," \
         "$failed failed ($((SECONDS - began)) s)"
    [ "$status" -eq 0 ] && [ "$failed" -eq 0 ] || sed -n '/tests passed,/,$p' "$logs/$step.log"
    [ "$status" -eq 0 ]
}

# CTest's JUnit report as result lines. A test that ended with its skip code
# is skipped, with the reason it gave (its last line "skipped: REASON"); one
# that could not run at all failed.
junit_results() {
    awk '/<testcase / {
             match($0, /name="[^"]*"/); name = substr($0, RSTART + 6, RLENGTH - 7)
             match($0, /status="[^"]*"/); status = substr($0, RSTART + 8, RLENGTH - 9)
             message = ""; reason = ""
         }
         /<skipped / && match($0, /message="[^"]*"/) { message = substr($0, RSTART + 9, RLENGTH - 10) }
         /(^|>)skipped: / { reason = $0; sub(/.*skipped: /, "", reason); sub(/<.*/, "", reason) }
         /<\/testcase>/ { print name "\t" status "\t" message "\t" reason }' |
        while IFS=$'\t' read -r name status message reason; do
            case "$status" in
            run) echo "passed $name" ;;
            notrun)
                if [[ "$message" == SKIP_* ]]; then
                    echo "skipped $name: ${reason:-it said it cannot run here}"
                else
                    echo "failed $name"
                fi
                ;;
            *) echo "failed $name" ;;
            esac
        done
}

# A build tree with Ninja where it is new; an existing one keeps its generator.
configure() { # BUILD_DIR CMAKE OPTIONS...
    local build=$1 generator=()
    shift
    [ -f "$build/CMakeCache.txt" ] || ! command -v ninja >/dev/null || generator=(-G Ninja)
    cmake "${generator[@]}" -S . -B "$build" "$@"
}

# The ThreadSanitizer run. Debian's Qt is not instrumented: what its own
# code does (a queued signal's event handed over under Qt's own futex-based
# mutex, which ThreadSanitizer cannot see) is ignored, as are the allocations
# and frees Qt makes; every access of our instrumented code is still checked.
tsan_tests() {
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$PWD/tests/tsan.supp" \
        run_ctest tsan build-tsan -R "^($(IFS='|'; echo "${threaded_tests[*]}"))\$"
}

# The whole suite under AddressSanitizer, LeakSanitizer and UBSan. The
# programs the tests start (velumix, velumixctl) are built the same way and
# inherit the options: a finding or a leak ends a child with a non-zero exit
# code, which the tests compare. Every ASan report also goes to a file of its
# own under build-asan/sanitizer, so one from a child whose exit code no test
# looks at still fails the run. tests/lsan.supp lists only Qt's own leaks.
# The QEMU tests and the package run in the normal build.
asan_suite() {
    local reports=$PWD/build-asan/sanitizer
    rm -rf "$reports" && mkdir -p "$reports"
    (
        export ASAN_OPTIONS="detect_leaks=1 halt_on_error=1 log_path=$reports/asan"
        export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp print_suppressions=0"
        export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1"
        local status=0
        run_ctest asan build-asan -j"$((jobs * 2))" -E '^(vm|package)$' || status=$?
        if set_aside_tracer_crashes "$reports" && [ "$status" -ne 0 ]; then
            rerun_failed_tests
        else
            exit "$status"
        fi
    )
    run_step asan-reports "no sanitizer report from any program the suite started" no_reports "$reports"
}
no_reports() { # FOLDER
    ! compgen -G "$1/*" >/dev/null || { cat "$1"/*; false; }
}

# LeakSanitizer's own stop-the-world tracer now and then crashes while it
# checks a program at exit ("Tracer caught signal 11", a known fault of the
# sanitizer: google/sanitizers#1353). That is no finding, but the program
# ends non-zero. Such a report, and nothing else, is set aside, and the
# tests that failed in that run run once more; a real report or a second
# failure still fails the run.
set_aside_tracer_crashes() { # REPORTS; false when there was none
    local report crashes=$logs/lsan-tracer-crashes
    for report in "$1"/*; do
        [ -e "$report" ] && grep -q 'Tracer caught signal' "$report" &&
            ! grep -q 'ERROR: \|runtime error' "$report" || continue
        mkdir -p "$crashes" && mv "$report" "$crashes/"
    done
    [ -d "$crashes" ] || return 1
    echo "== LeakSanitizer's tracer crashed $(find "$crashes" -type f | wc -l) time(s)" \
         "(reports in $crashes)"
    return 0
}
rerun_failed_tests() {
    echo "== the tests that failed beside it run once more"
    sed -i '/^failed /d' "$logs/asan.results"
    run_ctest asan build-asan --rerun-failed
}

# The QEMU guest's tests, beside the package test's own guest (each takes
# about one core).
vm_checks() {
    run_ctest vm build -R '^vm$'
}

# What the sanitized suite runs: the test programs of its tests (those of
# the QEMU guest and the package are left out) and the two programs, which
# the tests start and install.
suite_programs() {
    (cd build-asan && ctest --show-only=json-v1 -E '^(vm|package)$') |
        grep -o "\"$PWD/build-asan/bin/[^\"]*\"" | sed -e 's|.*/||' -e 's|"$||' | sort -u
    echo velumix velumixctl
}

# The sanitizer builds give way to the QEMU guests, whose checks wait on
# time-outs. The threaded tests come first: they are few, and done before the
# suite needs the whole machine.
sanitizer_lane() {
    run_step build-tsan "build of the threaded tests with ThreadSanitizer" \
        nice -n 10 cmake --build build-tsan -j"$jobs" --target "${threaded_tests[@]}" && tsan_tests
    local programs
    programs=$(suite_programs)
    run_step build-asan "build of the suite with AddressSanitizer and UBSan" \
        nice -n 10 cmake --build build-asan -j"$jobs" --target $programs && asan_suite
}

# The tree keeps one format (.clang-format).
run_step format "the sources keep .clang-format's format" \
    bash -c "git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror"

configured=1
run_step configure "configure build, build-asan and build-tsan" bash -c '
    set -e
    '"$(declare -f configure)"'
    configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo &
    configure build-asan -DCMAKE_BUILD_TYPE=Debug -DVELUMIX_ASAN=ON -DCMAKE_CXX_COMPILER=clang++ &
    configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELUMIX_TSAN=ON &
    for job in 1 2 3; do wait -n; done' || configured=0

# The guests are done: the sanitizer builds may have the whole machine again,
# also against other work on it. Lowering a niceness needs root; elsewhere
# they keep theirs.
unnice_sanitizer_lane() {
    renice -n 0 -g "$sanitizer" >/dev/null 2>&1 || true
}

if [ "$configured" -eq 1 ]; then
    # In a process group of its own, to be given the machine back as a whole.
    set -m
    sanitizer_lane >"$logs/sanitizer-lane.out" 2>&1 &
    sanitizer=$!
    set +m
    trap 'kill -- -"$sanitizer" 2>/dev/null; exit 130' INT TERM
    if run_step build "build of the programs, the package's files and the QEMU tests" \
        cmake --build build -j"$jobs" --target "${normal_targets[@]}"; then
        # The install tree and the package's contents first: they build the
        # package in build/, as the package test does.
        run_ctest install build -L '^install$'
        vm_checks >"$logs/vm-lane.out" 2>&1 &
        vm=$!
        run_step package-guest "the package installed with apt in the QEMU guest" \
            scripts/test-package.sh build
        wait "$vm"
        cat "$logs/vm-lane.out"
    fi
    unnice_sanitizer_lane
    wait "$sanitizer"
    cat "$logs/sanitizer-lane.out"
fi

passed=$(cat "$logs"/*.results | grep -c '^passed ')
failed=$(cat "$logs"/*.results | grep -c '^failed ')
elapsed=$((SECONDS - start))
echo
echo "Test command took $((elapsed / 60)) min $((elapsed % 60)) s on $jobs cores" \
     "(load average $load_at_start at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end);" \
     "output in $logs"
if [ "$failed" -gt 0 ]; then
    echo "Failed:"
    sed -n 's/^failed /  /p' "$logs"/*.results
fi
echo "velumix tests: $passed passed, $failed failed"
if grep -q '^skipped ' "$logs"/*.results; then
    echo "Skipped:"
    cat "$logs"/*.results | sed -n 's/^skipped /  /p'
fi
[ "$failed" -eq 0 ]
