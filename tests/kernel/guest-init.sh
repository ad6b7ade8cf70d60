#!/bin/sh
# The guest's first process: loads the USB modules, brings up the disk the
# kernel command line names (quibdisk=qemu: QEMU's own USB disk;
# quibdisk=gadget: the virtual drive as a USB device through FunctionFS and
# dummy_hcd), runs the tool's script on the real-drive library against it and
# powers the guest off. Everything goes to the serial console, where the host
# script reads it.
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

while read -r module parameters; do
    insmod "$module" $parameters || echo "== guest: insmod $module failed"
done < /modules.list

disk=qemu
case " $(cat /proc/cmdline) " in
*" quibdisk=gadget "*) disk=gadget ;;
esac

waitFor() { # path, tenths of a second
    waited=0
    while [ ! -e "$1" ] && [ $waited -lt "$2" ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
}

if [ $disk = gadget ]; then
    # The virtual drive, with a Long Format of 4 seconds, behind FunctionFS.
    export QUIB_HOME=/tmp/drive
    mkdir -p $QUIB_HOME
    /opt/drive/quibdrive format-time 4 >/dev/null
    mount -t configfs none /sys/kernel/config
    g=/sys/kernel/config/usb_gadget/quib
    mkdir $g $g/strings/0x409 $g/configs/c.1 $g/functions/ffs.quib
    echo 0x1d6b > $g/idVendor
    echo 0x0104 > $g/idProduct
    echo QUIB > $g/strings/0x409/manufacturer
    echo Drive > $g/strings/0x409/product
    echo 0001 > $g/strings/0x409/serialnumber
    ln -s $g/functions/ffs.quib $g/configs/c.1/
    mkdir -p /dev/ffs
    mount -t functionfs quib /dev/ffs
    /opt/quib/quibgadget /dev/ffs /opt/drive/ZOVEVIV.DLL >>/tmp/gadget.txt 2>&1 &
    gadget=$!
    waitFor /dev/ffs/ep2 100
    ls /sys/class/udc > $g/UDC
fi

waitFor /dev/sda 300
echo "== guest: $disk disk: $(ls /sys/class/block | tr '\n' ' ')"
echo "== guest: removable $(cat /sys/class/block/sda/removable 2>/dev/null), size $(cat /sys/class/block/sda/size 2>/dev/null)"

export QUIB_HOME=/tmp/quib QUIB_LANGID=1033 QUIB_DEVICE=/dev/sda
mkdir -p "$QUIB_HOME"
echo "== guest: check"
/opt/quib/quibusb check
if [ $disk = qemu ]; then
    echo "== guest: transcript"
    /opt/quib/quibtools --script /tool-script-qemu.txt 2>&1
    echo "== guest: tool exit $?"
else
    # A Simple Format counted at both ends: the tool's requests by the
    # counting library beside a copy of the tool, what reaches the USB
    # device by quibgadget. Its first count holds what the kernel asked
    # when the disk appeared, and quibusb's check.
    sleep 1
    kill -USR1 $gadget
    echo "== guest: simple format, counted"
    QUIB_COUNTED_LIBRARY=/opt/quib/ZOVEVIV.DLL /opt/count/quibtools --script /tool-script-simple.txt 2>&1
    echo "== guest: tool exit $?"
    kill -USR1 $gadget
    sleep 0.5
    partition=$(ls /sys/class/block | grep '^sda[0-9]' | head -1)
    echo "== guest: partition ${partition:-none}"

    # While the tool holds the disk (its Long Format runs once FORMAT UNIT
    # has reached the device), the kernel mounts nothing of it; after the
    # tool has ended it does.
    formats=$(grep -c 'FORMAT UNIT' /tmp/gadget.txt)
    echo "== guest: transcript"
    /opt/quib/quibtools --script /tool-script-gadget.txt >/tmp/tool.txt 2>&1 &
    tool=$!
    waited=0
    while [ "$(grep -c 'FORMAT UNIT' /tmp/gadget.txt)" = "$formats" ] && [ $waited -lt 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    mkdir -p /mnt
    echo "== guest: mount while the tool formats: $(mount -t vfat /dev/$partition /mnt 2>&1; echo "status $?")"
    umount /mnt 2>/dev/null
    wait $tool
    status=$?
    cat /tmp/tool.txt
    echo "== guest: tool exit $status"
    echo "== guest: mount after the tool: $(mount -t vfat /dev/$partition /mnt 2>&1; echo "status $?")"
    ls /mnt
    umount /mnt
    echo "== guest: device end"
    cat /tmp/gadget.txt
fi
echo "== guest: end"
sync
poweroff -f
