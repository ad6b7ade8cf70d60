// A disk change or a reset as the drive reports it: the next command other
// than REQUEST SENSE fails once with unit attention 0x28, REQUEST SENSE
// reports it and clears it, and a low-level format cut short leaves the disk
// erased. The tool's own Simple Format, run here against the drive, stops at
// the first write after a swap, so nothing lands on the swapped-in disk.
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include "format/quick_format.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using Event = void (*)();

void swapDisks()
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk2"}).exitCode, 0);
}
void reinsert()
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
}
void unplugAndPlug()
{
    ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"plug"}).exitCode, 0);
}

// The first-use disk made, the protection mode on, and disk2 waiting.
void prepareDrive()
{
    ASSERT_EQ(quibdrive({"create", "disk2"}).exitCode, 0);
    ASSERT_EQ(testUnitReady().status, 0u);
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
}

struct AttentionCase {
    const char* name;
    Event event;
    DriveAnswer (*command)(); // a command other than REQUEST SENSE
};

std::uint8_t sector[512];
std::uint8_t page[64];

const AttentionCase attentionCases[] = {
    {"TestUnitReadyAfterASwap", swapDisks, testUnitReady},
    {"ReadAfterASwap", swapDisks, [] { return readBlock(0, sector); }},
    {"WriteAfterASwap", swapDisks, [] { return writeBlock(0, sector); }},
    {"WriteAfterReinsertingTheSameDisk", reinsert, [] { return writeBlock(0, sector); }},
    {"WriteAfterUnplugAndPlug", unplugAndPlug, [] { return writeBlock(0, sector); }},
    {"ModeSenseAfterASwap", swapDisks, [] { return sendCommand({0x1A, 0, 0x2F, 0, 18}, page, 18, true); }},
    {"ModeSenseAfterUnplugAndPlug", unplugAndPlug,
     [] { return sendCommand({0x1A, 0, 0x2F, 0, 18}, page, 18, true); }},
    {"VendorStatusAfterASwap", swapDisks, [] { return sendCommand({0x06, 0, 2, 0, 64}, page, 64, true); }},
    {"FormatUnitAfterASwap", swapDisks, formatUnit},
};

class UnitAttention : public testing::TestWithParam<AttentionCase> {};

TEST_P(UnitAttention, FailsTheNextCommandOnceThenRequestSenseClearsIt)
{
    prepareDrive();
    GetParam().event();

    DriveAnswer first = GetParam().command();
    EXPECT_EQ(first.status, 2u);
    EXPECT_EQ(first.senseCode, 0x28);
    EXPECT_EQ(first.senseQualifier, 0x00);
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[2], 6); // unit attention
    EXPECT_EQ(sense[12], 0x28);

    // Reported once: the same command now gets past it.
    EXPECT_NE(GetParam().command().senseCode, 0x28);
}

INSTANTIATE_TEST_SUITE_P(Table, UnitAttention, testing::ValuesIn(attentionCases),
                         [](const testing::TestParamInfo<AttentionCase>& info) { return std::string(info.param.name); });

TEST(UnitAttentionSense, RequestSenseReportsTheChangeAndClearsIt)
{
    prepareDrive();
    swapDisks();
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[2], 6);
    EXPECT_EQ(sense[12], 0x28);
    std::uint8_t block[512] = {};
    EXPECT_EQ(writeBlock(0, block).status, 0u);
}

TEST(UnitAttentionSense, RequestSenseWithoutADiskReportsMediumNotPresent)
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[2], 2);
    EXPECT_EQ(sense[12], 0x3A);
}

bool imageIsBlank(const std::string& name)
{
    std::ifstream in(testHostFolder() + "/drive/disks/" + name + ".img", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return !bytes.empty() && bytes.find_first_not_of('\0') == std::string::npos;
}

struct CutShortCase {
    const char* name;
    Event event;
};

class LowLevelFormatCutShort : public testing::TestWithParam<CutShortCase> {};

// The polls of a Long Format see the change: REQUEST SENSE reports 0x28,
// and the disk, back in the drive, is erased.
TEST_P(LowLevelFormatCutShort, ReportsTheChangeAndLeavesTheDiskErased)
{
    ASSERT_EQ(quibdrive({"format-time", "600"}).exitCode, 0);
    prepareDrive();
    std::uint8_t data[512];
    std::fill(data, data + 512, 0x5A);
    ASSERT_EQ(writeBlock(0, data).status, 0u);
    ASSERT_EQ(formatUnit().status, 0u);
    GetParam().event();

    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[12], 0x28);
    EXPECT_EQ(sense[15], 0) << "no progress of a format that has ended";
    EXPECT_TRUE(imageIsBlank("disk1"));
    EXPECT_EQ(quibdrive({"status"}).output.find("Low-level format: running"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, LowLevelFormatCutShort,
                         testing::Values(CutShortCase{"BySwappingTheDisk", swapDisks},
                                         CutShortCase{"ByReinsertingTheDisk", reinsert},
                                         CutShortCase{"ByUnplugAndPlug", unplugAndPlug}),
                         [](const testing::TestParamInfo<CutShortCase>& info) { return std::string(info.param.name); });

// The tool's Simple Format against the drive, with disk2 swapped in after
// the first sectors are written.
void swapAtFirstReport(void* reports, std::uint32_t, std::uint32_t)
{
    if (++*static_cast<int*>(reports) == 2)
        swapDisks();
}

TEST(SimpleFormatRace, NoSectorLandsOnADiskSwappedInBetweenWrites)
{
    prepareDrive();
    int reports = 0;
    ProgressSink sink{swapAtFirstReport, &reports};
    const std::uint8_t label[11] = {'W', 'I', 'P', 'E', 'D', ' ', ' ', ' ', ' ', ' ', ' '};

    EXPECT_FALSE(quickFormat(sink, 0, 25700, label));
    EXPECT_EQ(reports, 2) << "the run goes on no further than the failed write";
    EXPECT_TRUE(imageIsBlank("disk2"));
}

} // namespace
