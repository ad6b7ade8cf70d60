// A machine's USB disks laid out in a folder as sysfs and /dev show them,
// for the real-drive library's test build whose machine is such a folder
// (QUIB_TEST_MACHINE, tests/usbdrive/folder_machine.cpp).
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

struct UsbDiskInFolder {
    std::string disk;    // sdb
    std::string generic; // sg1
    std::string vendor, product, serial;
    unsigned long long blocks; // of 512 bytes; 0 without a disk in the drive
    int port;                  // the USB port: 1-port
};

// Adds the disk to the machine in root: its SCSI device under a USB device
// under a root hub, its block folder, its nodes and its stable path.
inline void addUsbDisk(const std::string& root, const UsbDiskInFolder& d)
{
    namespace fs = std::filesystem;
    std::string port = std::to_string(d.port);
    std::string usbDevice = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + port;
    std::string scsiDevice = usbDevice + "/1-" + port + ":1.0/host" + port + "/target" + port + ":0:0/" + port + ":0:0:0";
    std::string block = scsiDevice + "/block/" + d.disk;
    auto write = [&](const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(root + path).parent_path());
        std::ofstream(root + path) << text << '\n';
    };
    write(usbDevice + "/serial", d.serial);
    write(usbDevice + "/idVendor", "1234");
    write(usbDevice + "/idProduct", "5678");
    write(scsiDevice + "/vendor", d.vendor);
    write(scsiDevice + "/model", d.product);
    fs::create_directories(root + scsiDevice + "/scsi_generic/" + d.generic);
    write(block + "/dev", "8:" + std::to_string(16 * d.port));
    write(block + "/size", std::to_string(d.blocks));
    write(block + "/removable", "1");
    write(block + "/queue/logical_block_size", "512");
    fs::create_symlink("../..", root + block + "/device");
    fs::create_directories(root + "/sys/class/block");
    fs::create_symlink("../../devices/pci0000:00/0000:00:14.0/usb1/1-" + port + "/1-" + port + ":1.0/host" + port +
                           "/target" + port + ":0:0/" + port + ":0:0:0/block/" + d.disk,
                       root + "/sys/class/block/" + d.disk);
    write("/dev/" + d.disk, "");
    write("/dev/" + d.generic, "");
    fs::create_directories(root + "/dev/disk/by-id");
    fs::create_symlink("../../" + d.disk, root + "/dev/disk/by-id/usb-" + d.vendor + "_" + d.product + "_" + d.serial + "-0:0");
}
