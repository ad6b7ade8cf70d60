// The udev rule that gives one Quib! drive to the person at the seat
// (quibusb allow): matched by its USB serial number and ids, its disk and
// generic nodes tagged "uaccess", the generic node also as /dev/quib-drive.
#pragma once

#include "usbdrive/usb_disks.h"

#include <string>

// One drive at a time: allowing another replaces the rule.
constexpr const char* udevRulePath = "/etc/udev/rules.d/70-quib-drive.rules";
constexpr const char* udevDriveLink = "/dev/quib-drive";

// The rule's text for the disk. False, with the reason, when the drive
// cannot be told from other devices by a rule: no serial number, ids that
// are not four hex digits, or a serial with characters udev would read as
// a pattern or a quote.
bool udevRuleFor(const UsbDisk& disk, std::string& rule, std::string& reason);

// Writes the rule file whole (a new file renamed over the old, readable by
// all), or removes it; false with the reason. Removing a file that is not
// there succeeds, with existed set to false.
bool writeUdevRule(const std::string& path, const std::string& rule, std::string& reason);
bool removeUdevRule(const std::string& path, bool& existed, std::string& reason);
