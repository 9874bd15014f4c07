#!/usr/bin/env bash
# Fuzzes the code that takes bytes from outside with clang's libFuzzer:
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# configures the fuzz build in build-fuzz (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), builds the targets of fuzz/ (all by default)
# and runs each for SECONDS (default 60), one after the other. Each run starts
# from the committed corpus fuzz/<target>/corpus, which it only reads; what it
# finds goes to build-fuzz/work/<target>: new inputs to corpus/, crashing ones
# to crashes/, its output to log. An input worth keeping (every crash, once
# fixed) is copied into fuzz/<target>/corpus, where the normal test run
# replays it. Exits 1 when any target crashed.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: $0 [SECONDS] [TARGET...]" >&2
    echo "targets: $(all_targets | tr '\n' ' ')" >&2
    exit 2
}

# Every target has its dictionary beside it: fuzz/<target>.dict.
all_targets() {
    for dict in fuzz/*.dict; do
        basename "$dict" .dict
    done
}

seconds=60
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
[ "$seconds" -gt 0 ] || usage
if [ $# -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < <(all_targets)
fi
for target in "${targets[@]}"; do
    [ -f "fuzz/$target.dict" ] || usage
done

build="build-fuzz"
cmake -S . -B "$build" -DVELUMIX_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}" >"$build/build.log" ||
    { cat "$build/build.log" >&2 && exit 1; }

# Leaks of Qt's own making are known (fuzz/lsan.supp); ours are not.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
crashed=0
for target in "${targets[@]}"; do
    work=$build/work/$target
    mkdir -p "$work/corpus" "$work/crashes"
    before=$(find "$work/corpus" -type f | wc -l)
    echo "fuzzing $target for $seconds s"
    status=0
    # The first corpus folder receives what the run finds; the committed one
    # after it is only read.
    "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -dict="fuzz/$target.dict" -artifact_prefix="$work/crashes/" -print_final_stats=1 \
        "$work/corpus" "fuzz/$target/corpus" >"$work/log" 2>&1 || status=$?
    found=$(($(find "$work/corpus" -type f | wc -l) - before))
    grep -E '^stat::number_of_executed_units' "$work/log" | sed "s/^/    /" || true
    echo "    $found new inputs in $work/corpus"
    crashes=$(find "$work/crashes" -type f | wc -l)
    if [ "$status" -ne 0 ] || [ "$crashes" -gt 0 ]; then
        crashed=1
        echo "    CRASHED (exit $status): $crashes inputs in $work/crashes, output in $work/log"
        grep -E 'ERROR: |fuzz check failed|SUMMARY' "$work/log" | sed "s/^/    /" || true
    fi
done
exit "$crashed"
