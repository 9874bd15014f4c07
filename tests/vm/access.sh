#!/usr/bin/env bash
# The program run by an ordinary user who may not open the headset's hidraw
# node (only root may, as without the shipped udev rule): the window and
# velumixctl must say which device they could not open and how to give the
# user access; once access is given, the window takes the headset over.
set -u
source "$(dirname "$0")/lib.sh"

readonly kProduct=1054
readonly kIdentity=0a1b2c3d
readonly kNobody=65534
user_home="$work/home"
program_log="$work/velumix.log"
# The user's own copy of the programs and their files: the build folder may
# lie below a folder the user cannot enter (a home folder of mode 0700).
user_programs="$work/programs"

as_user() {
    setpriv --reuid="$kNobody" --regid="$kNobody" --clear-groups \
        env HOME="$user_home" XDG_CONFIG_HOME="$user_home/.config" XDG_RUNTIME_DIR="$user_home/run" \
            QT_QPA_PLATFORM=offscreen VELUMIX_ANSWER_BOXES=1 QT_LOGGING_RULES="velumix.*.debug=true" \
            "$@"
}

copy_programs() {
    mkdir -p "$user_programs/bin"
    cp "$bin/velumix" "$bin/velumixctl" "$user_programs/bin/"
    cp -r "$bin/../share" "$user_programs/"
    chmod -R a+rX "$user_programs"
}

start_program() {
    chmod 711 "$work" # the user reaches only its home and the programs in there
    copy_programs
    mkdir -p "$user_home/run"
    chmod 700 "$user_home/run"
    chown -R "$kNobody:$kNobody" "$user_home"
    as_user "$user_programs/bin/velumix" >"$program_log" 2>&1 &
    program_pid=$!
    program_says "Register SuccessFul!"
}

# program_says TEXT: waits up to 20 s for a line of the program holding TEXT.
program_says() {
    local deadline=$((SECONDS + 20))
    until grep -qF -- "$1" "$program_log"; do
        if [ "$SECONDS" -ge "$deadline" ] || ! kill -0 "$program_pid" 2>/dev/null; then
            echo "the program never said '$1'; its last lines:" >&2
            tail -n 5 "$program_log" >&2
            return 1
        fi
        sleep 0.1
    done
}

stop_program() {
    kill "$program_pid"
    wait "$program_pid" 2>/dev/null
    true
}

node_is_roots_alone() {
    chown root:root "$headset_node" && chmod 600 "$headset_node"
}

box_names_node_and_rule() {
    program_says "message box: warning: The headset at $headset_node cannot be opened." &&
        program_says "70-velumix.rules"
}

said_once() { [ "$(grep -cF -- "$1" "$program_log")" -eq 1 ]; }
never_said() { ! grep -qF -- "$1" "$program_log"; }

# --accept makes velumixctl open the headset itself rather than ask the
# running window.
velumixctl_names_node_and_rule() {
    as_user "$user_programs/bin/velumixctl" --accept "$kProduct" info >/dev/null 2>"$work/ctl.err"
    local status=$?
    [ "$status" -eq 4 ] && grep -qF "cannot open the headset at $headset_node" "$work/ctl.err" &&
        grep -qF "udev rule" "$work/ctl.err" ||
        { echo "velumixctl ended with $status: $(cat "$work/ctl.err")" >&2; return 1; }
}

# As udev does once its rules have run: the user may now use the node.
access_given() { chmod 666 "$headset_node"; }

start_headset
check "the window starts without a headset" start_program || { finish; exit 1; }
check "a headset the user may not open comes" plug_in "$kProduct" "$kIdentity"
check "its node is root's alone" node_is_roots_alone
check "the window names the node and the udev rule" box_names_node_and_rule
check "the window says it once" said_once "message box: warning:"
check "the window stays on the start screen" never_said "Open Device Success!"
check "velumixctl names the node and the udev rule" velumixctl_names_node_and_rule
check "the headset pulled out" pull_out
check "it comes again" plug_in "$kProduct" "$kIdentity"
check "access is given a moment later" access_given
check "the window takes it over" program_says "Open Device Success!"
check "without another warning" said_once "message box: warning:"
stop_program
finish
