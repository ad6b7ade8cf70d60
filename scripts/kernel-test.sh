#!/usr/bin/env bash
# The real-drive library through a real Linux kernel: boots Debian's kernel
# under QEMU (TCG) with a busybox initramfs holding quibtools and the
# real-drive ZOVEVIV.DLL, and QEMU's own USB disk (xhci, usb-storage) backed
# by an image of 78848 sectors. Inside, the tool shows its Status dialog and
# makes a Simple Format with a label through the script front end; on the
# host, fsck.fat must accept the image and mdir must show the label.
#
# Usage: scripts/kernel-test.sh [BUILD_DIR]   (default: build)
# Skips (exit 0, a line starting "SKIP") when QEMU, the kernel, its modules
# or busybox are missing. Exit 1 on failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
here=$(pwd)

skip() { echo "SKIP kernel test: $*"; exit 0; }
fail() { echo "FAIL kernel test: $*"; exit 1; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed (qemu-system-x86)"
busybox=$(command -v busybox || true)
[ -n "$busybox" ] || skip "busybox is not installed (busybox-static)"
! ldd "$busybox" >/dev/null 2>&1 || skip "$busybox is not statically linked (busybox-static)"
kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -1 || true)
[ -n "$kernel" ] || skip "no kernel in /boot (linux-image-amd64)"
version=${kernel#/boot/vmlinuz-}
[ -d "/lib/modules/$version" ] || skip "no modules for $version"
[ -r "$kernel" ] || skip "$kernel is not readable"
command -v cpio >/dev/null || skip "cpio is not installed"
for tool in fsck.fat mdir; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || [ -x "/sbin/$tool" ] || skip "$tool is not installed"
done
for file in "$build/real-drive/quibtools" "$build/real-drive/ZOVEVIV.DLL" "$build/bin/quibusb"; do
    [ -x "$file" ] || fail "$file is missing: build the targets quib_real_drive and quibusb first"
done

work=$(mktemp -d /tmp/quib-kernel-test.XXXXXX)
[ -n "${QUIB_KERNEL_KEEP:-}" ] && echo "kernel test: keeping $work" || trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root"/{bin,proc,sys,dev,tmp,opt/quib}

# busybox and its applets.
cp "$busybox" "$root/bin/busybox"
for applet in $("$busybox" --list); do
    [ "$applet" = busybox ] || ln -sf busybox "$root/bin/$applet"
done

# The modules, in the order their dependencies need; crct10dif-pclmul wants
# CPU instructions TCG does not offer, and the generic one serves instead.
: >"$root/modules.list"
for module in usb-storage sd_mod sg xhci-pci; do
    modprobe -S "$version" --show-depends "$module"
done | awk '$1 == "insmod" && !seen[$2]++ { print $2 }' | grep -v crct10dif-pclmul | while read -r path; do
    mkdir -p "$root$(dirname "$path")"
    cp "$path" "$root$path"
    case $path in
    */usb-storage.ko*) echo "$path delay_use=0" ;; # the disk at once, not after a second
    *) echo "$path" ;;
    esac >>"$root/modules.list"
done

# The programs, the libraries they load, and the converters for the code pages.
cp "$build/real-drive/quibtools" "$build/real-drive/ZOVEVIV.DLL" "$build/bin/quibusb" "$root/opt/quib/"
for library in $(ldd "$root/opt/quib/quibtools" "$root/opt/quib/ZOVEVIV.DLL" "$root/opt/quib/quibusb" |
                 awk '/=>/ { print $3 } /ld-linux/ { print $1 }' | sort -u); do
    mkdir -p "$root$(dirname "$library")"
    cp -L "$library" "$root$library"
done
gconv=$(realpath "$(dirname "$(ldd "$root/opt/quib/quibtools" | awk '/libc.so/ { print $3 }')")/gconv")
if [ -d "$gconv" ]; then
    mkdir -p "$root$gconv"
    cp -r "$gconv"/gconv-modules* "$gconv"/UTF-16.so "$gconv"/CP932.so "$gconv"/CP1252.so "$root$gconv/" 2>/dev/null || true
fi

cp tests/kernel/guest-init.sh "$root/init"
chmod +x "$root/init"
cp tests/kernel/status-and-format.txt "$root/tool-script.txt"
(cd "$root" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"

image=$work/quib.img
truncate -s $((78848 * 512)) "$image"

echo "kernel test: booting $version under QEMU (TCG)"
started=$(date +%s)
set +e
timeout 300 qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nographic -no-reboot \
    -kernel "$kernel" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 quiet panic=-1 rdinit=/init" \
    -device qemu-xhci,id=xhci \
    -drive if=none,id=quib,file="$image",format=raw \
    -device usb-storage,bus=xhci.0,drive=quib,removable=on \
    </dev/null >"$work/console.log" 2>&1
qemu_status=$?
set -e
elapsed=$(($(date +%s) - started))
tr -d '\r' <"$work/console.log" >"$work/console.txt"
echo "kernel test: guest ran ${elapsed}s"
sed -n '/^== guest/,$p' "$work/console.txt"

[ $qemu_status -eq 0 ] || fail "QEMU ended with status $qemu_status"
grep -q '^== guest: end' "$work/console.txt" || fail "the guest did not finish its script"
grep -q '^exit 1$' "$work/console.txt" || fail "the tool did not end from its main menu"
grep -q 'text 1041 "Format Completed."' "$work/console.txt" || fail "the Simple Format did not complete"

# The format's partition, at the start that partition slot 4 names.
start=$(od -An -t u4 -j $((0x1EE + 8)) -N 4 "$image" | tr -d ' ')
count=$(od -An -t u4 -j $((0x1EE + 12)) -N 4 "$image" | tr -d ' ')
[ "${start:-0}" -gt 0 ] && [ "${count:-0}" -gt 0 ] || fail "the image has no partition in slot 4"
dd if="$image" of="$work/partition.img" bs=512 skip="$start" count="$count" status=none
PATH=$PATH:/usr/sbin:/sbin
fsck.fat -n "$work/partition.img" || fail "fsck.fat finds faults in the formatted disk"
listing=$(mdir -i "$image@@$((start * 512))" ::) || fail "mdir cannot read the formatted disk"
echo "$listing"
echo "$listing" | grep -q "Volume in drive : is QUIBKERNEL" || fail "mdir does not show the label QUIBKERNEL"
echo "kernel test: passed in ${elapsed}s of guest time"
