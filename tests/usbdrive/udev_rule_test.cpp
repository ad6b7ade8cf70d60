// quibusb allow: the udev rule for one drive, the drive a path names, the
// rule file written and removed, and udev itself reading the rule.
#include "tests/usbdrive/fake_machine.h"

#include "usbdrive/udev_rule.h"
#include "usbdrive/usb_disks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

UsbDisk quibDisk()
{
    UsbDisk disk;
    disk.diskNode = "/dev/sdb";
    disk.genericNode = "/dev/sg1";
    disk.serial = "QB0001";
    disk.usbVendorId = "1d6b";
    disk.usbProductId = "0104";
    return disk;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(UdevRule, MatchesTheOneDriveAndGivesItsNodesToTheSeat)
{
    std::string rule, reason;
    ASSERT_TRUE(udevRuleFor(quibDisk(), rule, reason)) << reason;
    EXPECT_EQ(rule,
              "# Written by quibusb allow; quibusb allow --remove takes it away.\n"
              "# The Quib! drive with USB serial number QB0001 (1d6b:0104) for the person at the seat:\n"
              "# its disk node, which the tool claims before a change, and its generic\n"
              "# node, which the tool sends its commands through, also as /dev/quib-drive.\n"
              "SUBSYSTEM==\"block\", ENV{DEVTYPE}==\"disk\", SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1d6b\", "
              "ATTRS{idProduct}==\"0104\", ATTRS{serial}==\"QB0001\", TAG+=\"uaccess\"\n"
              "SUBSYSTEM==\"scsi_generic\", SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1d6b\", "
              "ATTRS{idProduct}==\"0104\", ATTRS{serial}==\"QB0001\", TAG+=\"uaccess\", SYMLINK+=\"quib-drive\"\n");
}

// A rule must match this drive alone: without a serial number, or with one
// udev would read as a pattern or that breaks out of the quotes, it could
// give other devices to the seat.
TEST(UdevRule, RefusesADriveItCannotTellApart)
{
    struct Case {
        const char* serial;
        const char* vendor;
        const char* reason;
    };
    const Case cases[] = {
        {"", "1d6b", "no USB serial number"},
        {"QB*", "1d6b", "cannot match exactly"},
        {"QB?1", "1d6b", "cannot match exactly"},
        {"QB[01]", "1d6b", "cannot match exactly"},
        {"QB1|QB2", "1d6b", "cannot match exactly"},
        {"QB\", MODE=\"0666", "1d6b", "cannot match exactly"},
        {"QB\\1", "1d6b", "cannot match exactly"},
        {"QB 1", "1d6b", "cannot match exactly"},
        {"QB\n1", "1d6b", "cannot match exactly"},
        {"QB0001", "", "ids cannot be read"},
        {"QB0001", "1d6", "ids cannot be read"},
        {"QB0001", "1d6g", "ids cannot be read"},
    };
    for (const Case& c : cases) {
        UsbDisk disk = quibDisk();
        disk.serial = c.serial;
        disk.usbVendorId = c.vendor;
        std::string rule, reason;
        EXPECT_FALSE(udevRuleFor(disk, rule, reason)) << c.serial << " " << c.vendor;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.serial << ": " << reason;
    }
}

// allow DEVICE takes the drive by any of its names; a partition or a disk of
// another bus is no drive to allow.
TEST(UdevRule, FindsTheUsbDiskAPathNames)
{
    FakeMachine machine;
    machine.plugQuibDrive();
    const std::string usbDevice = "/sys/devices/pci0000:00/0000:00:04.0/usb2/2-1";
    machine.files[usbDevice + "/serial"] = "QB0001\n";
    machine.files[usbDevice + "/idVendor"] = "1d6b\n";
    machine.files[usbDevice + "/idProduct"] = "0104\n";
    machine.folders[std::string(quibScsiDevice) + "/scsi_generic"] = {"sg1"};
    machine.paths.insert("/dev/sda");
    machine.links["/sys/class/block/sda/device"] = "/sys/devices/pci0000:00/0000:00:1f.2/ata1/host2/target2:0:0/2:0:0:0";
    machine.folders["/sys/class/block"] = {"sda", "sdb", "sdb1"};
    machine.install(nullptr);

    for (const char* named : {"/dev/sdb", "/dev/sg1", quibStablePath}) {
        UsbDisk disk;
        ASSERT_TRUE(findUsbDisk(named, disk)) << named;
        EXPECT_EQ(disk.diskNode, "/dev/sdb") << named;
        EXPECT_EQ(disk.genericNode, "/dev/sg1") << named;
        EXPECT_EQ(disk.serial, "QB0001") << named;
        EXPECT_EQ(disk.usbVendorId, "1d6b") << named;
        EXPECT_EQ(disk.usbProductId, "0104") << named;
    }
    for (const char* named : {"/dev/sdb1", "/dev/sda", "/dev/sdz"}) {
        UsbDisk disk;
        EXPECT_FALSE(findUsbDisk(named, disk)) << named;
    }
    uninstallFakeMachine();
}

TEST(UdevRule, FileIsWrittenWholeReplacedAndRemoved)
{
    std::string folder = std::string(std::getenv("QUIB_HOME")) + "/rules.d";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    std::string path = folder + "/70-quib-drive.rules";
    std::string reason;

    umask(077); // a person's tight umask still leaves the rule readable to udev
    ASSERT_TRUE(writeUdevRule(path, "first\n", reason)) << reason;
    ASSERT_TRUE(writeUdevRule(path, "second\n", reason)) << reason;
    umask(022);
    EXPECT_EQ(fileText(path), "second\n");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_NE(access((path + ".new").c_str(), F_OK), 0) << "the file written before the rename is left";

    bool existed = false;
    ASSERT_TRUE(removeUdevRule(path, existed, reason)) << reason;
    EXPECT_TRUE(existed);
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    ASSERT_TRUE(removeUdevRule(path, existed, reason)) << reason;
    EXPECT_FALSE(existed);

    EXPECT_FALSE(writeUdevRule(folder + "/missing/70-quib-drive.rules", "rule\n", reason));
    EXPECT_NE(reason.find("No such file or directory"), std::string::npos) << reason;
}

// udev itself reads the rule without a complaint: "udevadm verify" where
// udev has it; before it, "udevadm test" reads every rules folder, so the
// rule goes to the volatile one under /run for that run, under a name of
// its own, and every line udev says about that file is a complaint.
TEST(UdevRule, UdevReadsItWithoutComplaint)
{
    if (std::system("command -v udevadm >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "udevadm is not installed";
    std::string rule, reason;
    ASSERT_TRUE(udevRuleFor(quibDisk(), rule, reason)) << reason;
    std::string log = std::string(std::getenv("QUIB_HOME")) + "/udevadm.log";

    if (std::system("udevadm verify --help >/dev/null 2>&1") == 0) {
        std::string path = std::string(std::getenv("QUIB_HOME")) + "/70-quib-drive.rules";
        ASSERT_TRUE(writeUdevRule(path, rule, reason)) << reason;
        int status = std::system(("udevadm verify " + path + " >" + log + " 2>&1").c_str());
        EXPECT_EQ(status, 0) << fileText(log);
        return;
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "udevadm has no verify, and udevadm test reads rules only from the system's folders (root)";
    std::string path = "/run/udev/rules.d/70-quib-drive-test-" + std::to_string(getpid()) + ".rules";
    mkdir("/run/udev", 0755);
    mkdir("/run/udev/rules.d", 0755);
    ASSERT_TRUE(writeUdevRule(path, rule, reason)) << reason;
    std::system(("udevadm test --action=add /sys/devices/virtual/mem/null >" + log + " 2>&1").c_str());
    bool existed;
    removeUdevRule(path, existed, reason);
    std::string said = fileText(log);
    EXPECT_NE(said.find("Reading rules file: " + path), std::string::npos) << said;
    EXPECT_EQ(said.find(path + ":"), std::string::npos) << said;
}

} // namespace
