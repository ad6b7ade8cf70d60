#include "usbdrive/udev_rule.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isUsbId(const std::string& id)
{
    if (id.size() != 4)
        return false;
    for (char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

// udev compares ATTRS values as shell patterns (* ? [ ] and | between
// alternatives) inside double quotes; a serial holding any of them, a
// backslash or a character outside printable ASCII would match other
// devices or break the rule.
bool isPlainSerial(const std::string& serial)
{
    for (char c : serial)
        if (c < 0x21 || c > 0x7E || std::strchr("*?[]|\"\\", c) != nullptr)
            return false;
    return true;
}

} // namespace

bool udevRuleFor(const UsbDisk& disk, std::string& rule, std::string& reason)
{
    if (disk.serial.empty()) {
        reason = "the drive reports no USB serial number, so no rule can tell it from another disk";
        return false;
    }
    if (!isPlainSerial(disk.serial)) {
        reason = "the drive's USB serial number holds characters a udev rule cannot match exactly";
        return false;
    }
    if (!isUsbId(disk.usbVendorId) || !isUsbId(disk.usbProductId)) {
        reason = "the drive's USB vendor and product ids cannot be read";
        return false;
    }
    // Every parent key of a rule must match the same parent device: here the
    // USB device itself, by its ids and serial number.
    std::string usbDevice = "SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"" + disk.usbVendorId +
                            "\", ATTRS{idProduct}==\"" + disk.usbProductId + "\", ATTRS{serial}==\"" +
                            disk.serial + "\"";
    rule = "# Written by quibusb allow; quibusb allow --remove takes it away.\n"
           "# The Quib! drive with USB serial number " + disk.serial + " (" + disk.usbVendorId + ":" +
           disk.usbProductId + ") for the person at the seat:\n"
           "# its disk node, which the tool claims before a change, and its generic\n"
           "# node, which the tool sends its commands through, also as " + udevDriveLink + ".\n"
           "SUBSYSTEM==\"block\", ENV{DEVTYPE}==\"disk\", " + usbDevice + ", TAG+=\"uaccess\"\n"
           "SUBSYSTEM==\"scsi_generic\", " + usbDevice + ", TAG+=\"uaccess\", SYMLINK+=\"" +
           std::string(udevDriveLink).substr(5) + "\"\n";
    return true;
}

bool writeUdevRule(const std::string& path, const std::string& rule, std::string& reason)
{
    // Written beside the rule and renamed over it, so that udev never reads
    // half a rule.
    std::string temporary = path + ".new";
    int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        reason = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = fchmod(file, 0644) == 0 && write(file, rule.data(), rule.size()) == ssize_t(rule.size()) &&
                   fsync(file) == 0;
    int error = errno;
    if (close(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        if (written)
            error = errno;
        unlink(temporary.c_str());
        reason = "cannot write " + path + ": " + std::strerror(error);
        return false;
    }
    return true;
}

bool removeUdevRule(const std::string& path, bool& existed, std::string& reason)
{
    existed = true;
    if (unlink(path.c_str()) == 0)
        return true;
    if (errno == ENOENT) {
        existed = false;
        return true;
    }
    reason = "cannot remove " + path + ": " + std::strerror(errno);
    return false;
}
