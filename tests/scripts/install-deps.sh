#!/usr/bin/env bash
# scripts/install-deps.sh against stand-ins for dpkg-query and apt-get: which
# packages it asks for on which machine, and that it installs nothing when
# apt's plan would remove a package.
#   tests/scripts/install-deps.sh SOURCE_DIR
set -u
script="${1:?usage: install-deps.sh SOURCE_DIR}/scripts/install-deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A machine with the packages named in $work/installed; apt-get logs its
# calls to $work/apt.log and plans to remove what $work/removes names.
mkdir "$work/bin"
cat >"$work/bin/dpkg-query" <<'END'
#!/bin/sh
package=$(eval echo "\${$#}")
grep -qx "$package" "$FAKE_APT/installed" && echo "install ok installed"
END
cat >"$work/bin/apt-get" <<'END'
#!/bin/sh
echo "$*" >>"$FAKE_APT/apt.log"
[ "$1" = -s ] || exit 0
for package in $(cat "$FAKE_APT/removes"); do echo "Remv $package [1.0]"; done
echo "Inst something (1.0 Debian:12)"
END
chmod +x "$work/bin/"*
export FAKE_APT=$work PATH="$work/bin:$PATH"

# run_on "INSTALLED" "REMOVES" ARGS...: runs the script on such a machine.
run_on() {
    printf '%s\n' $1 >"$work/installed"
    printf '%s\n' $2 >"$work/removes"
    : >"$work/apt.log"
    shift 2
    bash "$script" "$@" >"$work/out" 2>&1
}

check() { # DESCRIPTION COMMAND...
    local description=$1
    shift
    if "$@"; then
        echo "ok - $description"
    else
        echo "FAILED - $description"
        sed 's/^/    /' "$work/out" "$work/apt.log"
        failures=$((failures + 1))
    fi
}

installs() { grep -q "^install .*--no-remove.* $1\( \|$\)" "$work/apt.log"; }
asks_for() { grep -q "^-s install .* $1\( \|$\)" "$work/apt.log"; }
installs_nothing() { ! grep -q "^install" "$work/apt.log"; }

run_on "" ""
check "a bare machine gets the build packages" installs qtbase5-dev
check "and the run-time ones" installs qtwayland5
check "but nothing only the tests need" eval '! asks_for qemu-system-x86 && ! asks_for pulseaudio && ! asks_for libclang-rt-14-dev'

run_on "" "" --tests
check "the tests add their tools" installs qemu-system-x86
check "and Ninja for the test command's build trees" installs ninja-build
check "with clang's libFuzzer for the fuzz runs" installs libclang-rt-14-dev
check "and PulseAudio where no sound server is installed" installs pulseaudio

run_on "pipewire" "" --tests
check "PipeWire's own PulseAudio server where PipeWire is installed" installs pipewire-pulse
check "and never the PulseAudio daemon there" eval '! asks_for pulseaudio'

run_on "pipewire pipewire-pulse wireplumber" "" --tests
check "nothing for the sound server on a PipeWire desktop" eval '! asks_for pulseaudio && ! asks_for pipewire-pulse'

run_on "" "pipewire-audio gnome-core"
status=$?
check "a plan that removes packages is refused" test "$status" -ne 0
check "with the packages it would remove named" grep -q "pipewire-audio" "$work/out"
check "and nothing installed" installs_nothing

run_on "nothing-else" "" --bad-option
status=$?
check "an unknown option is a usage error" test "$status" -eq 2

[ "$failures" -eq 0 ]
