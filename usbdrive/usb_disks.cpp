#include "usbdrive/usb_disks.h"

#include "driverkit/disk_image.h"
#include "usbdrive/chosen_device.h"
#include "usbdrive/usb_host.h"

#include <algorithm>

namespace {

std::uint64_t sysNumber(const std::string& path)
{
    std::string text = sysText(path);
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoull(text);
}

// The USB device's sysfs folder. The SCSI device lies under its SCSI host
// ("hostN"), which lies under the USB interface, whose parent is the USB
// device; empty when the path shows no SCSI host.
std::string usbDeviceFolder(const std::string& scsiDevice)
{
    std::size_t host = scsiDevice.find("/host");
    if (host == std::string::npos)
        return {};
    std::string interfaceFolder = scsiDevice.substr(0, host);
    return interfaceFolder.substr(0, interfaceFolder.find_last_of('/'));
}

std::string stablePathOf(const std::string& diskNode)
{
    const std::string folder = "/dev/disk/by-id";
    std::vector<std::string> names = usbHost().listFolder(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (name.compare(0, 4, "usb-") == 0 && usbHost().resolve(folder + "/" + name) == diskNode)
            return folder + "/" + name;
    return {};
}

} // namespace

bool looksLikeQuibDisk(const UsbDisk& disk)
{
    return disk.blocks == diskSectorCount && disk.blockSize == diskSectorSize;
}

std::vector<UsbDisk> listUsbDisks()
{
    std::vector<UsbDisk> disks;
    std::vector<std::string> names = usbHost().listFolder("/sys/class/block");
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        ChosenDevice device;
        if (!findDevice("/dev/" + name, device) || !isUsbAttached(device))
            continue; // partitions, disks of other buses, nodes udev has not made
        std::string block = "/sys/class/block/" + name;
        UsbDisk disk;
        disk.diskNode = device.node;
        for (const std::string& generic : usbHost().listFolder(device.scsiDevice + "/scsi_generic"))
            disk.genericNode = "/dev/" + generic;
        disk.stablePath = stablePathOf(device.node);
        disk.vendor = sysText(device.scsiDevice + "/vendor");
        disk.product = sysText(device.scsiDevice + "/model");
        // A USB device without a serial number has no such file.
        std::string usbDevice = usbDeviceFolder(device.scsiDevice);
        if (!usbDevice.empty()) {
            disk.serial = sysText(usbDevice + "/serial");
            disk.usbVendorId = sysText(usbDevice + "/idVendor");
            disk.usbProductId = sysText(usbDevice + "/idProduct");
        }
        disk.blockSize = std::uint32_t(sysNumber(block + "/queue/logical_block_size"));
        if (disk.blockSize != 0)
            disk.blocks = sysNumber(block + "/size") * 512 / disk.blockSize; // size counts 512-byte units
        disk.removable = isRemovable(device);
        disks.push_back(disk);
    }
    return disks;
}

bool findUsbDisk(const std::string& named, UsbDisk& disk)
{
    ChosenDevice device;
    if (!findDevice(named, device) || device.disk.empty())
        return false;
    for (const UsbDisk& present : listUsbDisks())
        if (present.diskNode == diskNode(device)) {
            disk = present;
            return true;
        }
    return false;
}

namespace {

std::string listingField(const std::string& text)
{
    std::string field = text;
    for (char& c : field)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return field;
}

} // namespace

std::string usbDiskListing()
{
    std::string listing;
    for (const UsbDisk& disk : listUsbDisks()) {
        const std::string& path = disk.stablePath.empty() ? disk.diskNode : disk.stablePath;
        listing += listingField(path) + '\t' + listingField(disk.diskNode) + '\t' + listingField(disk.vendor) +
                   '\t' + listingField(disk.product) + '\t' + listingField(disk.serial) + '\t' +
                   std::to_string(disk.blocks * disk.blockSize) + '\t' + (looksLikeQuibDisk(disk) ? "1" : "0") +
                   '\n';
    }
    return listing;
}
