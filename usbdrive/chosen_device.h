// The one device the real-drive library works on: the one the user named
// in QUIB_DEVICE, and what sysfs and the mount table say about it.
#pragma once

#include "usbdrive/scsi_command.h"

#include <string>

// The environment variable that names the drive: a stable path such as
// /dev/disk/by-id/usb-..., a disk node /dev/sdX or a generic node /dev/sgN.
constexpr const char* deviceVariable = "QUIB_DEVICE";

struct ChosenDevice {
    std::string node;       // the resolved node the commands go through
    std::string disk;       // the disk's kernel name (sdX); empty when it has none
    std::string scsiDevice; // the SCSI device's resolved sysfs folder
};

// The device named by QUIB_DEVICE as it is now. False when nothing is named
// or the named node is not there (unplugged), or it is a partition or not
// a SCSI device.
bool findChosenDevice(ChosenDevice& device);
bool findDevice(const std::string& named, ChosenDevice& device);

// Attached through a USB bus.
bool isUsbAttached(const ChosenDevice& device);
// The kernel marks the disk removable.
bool isRemovable(const ChosenDevice& device);
// The disk itself or one of its partitions is mounted; also true when the
// mount table or the disk's numbers cannot be read, so a doubt never lets
// a write through.
bool hasMountedPartition(const ChosenDevice& device);

// A sysfs file's text without the blanks around it (the kernel ends each
// with a line break); empty when it cannot be read.
std::string sysText(const std::string& path);

// The disk's node (/dev/sdX); empty when the device has no disk.
std::string diskNode(const ChosenDevice& device);

// Says once per distinct message, on standard error, why the device could
// not be used (usbdrive/scsi_command.h).
inline void reportDeviceProblem(const std::string& message) { reportDeviceProblem(message.c_str()); }
