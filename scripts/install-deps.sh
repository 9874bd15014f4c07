#!/usr/bin/env bash
# Installs from Debian 12's archive what Velumix needs:
#   scripts/install-deps.sh           to build and run the two programs
#   scripts/install-deps.sh --tests   to run the tests as well
# It never removes or replaces an installed package: apt's plan is simulated
# first and refused when it would remove anything. The tests' throwaway sound
# server is a private instance of the installed sound stack (PipeWire with its
# PulseAudio server, or PulseAudio), so a desktop's own stack stays as it is.
set -euo pipefail

build_packages=(
    cmake g++ make pkg-config
    qtbase5-dev qtmultimedia5-dev libhidapi-dev libqcustomplot-dev libudev-dev libpulse-dev
    espeak-ng # speaks the speaker test's sound at build time
    libxcb1-dev # the stand-in X11 tray of tests/window/tst_displayserver
)
run_packages=(
    libqt5multimedia5-plugins gstreamer1.0-plugins-good gstreamer1.0-plugins-base
    qtwayland5 fontconfig fonts-liberation fonts-jura
)
test_packages=(
    ninja-build # the test command's build trees
    clang-format libglib2.0-bin pulseaudio-utils
    qemu-system-x86 busybox-static cpio kmod xz-utils udev
    desktop-file-utils appstream lintian dpkg-dev bash-completion man-db
    xvfb weston # the window on X11 and on Wayland (tests/window/display-server.sh)
    dbus-daemon # the private session bus of tests/window/tst_desktoplook
    # clang's libFuzzer and sanitizers (scripts/fuzz.sh, the sanitized suite),
    # their reports' symbols and a fast linker for the sanitized trees
    clang libclang-rt-14-dev llvm lld
)

usage() {
    echo "usage: $0 [--tests]" >&2
    exit 2
}

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# The test sound server: whatever of PulseAudio or PipeWire is already there;
# PulseAudio on a machine with neither.
sound_server_packages() {
    if installed pulseaudio || installed pipewire-pulse; then
        installed wireplumber || ! installed pipewire-pulse || echo wireplumber
    elif installed pipewire; then
        echo pipewire-pulse wireplumber
    else
        echo pulseaudio
    fi
}

wanted=("${build_packages[@]}" "${run_packages[@]}")
case "${1:-}" in
"") ;;
--tests)
    # shellcheck disable=SC2207 # package names hold no white space
    wanted+=("${test_packages[@]}" $(sound_server_packages))
    ;;
*) usage ;;
esac

missing=()
for package in "${wanted[@]}"; do
    installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -gt 0 ] || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
plan=$(apt-get -s install --no-install-recommends "${missing[@]}")
if grep -q '^Remv' <<<"$plan"; then
    echo "install-deps.sh: installing ${missing[*]} would remove these packages:" >&2
    grep '^Remv' <<<"$plan" | cut -d' ' -f2 | sed 's/^/    /' >&2
    echo "install-deps.sh: refusing; nothing was installed. Install what is missing by hand" \
        "in a way that keeps your packages." >&2
    exit 1
fi
# --no-remove once more, in case the archive changed since the simulation.
$sudo apt-get install -y --no-install-recommends --no-remove "${missing[@]}"
