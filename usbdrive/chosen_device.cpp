#include "usbdrive/chosen_device.h"

#include "usbdrive/usb_host.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

namespace {

std::string lastName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The device numbers (major:minor) of the disk and of each partition on it.
std::set<std::string> diskNumbers(const std::string& disk)
{
    std::set<std::string> numbers;
    std::string folder = "/sys/class/block/" + disk;
    std::string own = sysText(folder + "/dev");
    if (own.empty())
        return numbers;
    numbers.insert(own);
    for (const std::string& name : usbHost().listFolder(folder))
        if (name.compare(0, disk.size(), disk) == 0 && name.size() > disk.size()) {
            std::string partition = sysText(folder + "/" + name + "/dev");
            if (!partition.empty())
                numbers.insert(partition);
        }
    return numbers;
}

} // namespace

std::string sysText(const std::string& path)
{
    std::string text;
    if (!usbHost().readText(path, text))
        return {};
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    return text.substr(start);
}

bool findDevice(const std::string& named, ChosenDevice& device)
{
    device = {};
    if (named.empty())
        return false;
    std::string node = usbHost().resolve(named);
    if (node.compare(0, 5, "/dev/") != 0)
        return false;
    std::string name = lastName(node);
    if (name.compare(0, 2, "sg") == 0) {
        device.scsiDevice = usbHost().resolve("/sys/class/scsi_generic/" + name + "/device");
        if (device.scsiDevice.empty())
            return false;
        for (const std::string& disk : usbHost().listFolder(device.scsiDevice + "/block"))
            device.disk = disk; // a SCSI device has at most one disk
    } else {
        std::string folder = "/sys/class/block/" + name;
        if (!usbHost().resolve(folder + "/partition").empty())
            return false; // commands go to the whole disk, never to a partition
        device.scsiDevice = usbHost().resolve(folder + "/device");
        if (device.scsiDevice.empty())
            return false;
        device.disk = name;
    }
    device.node = node;
    return true;
}

bool findChosenDevice(ChosenDevice& device)
{
    const char* named = std::getenv(deviceVariable);
    return findDevice(named != nullptr ? named : "", device);
}

bool isUsbAttached(const ChosenDevice& device)
{
    // A USB device's sysfs folder lies under a root hub folder "usbN".
    const std::string& path = device.scsiDevice;
    for (std::size_t at = path.find("/usb"); at != std::string::npos; at = path.find("/usb", at + 1))
        if (at + 4 < path.size() && std::isdigit(static_cast<unsigned char>(path[at + 4])))
            return true;
    return false;
}

bool isRemovable(const ChosenDevice& device)
{
    return !device.disk.empty() && sysText("/sys/class/block/" + device.disk + "/removable") == "1";
}

bool hasMountedPartition(const ChosenDevice& device)
{
    if (device.disk.empty())
        return true;
    std::set<std::string> numbers = diskNumbers(device.disk);
    std::string table;
    if (numbers.empty() || !usbHost().readText("/proc/self/mountinfo", table))
        return true;
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        // Mount id, parent id, then the device numbers of what is mounted.
        std::istringstream fields(line);
        std::string id, parent, numbersOfMount;
        if (fields >> id >> parent >> numbersOfMount && numbers.count(numbersOfMount) != 0)
            return true;
    }
    return false;
}

std::string diskNode(const ChosenDevice& device) { return device.disk.empty() ? std::string() : "/dev/" + device.disk; }

