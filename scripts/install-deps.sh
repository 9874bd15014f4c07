#!/usr/bin/env bash
# Installs everything Velumix needs to build, run and test on Debian 12.
set -euo pipefail
packages=(
    cmake g++ make pkg-config clang-format
    qtbase5-dev qttools5-dev-tools qtmultimedia5-dev libqt5multimedia5-plugins
    gstreamer1.0-plugins-good gstreamer1.0-plugins-base espeak-ng
    libhidapi-dev libqcustomplot-dev libudev-dev libpulse-dev
    fonts-liberation fonts-jura libglib2.0-bin
    pulseaudio pulseaudio-utils xvfb x11-utils imagemagick
    qemu-system-x86 busybox-static cpio kmod xz-utils udev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
