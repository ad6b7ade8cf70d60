// The transport on the test driver library: the records it sends and how it
// reads the driver's answers.
#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "tests/support/test_driver.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Transport : public testing::Test {
protected:
    void SetUp() override { testDriverReset(); }

    static const TestDriverRecord& request(std::size_t i)
    {
        const TestDriverRecord* r = testDriverRequest(i);
        EXPECT_NE(r, nullptr);
        static TestDriverRecord none{};
        return r ? *r : none;
    }
    static std::uint32_t field32(const TestDriverRecord& r, int offset)
    {
        std::uint32_t v;
        std::memcpy(&v, r.record + offset, 4);
        return v;
    }
    static void queue(std::uint32_t status, std::uint8_t sense = 0, std::uint8_t qualifier = 0, bool leave = false)
    {
        TestDriverAnswer a;
        a.status = status;
        a.senseCode = sense;
        a.senseQualifier = qualifier;
        a.leaveStatus = leave;
        testDriverQueueAnswer(&a);
    }
};

TEST_F(Transport, ProbeSendsTestUnitReadyWithDriverParamZero)
{
    std::uint8_t sense[2] = {9, 9};
    ASSERT_TRUE(probeDrive(0, sense));
    EXPECT_EQ(sense[0], 0);
    EXPECT_EQ(sense[1], 0);
    ASSERT_EQ(testDriverRequestCount(), 1u);
    const TestDriverRecord& r = request(0);
    EXPECT_EQ(r.code, RequestCommand);
    EXPECT_EQ(r.inputSize, 48u);
    std::uint8_t expected[48] = {};
    expected[12] = 12;   // commandLength
    expected[36] = 14;   // status preset
    EXPECT_EQ(std::memcmp(r.record, expected, 48), 0);
}

struct ProbeCase {
    const char* name;
    std::uint32_t status;
    bool leaveStatus;
    std::uint8_t sense, qualifier;
    bool answered;
    std::uint8_t expectSense, expectQualifier;
};

class ProbeAnswers : public Transport, public testing::WithParamInterface<ProbeCase> {};

TEST_P(ProbeAnswers, ReadsTheDriversStatusAndSense)
{
    const ProbeCase& c = GetParam();
    queue(c.status, c.sense, c.qualifier, c.leaveStatus);
    std::uint8_t sense[2] = {1, 1};
    EXPECT_EQ(probeDrive(0, sense), c.answered);
    EXPECT_EQ(sense[0], c.expectSense);
    EXPECT_EQ(sense[1], c.expectQualifier);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProbeAnswers,
    testing::Values(ProbeCase{"StatusLeftAtPreset", 0, true, 0, 0, false, 0xFF, 0xFF},
                    ProbeCase{"Status5NoDrive", 5, false, 0x3A, 0, false, 0xFF, 0xFF},
                    ProbeCase{"Status14", 14, false, 0, 0, false, 0xFF, 0xFF},
                    ProbeCase{"MediumNotPresent", 2, false, 0x3A, 0x00, true, 0x3A, 0x00},
                    ProbeCase{"OtherFailureZeroSense", 7, false, 0, 0, true, 0, 0},
                    ProbeCase{"BecomingReady", 2, false, 0x28, 0x01, true, 0x28, 0x01}),
    [](const testing::TestParamInfo<ProbeCase>& info) { return info.param.name; });

TEST_F(Transport, RemountCarriesTheReadableFlagAtOffset13)
{
    ASSERT_TRUE(sendRemount(0, true));
    ASSERT_TRUE(sendRemount(0, false));
    ASSERT_EQ(testDriverRequestCount(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const TestDriverRecord& r = request(i);
        EXPECT_EQ(r.code, RequestRemount);
        EXPECT_EQ(field32(r, 0), 0u);                 // no buffer
        EXPECT_EQ(r.record[4], 5);                    // driverParam
        EXPECT_EQ(field32(r, 8), 1u);                 // dataIn
        EXPECT_EQ(field32(r, 32), 0u);                // transferLength
        EXPECT_EQ(field32(r, 36), 14u);               // status preset
        EXPECT_EQ(r.record[42] | r.record[43] << 8, 0); // driveIndex
        EXPECT_EQ(field32(r, 44), 0u);                // reserved
    }
    EXPECT_EQ(request(0).record[13], 0x00);
    EXPECT_EQ(request(1).record[13], 0xFF);
}

TEST_F(Transport, RemountFailsOnAFailingStatus)
{
    queue(2);
    EXPECT_FALSE(sendRemount(0, true));
}

TEST_F(Transport, MountFolderAnswerIsReadUpToItsTerminator)
{
    TestDriverAnswer a;
    const char16_t name[] = u"Storage Card2";
    std::memcpy(a.data, name, sizeof name);
    a.dataLength = sizeof name;
    testDriverQueueAnswer(&a);
    char16_t answer[mountFolderCapacity];
    ASSERT_TRUE(queryMountFolder(0, answer));
    EXPECT_EQ(std::u16string(answer), u"Storage Card2");
    const TestDriverRecord& r = request(0);
    EXPECT_EQ(r.code, RequestMountFolder);
    EXPECT_EQ(r.record[4], 5);                      // driverParam
    EXPECT_EQ(field32(r, 8), 1u);                   // dataIn
    EXPECT_EQ(field32(r, 32), 32u);                 // transferLength
    EXPECT_EQ(field32(r, 36), 14u);                 // status preset
    EXPECT_EQ(r.record[42] | r.record[43] << 8, 0); // driveIndex
    EXPECT_EQ(field32(r, 44), 0u);                  // reserved
    EXPECT_FALSE(r.bufferWasNull);
}

TEST_F(Transport, MountFolderOf16CharactersWithoutTerminatorEndsAfter16)
{
    TestDriverAnswer a;
    const char16_t full[] = u"ABCDEFGHIJKLMNOPQRST"; // more than 32 bytes: the driver copies 32
    std::memcpy(a.data, full, sizeof full);
    a.dataLength = sizeof full;
    testDriverQueueAnswer(&a);
    char16_t answer[mountFolderCapacity];
    for (char16_t& c : answer)
        c = u'X';
    queryMountFolder(0, answer);
    EXPECT_EQ(std::u16string(answer), u"ABCDEFGHIJKLMNOP");
}

TEST_F(Transport, FailedMountFolderQueryLeavesAnEmptyName)
{
    queue(2);
    char16_t answer[mountFolderCapacity] = u"old text";
    EXPECT_FALSE(queryMountFolder(0, answer));
    EXPECT_EQ(answer[0], u'\0');
}

TEST_F(Transport, ExecuteCommandFillsItsPartAndKeepsTheCallersFields)
{
    DriverRequest r{};
    r.driverParam = 5;
    r.dataIn = 1;
    r.command[0] = 0x03;
    r.transferLength = 18;
    r.senseCode = 0x55;
    queue(2, 0x04, 0x04);
    EXPECT_FALSE(executeCommand(r));
    const TestDriverRecord& sent = request(0);
    EXPECT_EQ(sent.record[12], 12);         // commandLength
    EXPECT_EQ(field32(sent, 36), 14u);      // status preset
    EXPECT_EQ(sent.record[40], 0);          // sense presets
    EXPECT_EQ(sent.record[13], 0x03);
    EXPECT_EQ(r.status, 2u);
    EXPECT_EQ(r.senseCode, 0x04);
    EXPECT_EQ(r.senseQualifier, 0x04);
}

TEST_F(Transport, BufferAddressTravelsInBothHalves)
{
    std::uint8_t data[4] = {1, 2, 3, 4};
    DriverRequest r{};
    setDataBuffer(r, data);
    r.transferLength = 4;
    ASSERT_TRUE(executeCommand(r));
    const TestDriverRecord& sent = request(0);
    std::uint64_t address = field32(sent, 0) | std::uint64_t(field32(sent, 28)) << 32;
    EXPECT_EQ(address, reinterpret_cast<std::uintptr_t>(data));
    EXPECT_EQ(sent.dataLength, 4u);
    EXPECT_EQ(std::memcmp(sent.data, data, 4), 0);
}

// Where addresses are 32 bits wide (the armhf build) the record is exactly
// as it was laid out: the whole address in bytes 0 to 3 and bytes 28 to 31
// left zero, in every request the tool sends with a buffer.
TEST_F(Transport, On32BitHostsTheAddressIsBytes0To3AndBytes28To31StayZero)
{
    if (sizeof(void*) != 4)
        GTEST_SKIP() << "addresses are " << sizeof(void*) * 8 << " bits wide here: bytes 28 to 31 carry the high half";
    char16_t folder[mountFolderCapacity];
    std::uint8_t sector[512] = {};
    std::uint8_t sense[18];
    ASSERT_TRUE(queryMountFolder(0, folder));
    ASSERT_TRUE(readBlock(0, sector, 7));
    ASSERT_TRUE(writeBlock(0, sector, 7));
    ASSERT_TRUE(requestSense(0, sense, sizeof sense));
    const void* buffers[] = {folder, sector, sector, sense};
    ASSERT_EQ(testDriverRequestCount(), std::size(buffers));
    for (std::size_t i = 0; i < std::size(buffers); ++i) {
        const TestDriverRecord& r = request(i);
        EXPECT_EQ(field32(r, 0), reinterpret_cast<std::uintptr_t>(buffers[i])) << "request " << i;
        EXPECT_EQ(field32(r, 28), 0u) << "request " << i;
        EXPECT_FALSE(r.bufferWasNull) << "request " << i;
    }
}

} // namespace
