// Which device the library works on, the checks before anything is written
// to it, and the requests 101 (read the partitions again) and 102 (the
// mount folder).
#include "tests/usbdrive/fake_machine.h"
#include "tests/usbdrive/real_drive_client.h"

#include "os/registry.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using RealDriveSafety = QuibDrivePlugged;

DriveAnswer capacityOf(std::uint32_t blocks, std::uint32_t blockSize, const std::vector<std::uint8_t>& block)
{
    DriveAnswer answer;
    if (block[0] == 0x25) {
        std::uint32_t last = blocks - 1;
        answer.data = {std::uint8_t(last >> 24), std::uint8_t(last >> 16), std::uint8_t(last >> 8), std::uint8_t(last),
                       std::uint8_t(blockSize >> 24), std::uint8_t(blockSize >> 16), std::uint8_t(blockSize >> 8),
                       std::uint8_t(blockSize)};
    }
    return answer;
}

struct SafetyCase {
    const char* name;
    std::function<void(FakeMachine&)> change;
};

const SafetyCase safetyCases[] = {
    {"one block too few",
     [](FakeMachine& m) { m.drive = [](const auto& block) { return capacityOf(78847, 512, block); }; }},
    {"blocks of 2048 bytes",
     [](FakeMachine& m) { m.drive = [](const auto& block) { return capacityOf(78848, 2048, block); }; }},
    {"a large disk", [](FakeMachine& m) { m.drive = [](const auto& block) { return capacityOf(0, 512, block); }; }},
    {"capacity refused (no disk)",
     [](FakeMachine& m) {
         m.drive = [](const auto& block) {
             DriveAnswer answer = capacityOf(78848, 512, block);
             if (block[0] == 0x25) {
                 answer.status = 2;
                 answer.sense = {0x70, 0, 2, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0};
             }
             return answer;
         };
     }},
    {"not on a USB bus",
     [](FakeMachine& m) {
         const char* sata = "/sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0";
         m.links["/sys/class/scsi_generic/sg1/device"] = sata;
         m.links["/sys/class/block/sdb/device"] = sata;
         m.folders[std::string(sata) + "/block"] = {"sdb"};
     }},
    {"not removable", [](FakeMachine& m) { m.files["/sys/class/block/sdb/removable"] = "0\n"; }},
    {"a partition mounted",
     [](FakeMachine& m) { m.files["/proc/self/mountinfo"] += "40 22 8:17 / /media/quib rw - vfat /dev/sdb1 rw\n"; }},
    {"the whole disk mounted",
     [](FakeMachine& m) { m.files["/proc/self/mountinfo"] += "40 22 8:16 / /media/quib rw - vfat /dev/sdb rw\n"; }},
    {"no mount table", [](FakeMachine& m) { m.files.erase("/proc/self/mountinfo"); }},
    {"the disk's numbers unreadable", [](FakeMachine& m) { m.files.erase("/sys/class/block/sdb/dev"); }},
    {"a generic node without a disk",
     [](FakeMachine& m) {
         m.links[quibStablePath] = "/dev/sg1";
         m.folders[std::string(quibScsiDevice) + "/block"] = {};
     }},
};

TEST_F(RealDriveSafety, AWriteToADeviceThatFailsACheckIsRefusedUnsent)
{
    const std::vector<std::vector<std::uint8_t>> writes = {
        {0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, {0x04, 0x18, 0x20}, {0x0C, 0x03, 0, 0, 3}, {0x15, 0x10, 0, 0, 0x0A}};
    for (const SafetyCase& c : safetyCases) {
        SCOPED_TRACE(c.name);
        FakeMachine fresh;
        fresh.plugQuibDrive();
        c.change(fresh);
        fresh.install(quibStablePath);
        for (const auto& write : writes) {
            std::uint8_t data[512] = {};
            EXPECT_EQ(sendCommand(write, false, data, write[0] == 0x2A ? 512 : 3).record.status, 14u);
        }
        for (std::uint8_t code : fresh.operationCodes())
            EXPECT_EQ(code, 0x25) << "only READ CAPACITY may go out";
        // Reading is not a change: it still goes out.
        std::uint8_t sector[512];
        sendCommand({0x28, 0, 0, 0, 0, 0, 0, 0, 1}, true, sector, 512);
        EXPECT_EQ(fresh.operationCodes().back(), 0x28);
    }
    // The unchanged drive takes every write.
    machine.install(quibStablePath);
    std::uint8_t data[512] = {};
    EXPECT_EQ(sendCommand({0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, false, data, 512).record.status, 0u);
}

TEST_F(RealDriveSafety, ADriveThatVanishesBeforeAWriteAnswersNoDrive)
{
    machine.drive = [](const std::vector<std::uint8_t>&) {
        DriveAnswer answer;
        answer.hostStatus = 0x01;
        return answer;
    };
    std::uint8_t data[4] = {};
    EXPECT_EQ(sendCommand({0x04, 0x18, 0x20}, false, data, 4).record.status, 5u);
    EXPECT_EQ(machine.operationCodes(), (std::vector<std::uint8_t>{0x25}));
}

TEST_F(RealDriveSafety, WithoutANamedDeviceEveryRequestFindsNoDrive)
{
    for (const char* named : {static_cast<const char*>(nullptr), "", "/dev/disk/by-id/usb-Other_Drive-0:0",
                              "/dev/sdb1" /* a partition */, "/tmp/disk.img"}) {
        SCOPED_TRACE(named == nullptr ? "(unset)" : named);
        machine.install(named);
        char16_t folder[20] = u"old";
        EXPECT_EQ(sendCommand({0x00}, false, nullptr, 0).record.status, 5u);
        EXPECT_EQ(sendRemountRequest(0x00).record.status, 5u);
        EXPECT_EQ(sendMountFolderRequest(folder).record.status, 5u);
    }
    EXPECT_TRUE(machine.opened.empty());
    // A disk node and a generic node named directly both serve.
    for (const char* named : {"/dev/sdb", "/dev/sg1"}) {
        machine.install(named);
        EXPECT_EQ(sendCommand({0x00}, false, nullptr, 0).record.status, 0u);
        EXPECT_EQ(machine.sent.back().node, named);
    }
}

TEST_F(RealDriveSafety, RemountReadsThePartitionsAgainOnlyWhenNothingIsMounted)
{
    EXPECT_EQ(sendRemountRequest(0x00).record.status, 0u);
    EXPECT_EQ(sendRemountRequest(0xFF).record.status, 0u);
    EXPECT_EQ(machine.reread, (std::vector<std::string>{"/dev/sdb", "/dev/sdb"}));
    // Opened for reading: the kernel refuses to open a write-protected disk for writing.
    EXPECT_EQ(machine.openedReadOnly, (std::vector<std::string>{"/dev/sdb", "/dev/sdb"}));
    EXPECT_EQ(machine.openNodes, 1); // only the command node, kept for the next request

    machine.reread.clear();
    machine.rereadError = EBUSY;
    EXPECT_EQ(sendRemountRequest(0x00).record.status, 14u);
    machine.rereadError = 0;

    machine.openErrors["/dev/sdb"] = EACCES;
    EXPECT_EQ(sendRemountRequest(0x00).record.status, 14u);
    machine.openErrors.clear();
    machine.reread.clear();

    machine.files["/proc/self/mountinfo"] += "40 22 8:17 / /media/quib rw - vfat /dev/sdb1 rw\n";
    EXPECT_EQ(sendRemountRequest(0x00).record.status, 14u);
    EXPECT_TRUE(machine.reread.empty()); // the user's file system stays as it is

    RequestResult flag = sendRemountRequest(0x01);
    EXPECT_EQ(flag.record.status, 2u);
    EXPECT_EQ(flag.record.senseCode, 0x24);
}

TEST_F(RealDriveSafety, RemountSaysWhenTheDiskCannotBeRead)
{
    int unitAttentions = 1;
    machine.drive = [&unitAttentions](const std::vector<std::uint8_t>&) {
        DriveAnswer answer;
        answer.status = 2;
        answer.sense = unitAttentions-- > 0 ? std::vector<std::uint8_t>{0x70, 0, 6, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x28, 0}
                                            : std::vector<std::uint8_t>{0x70, 0, 2, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0};
        return answer;
    };
    RequestResult result = sendRemountRequest(0x00);
    EXPECT_EQ(result.record.status, 2u);
    EXPECT_EQ(result.record.senseCode, 0x3A); // asked again after the unit attention
    EXPECT_EQ(machine.operationCodes(), (std::vector<std::uint8_t>{0x00, 0x00}));
    EXPECT_TRUE(machine.reread.empty());
}

void setFolderSettings(std::uint32_t mode, const char16_t* folder)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver", &key));
    ASSERT_TRUE(setRegistryValue(key, u"Fixed", registryTypeNumber, &mode, sizeof mode));
    std::uint32_t size = std::uint32_t((std::char_traits<char16_t>::length(folder) + 1) * 2);
    ASSERT_TRUE(setRegistryValue(key, u"Folder", registryTypeString, folder, size));
    closeRegistryKey(key);
}

TEST_F(RealDriveSafety, TheMountFolderFollowsTheDriverSettings)
{
    char16_t folder[20] = {};
    EXPECT_EQ(sendMountFolderRequest(folder).record.status, 0u);
    EXPECT_EQ(std::u16string(folder), u"Storage Card"); // no settings yet

    setFolderSettings(1, u"Storage Card3");
    EXPECT_EQ(sendMountFolderRequest(folder).record.status, 0u);
    EXPECT_EQ(std::u16string(folder), u"Storage Card3");

    // Linked: the label of the disk's boot sector, read with READ(10).
    setFolderSettings(2, u"Storage Card3");
    machine.drive = [](const std::vector<std::uint8_t>& block) {
        DriveAnswer answer;
        if (block[0] == 0x28 && block[5] == 0) {
            answer.data.assign(512, 0);
            answer.data[0] = 0xEB;
            answer.data[2] = 0x90;
            std::memcpy(answer.data.data() + 43, "QUIBDISK   ", 11);
            answer.data[510] = 0x55;
            answer.data[511] = 0xAA;
        }
        return answer;
    };
    machine.sent.clear();
    EXPECT_EQ(sendMountFolderRequest(folder).record.status, 0u);
    EXPECT_EQ(std::u16string(folder), u"QUIBDISK");
    EXPECT_EQ(machine.sent.back().block, (std::vector<std::uint8_t>{0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}));

    // No disk in the drive: no folder.
    machine.drive = [](const std::vector<std::uint8_t>&) {
        DriveAnswer answer;
        answer.status = 2;
        answer.sense = {0x70, 0, 2, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0};
        return answer;
    };
    EXPECT_EQ(sendMountFolderRequest(folder).record.status, 0u);
    EXPECT_EQ(folder[0], u'\0');
}

} // namespace
