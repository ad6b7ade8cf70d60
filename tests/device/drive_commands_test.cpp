// The drive commands on the test driver library: every byte of the request
// record each command sends, the data it hands over, and the lengths by page.
#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "tests/support/test_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string hex(const std::uint8_t* bytes, std::size_t count)
{
    std::string text;
    char one[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(one, sizeof one, "%02X ", bytes[i]);
        text += one;
    }
    return text;
}

std::uint32_t field32(const std::uint8_t* record, int offset)
{
    std::uint32_t v;
    std::memcpy(&v, record + offset, 4);
    return v;
}

std::uint64_t bufferAddress(const std::uint8_t* record)
{
    return field32(record, 0) | std::uint64_t(field32(record, 28)) << 32;
}

// Buffers the commands are given. The data-out ones carry a pattern, so the
// bytes the driver receives show where they came from.
std::uint8_t inBuffer[512];
std::uint8_t outBlock[512];
const std::uint8_t modeList[10] = {0, 0, 0, 0, 0x2F, 0x04, 0x20, 0x11, 0x22, 0x33};
const char password[] = "secret";
const char emptyPassword[] = "";
char longPassword[301]; // 300 characters: only the low 8 bits of the length (44) go out

const std::uint8_t certifyList[4] = {0x00, 0x02, 0x00, 0x00};
const std::uint8_t noCertifyList[4] = {0x00, 0xA2, 0x00, 0x00};

struct CommandCase {
    const char* name;
    bool (*send)(DriveIndex drive);
    std::uint8_t command[12];
    std::uint32_t dataIn;
    std::uint32_t transferLength;
    const void* buffer;          // the address the record must carry; null for none
    bool ownBuffer;              // the operation supplies its own data (FORMAT UNIT)
    const std::uint8_t* data;    // the bytes the driver must receive (data-out)
};

const CommandCase commandCases[] = {
    {"RequestSense18", [](DriveIndex d) { return requestSense(d, inBuffer, 18); },
     {0x03, 0, 0, 0, 0x12}, 1, 18, inBuffer, false, nullptr},
    {"FormatUnitCertify", [](DriveIndex d) { return formatUnit(d, true); },
     {0x04, 0x18, 0x20}, 0, 4, nullptr, true, certifyList},
    {"FormatUnitWithoutCertify", [](DriveIndex d) { return formatUnit(d, false); },
     {0x04, 0x18, 0x00}, 0, 4, nullptr, true, noCertifyList},
    {"VendorStatusPage2", [](DriveIndex d) { return readVendorStatus(d, inBuffer, 2); },
     {0x06, 0, 0x02, 0, 0x40}, 1, 64, inBuffer, false, nullptr},
    {"VendorStatusUnlistedPage7", [](DriveIndex d) { return readVendorStatus(d, inBuffer, 7); },
     {0x06, 0, 0x07, 0, 0x00}, 1, 0, inBuffer, false, nullptr},
    {"ProtectionModeTakesLow4Bits", [](DriveIndex d) { return sendProtectionCommand(d, nullptr, 0x13); },
     {0x0C, 0x03}, 0, 0, nullptr, false, nullptr},
    {"ProtectionWithPassword", [](DriveIndex d) { return sendProtectionCommand(d, password, modeWriteProtectPassword); },
     {0x0C, 0x03, 0, 0, 6}, 0, 6, password, false, reinterpret_cast<const std::uint8_t*>(password)},
    {"ProtectionWithEmptyPassword", [](DriveIndex d) { return sendProtectionCommand(d, emptyPassword, modeUnprotect); },
     {0x0C, 0x00}, 0, 0, emptyPassword, false, nullptr},
    {"ProtectionPasswordLengthLow8Bits",
     [](DriveIndex d) { return sendProtectionCommand(d, longPassword, modeReadWriteProtectPassword); },
     {0x0C, 0x05, 0, 0, 0x2C}, 0, 0x2C, longPassword, false, reinterpret_cast<const std::uint8_t*>(longPassword)},
    {"ModeSensePage2F", [](DriveIndex d) { return modeSense(d, inBuffer, 0x2F); },
     {0x1A, 0, 0x2F, 0, 0x12}, 1, 18, inBuffer, false, nullptr},
    {"ModeSelectPage2F", [](DriveIndex d) { return modeSelect(d, modeList, 0x2F); },
     {0x15, 0x10, 0, 0, 0x0A}, 0, 10, modeList, false, modeList},
    {"ReadBlock300", [](DriveIndex d) { return readBlock(d, inBuffer, 300); },
     {0x28, 0, 0x00, 0x00, 0x01, 0x2C, 0, 0, 0x01}, 1, 512, inBuffer, false, nullptr},
    {"ReadBlockAddressMostSignificantFirst", [](DriveIndex d) { return readBlock(d, inBuffer, 0x12345678); },
     {0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0x01}, 1, 512, inBuffer, false, nullptr},
    {"WriteBlock0", [](DriveIndex d) { return writeBlock(d, outBlock, 0); },
     {0x2A, 0, 0, 0, 0, 0, 0, 0, 0x01}, 0, 512, outBlock, false, outBlock},
    {"WriteBlockHighAddress", [](DriveIndex d) { return writeBlock(d, outBlock, 0xA1B2C3D4); },
     {0x2A, 0, 0xA1, 0xB2, 0xC3, 0xD4, 0, 0, 0x01}, 0, 512, outBlock, false, outBlock},
};

class DriveCommands : public testing::TestWithParam<CommandCase> {
protected:
    static void SetUpTestSuite()
    {
        for (std::size_t i = 0; i < sizeof outBlock; ++i)
            outBlock[i] = static_cast<std::uint8_t>(i * 7 + 1);
        std::memset(longPassword, 'p', 300);
        longPassword[300] = '\0';
    }
    void SetUp() override { testDriverReset(); }
};

// The whole 48-byte record: common values, the command, and what the
// transport adds (commandLength 12, status preset 14, sense presets 0).
TEST_P(DriveCommands, SendsExactlyItsRecordAndData)
{
    const CommandCase& c = GetParam();
    const DriveIndex drive = 0x0102;
    ASSERT_TRUE(c.send(drive));
    ASSERT_EQ(testDriverRequestCount(), 1u);
    const TestDriverRecord& sent = *testDriverRequest(0);
    EXPECT_EQ(sent.code, RequestCommand);

    std::uint64_t address = c.ownBuffer ? bufferAddress(sent.record) : reinterpret_cast<std::uintptr_t>(c.buffer);
    if (c.ownBuffer) {
        EXPECT_NE(address, 0u);
    }
    std::uint8_t expected[48] = {};
    std::uint32_t low = static_cast<std::uint32_t>(address), high = static_cast<std::uint32_t>(address >> 32);
    std::memcpy(expected + 0, &low, 4);
    expected[4] = 5;                       // driverParam
    std::memcpy(expected + 8, &c.dataIn, 4);
    expected[12] = 12;                     // commandLength
    std::memcpy(expected + 13, c.command, 12);
    std::memcpy(expected + 28, &high, 4);
    std::memcpy(expected + 32, &c.transferLength, 4);
    expected[36] = 14;                     // status preset
    expected[42] = 0x02;                   // driveIndex, little-endian
    expected[43] = 0x01;
    EXPECT_EQ(hex(sent.record, 48), hex(expected, 48));

    if (c.data != nullptr) {
        ASSERT_EQ(sent.dataLength, c.transferLength);
        EXPECT_EQ(hex(sent.data, sent.dataLength), hex(c.data, c.transferLength));
    } else {
        EXPECT_EQ(sent.dataLength, 0u);
    }
}

TEST_P(DriveCommands, FailsWhenTheDriverReportsAFailure)
{
    TestDriverAnswer failed;
    failed.status = 2;
    failed.senseCode = 0x3A;
    testDriverQueueAnswer(&failed);
    EXPECT_FALSE(GetParam().send(0));
    TestDriverAnswer untouched;
    untouched.leaveStatus = true;
    testDriverQueueAnswer(&untouched);
    EXPECT_FALSE(GetParam().send(0));
    EXPECT_EQ(testDriverRequestCount(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Table, DriveCommands, testing::ValuesIn(commandCases),
                         [](const testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

TEST(DriveCommandData, ReadBlockDeliversTheDrivesBytesIntoTheBuffer)
{
    testDriverReset();
    TestDriverAnswer answer;
    for (std::size_t i = 0; i < 512; ++i)
        answer.data[i] = static_cast<std::uint8_t>(255 - i);
    answer.dataLength = 512;
    testDriverQueueAnswer(&answer);
    std::uint8_t block[512] = {};
    ASSERT_TRUE(readBlock(0, block, 5));
    EXPECT_EQ(std::memcmp(block, answer.data, 512), 0);
}

// Lengths by page: the page is compared as a whole 16-bit number; a page
// without a listed length goes out with length 0.
struct PageCase {
    std::uint16_t page;
    std::uint8_t vendorStatus, modeSense, modeSelect;
};

const PageCase pageCases[] = {
    {0x00, 6, 0, 0},    {0x01, 88, 20, 12}, {0x02, 64, 0, 0},   {0x03, 202, 0, 0},
    {0x05, 0, 44, 36},  {0x2F, 0, 18, 10},  {0x3F, 0, 58, 0},   {0x04, 0, 0, 0},
    {0x07, 0, 0, 0},    {0x102, 0, 0, 0},   {0x12F, 0, 0, 0},   {0xFFFF, 0, 0, 0},
};

class PageLengths : public testing::TestWithParam<PageCase> {
protected:
    void SetUp() override { testDriverReset(); }
};

TEST_P(PageLengths, EachCommandSendsThePagesLength)
{
    const PageCase& c = GetParam();
    ASSERT_TRUE(readVendorStatus(0, inBuffer, c.page));
    ASSERT_TRUE(modeSense(0, inBuffer, c.page));
    ASSERT_TRUE(modeSelect(0, inBuffer, c.page)); // room for any page's list
    ASSERT_EQ(testDriverRequestCount(), 3u);

    struct Expect {
        std::uint8_t opcode, byte1, byte2, length;
    } expect[3] = {
        {0x06, 0x00, static_cast<std::uint8_t>(c.page), c.vendorStatus},
        {0x1A, 0x00, static_cast<std::uint8_t>(c.page), c.modeSense},
        {0x15, 0x10, 0x00, c.modeSelect},
    };
    for (int i = 0; i < 3; ++i) {
        const TestDriverRecord& sent = *testDriverRequest(i);
        std::uint8_t command[12] = {expect[i].opcode, expect[i].byte1, expect[i].byte2, 0, expect[i].length};
        EXPECT_EQ(hex(sent.record + 13, 12), hex(command, 12)) << "request " << i;
        EXPECT_EQ(field32(sent.record, 32), expect[i].length) << "request " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PageLengths, testing::ValuesIn(pageCases),
                         [](const testing::TestParamInfo<PageCase>& info) {
                             char name[16];
                             std::snprintf(name, sizeof name, "Page%X", info.param.page);
                             return std::string(name);
                         });

} // namespace
