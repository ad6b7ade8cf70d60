// Everything the real-drive library asks of the Linux host, in one table of
// functions: the device nodes and their ioctls, sysfs and the mount table.
// The library calls only these, so tests can stand in for a whole machine
// with a table of their own.
#pragma once

#include <scsi/sg.h>

#include <string>
#include <vector>

struct UsbHost {
    // The path with every link resolved; empty when it does not exist.
    std::string (*resolve)(const std::string& path);
    // A small text file (sysfs, /proc/self/mountinfo); false when unreadable.
    bool (*readText)(const std::string& path, std::string& text);
    // The names in a folder, without "." and ".."; empty when unreadable.
    std::vector<std::string> (*listFolder)(const std::string& path);
    // Opens a device node, never waiting for it: for commands (forCommands)
    // for reading and writing, or for reading alone when the kernel holds
    // the disk read-only (a write-protected disk); otherwise for reading.
    // The descriptor, or -1 with the errno value in error.
    int (*openNode)(const std::string& path, bool forCommands, int& error);
    // Opens a whole-disk node for reading with O_EXCL, never waiting for it:
    // while it stays open the kernel mounts no file system of the disk, and
    // the open fails (EBUSY) when one is mounted or another program holds
    // the disk so. The descriptor, or -1 with the errno value in error.
    int (*claimDisk)(const std::string& path, int& error);
    void (*closeNode)(int node);
    // The device number (major and minor) of a node by its path, and of an
    // open node; 0 when it cannot be read.
    unsigned long long (*numberOfPath)(const std::string& path);
    unsigned long long (*numberOfNode)(int node);
    // The SG_IO ioctl: 0, or the errno value when the call itself failed.
    int (*sendScsi)(int node, sg_io_hdr_t& header);
    // The BLKRRPART ioctl: 0 or the errno value.
    int (*rereadPartitions)(int node);
};

// The host in force: the real machine unless a test replaced it.
const UsbHost& usbHost();
void replaceUsbHost(const UsbHost& host);
void restoreUsbHost();
