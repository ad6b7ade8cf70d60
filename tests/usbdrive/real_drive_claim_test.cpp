// The claim on the disk while the tool changes it: the checks made once
// per disk when it is taken, one SG_IO call per request after that, and
// everything let go when the disk changes, the device goes away or the
// kernel is to read the partitions again.
#include "tests/usbdrive/fake_machine.h"
#include "tests/usbdrive/real_drive_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

namespace {

using RealDriveClaim = QuibDrivePlugged;

RequestResult writeBlock(std::uint16_t block)
{
    static std::uint8_t data[512] = {};
    return sendCommand({0x2A, 0, 0, 0, std::uint8_t(block >> 8), std::uint8_t(block), 0, 0, 1}, false, data, 512);
}

RequestResult testUnitReady() { return sendCommand({0x00}, false, nullptr, 0); }

std::size_t countOf(const std::vector<std::uint8_t>& codes, std::uint8_t code)
{
    return std::size_t(std::count(codes.begin(), codes.end(), code));
}

std::size_t countOf(const std::vector<std::string>& calls, const std::string& call)
{
    return std::size_t(std::count(calls.begin(), calls.end(), call));
}

std::size_t indexOf(const std::vector<std::string>& calls, const std::string& call)
{
    return std::size_t(std::find(calls.begin(), calls.end(), call) - calls.begin());
}

bool readsSysfsOrMounts(const std::vector<std::string>& calls)
{
    return std::any_of(calls.begin(), calls.end(), [](const std::string& call) {
        return call.compare(0, 5, "read ") == 0 || call.compare(0, 5, "list ") == 0 ||
               call.compare(0, 8, "resolve ") == 0;
    });
}

// The drive answers every command good (READ CAPACITY with a Quib! disk),
// except that the next one gets the answer given here.
struct NextAnswer {
    bool armed = false;
    DriveAnswer answer;
};

void answerNextWith(FakeMachine& machine, NextAnswer& next, DriveAnswer answer)
{
    next.armed = true;
    next.answer = std::move(answer);
    machine.drive = [&next](const std::vector<std::uint8_t>& block) {
        if (next.armed) {
            next.armed = false;
            return next.answer;
        }
        DriveAnswer good;
        if (block[0] == 0x25)
            good.data = {0x00, 0x01, 0x33, 0xFF, 0x00, 0x00, 0x02, 0x00};
        return good;
    };
}

DriveAnswer refusedWith(std::uint8_t key, std::uint8_t code, std::uint8_t qualifier)
{
    DriveAnswer answer;
    answer.status = 0x02;
    answer.sense = {0x70, 0, key, 0, 0, 0, 0, 10, 0, 0, 0, 0, code, qualifier};
    return answer;
}

DriveAnswer nodeGone()
{
    DriveAnswer answer;
    answer.error = ENODEV;
    return answer;
}

TEST_F(RealDriveClaim, AWholeFormatClaimsTheDiskOnceAndEachWriteIsOneCall)
{
    // The start of a format: the drive probe and a status page, which
    // change nothing and so need no claim.
    std::uint8_t page[64] = {};
    EXPECT_EQ(testUnitReady().record.status, 0u);
    EXPECT_EQ(sendCommand({0x06, 0, 2, 0, 0x40}, true, page, 64).record.status, 0u);
    EXPECT_TRUE(machine.claimed.empty());

    std::size_t beforeFirstWrite = machine.calls.size();
    EXPECT_EQ(writeBlock(0).record.status, 0u);
    // The checks, then the claim, then the write.
    std::vector<std::string> first = machine.callsSince(beforeFirstWrite);
    EXPECT_TRUE(readsSysfsOrMounts(first));
    EXPECT_LT(indexOf(first, "read /proc/self/mountinfo"), indexOf(first, "sg 25"));
    EXPECT_LT(indexOf(first, "sg 25"), indexOf(first, "claim /dev/sdb"));
    EXPECT_LT(indexOf(first, "claim /dev/sdb"), indexOf(first, "sg 2A"));

    for (std::uint16_t block = 1; block < 219; ++block) {
        std::size_t before = machine.calls.size();
        ASSERT_EQ(writeBlock(block).record.status, 0u);
        ASSERT_EQ(machine.callsSince(before), (std::vector<std::string>{"sg 2A"})) << "write " << block;
    }
    // A reading command on the way costs one call too.
    std::size_t beforeRead = machine.calls.size();
    EXPECT_EQ(sendCommand({0x06, 0, 2, 0, 0x40}, true, page, 64).record.status, 0u);
    EXPECT_EQ(machine.callsSince(beforeRead), (std::vector<std::string>{"sg 06"}));

    std::vector<std::uint8_t> codes = machine.operationCodes();
    EXPECT_EQ(countOf(codes, 0x25), 1u);
    EXPECT_EQ(countOf(codes, 0x2A), 219u);
    EXPECT_EQ(machine.claimed, (std::vector<std::string>{"/dev/sdb"}));
    EXPECT_EQ(machine.opened, (std::vector<std::string>{"/dev/sdb"})); // opened once, for every request
    EXPECT_EQ(machine.openClaims, 1);

    // The format ends with request 101: the claim vouches for the checks,
    // so none is made again, and it is let go before the partitions are
    // read; the command node stays open.
    EXPECT_EQ(sendRemountRequest(0x00).record.status, 0u);
    EXPECT_EQ(countOf(machine.operationCodes(), 0x25), 1u);
    EXPECT_EQ(machine.openClaims, 0);
    EXPECT_EQ(machine.openNodes, 1);
}

struct BetweenWritesCase {
    const char* name;
    DriveAnswer answer; // to a TEST UNIT READY between two writes
    bool checkedAgain;
};

const BetweenWritesCase betweenWritesCases[] = {
    {"unit attention: power on", refusedWith(0x6, 0x29, 0x00), true},
    {"medium may have changed", refusedWith(0x6, 0x28, 0x00), true},
    {"no disk", refusedWith(0x2, 0x3A, 0x00), true},
    {"device gone", nodeGone(), true},
    {"formatting, not ready", refusedWith(0x2, 0x04, 0x04), false},
    {"invalid field", refusedWith(0x5, 0x24, 0x00), false},
};

TEST_F(RealDriveClaim, ADiskChangeBetweenTwoWritesRunsTheChecksAgain)
{
    for (const BetweenWritesCase& c : betweenWritesCases) {
        SCOPED_TRACE(c.name);
        machine.install(quibStablePath);
        machine.sent.clear();
        machine.claimed.clear();
        NextAnswer next;
        answerNextWith(machine, next, DriveAnswer());
        next.armed = false;
        EXPECT_EQ(writeBlock(0).record.status, 0u);

        answerNextWith(machine, next, c.answer);
        testUnitReady();
        EXPECT_EQ(machine.openClaims, c.checkedAgain ? 0 : 1);

        std::size_t before = machine.calls.size();
        EXPECT_EQ(writeBlock(1).record.status, 0u);
        std::vector<std::string> second = machine.callsSince(before);
        if (c.checkedAgain) {
            EXPECT_TRUE(readsSysfsOrMounts(second));
            EXPECT_EQ(countOf(second, "sg 25"), 1u);
            EXPECT_EQ(machine.claimed, (std::vector<std::string>{"/dev/sdb", "/dev/sdb"}));
        } else {
            EXPECT_EQ(second, (std::vector<std::string>{"sg 2A"}));
            EXPECT_EQ(machine.claimed, (std::vector<std::string>{"/dev/sdb"}));
        }
        EXPECT_EQ(machine.openClaims, 1);
        EXPECT_EQ(machine.openNodes, 1);
    }
}

struct InUseCase {
    const char* name;
    std::function<void(FakeMachine&)> use;
    std::vector<std::uint8_t> sent; // before the refusal
};

const InUseCase inUseCases[] = {
    {"a partition in the mount table",
     [](FakeMachine& m) { m.files["/proc/self/mountinfo"] += "40 22 8:17 / /media/quib rw - vfat /dev/sdb1 rw\n"; },
     {}},
    // Mounted in another mount namespace, or held by another disk tool: only
    // the kernel's refusal of the exclusive open tells.
    {"the kernel refuses the claim", [](FakeMachine& m) { m.claimErrors["/dev/sdb"] = EBUSY; }, {0x25}},
    {"the claim not permitted", [](FakeMachine& m) { m.claimErrors["/dev/sdb"] = EACCES; }, {0x25}},
};

TEST_F(RealDriveClaim, ADiskInUseRefusesTheFirstChangeUnsent)
{
    const std::vector<std::vector<std::uint8_t>> changes = {
        {0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, {0x04, 0x18, 0x20}, {0x0C, 0x03, 0, 0, 3}, {0x15, 0x10, 0, 0, 0x0A}};
    for (const InUseCase& c : inUseCases) {
        SCOPED_TRACE(c.name);
        FakeMachine used;
        used.plugQuibDrive();
        c.use(used);
        used.install(quibStablePath);
        for (const auto& change : changes) {
            SCOPED_TRACE(int(change[0]));
            std::size_t before = used.calls.size();
            std::uint8_t data[512] = {};
            EXPECT_EQ(sendCommand(change, false, data, change[0] == 0x2A ? 512 : 3).record.status, 14u);
            // Each change checks again (a refusal is not kept); the disk's
            // size, once asked, is known.
            std::vector<std::string> checks = used.callsSince(before);
            EXPECT_EQ(countOf(checks, "read /proc/self/mountinfo"), 1u);
            EXPECT_EQ(countOf(checks, "claim /dev/sdb"), c.sent.empty() ? 0u : 1u);
        }
        EXPECT_EQ(used.operationCodes(), c.sent);
        EXPECT_EQ(used.openClaims, 0);

        // Once the disk is free, the next change takes the claim.
        used.files["/proc/self/mountinfo"] = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
        used.claimErrors.clear();
        EXPECT_EQ(writeBlock(0).record.status, 0u);
        EXPECT_EQ(used.openClaims, 1);
    }
}

void plugSecondDrive(FakeMachine& m)
{
    const std::string device = "/sys/devices/pci0000:00/0000:00:04.0/usb2/2-2/2-2:1.0/host1/target1:0:0/1:0:0:0";
    m.paths.insert("/dev/sdc");
    m.numbers["/dev/sdc"] = 0x0820;
    m.links["/sys/class/block/sdc/device"] = device;
    m.files["/sys/class/block/sdc/removable"] = "1\n";
    m.files["/sys/class/block/sdc/dev"] = "8:32\n";
    m.files["/sys/class/block/sdc/diskseq"] = "12\n";
    m.links[quibStablePath] = "/dev/sdc";
}

struct ReplacedCase {
    const char* name;
    std::function<void(FakeMachine&)> replace;
    const char* newNode;
    bool oldNodeGone; // its open node answers ENODEV: the request answers no drive
};

const ReplacedCase replacedCases[] = {
    {"unplugged, plugged in again as sdc",
     [](FakeMachine& m) {
         m.goneNodes.insert("/dev/sdb");
         m.paths.erase("/dev/sdb");
         plugSecondDrive(m);
     },
     "/dev/sdc", true},
    {"the path leads to another node", [](FakeMachine& m) { plugSecondDrive(m); }, "/dev/sdc", false},
    {"the node has a new device number", [](FakeMachine& m) { m.numbers["/dev/sdb"] = 0x0830; }, "/dev/sdb", false},
};

TEST_F(RealDriveClaim, ANodeReplacedBehindTheChosenPathStartsOver)
{
    for (const ReplacedCase& c : replacedCases) {
        SCOPED_TRACE(c.name);
        FakeMachine changing;
        changing.plugQuibDrive();
        changing.install(quibStablePath);
        EXPECT_EQ(testUnitReady().record.status, 0u); // the node is held, unclaimed

        c.replace(changing);
        if (c.oldNodeGone) {
            EXPECT_EQ(testUnitReady().record.status, 5u);
        }
        std::size_t before = changing.sent.size();
        EXPECT_EQ(writeBlock(0).record.status, 0u);
        std::vector<std::uint8_t> codes;
        for (std::size_t i = before; i < changing.sent.size(); ++i) {
            EXPECT_EQ(changing.sent[i].node, c.newNode);
            codes.push_back(changing.sent[i].block[0]);
        }
        EXPECT_EQ(codes, (std::vector<std::uint8_t>{0x25, 0x2A})); // checked again on the new node
        EXPECT_EQ(changing.claimed, (std::vector<std::string>{c.newNode}));
        EXPECT_EQ(changing.opened, (std::vector<std::string>{"/dev/sdb", c.newNode})); // opened anew
        EXPECT_EQ(changing.openNodes, 1); // the old node closed
        EXPECT_EQ(changing.openClaims, 1);
    }
}

TEST_F(RealDriveClaim, Request101ChecksFirstAndLetsGoOfTheClaim)
{
    // Unclaimed, the checks come first.
    std::size_t before = machine.calls.size();
    EXPECT_EQ(sendRemountRequest(0x00).record.status, 0u);
    std::vector<std::string> remount = machine.callsSince(before);
    EXPECT_EQ(countOf(remount, "sg 25"), 1u);
    EXPECT_LT(indexOf(remount, "read /sys/class/block/sdb/removable"), indexOf(remount, "reread /dev/sdb"));
    EXPECT_LT(indexOf(remount, "read /proc/self/mountinfo"), indexOf(remount, "reread /dev/sdb"));
    EXPECT_LT(indexOf(remount, "sg 25"), indexOf(remount, "reread /dev/sdb"));

    // Claimed, the claim vouches for them, and it is let go before the
    // kernel reads the partitions, which it would refuse (EBUSY) otherwise.
    EXPECT_EQ(writeBlock(0).record.status, 0u);
    EXPECT_EQ(countOf(machine.operationCodes(), 0x25), 1u); // the same disk: its size is known
    before = machine.calls.size();
    EXPECT_EQ(sendRemountRequest(0x00).record.status, 0u);
    remount = machine.callsSince(before);
    EXPECT_EQ(remount, (std::vector<std::string>{"sg 00", "close /dev/sdb", "open /dev/sdb", "reread /dev/sdb",
                                                 "close /dev/sdb"}));
    EXPECT_EQ(machine.openClaims, 0);

    // The next change claims again, after the mount table is read: the
    // kernel has just read the partitions, and a desktop may mount one.
    machine.files["/proc/self/mountinfo"] += "40 22 8:17 / /media/quib rw - vfat /dev/sdb1 rw\n";
    EXPECT_EQ(writeBlock(1).record.status, 14u);
    EXPECT_EQ(machine.claimed.size(), 1u);
    machine.files["/proc/self/mountinfo"] = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
    EXPECT_EQ(writeBlock(1).record.status, 0u);
    EXPECT_EQ(machine.claimed.size(), 2u);
    EXPECT_EQ(countOf(machine.operationCodes(), 0x25), 1u);
}

struct NextClaimCase {
    const char* name;
    std::function<void(FakeMachine&)> change; // between two claims
    std::size_t sizeAsked;
};

const NextClaimCase nextClaimCases[] = {
    {"the same disk", [](FakeMachine&) {}, 0},
    // A disk changed while the tool was not claiming it: the kernel's own
    // TEST UNIT READY on opening the node may have taken the unit attention.
    {"a new disk counted by the kernel", [](FakeMachine& m) { m.files["/sys/class/block/sdb/diskseq"] = "10\n"; }, 1},
    {"a kernel that counts no disks", [](FakeMachine& m) { m.files.erase("/sys/class/block/sdb/diskseq"); }, 1},
};

TEST_F(RealDriveClaim, TheDiskSizeIsAskedOncePerDisk)
{
    for (const NextClaimCase& c : nextClaimCases) {
        SCOPED_TRACE(c.name);
        FakeMachine drive;
        drive.plugQuibDrive();
        drive.install(quibStablePath);
        EXPECT_EQ(writeBlock(0).record.status, 0u);
        EXPECT_EQ(sendRemountRequest(0x00).record.status, 0u); // lets go of the claim
        c.change(drive);
        std::size_t before = drive.calls.size();
        EXPECT_EQ(writeBlock(1).record.status, 0u);
        EXPECT_EQ(countOf(drive.callsSince(before), "sg 25"), c.sizeAsked);
        EXPECT_EQ(drive.claimed.size(), 2u);
    }
}

struct RemountRefusalCase {
    const char* name;
    std::function<void(FakeMachine&)> change;
};

const RemountRefusalCase remountRefusalCases[] = {
    {"not on a USB bus",
     [](FakeMachine& m) {
         const char* sata = "/sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0";
         m.links["/sys/class/scsi_generic/sg1/device"] = sata;
         m.links["/sys/class/block/sdb/device"] = sata;
     }},
    {"not removable", [](FakeMachine& m) { m.files["/sys/class/block/sdb/removable"] = "0\n"; }},
    {"blocks of 2048 bytes",
     [](FakeMachine& m) {
         m.drive = [](const std::vector<std::uint8_t>& block) {
             DriveAnswer answer;
             if (block[0] == 0x25)
                 answer.data = {0x00, 0x01, 0x33, 0xFF, 0x00, 0x00, 0x08, 0x00};
             return answer;
         };
     }},
};

TEST_F(RealDriveClaim, Request101ToADiskThatFailsTheChecksIsRefused)
{
    for (const RemountRefusalCase& c : remountRefusalCases) {
        SCOPED_TRACE(c.name);
        FakeMachine other;
        other.plugQuibDrive();
        c.change(other);
        other.install(quibStablePath);
        EXPECT_EQ(sendRemountRequest(0x00).record.status, 14u);
        EXPECT_TRUE(other.reread.empty());
        EXPECT_TRUE(other.claimed.empty());
    }
}

} // namespace
