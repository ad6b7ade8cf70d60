// The drive's command set through MSD_IOControl: each command with the
// status, sense and data it answers, on the drive in a given condition.
#include "tests/drive/drive_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Setup = void (*)();

void firstUse() {}
void modeOn() { ASSERT_EQ(switchProtectionMode(true).status, 0u); }
void ejected() { ASSERT_EQ(quibdrive({"eject"}).exitCode, 0); }
void ejectedModeOn() { ejected(); modeOn(); }
void unplugged() { ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0); }
void writeProtected() { modeOn(); ASSERT_EQ(sendProtection(2, "").status, 0u); }
void readProtected() { modeOn(); ASSERT_EQ(sendProtection(5, "pw").status, 0u); }

struct CommandCase {
    const char* name;
    Setup setup;
    CommandBlock command;
    Bytes dataOut;              // sent to the drive when not empty
    std::uint32_t inLength;     // the answer buffer when data comes back
    std::uint32_t status;
    Bytes sense;                // key, code, qualifier of a failure
    Bytes answer;               // the bytes the drive puts into the buffer
};

const Bytes zeros512(512, 0);

// The mode page answer: header, block descriptor of 78848 blocks of 512
// bytes, page 0x2F with its length 4 and the mode byte.
Bytes modePage(std::uint8_t deviceSpecific, std::uint8_t mode)
{
    return {0x11, 0, deviceSpecific, 8, 0x00, 0x01, 0x34, 0x00, 0, 0, 0x02, 0x00, 0x2F, 4, mode, 0, 0, 0};
}

Bytes protectionPage(std::uint8_t state)
{
    Bytes page(64, 0);
    page[0] = 2;
    page[1] = 62;
    page[21] = state;
    return page;
}

const Bytes noSense = {0x70, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const CommandCase commandCases[] = {
    {"TestUnitReadyOnAReadyDrive", firstUse, {0x00}, {}, 0, 0, {}, {}},
    {"TestUnitReadyWithoutADisk", ejected, {0x00}, {}, 0, 2, {2, 0x3A, 0}, {}},
    {"EveryRequestWhileUnplugged", unplugged, {0x00}, {}, 0, 5, {}, {}},
    {"ReadWhileUnplugged", unplugged, {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {}, 512, 5, {}, {}},
    {"RequestSenseWithNothingToReport", firstUse, {0x03, 0, 0, 0, 18}, {}, 18, 0, {}, noSense},
    {"RequestSenseCutToItsAllocationLength", firstUse, {0x03, 0, 0, 0, 8}, {}, 18, 0, {},
     Bytes(noSense.begin(), noSense.begin() + 8)},
    {"RequestSenseCutToTheBuffer", firstUse, {0x03, 0, 0, 0, 18}, {}, 5, 0, {}, Bytes(noSense.begin(), noSense.begin() + 5)},
    {"RequestSenseInDescriptorFormat", firstUse, {0x03, 1, 0, 0, 18}, {}, 18, 2, {5, 0x24, 0}, {}},
    {"ModeSenseOfTheProtectionPage", firstUse, {0x1A, 0, 0x2F, 0, 18}, {}, 18, 0, {}, modePage(0, 0)},
    {"ModeSenseWithTheModeOn", modeOn, {0x1A, 0, 0x2F, 0, 18}, {}, 18, 0, {}, modePage(0, 0x20)},
    {"ModeSenseOfAWriteProtectedDisk", writeProtected, {0x1A, 0, 0x2F, 0, 18}, {}, 18, 0, {}, modePage(0x80, 0x20)},
    {"ModeSenseWithoutBlockDescriptor", firstUse, {0x1A, 0x08, 0x2F, 0, 18}, {}, 18, 0, {},
     {9, 0, 0, 0, 0x2F, 4, 0, 0, 0, 0}},
    {"ModeSenseOfChangeableValues", firstUse, {0x1A, 0, 0x6F, 0, 18}, {}, 18, 0, {}, modePage(0, 0x20)},
    {"ModeSenseOfAnotherPage", firstUse, {0x1A, 0, 0x08, 0, 18}, {}, 18, 2, {5, 0x24, 0}, {}},
    {"ModeSenseOfSavedValues", firstUse, {0x1A, 0, 0xEF, 0, 18}, {}, 18, 2, {5, 0x39, 0}, {}},
    {"ModeSelectOfTheProtectionPage", firstUse, {0x15, 0x10, 0, 0, 10}, {0, 0, 0, 0, 0x2F, 4, 0x20, 0, 0, 0}, 0, 0, {}, {}},
    {"ModeSelectWithABlockDescriptor", firstUse, {0x15, 0x10, 0, 0, 18},
     {0, 0, 0, 8, 0, 1, 0x34, 0, 0, 0, 2, 0, 0x2F, 4, 0x20, 0, 0, 0}, 0, 0, {}, {}},
    {"ModeSelectWithAWrongPageLength", firstUse, {0x15, 0x10, 0, 0, 10}, {0, 0, 0, 0, 0x2F, 5, 0x20, 0, 0, 0}, 0, 2,
     {5, 0x26, 0}, {}},
    {"ModeSelectOfAnotherPage", firstUse, {0x15, 0x10, 0, 0, 10}, {0, 0, 0, 0, 0x08, 4, 0, 0, 0, 0}, 0, 2,
     {5, 0x26, 0}, {}},
    {"ModeSelectChangingAFixedBit", firstUse, {0x15, 0x10, 0, 0, 10}, {0, 0, 0, 0, 0x2F, 4, 0x21, 0, 0, 0}, 0, 2,
     {5, 0x26, 0}, {}},
    {"ModeSelectWithAnOddDescriptorLength", firstUse, {0x15, 0x10, 0, 0, 10}, {0, 0, 0, 4, 0x2F, 4, 0, 0, 0, 0}, 0, 2,
     {5, 0x26, 0}, {}},
    {"ModeSelectCutShort", firstUse, {0x15, 0x10, 0, 0, 8}, {0, 0, 0, 0, 0x2F, 4, 0x20, 0}, 0, 2, {5, 0x26, 0}, {}},
    // A block descriptor announced past the end of the list is refused, never read.
    {"ModeSelectDescriptorPastTheList", firstUse, {0x15, 0x10, 0, 0, 6}, {0, 0, 0, 8, 0x2F, 4}, 0, 2, {5, 0x26, 0}, {}},
    {"ModeSelectWithoutPageFormat", firstUse, {0x15, 0x00, 0, 0, 10}, {0, 0, 0, 0, 0x2F, 4, 0x20, 0, 0, 0}, 0, 2,
     {5, 0x24, 0}, {}},
    {"ModeSelectSaving", firstUse, {0x15, 0x11, 0, 0, 10}, {0, 0, 0, 0, 0x2F, 4, 0x20, 0, 0, 0}, 0, 2, {5, 0x24, 0}, {}},
    {"ModeSelectLongerThanItsData", firstUse, {0x15, 0x10, 0, 0, 10}, {0, 0, 0, 0}, 0, 2, {5, 0x24, 0}, {}},
    {"VendorStatusWhileTheModeIsOff", firstUse, {0x06, 0, 2, 0, 64}, {}, 64, 2, {5, 0x2C, 0}, {}},
    {"VendorStatusOfPage2", modeOn, {0x06, 0, 2, 0, 64}, {}, 64, 0, {}, protectionPage(0)},
    {"VendorStatusOfAWriteProtectedDisk", writeProtected, {0x06, 0, 2, 0, 64}, {}, 64, 0, {}, protectionPage(2)},
    {"VendorStatusOfAReadProtectedDisk", readProtected, {0x06, 0, 2, 0, 64}, {}, 64, 0, {}, protectionPage(5)},
    {"VendorStatusWithoutADisk", ejectedModeOn, {0x06, 0, 2, 0, 64}, {}, 64, 2, {2, 0x3A, 0}, {}},
    {"VendorStatusOfAnotherPage", modeOn, {0x06, 0, 3, 0, 202}, {}, 202, 2, {5, 0x24, 0}, {}},
    {"VendorProtectionWhileTheModeIsOff", firstUse, {0x0C, 2}, {}, 0, 2, {5, 0x2C, 0}, {}},
    {"VendorProtectionWithHighModeBits", modeOn, {0x0C, 0x12}, {}, 0, 2, {5, 0x24, 0}, {}},
    {"VendorProtectionWithoutADisk", ejectedModeOn, {0x0C, 2}, {}, 0, 2, {2, 0x3A, 0}, {}},
    {"ReadOfTheFirstBlock", firstUse, {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {}, 512, 0, {}, zeros512},
    {"ReadOfTheLastBlock", firstUse, {0x28, 0, 0, 0x01, 0x33, 0xFF, 0, 0, 1}, {}, 512, 0, {}, zeros512},
    {"ReadBeyondTheDisk", firstUse, {0x28, 0, 0, 0x01, 0x34, 0x00, 0, 0, 1}, {}, 512, 2, {5, 0x21, 0}, {}},
    {"ReadOfTwoBlocksOverTheEnd", firstUse, {0x28, 0, 0, 0x01, 0x33, 0xFF, 0, 0, 2}, {}, 1024, 2, {5, 0x21, 0}, {}},
    {"ReadOfTheHighestAddress", firstUse, {0x28, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1}, {}, 512, 2, {5, 0x21, 0}, {}},
    {"ReadIntoTooSmallABuffer", firstUse, {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {}, 511, 2, {5, 0x24, 0}, {}},
    {"ReadWithoutADisk", ejected, {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {}, 512, 2, {2, 0x3A, 0}, {}},
    {"ReadOfAReadProtectedDisk", readProtected, {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {}, 512, 2, {7, 0x74, 0x71}, {}},
    {"ReadOfAWriteProtectedDisk", writeProtected, {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, {}, 512, 0, {}, zeros512},
    {"WriteBeyondTheDisk", firstUse, {0x2A, 0, 0, 0x01, 0x34, 0x00, 0, 0, 1}, zeros512, 0, 2, {5, 0x21, 0}, {}},
    {"WriteOfAWriteProtectedDisk", writeProtected, {0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, zeros512, 0, 2, {7, 0x27, 0}, {}},
    {"WriteOfAReadProtectedDisk", readProtected, {0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, zeros512, 0, 2, {7, 0x27, 0}, {}},
    {"WriteOfLessThanABlock", firstUse, {0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, Bytes(100, 0), 0, 2, {5, 0x24, 0}, {}},
    {"FormatUnitWithoutTheImmediateBit", firstUse, {0x04, 0x18, 0x20}, {0, 0, 0, 0}, 0, 2, {5, 0x26, 0}, {}},
    {"FormatUnitWithADefectList", firstUse, {0x04, 0x18, 0x20}, {0, 2, 0, 8}, 0, 2, {5, 0x26, 0}, {}},
    {"FormatUnitWithoutAParameterList", firstUse, {0x04, 0, 0}, {}, 0, 2, {5, 0x24, 0}, {}},
    {"FormatUnitWithoutADisk", ejected, {0x04, 0x18, 0x20}, {0, 2, 0, 0}, 0, 2, {2, 0x3A, 0}, {}},
    {"InquiryIsNotACommandOfThisDrive", firstUse, {0x12, 0, 0, 0, 36}, {}, 36, 2, {5, 0x20, 0}, {}},
};

class DriveCommands : public testing::TestWithParam<CommandCase> {};

TEST_P(DriveCommands, AnswerWithTheirStatusSenseAndData)
{
    const CommandCase& c = GetParam();
    c.setup();
    if (testing::Test::HasFatalFailure())
        return;

    // The answer buffer sits between guard bytes; what the drive does not
    // answer keeps the fill.
    constexpr std::size_t guard = 16;
    Bytes buffer(guard + c.inLength + guard, 0xCC);
    Bytes out = c.dataOut;
    DriveAnswer a = c.dataOut.empty()
                        ? sendCommand(c.command, c.inLength ? buffer.data() + guard : nullptr, c.inLength, c.inLength > 0)
                        : sendCommand(c.command, out.data(), std::uint32_t(out.size()), false);

    EXPECT_EQ(a.status, c.status);
    EXPECT_EQ(a.result, c.status == 0 ? 1 : 0);
    std::uint8_t expectCode = c.sense.empty() ? 0 : c.sense[1];
    std::uint8_t expectQualifier = c.sense.empty() ? 0 : c.sense[2];
    if (c.status != 5) {
        EXPECT_EQ(a.senseCode, expectCode);
        EXPECT_EQ(a.senseQualifier, expectQualifier);
    }
    EXPECT_EQ(a.returned, c.answer.size());
    Bytes expected(buffer.size(), 0xCC);
    std::copy(c.answer.begin(), c.answer.end(), expected.begin() + guard);
    EXPECT_EQ(buffer, expected);
    EXPECT_EQ(out, c.dataOut) << "the data sent is not the drive's to change";

    // A failure's full sense waits for the next REQUEST SENSE, once; then
    // the drive reports its own condition: an empty slot, or nothing.
    if (c.status == 2) {
        std::uint8_t sense[18];
        ASSERT_EQ(requestSense(sense).status, 0u);
        EXPECT_EQ(sense[0], 0x70);
        EXPECT_EQ(sense[2], c.sense[0]);
        EXPECT_EQ(sense[7], 10);
        EXPECT_EQ(sense[12], c.sense[1]);
        EXPECT_EQ(sense[13], c.sense[2]);
        ASSERT_EQ(requestSense(sense).status, 0u);
        Bytes noDisk = noSense;
        noDisk[2] = 2;
        noDisk[12] = 0x3A;
        bool emptySlot = c.sense == Bytes{2, 0x3A, 0};
        EXPECT_EQ(Bytes(sense, sense + 18), emptySlot ? noDisk : noSense);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DriveCommands, testing::ValuesIn(commandCases),
                         [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(DriveSense, ACommandThatSucceedsReplacesTheKeptSense)
{
    EXPECT_EQ(sendCommand({0x12}).status, 2u);
    EXPECT_EQ(testUnitReady().status, 0u);
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(Bytes(sense, sense + 18), noSense);
}

TEST(DriveSense, AnInsertedDiskReportsMediumChangedOnce)
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    DriveAnswer first = testUnitReady();
    EXPECT_EQ(first.status, 2u);
    EXPECT_EQ(first.senseCode, 0x28);
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[2], 6); // unit attention
    EXPECT_EQ(sense[12], 0x28);
    EXPECT_EQ(testUnitReady().status, 0u);
}

TEST(DriveModeSwitch, IsDriveStateThatPluggingInTurnsOff)
{
    std::uint8_t page[18];
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendCommand({0x1A, 0, 0x2F, 0, 18}, page, 18, true).status, 0u);
    EXPECT_EQ(page[14], 0x20);
    ASSERT_EQ(switchProtectionMode(false).status, 0u);
    ASSERT_EQ(sendCommand({0x1A, 0, 0x2F, 0, 18}, page, 18, true).status, 0u);
    EXPECT_EQ(page[14], 0);

    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"plug"}).exitCode, 0);
    EXPECT_EQ(testUnitReady().senseCode, 0x28); // the disk may have changed while unplugged
    ASSERT_EQ(sendCommand({0x1A, 0, 0x2F, 0, 18}, page, 18, true).status, 0u);
    EXPECT_EQ(page[14], 0);
}

TEST(DriveBlocks, WhatIsWrittenReadsBackAndStaysInTheImage)
{
    std::uint8_t sector[512], back[512];
    for (int i = 0; i < 512; ++i)
        sector[i] = std::uint8_t(i * 7 + 1);
    ASSERT_EQ(writeBlock(300, sector).status, 0u);
    ASSERT_EQ(readBlock(300, back).status, 0u);
    EXPECT_EQ(std::memcmp(sector, back, 512), 0);
    ASSERT_EQ(readBlock(301, back).status, 0u);
    EXPECT_EQ(back[0], 0);

    // Ejected and inserted again, the disk keeps its data.
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    testUnitReady();
    ASSERT_EQ(readBlock(300, back).status, 0u);
    EXPECT_EQ(std::memcmp(sector, back, 512), 0);
}

} // namespace
