// The disk's protection through the vendor protection command: which modes
// fit which states, right and wrong passwords, the lift that ends with the
// eject, and what a low-level format leaves.
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <sstream>

namespace {

std::uint8_t diskState()
{
    std::uint8_t state = 0xFF;
    EXPECT_EQ(readProtectionState(&state).status, 0u);
    return state;
}

struct ProtectionStep {
    std::uint8_t mode;
    const char* password;
    std::uint8_t senseCode;  // 0: accepted
    std::uint8_t stateAfter;
};

// One disk through every kind of change, in order.
const ProtectionStep protectionSteps[] = {
    {0, "", 0x2C, 0},        // nothing to remove
    {8, "", 0x2C, 0},        // nothing to lift
    {2, "x", 0x26, 0},       // write protect takes no password
    {3, "", 0x26, 0},        // protect with a password needs one
    {1, "", 0x24, 0},        // not a mode
    {2, "", 0, 2},
    {2, "", 0x2C, 2},
    {8, "wrong", 0x74, 2},   // a disk without a password needs the empty one
    {8, "", 0, 10},
    {8, "", 0x2C, 10},       // lifted already
    {3, "secret", 0, 3},     // from a lifted write protection
    {5, "other", 0x2C, 3},
    {0, "Secret", 0x74, 3},  // passwords are case sensitive
    {0, "", 0x74, 3},
    {8, "secret", 0, 11},
    {3, "new", 0x2C, 11},
    {0, "secret", 0, 0},
    {5, "p\xE4ss", 0, 5},    // bytes of the code page, as the tool sends them
    {8, "pass", 0x74, 5},
    {8, "p\xE4ss", 0, 13},
    {0, "p\xE4ss", 0, 0},
    {2, "", 0, 2},
    {5, "from2", 0, 5},
    {0, "from2", 0, 0},
};

TEST(Protection, MovesBetweenStatesAsItsModesAndPasswordsAllow)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    int step = 0;
    for (const ProtectionStep& s : protectionSteps) {
        DriveAnswer a = sendProtection(s.mode, s.password);
        EXPECT_EQ(a.status, s.senseCode == 0 ? 0u : 2u) << "step " << step;
        EXPECT_EQ(a.senseCode, s.senseCode) << "step " << step;
        if (s.senseCode == 0x74) {
            EXPECT_EQ(a.senseQualifier, 0x71) << "step " << step;
        }
        EXPECT_EQ(diskState(), s.stateAfter) << "step " << step;
        ++step;
    }
}

TEST(Protection, ReadingAndWritingFollowTheState)
{
    struct Access {
        std::uint8_t mode;
        const char* password;
        bool readable, writable;
    };
    const Access accesses[] = {
        {2, "", true, false}, {8, "", true, true},   {0, "", true, true},   {3, "pw", true, false},
        {8, "pw", true, true}, {0, "pw", true, true}, {5, "pw", false, false}, {8, "pw", true, true},
    };
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    std::uint8_t sector[512] = {0x42};
    for (const Access& x : accesses) {
        ASSERT_EQ(sendProtection(x.mode, x.password).status, 0u);
        DriveAnswer read = readBlock(5, sector);
        DriveAnswer write = writeBlock(5, sector);
        EXPECT_EQ(read.status, x.readable ? 0u : 2u) << "state " << int(diskState());
        EXPECT_EQ(write.status, x.writable ? 0u : 2u) << "state " << int(diskState());
        if (!x.writable) {
            EXPECT_EQ(write.senseCode, 0x27);
        }
    }
}

TEST(Protection, StaysWithTheDiskAndItsLiftEndsWithTheEject)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendProtection(5, "secret").status, 0u);
    ASSERT_EQ(sendProtection(8, "secret").status, 0u);
    ASSERT_EQ(diskState(), 13);

    // Another disk in between has its own protection.
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"create", "disk2"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk2"}).exitCode, 0);
    testUnitReady();
    EXPECT_EQ(diskState(), 0);
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);

    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    testUnitReady();
    EXPECT_EQ(diskState(), 5);
    EXPECT_EQ(sendProtection(0, "wrong").senseCode, 0x74);
    EXPECT_EQ(sendProtection(0, "secret").status, 0u);
    EXPECT_EQ(diskState(), 0);
}

TEST(Protection, AnUnpluggedDriveLosesTheLift)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendProtection(2, "").status, 0u);
    ASSERT_EQ(sendProtection(8, "").status, 0u);
    ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"plug"}).exitCode, 0);
    testUnitReady(); // takes the report of a possible disk change
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    EXPECT_EQ(diskState(), 2);
}

std::string recordOf(const std::string& disk)
{
    std::ifstream file(testHostFolder() + "/drive/disks/" + disk + ".protection");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(Protection, KeepsOnlyASaltedHashOfThePassword)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendProtection(3, "hunter2").status, 0u);
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"create", "disk2"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk2"}).exitCode, 0);
    testUnitReady();
    ASSERT_EQ(sendProtection(3, "hunter2").status, 0u);

    std::string first = recordOf("disk1"), second = recordOf("disk2");
    EXPECT_NE(first.find("state 3"), std::string::npos) << first;
    EXPECT_EQ(first.find("hunter2"), std::string::npos) << first;
    std::string hash1 = first.substr(first.find("password "));
    std::string hash2 = second.substr(second.find("password "));
    EXPECT_GT(hash1.size(), 30u);
    EXPECT_NE(hash1, hash2) << "the same password on two disks must not hash alike";
}

TEST(Protection, ADamagedRecordCanOnlyBeFormattedAway)
{
    ASSERT_EQ(testUnitReady().status, 0u); // the first-use disk
    {
        std::ofstream file(testHostFolder() + "/drive/disks/disk1.protection");
        file << "state 3\n"; // a password state without its password
        ASSERT_TRUE(file.good());
    }
    startAsANewProgram(); // a record changed by hand is read when a program starts
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    EXPECT_EQ(diskState(), 15);
    EXPECT_EQ(sendProtection(0, "").senseCode, 0x2C);
    std::uint8_t sector[512] = {};
    EXPECT_EQ(writeBlock(0, sector).senseCode, 0x27);

    ASSERT_EQ(quibdrive({"format-time", "0"}).exitCode, 0);
    ASSERT_EQ(formatUnit().status, 0u);
    EXPECT_EQ(diskState(), 0);
}

} // namespace

namespace {

std::string recordPath() { return testHostFolder() + "/drive/disks/disk1.protection"; }

void recordAsFolder()
{
    ASSERT_EQ(std::remove(recordPath().c_str()), 0);
    ASSERT_TRUE(std::filesystem::create_directory(recordPath()));
}
void recordDeleted() { ASSERT_EQ(std::remove(recordPath().c_str()), 0); }
#ifndef _WIN32
// Links and permissions, as a Windows program under Wine cannot make them:
// there tests/win32/drive_links.sh plants Unix links, which Wine shows as
// reparse points.
void recordAsDanglingLink()
{
    ASSERT_EQ(std::remove(recordPath().c_str()), 0);
    ASSERT_EQ(symlink("nowhere.protection", recordPath().c_str()), 0);
}
// A link to a record that reads as unprotected: the drive does not follow it.
void recordAsLinkToAnUnprotectedOne()
{
    std::string other = testHostFolder() + "/unprotected.protection";
    std::ofstream(other) << "state 0\n";
    ASSERT_EQ(std::remove(recordPath().c_str()), 0);
    ASSERT_EQ(symlink(other.c_str(), recordPath().c_str()), 0);
}
void recordUnreadable()
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads a file whatever its mode; the folder and link cases cover this";
    ASSERT_EQ(chmod(recordPath().c_str(), 0), 0);
}
#endif

struct UnreadableRecord {
    const char* name;
    void (*damage)();
};

class UnreadableProtection : public testing::TestWithParam<UnreadableRecord> {};

// A write-protected disk whose record then cannot be read stays protected:
// it reads as damaged (15), refuses writes and a Simple Format's first write.
TEST_P(UnreadableProtection, ReadsAsDamagedAndRefusesWrites)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendProtection(2, "").status, 0u);
    GetParam().damage();
    if (testing::Test::IsSkipped())
        return;
    startAsANewProgram(); // a record changed by hand is read when a program starts

    EXPECT_EQ(diskState(), 15);
    std::uint8_t sector[512] = {};
    EXPECT_EQ(writeBlock(0, sector).senseCode, 0x27);
    ProgramRun status = quibdrive({"status"});
    EXPECT_NE(status.output.find("Protection:       15 "), std::string::npos) << status.output;
}

INSTANTIATE_TEST_SUITE_P(Table, UnreadableProtection,
                         testing::Values(UnreadableRecord{"Folder", recordAsFolder},
#ifndef _WIN32
                                         UnreadableRecord{"DanglingLink", recordAsDanglingLink},
                                         UnreadableRecord{"LinkToAnUnprotectedRecord", recordAsLinkToAnUnprotectedOne},
                                         UnreadableRecord{"NoPermission", recordUnreadable},
#endif
                                         UnreadableRecord{"Deleted", recordDeleted}),
                         [](const testing::TestParamInfo<UnreadableRecord>& info) { return std::string(info.param.name); });

// A record that cannot be read is cleared by a low-level format, as a
// damaged one is, where the drive can put a fresh record in its place.
TEST(UnreadableProtection, ADeletedRecordIsFormattedAway)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    recordDeleted();
    startAsANewProgram();
    EXPECT_EQ(diskState(), 15);
    ASSERT_EQ(quibdrive({"format-time", "0"}).exitCode, 0);
    ASSERT_EQ(formatUnit().status, 0u);
    EXPECT_EQ(diskState(), 0);
}

} // namespace
