// The listing of USB mass-storage disks, from sysfs.
#include "tests/usbdrive/fake_machine.h"

#include "usbdrive/usb_disks.h"

#include <gtest/gtest.h>

namespace {

TEST(UsbDiskListing, ShowsOnlyUsbDisksWithWhatTellsThemApart)
{
    FakeMachine machine;
    machine.plugQuibDrive();
    const std::string usbDevice = "/sys/devices/pci0000:00/0000:00:04.0/usb2/2-1";
    machine.files[usbDevice + "/serial"] = "QB0001\n";
    machine.files["/sys/devices/pci0000:00/0000:00:04.0/usb2/serial"] = "0000:00:04.0\n"; // the root hub's
    machine.files[std::string(quibScsiDevice) + "/vendor"] = "QUIB    \n";
    machine.files[std::string(quibScsiDevice) + "/model"] = "Drive           \n";
    machine.folders[std::string(quibScsiDevice) + "/scsi_generic"] = {"sg1"};
    machine.files["/sys/class/block/sdb/size"] = "78848\n";
    machine.files["/sys/class/block/sdb/queue/logical_block_size"] = "512\n";
    machine.folders["/dev/disk/by-id"] = {"ata-Disk_1", "usb-Quib_Drive_0001-0:0", "usb-Quib_Drive_0001-0:0-part1"};
    machine.links["/dev/disk/by-id/usb-Quib_Drive_0001-0:0-part1"] = "/dev/sdb1";

    // A stick of another size, without a serial number.
    const std::string stick = "/sys/devices/pci0000:00/0000:00:04.0/usb2/2-2/2-2:1.0/host1/target1:0:0/1:0:0:0";
    machine.paths.insert("/dev/sdc");
    machine.links["/sys/class/block/sdc/device"] = stick;
    machine.files["/sys/class/block/sdc/size"] = "15728640\n";
    machine.files["/sys/class/block/sdc/queue/logical_block_size"] = "512\n";
    machine.files["/sys/class/block/sdc/removable"] = "1\n";
    machine.files[stick + "/model"] = "Big\tStick\n"; // a tab would split the chooser's fields

    // The machine's own disk, a partition and a loop device.
    machine.paths.insert({"/dev/sda", "/dev/loop0"});
    machine.links["/sys/class/block/sda/device"] = "/sys/devices/pci0000:00/0000:00:1f.2/ata1/host2/target2:0:0/2:0:0:0";
    machine.folders["/sys/class/block"] = {"sdc", "sda", "sdb1", "loop0", "sdb"};
    machine.install(nullptr);

    std::vector<UsbDisk> disks = listUsbDisks();
    std::string listing = usbDiskListing();
    uninstallFakeMachine();
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].diskNode, "/dev/sdb");
    EXPECT_EQ(disks[0].genericNode, "/dev/sg1");
    EXPECT_EQ(disks[0].stablePath, quibStablePath);
    EXPECT_EQ(disks[0].vendor, "QUIB");
    EXPECT_EQ(disks[0].product, "Drive");
    EXPECT_EQ(disks[0].serial, "QB0001");
    EXPECT_EQ(disks[0].blocks, 78848u);
    EXPECT_TRUE(disks[0].removable);
    EXPECT_TRUE(looksLikeQuibDisk(disks[0]));

    EXPECT_EQ(disks[1].diskNode, "/dev/sdc");
    EXPECT_EQ(disks[1].genericNode, "");
    EXPECT_EQ(disks[1].serial, "");
    EXPECT_EQ(disks[1].blocks, 15728640u);
    EXPECT_FALSE(looksLikeQuibDisk(disks[1]));

    // The chooser's listing: named by the stable path where there is one.
    EXPECT_EQ(listing, std::string(quibStablePath) + "\t/dev/sdb\tQUIB\tDrive\tQB0001\t40370176\t1\n"
                       "/dev/sdc\t/dev/sdc\t\tBig Stick\t\t8053063680\t0\n");
}

} // namespace
