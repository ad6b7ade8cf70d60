// The drive's own low-level format: accepted at once, progress in the sense
// data while it runs, and an erased, unprotected disk at its end.
#include "tests/drive/drive_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

bool allZero(const std::uint8_t* sector)
{
    for (int i = 0; i < 512; ++i)
        if (sector[i] != 0)
            return false;
    return true;
}

// A protected disk with data on it.
void prepareDisk()
{
    std::uint8_t sector[512];
    std::fill(sector, sector + 512, 0x5A);
    ASSERT_EQ(writeBlock(0, sector).status, 0u);
    ASSERT_EQ(writeBlock(78847, sector).status, 0u);
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendProtection(5, "pw").status, 0u);
}

void expectErasedAndUnprotected()
{
    std::uint8_t state = 0xFF;
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(readProtectionState(&state).status, 0u);
    EXPECT_EQ(state, 0);
    std::uint8_t sector[512];
    for (std::uint32_t block : {0u, 78847u}) {
        ASSERT_EQ(readBlock(block, sector).status, 0u);
        EXPECT_TRUE(allZero(sector)) << block;
    }
}

TEST(LowLevelFormat, ReportsRisingProgressUntilItIsDone)
{
    ASSERT_EQ(quibdrive({"format-time", "1.5"}).exitCode, 0);
    prepareDisk();
    ASSERT_EQ(formatUnit().status, 0u);

    // Media commands wait for the format.
    DriveAnswer ready = testUnitReady();
    EXPECT_EQ(ready.status, 2u);
    EXPECT_EQ(ready.senseCode, 0x04);
    EXPECT_EQ(ready.senseQualifier, 0x04);
    std::uint8_t sector[512];
    EXPECT_EQ(readBlock(0, sector).senseCode, 0x04);
    EXPECT_EQ(formatUnit().senseCode, 0x04);
    EXPECT_NE(quibdrive({"status"}).output.find("Low-level format: running"), std::string::npos);

    int polls = 0, distinct = 0;
    unsigned last = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        std::uint8_t sense[18];
        ASSERT_EQ(requestSense(sense).status, 0u);
        ++polls;
        if (sense[15] == 0) {
            EXPECT_EQ(sense[2], 0); // no sense once done
            EXPECT_EQ(sense[12], 0);
            break;
        }
        EXPECT_EQ(sense[15], 0x80);
        EXPECT_EQ(sense[2], 2);
        EXPECT_EQ(sense[12], 0x04);
        EXPECT_EQ(sense[13], 0x04);
        unsigned progress = unsigned(sense[16]) << 8 | sense[17];
        EXPECT_GE(progress, last) << "progress went back";
        distinct += progress != last;
        last = progress;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the format never ended";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GE(distinct, 3) << "progress should rise in steps over " << polls << " polls";
    EXPECT_GT(last, 0x8000u);
    EXPECT_EQ(testUnitReady().status, 0u);
    expectErasedAndUnprotected();
}

TEST(LowLevelFormat, WithNoTimeSetEndsAtOnce)
{
    ASSERT_EQ(quibdrive({"format-time", "0"}).exitCode, 0);
    prepareDisk();
    ASSERT_EQ(formatUnit().status, 0u);
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[15], 0);
    EXPECT_EQ(sense[2], 0);
    expectErasedAndUnprotected();
}

TEST(LowLevelFormat, CutShortByTheEjectLeavesTheDiskErased)
{
    ASSERT_EQ(quibdrive({"format-time", "600"}).exitCode, 0);
    prepareDisk();
    ASSERT_EQ(formatUnit().status, 0u);
    ProgramRun eject = quibdrive({"eject"});
    EXPECT_EQ(eject.exitCode, 0);
    EXPECT_NE(eject.output.find("cut short"), std::string::npos) << eject.output;
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    testUnitReady();
    EXPECT_EQ(testUnitReady().status, 0u);
    expectErasedAndUnprotected();
}

} // namespace
