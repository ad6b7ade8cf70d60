#!/usr/bin/env bash
# The real-drive library through a real Linux kernel: boots Debian's kernel
# under QEMU (TCG) with a busybox initramfs holding quibtools and the
# real-drive ZOVEVIV.DLL, twice:
#  1. with QEMU's own USB disk (xhci, usb-storage) backed by an image of
#     78848 sectors: the tool shows its Status dialog and makes a Simple
#     Format with a label through the script front end; on the host,
#     fsck.fat must accept the image and mdir must show the label;
#  2. with the virtual drive as a USB device inside the guest (quibgadget on
#     FunctionFS, dummy_hcd): a Simple Format whose commands are counted
#     where the tool asks them (a counting driver library in front of the
#     real-drive one) and where they reach the USB device (quibgadget); then
#     the Status dialog, a write protection with a password and its removal,
#     and a Long Format with rising percentages, during which the guest's
#     mount of the disk's partition must fail (the tool holds the disk) and
#     after which it must succeed.
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
for file in "$build/real-drive/quibtools" "$build/real-drive/ZOVEVIV.DLL" "$build/bin/quibusb" \
    "$build/bin/quibgadget" "$build/bin/ZOVEVIV.DLL" "$build/bin/quibdrive" "$build/tests/kernel-count/ZOVEVIV.DLL"; do
    [ -x "$file" ] || fail "$file is missing: build quib_real_drive, quibusb, quibgadget, quibdrive, quib_command_count_library first"
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
for module in usb-storage sd_mod sg xhci-pci dummy_hcd configfs libcomposite usb_f_fs vfat nls_cp437 nls_ascii; do
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
mkdir -p "$root/opt/drive" "$root/opt/count"
cp "$build/real-drive/quibtools" "$build/real-drive/ZOVEVIV.DLL" "$build/bin/quibusb" "$build/bin/quibgadget" \
    "$root/opt/quib/"
cp "$build/bin/ZOVEVIV.DLL" "$build/bin/quibdrive" "$root/opt/drive/"
# The tool beside the counting library, which hands every request on to the real-drive library.
cp "$build/real-drive/quibtools" "$build/tests/kernel-count/ZOVEVIV.DLL" "$root/opt/count/"
for library in $(ldd "$root"/opt/quib/* "$root"/opt/drive/* "$root"/opt/count/* |
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
cp tests/kernel/tool-script-qemu.txt tests/kernel/tool-script-gadget.txt tests/kernel/tool-script-simple.txt "$root/"
(cd "$root" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"

image=$work/quib.img
truncate -s $((78848 * 512)) "$image"

# boot NAME EXTRA-QEMU-ARGUMENTS...: runs the guest with quibdisk=NAME; its
# console in $work/NAME.txt, what the guest said shown.
boot() {
    local name=$1
    shift
    echo "kernel test: booting $version under QEMU (TCG), $name disk"
    local started status
    started=$(date +%s)
    set +e
    timeout 300 qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nographic -no-reboot \
        -kernel "$kernel" -initrd "$work/initramfs.cpio" \
        -append "console=ttyS0 quiet panic=-1 rdinit=/init quibdisk=$name" "$@" \
        </dev/null >"$work/$name.log" 2>&1
    status=$?
    set -e
    tr -d '\r' <"$work/$name.log" >"$work/$name.txt"
    echo "kernel test: $name run took $(($(date +%s) - started))s"
    sed -n '/^== guest/,$p' "$work/$name.txt"
    [ $status -eq 0 ] || fail "QEMU ended with status $status"
    grep -q '^== guest: end' "$work/$name.txt" || fail "the guest did not finish its script"
    grep -q '^exit 1$' "$work/$name.txt" || fail "the tool did not end from its main menu"
}
expect() { # file, text, what it means
    grep -qF -- "$2" "$work/$1.txt" || fail "$3"
}

begun=$(date +%s)
boot qemu -device qemu-xhci,id=xhci -drive if=none,id=quib,file="$image",format=raw \
    -device usb-storage,bus=xhci.0,drive=quib,removable=on
expect qemu 'text 1041 "Format Completed."' "the Simple Format did not complete"

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

boot gadget
# The Simple Format's commands: what the tool asked (the counting library)
# against what reached the USB device (quibgadget), by operation code.
asked=$(grep -m1 '^tool asked: ' "$work/gadget.txt" || true)
received=$(grep -m1 '^quibgadget: count 2: ' "$work/gadget.txt" || true)
[ -n "$asked" ] && [ -n "$received" ] || fail "the Simple Format's commands were not counted at both ends"
declare -A tool=() device=()
for pair in ${asked#tool asked: }; do
    [[ $pair =~ ^([0-9A-F]{2,3})=([0-9]+)$ ]] && tool[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
done
for pair in ${received#quibgadget: count 2: }; do
    [[ $pair =~ ^([0-9A-F]{2})=([0-9]+)$ ]] && device[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
done
asked_total=0
received_total=0
for code in "${!tool[@]}"; do
    [ ${#code} = 2 ] || continue # 101 and 102 are requests, not commands
    asked_total=$((asked_total + tool[$code]))
    [ "${device[$code]:-0}" -ge "${tool[$code]}" ] ||
        fail "the tool's command $code reached the device ${device[$code]:-0} times of ${tool[$code]}"
done
for code in "${!device[@]}"; do
    received_total=$((received_total + device[$code]))
done
# The kernel never sends these of its own: each reaches the device exactly
# as often as the tool asks.
for code in 2A 06 0C 04 15; do
    [ "${device[$code]:-0}" = "${tool[$code]:-0}" ] ||
        fail "command $code reached the device ${device[$code]:-0} times, the tool asked ${tool[$code]:-0}"
done
# READ CAPACITY: the library's check, once for the disk, and the kernel's
# own each time request 101 has it read the disk again.
[ "${device[25]:-0}" -le $((1 + ${tool[101]:-0})) ] ||
    fail "READ CAPACITY reached the device ${device[25]} times for ${tool[101]:-0} requests 101"
# Beyond that the library sends a TEST UNIT READY for each request 101 and
# 102; the kernel a TEST UNIT READY each time the disk node is opened and
# closed, PREVENT/ALLOW MEDIUM REMOVAL around the first opening, and for
# request 101 what it reads again (about 17 commands in all with Debian's
# 6.1 kernel). A command per write would add 219.
added=$((received_total - asked_total))
by_code=${asked#tool asked: }
echo "kernel test: the Simple Format: the tool asked $asked_total commands: ${by_code% (*}"
by_code=${received#quibgadget: count 2: }
echo "kernel test: the Simple Format: $received_total commands reached the device, $added more: ${by_code% (*}"
[ $added -le 32 ] || fail "$added commands reached the device beyond the tool's own"

mount_busy=$(grep -m1 '^== guest: mount while the tool formats: ' "$work/gadget.txt" || true)
echo "$mount_busy" | grep -q 'Device or resource busy' ||
    fail "the partition could be mounted while the tool held the disk: ${mount_busy:-no attempt}"
grep -q '^== guest: mount after the tool: status 0$' "$work/gadget.txt" ||
    fail "the partition could not be mounted after the tool had ended"
protected=$(grep -n 'control 1021 edit "Disk is Write Protected with Password." enabled' "$work/gadget.txt" |
    head -1 | cut -d: -f1)
[ -n "$protected" ] || fail "the Status dialog did not show the write protection with password"
tail -n +"$protected" "$work/gadget.txt" | grep -q 'control 1021 edit "No Error." enabled' ||
    fail "the Status dialog did not show the protection removed"
percentages=$(sed -n '/^== guest: transcript/,$p' "$work/gadget.txt" |
    grep -o '^text 1046 "Formatting...\\r\\nPlease Wait.\\r\\n *[0-9]*%' |
    grep -o '[0-9]*%$' | tr -d '%' | tr '\n' ' ')
echo "kernel test: Long Format percentages: $percentages"
previous=-1
rising=0
for p in $percentages; do
    [ "$p" -gt "$previous" ] || fail "the Long Format's percentages do not rise: $percentages"
    [ "$p" -gt 0 ] && [ "$p" -lt 99 ] && rising=1
    previous=$p
done
[ "$previous" = 100 ] && [ $rising = 1 ] || fail "the Long Format did not rise to 100%: $percentages"
expect gadget 'text 1046 "Format Completed."' "the Long Format did not complete"
echo "kernel test: passed in $(($(date +%s) - begun))s"
