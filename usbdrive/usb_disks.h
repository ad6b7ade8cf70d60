// The USB mass-storage disks present, as sysfs describes them, for the
// listing that helps a person name the drive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct UsbDisk {
    std::string diskNode;    // /dev/sdX
    std::string genericNode; // /dev/sgN, empty when the sg driver is not loaded
    std::string stablePath;  // /dev/disk/by-id/usb-..., empty when udev made none
    std::string vendor, product;          // the SCSI device's names
    std::string serial;                   // the USB device's serial number
    std::string usbVendorId, usbProductId; // the USB device's ids, four hex digits each
    std::uint64_t blocks = 0; // logical blocks; 0 without a disk in the drive
    std::uint32_t blockSize = 0;
    bool removable = false;
};

// Looks like a Quib! disk: 78848 blocks of 512 bytes.
bool looksLikeQuibDisk(const UsbDisk& disk);

// Every USB-attached disk, in the order of their kernel names.
std::vector<UsbDisk> listUsbDisks();

// The USB disk that a path names (its disk or generic node, or a link to
// either such as its stable path); false when it names none present.
bool findUsbDisk(const std::string& named, UsbDisk& disk);

// The disks present as the host's chooser of the drive reads them: one line
// per disk, its fields separated by tabs: the path to name it by (its
// stable path, else its disk node), the disk node, vendor, product, serial,
// the capacity in bytes (0 without a disk in the drive), and 1 when it looks
// like a Quib! disk, else 0. Tabs and line breaks within a field become
// spaces.
std::string usbDiskListing();
