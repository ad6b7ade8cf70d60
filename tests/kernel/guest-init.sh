#!/bin/sh
# The guest's first process: loads the USB storage modules, waits for the
# disk, runs the tool's script on the real-drive library against it and
# powers the guest off. Everything it says goes to the serial console,
# where the host script reads it.
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

while read -r module parameters; do
    insmod "$module" $parameters || echo "== guest: insmod $module failed"
done < /modules.list

waited=0
while [ ! -b /dev/sda ] && [ $waited -lt 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
done
echo "== guest: disk after $waited tenths of a second: $(ls /sys/class/block | tr '\n' ' ')"
echo "== guest: removable $(cat /sys/class/block/sda/removable 2>/dev/null), size $(cat /sys/class/block/sda/size 2>/dev/null)"

export QUIB_HOME=/tmp/quib QUIB_LANGID=1033 QUIB_DEVICE=/dev/sda
mkdir -p "$QUIB_HOME"
echo "== guest: check"
/opt/quib/quibusb check
echo "== guest: transcript"
/opt/quib/quibtools --script /tool-script.txt 2>&1
echo "== guest: tool exit $?"
echo "== guest: end"
sync
poweroff -f
