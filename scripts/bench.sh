#!/usr/bin/env bash
# Measures what Velumix costs, each figure beside a floor where one applies,
# and prints one table (README, "Benchmarks"):
#   scripts/bench.sh [--runs N] [--idle-seconds S] [--idle-rounds N] [--build DIR]
# builds the window, velumixctl and bench/'s programs in DIR (default
# build-bench; RelWithDebInfo), then, against a private sound server and
# display:
# - start-up to the first frame shown, CPU and wall, of the window with no
#   headset and with the simulated one, and of the floor program
#   (bench/floor.cpp: a window of the window's size holding one plot, with
#   a tray icon, linking Qt Widgets and QCustomPlot alone): a warm-up, then
#   N runs of each in turn (default 7); beside them the floor program
#   linking all of the window's libraries;
# - idle, S seconds (default 30) after a settling time, N rounds (default
#   3), in turn: the floor, the window with the simulated headset and with
#   none, each shown and each started in the tray (-autorun): CPU, wake-ups
#   (context switches of all threads), threads, resident memory;
# - from a reply's arrival to its handling by the window
#   (bench/reply-latency.cpp), beside the same for a bare descriptor in a
#   bare event loop (bench/reply-floor.cpp);
# - velumixctl's mic-volume, eq and get on its own simulated headset and
#   through the window: CPU and wall per command, beside `velumixctl
#   --version` (which answers before it touches a headset or the window),
#   a program that does nothing and one that only sets up Qt;
# - the release of a band slider to the last PEQ frame written
#   (bench/slider-latency.cpp);
# - an application's stream starting to play to its rule's mode sent, and
#   its end to the person's own mode sent again, with the window shown and
#   in the tray (bench/auto-switch.cpp, with a sound server of its own);
# - the first opening of each page, N runs (bench/page-open.cpp).
# Figures are medians; a ratio is the median of the ratios of runs made one
# after the other. CPU is user+system time of all the program's threads.
# Nothing of the user's is read or written (a throwaway home, runtime and
# temporary folder, no session bus) and nothing is left running.
# Not a test: it passes or fails nothing, and the test command never runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
# The same for everyone: decimal points, and no translations of the programs.
export LC_ALL=C.UTF-8

usage() {
    echo "usage: $0 [--runs N] [--idle-seconds S] [--idle-rounds N] [--build DIR]" >&2
    exit 2
}

die() {
    echo "bench: $*" >&2
    exit 1
}

runs=7
build="build-bench"
idle_seconds=30
idle_rounds=3
# After start-up work (the headset's first replies, the tray's greeting).
readonly settle_seconds=5
while [ $# -gt 0 ]; do
    if [ $# -lt 2 ] || { [ "$1" != --build ] && ! [[ $2 =~ ^[1-9][0-9]*$ ]]; }; then
        usage
    fi
    case "$1" in
    --runs) runs=$2 ;;
    --idle-seconds) idle_seconds=$2 ;;
    --idle-rounds) idle_rounds=$2 ;;
    --build) build=$2 ;;
    *) usage ;;
    esac
    shift 2
done

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELUMIX_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" \
    --target velumix velumixctl velumix-bench-floor velumix-bench-floor-all-libraries \
    velumix-bench-slider velumix-bench-autoswitch velumix-bench-replies velumix-bench-reply-floor \
    velumix-bench-pages velumix-bench-empty velumix-bench-core-floor >"$build/bench-build.log" ||
    { cat "$build/bench-build.log" >&2 && exit 1; }
bin=$(cd "$build" && pwd)/bin
command -v ipcrm >/dev/null || die "ipcrm is missing (Debian package util-linux)"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velumix-bench.XXXXXX")
pulse_fixture=$PWD/tests/platform/pulse-fixture.sh
# The processes started in the background that may still run.
started=()

# start_background COMMAND...: runs it in the background; its pid in `pid`.
start_background() {
    "$@" &
    pid=$!
    started+=("$pid")
}

# stop PID: ends a process of start_background and forgets it, so that its
# number, once free, is never signalled again.
stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
    local kept=() other
    for other in "${started[@]}"; do
        [ "$other" = "$1" ] || kept+=("$other")
    done
    started=("${kept[@]}")
}

# A window ended by a signal or at its first frame leaves its single-instance
# segment and semaphores in the kernel; Qt keys them on the files it keeps in
# TMPDIR (ftok with project 'Q').
remove_ipc_leftovers() {
    local file dev inode key
    for file in "$scratch"/tmp/qipc_*; do
        [ -e "$file" ] || continue
        read -r dev inode < <(stat -c '%d %i' "$file")
        key=$(((0x51 << 24) | ((dev & 0xff) << 16) | (inode & 0xffff)))
        case "$file" in
        */qipc_sharedmemory_*) ipcrm -M "$key" 2>/dev/null || true ;;
        */qipc_systemsem_*) ipcrm -S "$key" 2>/dev/null || true ;;
        esac
    done
}

cleanup() {
    local pid
    for pid in "${started[@]}"; do
        stop "$pid"
    done
    bash "$pulse_fixture" stop "$scratch/pulse" >/dev/null 2>&1 || true
    remove_ipc_leftovers
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# The throwaway session everything runs in.
export HOME="$scratch/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$scratch/runtime"
export TMPDIR="$scratch/tmp"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-session-bus"
unset WAYLAND_DISPLAY QT_LOGGING_RULES
mkdir -p "$HOME/Documents" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
socket="$XDG_RUNTIME_DIR/velumix-$(id -u)"

# The tests' throwaway sound server.
bash "$pulse_fixture" start "$scratch/pulse" >/dev/null
export PULSE_SERVER="unix:$scratch/pulse/native"
sound_server=PulseAudio
[ ! -e "$scratch/pulse/1-pipewire.pid" ] || sound_server=PipeWire

# A display of its own (Xvfb) where installed, else Qt's offscreen platform.
readonly screen=1920x1080x24
if command -v Xvfb >/dev/null; then
    start_background Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp \
        3>"$scratch/display" 2>"$scratch/xvfb.log"
    for _ in $(seq 100); do
        [ -s "$scratch/display" ] && break
        sleep 0.1
    done
    [ -s "$scratch/display" ] || die "Xvfb did not start: $(cat "$scratch/xvfb.log")"
    DISPLAY=":$(cat "$scratch/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb
    display="Xvfb ${screen%x*}, xcb"
else
    unset DISPLAY
    export QT_QPA_PLATFORM=offscreen
    display="offscreen (Xvfb not installed)"
fi

# median: the middle of the numbers on standard input.
median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# ratio A B: A / B to two places.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'
}

# timed COMMAND...: runs it and prints "wall_ms cpu_ms" (bash's own timer:
# /usr/bin/time rounds to 10 ms, too coarse for velumixctl's milliseconds).
timed() {
    local TIMEFORMAT='%3R %3U %3S' times
    times=$({ time "$@" >"$scratch/timed.out" 2>&1; } 2>&1) ||
        die "$* failed: $(cat "$scratch/timed.out")"
    awk '{ printf "%.1f %.1f\n", $1 * 1000, ($2 + $3) * 1000 }' <<<"$times"
}

# first_frame COMMAND...: one start-up until the first frame is shown (the
# programs end there when VELUMIX_EXIT_ON_FIRST_FRAME is set).
first_frame() {
    export VELUMIX_EXIT_ON_FIRST_FRAME=1
    timed "$@"
    unset VELUMIX_EXIT_ON_FIRST_FRAME
    grep -qx 'first frame' "$scratch/timed.out" || die "$* ended before its first frame"
}

# PID's threads, one a line: "thread cpu_ns context_switches".
thread_sample() {
    local pid=$1 task ns count
    for task in /proc/"$pid"/task/*; do
        read -r ns _ <"$task/schedstat" || continue
        count=$(awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }' \
            "$task/status" 2>/dev/null) || continue
        echo "${task##*/} $ns $count"
    done
}

# idle COMMAND...: starts it, lets it settle, then prints over idle_seconds
# "cpu_percent wakeups_per_second threads rss_kib".
idle() {
    start_background "$@" >"$scratch/idle.log" 2>&1
    sleep "$settle_seconds"
    kill -0 "$pid" 2>/dev/null || die "$* ended during the idle run: $(cat "$scratch/idle.log")"
    local threads rss
    thread_sample "$pid" >"$scratch/threads.before"
    sleep "$idle_seconds"
    thread_sample "$pid" >"$scratch/threads.after"
    read -r threads rss < <(awk '/^Threads:/ { t = $2 } /^VmRSS:/ { r = $2 } END { print t, r }' \
        /proc/"$pid"/status)
    stop "$pid"
    # Per thread, what it used in between: all of it for a thread started
    # in between; a thread that ended in between (Qt's pool lets its idle
    # threads go after 30 s) is left out, as its last figures are gone.
    awk -v s="$idle_seconds" -v t="$threads" -v r="$rss" '
        NR == FNR { cpu[$1] = $2; switches[$1] = $3; next }
        { c += $2 - cpu[$1]; w += $3 - switches[$1] }
        END { printf "%.3f %.1f %d %d\n", c / s / 1e7, w / s, t, r }' \
        "$scratch/threads.before" "$scratch/threads.after"
}

wait_for_window() {
    for _ in $(seq 100); do
        [ -S "$socket" ] && return 0
        sleep 0.1
    done
    die "the window did not start listening: $(cat "$scratch/window.log")"
}

results=$scratch/results
mkdir -p "$results"
# sample FUNCTION ARGS...: runs it in this shell (so that it can stop the
# script and what it starts is cleaned up) and reads what it printed into
# the array `got`.
sample() {
    "$@" >"$scratch/sample"
    read -r -a got <"$scratch/sample"
}
# note NAME VALUES...: appends one run's values to NAME's column files.
note() {
    local name=$1 column=1 value
    shift
    for value in "$@"; do
        echo "$value" >>"$results/$name.$column"
        column=$((column + 1))
    done
}
# value NAME COLUMN [FORMAT]: the median of that column (printf FORMAT,
# default one decimal).
value() {
    # "-" in any run: no ratio to a floor of nothing.
    if grep -qvE '^-?[0-9.]+$' "$results/$1.$2"; then
        printf '%s' -
        return
    fi
    # shellcheck disable=SC2059 # the format is the caller's
    printf "${3:-%.1f}" "$(median <"$results/$1.$2")"
}

echo "start-up: a warm-up and $runs runs of each" >&2
first_frame "$bin/velumix-bench-floor" >/dev/null
first_frame "$bin/velumix-bench-floor-all-libraries" >/dev/null
first_frame "$bin/velumix" >/dev/null
first_frame "$bin/velumix" --simulate >/dev/null
for _ in $(seq "$runs"); do
    sample first_frame "$bin/velumix-bench-floor"
    floor=("${got[@]}")
    note start-floor "${floor[@]}"
    sample first_frame "$bin/velumix-bench-floor-all-libraries"
    note start-all "${got[@]}" "$(ratio "${got[0]}" "${floor[0]}")" "$(ratio "${got[1]}" "${floor[1]}")"
    sample first_frame "$bin/velumix"
    note start-none "${got[@]}" "$(ratio "${got[0]}" "${floor[0]}")" "$(ratio "${got[1]}" "${floor[1]}")"
    sample first_frame "$bin/velumix" --simulate
    note start-headset "${got[@]}" "$(ratio "${got[0]}" "${floor[0]}")" \
        "$(ratio "${got[1]}" "${floor[1]}")"
done

echo "idle: $idle_rounds rounds of ${idle_seconds} s each" >&2
# idle_round WAY [ARGUMENTS...]: the floor, then the window with the
# simulated headset and with none, all started the same way; a window's
# columns are followed by its ratios of CPU, wake-ups and memory.
idle_round() {
    local way=$1 kind
    shift
    sample idle "$bin/velumix-bench-floor" "$@"
    floor=("${got[@]}")
    note "idle-$way-floor" "${floor[@]}"
    for kind in headset none; do
        if [ "$kind" = headset ]; then
            sample idle "$bin/velumix" --simulate "$@"
        else
            sample idle "$bin/velumix" "$@"
        fi
        note "idle-$way-$kind" "${got[@]}" "$(ratio "${got[0]}" "${floor[0]}")" \
            "$(ratio "${got[1]}" "${floor[1]}")" "$(ratio "${got[3]}" "${floor[3]}")"
    done
}
for _ in $(seq "$idle_rounds"); do
    idle_round shown
    idle_round tray -autorun
done

echo "replies: from a reply's arrival to its handling" >&2
"$bin/velumix-bench-replies" >"$results/replies" 2>"$scratch/replies.log" ||
    die "the reply run failed: $(cat "$scratch/replies.log")"
read -r _ reply_median reply_max < <(grep '^reply_ms ' "$results/replies")
"$bin/velumix-bench-reply-floor" >"$results/reply-floor" 2>"$scratch/reply-floor.log" ||
    die "the reply floor run failed: $(cat "$scratch/reply-floor.log")"
read -r _ reply_floor_median reply_floor_max < <(grep '^reply_ms ' "$results/reply-floor")

echo "velumixctl: $runs runs of each command, directly and through the window" >&2
commands=("mic-volume 50" "eq --mode 1 --gains 0,1,2,3,4,5,4,3,2,1" "get")
ctl_rows() {
    local way=$1 command
    shift
    for command in "${commands[@]}"; do
        # shellcheck disable=SC2086 # the command's words
        timed "$bin/velumixctl" "$@" $command >/dev/null # warm-up
        for _ in $(seq "$runs"); do
            # shellcheck disable=SC2086
            sample timed "$bin/velumixctl" "$@" $command
            note "ctl-$way-${command%% *}" "${got[@]}"
            sample timed "$bin/velumixctl" --version
            note ctl-floor "${got[@]}"
        done
    done
}
for _ in $(seq "$runs"); do
    sample timed "$bin/velumix-bench-empty"
    note start-empty "${got[@]}"
    sample timed "$bin/velumix-bench-core-floor"
    note start-core "${got[@]}"
done
ctl_rows direct --simulate
start_background "$bin/velumix" --simulate >"$scratch/window.log" 2>&1
window=$pid
wait_for_window
sleep "$settle_seconds"
ctl_rows window
stop "$window"

echo "slider: drags of a custom mode's band slider" >&2
"$bin/velumix-bench-slider" >"$results/slider" 2>"$scratch/slider.log" ||
    die "the slider run failed: $(cat "$scratch/slider.log")"
read -r _ release_median release_max < <(grep '^release_ms ' "$results/slider")
read -r _ late_median late_max < <(grep '^late_ms ' "$results/slider")

echo "automatic modes: streams of an application with a rule, window shown and in the tray" >&2
# Its sound server is started below this one's folder, whose stop ends it too.
for way in shown tray; do
    [ "$way" = shown ] && arguments=() || arguments=(-autorun)
    VELUMIX_PULSE_DIR="$scratch/pulse" VELUMIX_PULSE_FIXTURE="$pulse_fixture" \
        "$bin/velumix-bench-autoswitch" "${arguments[@]}" >"$results/auto-$way" \
        2>"$scratch/auto.log" || die "the automatic modes' run failed: $(cat "$scratch/auto.log")"
done

echo "pages: $runs runs of each page's first opening" >&2
for _ in $(seq "$runs"); do
    "$bin/velumix-bench-pages" >"$scratch/pages" 2>"$scratch/pages.log" ||
        die "the page run failed: $(cat "$scratch/pages.log")"
    while read -r _ page ms; do
        note "page-$page" "$ms"
    done < <(grep '^page_ms ' "$scratch/pages")
done
pages=$(grep '^page_ms ' "$scratch/pages" | cut -d' ' -f2)

# at_most VALUE LIMIT: whether the value holds the target.
at_most() {
    awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l ? "yes" : "NO") }'
}
mib() {
    awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'
}
row() {
    printf '%-60s %13s %9s %6s  %-16s %s\n' "$@"
}

# shellcheck disable=SC1091 # the machine's own
system=$(. /etc/os-release && echo "$PRETTY_NAME")
cpu_model=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo
echo "Velumix benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "machine: $(nproc) x $cpu_model, $system; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "display: $display; sound server: private $sound_server; RelWithDebInfo"
echo "medians of $runs start-ups and commands (after a warm-up) and $idle_rounds idle rounds of ${idle_seconds} s;"
echo "ratio: the median of the ratios of runs made one after the other; CPU: user+system, all threads"
echo "floor: bench/floor.cpp (Qt Widgets and QCustomPlot only) for start-up and idle,"
echo "  bench/reply-floor.cpp for replies, \`velumixctl --version\` for velumixctl"
echo
row "measurement" "velumix" "floor" "ratio" "target" "holds"
for kind in none headset; do
    [ "$kind" = none ] && what="no headset" || what="simulated headset"
    row "start-up to first frame, CPU ms, $what" "$(value start-$kind 2)" "$(value start-floor 2)" \
        "$(value start-$kind 4 %.2f)" "<= 1.5 x floor" "$(at_most "$(value start-$kind 4 %.2f)" 1.5)"
    row "start-up to first frame, wall ms, $what" "$(value start-$kind 1)" "$(value start-floor 1)" \
        "$(value start-$kind 3 %.2f)" "" ""
done
row "start-up CPU ms, the floor with all the window's libraries" "$(value start-all 2)" \
    "$(value start-floor 2)" "$(value start-all 4 %.2f)" "" ""
for way in shown tray; do
    [ "$way" = shown ] && where="shown" || where="in the tray (-autorun)"
    for kind in headset none; do
        [ "$kind" = headset ] && what="simulated headset" || what="no headset"
        name=idle-$way-$kind
        row "idle CPU %, $where, $what" "$(value "$name" 1 %.3f)" \
            "$(value "idle-$way-floor" 1 %.3f)" "$(value "$name" 5 %.2f)" "" ""
        wakeups=$(value "$name" 2)
        row "idle wake-ups /s, $where, $what" "$wakeups" "$(value "idle-$way-floor" 2)" \
            "$(value "$name" 6 %.2f)" "0" "$(at_most "$wakeups" 0)"
        row "idle threads, $where, $what" "$(value "$name" 3 %.0f)" \
            "$(value "idle-$way-floor" 3 %.0f)" "" "" ""
        if [ "$way" = tray ]; then
            target="<= 1.3 x floor" holds=$(at_most "$(value "$name" 7 %.2f)" 1.3)
        else
            target="" holds=""
        fi
        row "idle RSS MiB, $where, $what" "$(mib "$(value "$name" 4)")" \
            "$(mib "$(value "idle-$way-floor" 4)")" "$(value "$name" 7 %.2f)" "$target" "$holds"
    done
done
row "reply arrival -> handled, ms (worst)" "$reply_median ($reply_max)" \
    "$reply_floor_median ($reply_floor_max)" "$(ratio "$reply_median" "$reply_floor_median")" \
    "<= 1" "$(at_most "$reply_median" 1)"
row "velumixctl --version: CPU ms" "$(value ctl-floor 2)" "" "" "" ""
row "a program that does nothing: CPU ms" "$(value start-empty 2)" "" "" "" ""
row "a program that does nothing: wall ms" "$(value start-empty 1)" "" "" "" ""
row "a Qt program that only sets up Qt: CPU ms" "$(value start-core 2)" "" "" "" ""
row "a Qt program that only sets up Qt: wall ms" "$(value start-core 1)" "" "" "" ""
for command in "${commands[@]}"; do
    name=${command%% *}
    cpu=$(value "ctl-direct-$name" 2)
    row "velumixctl $name, direct: CPU ms" "$cpu" "$(value ctl-floor 2)" "" "<= 5" \
        "$(at_most "$cpu" 5)"
    row "velumixctl $name, direct: wall ms" "$(value "ctl-direct-$name" 1)" "$(value ctl-floor 1)" \
        "" "" ""
done
for command in "${commands[@]}"; do
    name=${command%% *}
    wall=$(value "ctl-window-$name" 1)
    row "velumixctl $name, through the window: CPU ms" "$(value "ctl-window-$name" 2)" \
        "$(value ctl-floor 2)" "" "" ""
    row "velumixctl $name, through the window: wall ms" "$wall" "$(value ctl-floor 1)" "" "<= 10" \
        "$(at_most "$wall" 10)"
done
row "slider release -> last PEQ frame, ms (worst)" "$release_median ($release_max)" "" "" "" ""
row "throttle end -> last PEQ frame, ms (worst)" "$late_median ($late_max)" "" "" "<= 11.4" \
    "$(at_most "$late_median" 11.4)"
for way in shown tray; do
    [ "$way" = shown ] && where="shown" || where="in the tray"
    read -r _ switch_median switch_max < <(grep '^switch_ms ' "$results/auto-$way")
    read -r _ restore_median restore_max < <(grep '^restore_ms ' "$results/auto-$way")
    # Every switch is to be that quick: the worst holds the target.
    row "stream start -> rule's mode sent, ms (worst), $where" "$switch_median ($switch_max)" \
        "" "" "<= 100" "$(at_most "$switch_max" 100)"
    row "stream end -> own mode sent again, ms (worst), $where" "$restore_median ($restore_max)" \
        "" "" "" ""
done
for page in $pages; do
    opened=$(value "page-$page" 1)
    row "first opening of a page, ms: $page" "$opened" "" "" "<= 50" "$(at_most "$opened" 50)"
done
