// quibusb: helps a person choose the real drive. "list" shows the USB
// mass-storage disks present; "check" says whether the device QUIB_DEVICE
// names passes the checks the driver library makes before it writes;
// "allow" (as root) gives one drive to the person at the seat with a udev rule.
#include "driverkit/disk_image.h"
#include "usbdrive/chosen_device.h"
#include "usbdrive/scsi_passthrough.h"
#include "usbdrive/udev_rule.h"
#include "usbdrive/usb_disks.h"
#include "usbdrive/usb_host.h"
#include "os/whole_options.h"
#include "program_version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const char usageText[] =
    "Usage: quibusb list\n"
    "       quibusb check [DEVICE]\n"
    "       quibusb allow DEVICE | --remove\n"
    "Helps choose the real Quib! drive for the real-drive library.\n"
    "\n"
    "  list            list the USB mass-storage disks present\n"
    "  check [DEVICE]  check the device (by default the one QUIB_DEVICE names)\n"
    "  allow DEVICE    let the person at the seat use this drive without root\n"
    "                  (as root: writes a udev rule, replacing any earlier one)\n"
    "  allow --remove  take that rule away again\n"
    "  --help          show this help and end\n"
    "  --version       show the version and end\n"
    "\n"
    "Exit status: 0 done, 1 the check or the rule failed, 2 wrong usage.\n";

int usage()
{
    std::fputs(usageText, stderr);
    return 2;
}

const char* orDash(const std::string& text) { return text.empty() ? "-" : text.c_str(); }

int list()
{
    std::vector<UsbDisk> disks = listUsbDisks();
    if (disks.empty()) {
        std::printf("No USB mass-storage disk is present.\n");
        return 0;
    }
    for (const UsbDisk& disk : disks) {
        std::printf("%s\n", disk.diskNode.c_str());
        std::printf("  Generic node: %s\n", orDash(disk.genericNode));
        std::printf("  Stable path:  %s\n", orDash(disk.stablePath));
        std::printf("  Vendor:       %s\n", orDash(disk.vendor));
        std::printf("  Product:      %s\n", orDash(disk.product));
        std::printf("  Serial:       %s\n", orDash(disk.serial));
        if (disk.blocks == 0)
            std::printf("  Capacity:     no disk\n");
        else
            std::printf("  Capacity:     %llu blocks of %u bytes\n", static_cast<unsigned long long>(disk.blocks),
                        disk.blockSize);
        std::printf("  Removable:    %s\n", disk.removable ? "yes" : "no");
        std::printf("  Quib! disk:   %s\n", looksLikeQuibDisk(disk) ? "looks like one" : "no");
    }
    return 0;
}

int check(const char* named)
{
    if (named == nullptr || *named == '\0') {
        std::printf("No device is named: set %s (see quibusb list).\n", deviceVariable);
        return 1;
    }
    ChosenDevice device;
    if (!findDevice(named, device)) {
        std::printf("%s: no such disk or generic SCSI node (unplugged, a partition, or not SCSI).\n", named);
        return 1;
    }
    bool passes = true;
    auto say = [&passes](const char* what, bool good, const std::string& detail) {
        std::printf("  %-22s %s%s%s\n", what, good ? "yes" : "NO", detail.empty() ? "" : ": ", detail.c_str());
        passes = passes && good;
    };
    std::printf("%s -> %s (disk %s)\n", named, device.node.c_str(), orDash(diskNode(device)));
    say("USB-attached", isUsbAttached(device), "");
    say("Removable", isRemovable(device), "");
    std::uint32_t blocks = 0, blockSize = 0;
    ScsiOutcome capacity;
    int node = openCommandNode(device.node, capacity);
    if (node >= 0) {
        capacity = readCapacity(node, blocks, blockSize);
        usbHost().closeNode(node);
    }
    std::string detail;
    if (capacity.result == ScsiResult::good)
        detail = std::to_string(blocks) + " blocks of " + std::to_string(blockSize) + " bytes";
    else if (capacity.result == ScsiResult::checkCondition)
        detail = "the drive refused READ CAPACITY (no disk in it?)";
    else
        detail = "READ CAPACITY could not be sent (see the message above)";
    say("78848 blocks of 512", capacity.result == ScsiResult::good && blocks == diskSectorCount &&
                                   blockSize == diskSectorSize, detail);
    say("Nothing mounted", !hasMountedPartition(device), "");
    // The library opens the disk node exclusively before it changes the
    // disk; the kernel refuses that while a file system of it is mounted
    // anywhere, or another program holds it so.
    int error = ENODEV;
    int claim = device.disk.empty() ? -1 : usbHost().claimDisk(diskNode(device), error);
    if (claim >= 0)
        usbHost().closeNode(claim);
    say("Can be claimed", claim >= 0, claim >= 0 ? "" : std::strerror(error));
    std::printf(passes ? "The tool may write to this drive.\n" : "The tool will not write to this drive.\n");
    return passes ? 0 : 1;
}

// Runs udevadm with the arguments and waits for it; false when it could not
// be started or did not end with status 0.
bool runUdevadm(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "udevadm");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child;
    if (posix_spawnp(&child, "udevadm", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// udev reads the rules again, then runs them for the devices named (or for
// every disk and generic node), so a drive plugged in now gets them at once.
bool reloadUdev(const std::vector<std::string>& devices)
{
    std::vector<std::string> trigger = {"trigger", "--action=change", "--settle"};
    if (devices.empty())
        trigger.insert(trigger.end(), {"--subsystem-match=block", "--subsystem-match=scsi_generic"});
    trigger.insert(trigger.end(), devices.begin(), devices.end());
    if (runUdevadm({"control", "--reload"}) && runUdevadm(trigger))
        return true;
    std::fprintf(stderr, "quibusb: udev could not be told (is udevd running?): run 'udevadm control --reload'\n"
                         "and 'udevadm trigger', or plug the drive in again.\n");
    return false;
}

int allow(const char* named)
{
    UsbDisk disk;
    if (!findUsbDisk(named, disk)) {
        std::fprintf(stderr, "quibusb: %s: no USB disk is there (unplugged, a partition, or not USB: see quibusb list).\n", named);
        return 1;
    }
    std::string rule, reason;
    if (!udevRuleFor(disk, rule, reason)) {
        std::fprintf(stderr, "quibusb: %s: %s.\n", named, reason.c_str());
        return 1;
    }
    if (!writeUdevRule(udevRulePath, rule, reason)) {
        std::fprintf(stderr, "quibusb: %s%s\n", reason.c_str(), geteuid() != 0 ? " (run it as root: sudo quibusb allow DEVICE)" : "");
        return 1;
    }
    std::printf("Wrote %s for %s (USB serial number %s).\n", udevRulePath, disk.diskNode.c_str(),
                disk.serial.c_str());
    std::vector<std::string> devices = {"/sys/class/block/" + disk.diskNode.substr(5)};
    if (!disk.genericNode.empty())
        devices.push_back("/sys/class/scsi_generic/" + disk.genericNode.substr(5));
    if (!reloadUdev(devices))
        return 1;
    std::printf("The person at the seat may now use the drive without root:\n"
                "  QUIB_DEVICE=%s quibtools-real-drive\n",
                udevDriveLink);
    return 0;
}

int removeAllowance()
{
    bool existed = false;
    std::string reason;
    if (!removeUdevRule(udevRulePath, existed, reason)) {
        std::fprintf(stderr, "quibusb: %s%s\n", reason.c_str(), geteuid() != 0 ? " (run it as root: sudo quibusb allow --remove)" : "");
        return 1;
    }
    if (!existed) {
        std::printf("There is no rule to remove (%s).\n", udevRulePath);
        return 0;
    }
    std::printf("Removed %s.\n", udevRulePath);
    return reloadUdev({}) ? 0 : 1;
}

// --help and --version stand alone; allow has --remove, its only option.
enum UsbOption { usbHelp = 256, usbVersion, allowRemove };
const option usbOptions[] = {
    {"help", no_argument, nullptr, usbHelp},
    {"version", no_argument, nullptr, usbVersion},
    {nullptr, 0, nullptr, 0},
};
const option allowOptions[] = {
    {"remove", no_argument, nullptr, allowRemove},
    {nullptr, 0, nullptr, 0},
};

} // namespace

int main(int argc, char** argv)
{
    optind = 0;
    opterr = 0;
    const char* word = nullptr;
    int found = nextWholeOption(argc, argv, "+", usbOptions, &word);
    if (argc == 2 && found == usbHelp)
        return std::fputs(usageText, stdout), 0;
    if (argc == 2 && found == usbVersion)
        return std::puts("quibusb " QUIB_VERSION), 0;
    if (argc == 2 && std::strcmp(argv[1], "list") == 0)
        return list();
    if ((argc == 2 || argc == 3) && std::strcmp(argv[1], "check") == 0)
        return check(argc == 3 ? argv[2] : std::getenv(deviceVariable));
    if (argc == 3 && std::strcmp(argv[1], "allow") == 0) {
        optind = 0;
        found = nextWholeOption(argc - 1, argv + 1, "+", allowOptions, &word);
        if (found == allowRemove)
            return removeAllowance();
        // Any other word like an option, a lone "-" among them, is no device.
        return argv[2][0] == '-' ? usage() : allow(argv[2]);
    }
    if (argc >= 2 && argv[1][0] == '-')
        std::fprintf(stderr, "quibusb: unknown option '%s'\n", argv[1]);
    return usage();
}
