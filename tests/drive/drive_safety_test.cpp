// The drive under bad input: it never writes past what the caller allowed,
// never reads past the data the command needs, and refuses a malformed
// record instead of acting on it.
#include "tests/drive/drive_client.h"

#include "os/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A buffer of the given size between guard bytes, all filled with 0xCC.
class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t size) : bytes(guard + size + guard, 0xCC), size(size) {}
    std::uint8_t* data() { return bytes.data() + guard; }
    // True when nothing outside the first `written` bytes changed.
    bool untouchedPast(std::size_t written) const
    {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if ((i < guard || i >= guard + written) && bytes[i] != 0xCC)
                return false;
        return true;
    }

private:
    static constexpr std::size_t guard = 64;
    Bytes bytes;

public:
    const std::size_t size;
};

struct AnswerLengthCase {
    const char* name;
    CommandBlock command;
    std::uint32_t transferLength;
    std::uint32_t status;
    std::uint32_t written;
};

const AnswerLengthCase answerLengthCases[] = {
    {"RequestSenseLongerThanTheBuffer", {0x03, 0, 0, 0, 255}, 5, 0, 5},
    {"RequestSenseIntoNothing", {0x03, 0, 0, 0, 18}, 0, 0, 0},
    {"ModeSenseLongerThanTheBuffer", {0x1A, 0, 0x2F, 0, 255}, 7, 0, 7},
    {"ModeSenseWithAllocationZero", {0x1A, 0, 0x2F, 0, 0}, 18, 0, 0},
    {"ModeSenseWithARoomyBuffer", {0x1A, 0, 0x2F, 0, 255}, 300, 0, 18},
    {"VendorStatusLongerThanTheBuffer", {0x06, 0, 2, 0, 255}, 10, 0, 10},
    {"ReadIntoHalfABlock", {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, 256, 2, 0},
    {"ReadOfTwoBlocksIntoOne", {0x28, 0, 0, 0, 0, 0, 0, 0, 2}, 512, 2, 0},
    {"ReadOfNoBlocks", {0x28, 0, 0, 0, 0, 0, 0, 0, 0}, 512, 0, 0},
};

class AnswerLengths : public testing::TestWithParam<AnswerLengthCase> {};

TEST_P(AnswerLengths, NeverPassTheTransferLength)
{
    const AnswerLengthCase& c = GetParam();
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    GuardedBuffer buffer(c.transferLength);
    DriveAnswer a = sendCommand(c.command, buffer.data(), c.transferLength, true);
    EXPECT_EQ(a.status, c.status);
    EXPECT_EQ(a.returned, c.written);
    EXPECT_TRUE(buffer.untouchedPast(c.written));
}

INSTANTIATE_TEST_SUITE_P(Table, AnswerLengths, testing::ValuesIn(answerLengthCases),
                         [](const testing::TestParamInfo<AnswerLengthCase>& info) { return std::string(info.param.name); });

TEST(DataToTheDrive, IsReadNoFurtherThanTheTransferLength)
{
    // Exactly as large as the caller says: a drive reading the length the
    // command claims would run past it (the sanitizer build sees that too).
    auto* four = new std::uint8_t[4]{0, 0, 0, 0};
    DriveAnswer select = sendCommand({0x15, 0x10, 0, 0, 10}, four, 4, false);
    EXPECT_EQ(select.status, 2u);
    EXPECT_EQ(select.senseCode, 0x24);
    auto* half = new std::uint8_t[256]();
    DriveAnswer write = sendCommand({0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, half, 256, false);
    EXPECT_EQ(write.status, 2u);
    EXPECT_EQ(write.senseCode, 0x24);
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    DriveAnswer protect = sendCommand({0x0C, 3, 0, 0, 20}, four, 4, false);
    EXPECT_EQ(protect.status, 2u);
    EXPECT_EQ(protect.senseCode, 0x24);
    delete[] four;
    delete[] half;
}

TEST(DataDirection, AnAnswerIsNotWrittenIntoDataMeantForTheDrive)
{
    GuardedBuffer buffer(18);
    DriveAnswer sense = sendCommand({0x03, 0, 0, 0, 18}, buffer.data(), 18, false);
    EXPECT_EQ(sense.status, 2u);
    EXPECT_EQ(sense.senseCode, 0x24);
    EXPECT_TRUE(buffer.untouchedPast(0));

    std::uint8_t sector[512] = {1};
    DriveAnswer write = sendCommand({0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, sector, 512, true);
    EXPECT_EQ(write.status, 2u);
    EXPECT_EQ(write.senseCode, 0x24);
}

void setFolder(const std::u16string& name)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver", &key));
    std::uint32_t fixed = 1;
    EXPECT_TRUE(setRegistryValue(key, u"Fixed", registryTypeNumber, &fixed, 4));
    EXPECT_TRUE(setRegistryValue(key, u"Folder", registryTypeString, name.c_str(),
                                 std::uint32_t((name.size() + 1) * 2)));
    closeRegistryKey(key);
    ASSERT_EQ(remount(0x00).status, 0u);
}

struct FolderAnswerCase {
    const char* name;
    std::u16string folder;
    std::uint32_t transferLength;
    std::u16string answer; // what comes back, ended by a zero character
};

const FolderAnswerCase folderAnswerCases[] = {
    {"FitsWhole", u"Storage Card3", 32, u"Storage Card3"},
    {"CutToThirtyTwoBytes", u"Storage Card Number 3", 40, u"Storage Card Nu"},
    {"CutToTheTransferLength", u"Storage Card3", 7, u"St"},
    {"OnlyTheEndingZeroFits", u"Storage Card3", 2, u""},
    {"NotSplittingASurrogatePair", u"ABCDEFGHIJKLMN\U0001F4BE", 32, u"ABCDEFGHIJKLMN"},
};

class FolderAnswer : public testing::TestWithParam<FolderAnswerCase> {};

TEST_P(FolderAnswer, IsAnEndedNameWithinItsLimits)
{
    const FolderAnswerCase& c = GetParam();
    setFolder(c.folder);
    GuardedBuffer buffer(c.transferLength);
    DriverRequest r{};
    setDataBuffer(r, buffer.data());
    r.dataIn = 1;
    r.transferLength = c.transferLength;
    DriveAnswer a = sendRecord(RequestMountFolder, r);
    ASSERT_EQ(a.status, 0u);
    std::size_t bytes = (c.answer.size() + 1) * 2;
    EXPECT_EQ(a.returned, bytes);
    EXPECT_EQ(std::memcmp(buffer.data(), c.answer.c_str(), bytes), 0);
    EXPECT_TRUE(buffer.untouchedPast(bytes));
}

INSTANTIATE_TEST_SUITE_P(Table, FolderAnswer, testing::ValuesIn(folderAnswerCases),
                         [](const testing::TestParamInfo<FolderAnswerCase>& info) { return std::string(info.param.name); });

TEST(MalformedRecords, AreRefusedWithoutTouchingAnything)
{
    std::uint32_t returned = 0;
    EXPECT_EQ(callDriveEntry(RequestCommand, nullptr, 48, &returned), 0);

    // A record of the wrong size is not read or written at all.
    for (std::uint32_t size : {0u, 47u, 49u, 64u}) {
        Bytes raw(64, 0x77);
        EXPECT_EQ(callDriveEntry(RequestCommand, raw.data(), size, &returned), 0) << size;
        EXPECT_EQ(raw, Bytes(64, 0x77)) << size;
    }

    CommandBlock testUnitReady{0x00};
    for (std::uint32_t code : {0u, 100u, 104u, 0xFFFFFFFFu}) {
        DriverRequest r = commandRecord(testUnitReady, nullptr, 0, false);
        DriveAnswer a = sendRecord(code, r);
        EXPECT_EQ(a.result, 0) << code;
        EXPECT_EQ(a.status, statusNotCarriedOut) << code;
    }

    DriverRequest otherDrive = commandRecord(testUnitReady, nullptr, 0, false);
    otherDrive.driveIndex = 1;
    EXPECT_EQ(sendRecord(RequestCommand, otherDrive).status, statusNoDrive);

    for (std::uint8_t length : {0, 6, 10, 13, 255}) {
        DriverRequest r = commandRecord(testUnitReady, nullptr, 0, false);
        r.commandLength = length;
        EXPECT_EQ(sendRecord(RequestCommand, r).status, statusNotCarriedOut) << int(length);
    }

    DriverRequest noBuffer = commandRecord({0x28, 0, 0, 0, 0, 0, 0, 0, 1}, nullptr, 512, true);
    EXPECT_EQ(sendRecord(RequestCommand, noBuffer).status, statusNotCarriedOut);

    DriverRequest noFolderBuffer{};
    noFolderBuffer.transferLength = 32;
    EXPECT_EQ(sendRecord(RequestMountFolder, noFolderBuffer).status, statusNotCarriedOut);
    char16_t one[1] = {u'x'};
    DriverRequest tooSmall{};
    setDataBuffer(tooSmall, one);
    tooSmall.transferLength = 1;
    EXPECT_EQ(sendRecord(RequestMountFolder, tooSmall).status, statusNotCarriedOut);
    EXPECT_EQ(one[0], u'x');

    // Without a returned-count variable the request still goes through.
    DriverRequest plain = commandRecord(testUnitReady, nullptr, 0, false);
    plain.status = statusNotCarriedOut;
    EXPECT_EQ(callDriveEntry(RequestCommand, &plain, sizeof plain, nullptr), 1);
    EXPECT_EQ(plain.status, 0u);
}

TEST(MalformedRecords, OnlyTheAnswerFieldsOfTheRecordChange)
{
    std::uint8_t sense[18];
    DriverRequest r = commandRecord({0x03, 0, 0, 0, 18}, sense, 18, true);
    r.unset6[0] = 0x5A;
    r.unset25[1] = 0xA5;
    r.reserved = 0x12345678;
    DriverRequest before = r;
    sendRecord(RequestCommand, r);
    before.status = r.status;
    before.senseCode = r.senseCode;
    before.senseQualifier = r.senseQualifier;
    EXPECT_EQ(std::memcmp(&before, &r, sizeof r), 0);
}

// Random records (a fixed seed, so a failure can be repeated): whatever
// arrives, the drive answers with a known status, stays inside the buffer
// and keeps working.
TEST(MalformedRecords, RandomRecordsNeverBreakTheDrive)
{
    ASSERT_EQ(quibdrive({"format-time", "0"}).exitCode, 0);
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    std::mt19937 random(20240611);
    const std::uint8_t opcodes[] = {0x00, 0x03, 0x04, 0x06, 0x0C, 0x15, 0x1A, 0x28, 0x2A, 0x12, 0xFF};
    for (int i = 0; i < 400; ++i) {
        GuardedBuffer buffer(1024);
        DriverRequest r{};
        for (std::size_t b = 0; b < sizeof r; ++b)
            reinterpret_cast<std::uint8_t*>(&r)[b] = std::uint8_t(random());
        std::uint32_t code = 101 + random() % 4;
        r.driveIndex = random() % 8 == 0 ? 1 : 0;
        r.commandLength = random() % 8 == 0 ? std::uint8_t(random()) : 12;
        r.command[0] = opcodes[random() % std::size(opcodes)];
        if (r.command[0] == 0x28 || r.command[0] == 0x2A) {
            r.command[2] = r.command[3] = 0; // mostly inside the disk
            r.command[7] = 0;
            r.command[8] = random() % 3;
        }
        r.dataIn = random() % 2;
        r.transferLength = random() % 1025;
        setDataBuffer(r, random() % 16 == 0 ? nullptr : buffer.data());
        r.status = statusNotCarriedOut;
        std::uint32_t returned = 0;
        int result = callDriveEntry(code, &r, sizeof r, &returned);
        ASSERT_TRUE(result == 0 || result == 1) << i;
        ASSERT_TRUE(r.status == 0 || r.status == 2 || r.status == 5 || r.status == 14) << i << ": " << r.status;
        ASSERT_EQ(result, r.status == 0 ? 1 : 0) << i;
        ASSERT_LE(returned, r.transferLength) << i;
        ASSERT_TRUE(buffer.untouchedPast(returned)) << i;
    }
    EXPECT_EQ(quibdrive({"status"}).exitCode, 0);
    EXPECT_EQ(quibdrive({"plug"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    testUnitReady(); // the medium change
    EXPECT_EQ(testUnitReady().status, 0u);
}

} // namespace
