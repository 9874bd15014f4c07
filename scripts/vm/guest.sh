#!/usr/bin/env bash
# Runs a command inside a small QEMU guest that boots Debian's own kernel and
# sees the host's root read-only, so the command runs the host's programs and
# the build output unchanged, but on a kernel with uhid, hidraw and udev.
#
#   scripts/vm/guest.sh [--cache DIR] [--boot-deadline SECONDS] [--timeout SECONDS]
#                       COMMAND [ARGS...]
#
# The command runs as root in the current folder; variables named VELUMIX_*
# and QT_* are passed on. /run and /dev/shm are fresh tmpfs folders; /run/tmp
# is HOME and TMPDIR.
# The script prints the command's output and exits with its status, or with
# 124 when it outlived the time-out. Where the guest cannot run (no qemu, no
# kernel package, no boot within the deadline) it prints "skipped: <reason>"
# and exits with 77; the reason is also left in CACHE/skipped-<NAME>, NAME
# being the command's file name without .sh.
# Several guests may run at once from one cache folder: each command has an
# exchange folder of its own, CACHE/run-<NAME>.
#
# The kernel (package linux-image-6.1.*-amd64, fetched with apt-get download)
# and the initramfs (busybox-static, cpio, kmod) are kept in the cache folder,
# default build/vm, so later runs start at once.
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"

readonly kSkipped=77
readonly kTimedOut=124
here=$(cd "$(dirname "$0")" && pwd)
cache="$here/../../build/vm"
boot_deadline=60
timeout=240
while [ $# -gt 0 ]; do
    case "$1" in
    --cache) cache=$2; shift 2 ;;
    --boot-deadline) boot_deadline=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "guest.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: guest.sh [--cache DIR] [--boot-deadline S] [--timeout S] COMMAND [ARGS...]" >&2; exit 2; }
run_name=$(basename "$1")
run_name=${run_name%.sh}

# The reason also goes to a file, for callers that hide the output.
skip() {
    echo "skipped: $*" | tee "$cache/skipped-$run_name"
    exit "$kSkipped"
}
# Another guest's start fetching the kernel or making the initramfs at the
# same time waits for this one's.
prepare_lock() {
    exec 8>"$cache/prepare.lock"
    flock 8
}

# The modules the guest loads, dependencies resolved by modprobe.
# overlay: a writable layer over the host's root, for installing a package.
readonly kWantedModules="9p 9pnet_virtio virtio_pci uhid hid_generic overlay"
# What of the kernel package the guest needs.
readonly kPackageParts=(
    './boot/vmlinuz-*' './lib/modules/*/modules.order' './lib/modules/*/modules.builtin*'
    './lib/modules/*/kernel/fs/9p/*' './lib/modules/*/kernel/net/9p/*'
    './lib/modules/*/kernel/fs/netfs/*' './lib/modules/*/kernel/fs/fscache/*'
    './lib/modules/*/kernel/drivers/virtio/*' './lib/modules/*/kernel/drivers/hid/*'
    './lib/modules/*/kernel/fs/overlayfs/*'
)

# The kernel the metapackage linux-image-amd64 currently points at.
current_kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-6\.1\.[0-9.-]*-amd64\)$/\1/p' | head -n 1
}

# Debian's compressed kernel spends most of a software-emulated boot
# unpacking itself; the plain ELF image inside boots at once (PVH entry).
# Where it cannot be taken out, the compressed one is used as it is.
unpack_kernel_image() { # BZIMAGE VMLINUX
    local offset
    offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$1" | head -n 1 | cut -d: -f1)
    if [ -n "$offset" ]; then
        # xz stops at the end of its stream; tail may then die of SIGPIPE.
        tail -c +"$((offset + 1))" "$1" | xz -dc --single-stream >"$2" 2>/dev/null || true
        [ "$(head -c 4 "$2" | od -An -c | tr -d ' ')" = '177ELF' ] && return
    fi
    cp "$1" "$2"
}

# Leaves $kernel_dir/vmlinux, the modules and their load order in
# $kernel_dir/modules/order.
fetch_kernel() {
    [ -f "$kernel_dir/modules/order" ] && [ "$(cat "$kernel_dir/wanted" 2>/dev/null)" = "$kWantedModules" ] &&
        return
    local package unpacked
    package=$(current_kernel_package)
    [ -n "$package" ] || skip "apt knows no linux-image-6.1.*-amd64 package (run apt-get update)"
    echo "guest: fetching $package"
    rm -rf "$cache/download" "$kernel_dir"
    mkdir -p "$cache/download/unpacked" "$kernel_dir/modules"
    (cd "$cache/download" && apt-get download "$package" >download.log 2>&1) ||
        skip "apt-get download $package failed: $(tail -n 1 "$cache/download/download.log")"
    unpacked="$cache/download/unpacked"
    dpkg-deb --fsys-tarfile "$cache/download/$package"_*.deb |
        tar -x -C "$unpacked" --wildcards "${kPackageParts[@]}"
    local version
    version=$(ls "$unpacked/lib/modules")
    depmod -b "$unpacked" "$version"
    local module_path
    for module_path in $(modprobe -d "$unpacked" -S "$version" -a --show-depends $kWantedModules |
                         awk '$1 == "insmod" { print $2 }' | awk '!seen[$0]++'); do
        cp "$module_path" "$kernel_dir/modules/"
        basename "$module_path" >>"$kernel_dir/modules/order.new"
    done
    unpack_kernel_image "$unpacked"/boot/vmlinuz-* "$kernel_dir/vmlinux"
    mv "$kernel_dir/modules/order.new" "$kernel_dir/modules/order"
    echo "$kWantedModules" >"$kernel_dir/wanted"
    rm -rf "$cache/download"
}

# A busybox initramfs with the modules and the guest's first process.
build_initramfs() {
    if [ -f "$initramfs" ] && [ "$initramfs" -nt "$here/init" ] &&
       [ "$initramfs" -nt "$kernel_dir/modules/order" ]; then
        return
    fi
    local staging="$cache/initramfs"
    rm -rf "$staging"
    mkdir -p "$staging"/{bin,proc,sys,dev,host}
    cp /bin/busybox "$staging/bin/busybox"
    install -m 755 "$here/init" "$staging/init"
    cp -r "$kernel_dir/modules" "$staging/modules"
    (cd "$staging" && find . | cpio -o -H newc --quiet | gzip -1) >"$initramfs.new"
    mv "$initramfs.new" "$initramfs"
    rm -rf "$staging"
}

# The job the guest runs: the folder, the variables and the command.
write_job() {
    {
        echo "cd $(printf '%q' "$PWD")"
        echo "export PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin"
        echo "export HOME=/run/tmp TMPDIR=/run/tmp"
        local name
        for name in $(compgen -e | grep -E '^(VELUMIX|QT)_' || true); do
            printf 'export %s=%q\n' "$name" "${!name}"
        done
        printf '%q ' "$@"
        echo
    } >"$exchange/job.sh"
}

wait_for() { # SECONDS CONDITION...: true once the condition holds, false when time is up
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}
qemu_running() { kill -0 "$qemu_pid" 2>/dev/null; }
guest_booted() { [ -f "$exchange/booted" ] || ! qemu_running; }
qemu_ended() { ! qemu_running; }

stop_qemu() {
    kill "$qemu_pid" 2>/dev/null || true
    wait "$qemu_pid" 2>/dev/null || true
}

mkdir -p "$cache"
cache=$(realpath "$cache")
rm -f "$cache/skipped-$run_name"
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
{ ldd /bin/busybox 2>&1 || true; } | grep -q "not a dynamic executable" ||
    skip "busybox-static is not installed"
command -v cpio >/dev/null || skip "cpio is not installed"
command -v modprobe >/dev/null || skip "kmod is not installed"

kernel_dir="$cache/kernel"
initramfs="$cache/initramfs.cpio.gz"
prepare_lock
fetch_kernel
build_initramfs
exec 8>&-

# The exchange folder: the job in, its output and status out. Kept after the
# run (with the guest's console log) for a look when something went wrong.
exchange="$cache/run-$run_name"
# The guest learns the folder from the kernel's command line.
[[ "$exchange" != *[[:space:]]* ]] || skip "the cache folder's path holds white space: $exchange"
rm -rf "$exchange"
mkdir -p "$exchange"
write_job "$@"

# Software emulation only: KVM may be present and still not work. A CPU
# model without AVX: the emulator's young AVX support made Qt's pixmap
# drawing crash now and then.
qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot \
    -accel tcg,thread=multi -cpu Nehalem -smp 2 -m 1024 \
    -kernel "$kernel_dir/vmlinux" -initrd "$initramfs" \
    -append "console=ttyS0 quiet panic=-1 mitigations=off velumix.exchange=$exchange" \
    -serial "file:$exchange/console.log" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$exchange,mount_tag=exchange,security_model=none,multidevs=remap" \
    >"$exchange/qemu.log" 2>&1 &
qemu_pid=$!
trap stop_qemu EXIT

if ! wait_for "$boot_deadline" guest_booted; then
    stop_qemu
    skip "the guest did not boot within ${boot_deadline}s (console: $exchange/console.log)"
fi
if [ ! -f "$exchange/booted" ]; then
    skip "the guest stopped while booting: $(cat "$exchange/qemu.log" | tr -s '\n' ' ')" \
         "(console: $exchange/console.log)"
fi
touch "$exchange/output"
tail -n +1 -f --pid="$qemu_pid" "$exchange/output" &
tail_pid=$!
if ! wait_for "$timeout" qemu_ended; then
    stop_qemu
    wait "$tail_pid" || true
    echo "guest: the command did not end within ${timeout}s"
    exit "$kTimedOut"
fi
wait "$tail_pid" || true
if [ ! -f "$exchange/status" ]; then
    echo "guest: the guest stopped before the command ended; console:"
    tail -n 20 "$exchange/console.log"
    exit 1
fi
exit "$(cat "$exchange/status")"
