// The five protection operations on the test driver library: what reaches
// the drive, in which order, and what each operation reports.
#include "device/driver_request.h"
#include "protection/protection_commands.h"
#include "protection/protection_status.h"
#include "tests/support/test_driver.h"
#include "ui/framework/message_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t testUnitReady = 0x00, vendorStatus = 0x06, protectionCommand = 0x0C, modeSenseOp = 0x1A,
                       modeSelectOp = 0x15;
constexpr std::uint32_t remount = 101;

TestDriverAnswer ok() { return TestDriverAnswer{}; }

TestDriverAnswer failed(std::uint8_t sense = 0x20)
{
    TestDriverAnswer a;
    a.status = 2;
    a.senseCode = sense;
    return a;
}

TestDriverAnswer modePage()
{
    TestDriverAnswer a;
    a.dataLength = 18;
    a.data[3] = 8;
    a.data[12] = 0x2F;
    a.data[13] = 4;
    return a;
}

TestDriverAnswer statusPage(std::uint8_t state)
{
    TestDriverAnswer a;
    a.dataLength = 64;
    a.data[21] = state;
    return a;
}

void queue(std::initializer_list<TestDriverAnswer> answers)
{
    for (const TestDriverAnswer& a : answers)
        testDriverQueueAnswer(&a);
}

// What the drive saw, as a readable list: "0x1a", "remount 00", ...
std::vector<std::string> seen()
{
    std::vector<std::string> out;
    char text[32];
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord* r = testDriverRequest(i);
        if (r->code == remount)
            std::snprintf(text, sizeof text, "remount %02x", r->record[13]);
        else if (r->code == RequestCommand && r->record[13] == modeSelectOp)
            std::snprintf(text, sizeof text, "0x15 %s", (r->data[6] & 0x20) ? "on" : "off");
        else
            std::snprintf(text, sizeof text, "0x%02x", r->record[13]);
        out.push_back(text);
    }
    return out;
}

const TestDriverRecord* firstWithOpcode(std::uint8_t opcode)
{
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord* r = testDriverRequest(i);
        if (r->code == RequestCommand && r->record[13] == opcode)
            return r;
    }
    return nullptr;
}

std::uint32_t field32(const TestDriverRecord* r, int offset)
{
    std::uint32_t v;
    std::memcpy(&v, r->record + offset, 4);
    return v;
}

class ProtectionCommands : public testing::Test {
protected:
    void SetUp() override
    {
        testDriverReset();
        protectionModeOn = false;
        selectCatalogue(1033);
    }
    // A whole successful operation from the switch off: the drive reports
    // the given state afterwards.
    static void queueSuccess(std::uint8_t stateAfter)
    {
        queue({modePage(), ok(), ok(), ok(), statusPage(stateAfter), ok(), modePage(), ok()});
    }
};

TEST_F(ProtectionCommands, WriteProtectSendsTheCommandBetweenTheSwitches)
{
    queueSuccess(2);
    EXPECT_TRUE(writeProtectDisk());
    EXPECT_EQ(seen(), (std::vector<std::string>{"0x1a", "0x15 on", "0x0c", "0x00", "0x06", "remount 00", "0x1a",
                                                "0x15 off"}));
    const TestDriverRecord* command = firstWithOpcode(protectionCommand);
    ASSERT_NE(command, nullptr);
    const std::uint8_t expected[12] = {0x0C, 0x02};
    EXPECT_EQ(std::memcmp(command->record + 13, expected, 12), 0);
    EXPECT_EQ(field32(command, 0), 0u);
    EXPECT_EQ(field32(command, 28), 0u);
    EXPECT_EQ(field32(command, 32), 0u);
    EXPECT_FALSE(protectionModeOn);
}

struct PasswordCase {
    const char* name;
    const char16_t* password;
    std::string bytesSent;
};

class PasswordOnTheWire : public ProtectionCommands, public testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordOnTheWire, GoesOutAsCodePageBytesWithoutTheZero)
{
    queueSuccess(3);
    EXPECT_TRUE(writeProtectWithPassword(GetParam().password));
    const TestDriverRecord* command = firstWithOpcode(protectionCommand);
    ASSERT_NE(command, nullptr);
    const std::string& bytes = GetParam().bytesSent;
    EXPECT_EQ(command->record[14], 0x03);
    EXPECT_EQ(command->record[17], bytes.size());
    EXPECT_EQ(field32(command, 32), bytes.size());
    EXPECT_EQ(field32(command, 8), 0u); // to the drive
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(command->data), command->dataLength), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, PasswordOnTheWire,
    testing::Values(PasswordCase{"ThreeCharacters", u"abc", "abc"},
                    PasswordCase{"Empty", u"", ""},
                    PasswordCase{"CutAfter32Bytes", u"0123456789abcdefghijklmnopqrstuvwxyzABCD",
                                 "0123456789abcdefghijklmnopqrstuv"},
                    PasswordCase{"CodePage1252", u"caf\u00e9", "caf\xe9"}),
    [](const testing::TestParamInfo<PasswordCase>& info) { return info.param.name; });

struct ModeCase {
    const char* name;
    bool (*operation)(const char16_t*);
    std::uint8_t mode;
};

class EachPasswordOperation : public ProtectionCommands, public testing::WithParamInterface<ModeCase> {};

TEST_P(EachPasswordOperation, SendsItsMode)
{
    queueSuccess(0);
    EXPECT_TRUE(GetParam().operation(u"pw"));
    const TestDriverRecord* command = firstWithOpcode(protectionCommand);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->record[14], GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(Modes, EachPasswordOperation,
                         testing::Values(ModeCase{"Unprotect", unprotectDisk, 0},
                                         ModeCase{"WriteProtectWithPassword", writeProtectWithPassword, 3},
                                         ModeCase{"ReadWriteProtectWithPassword", readWriteProtectWithPassword, 5},
                                         ModeCase{"UnprotectUntilEject", unprotectUntilEject, 8}),
                         [](const testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

TEST_F(ProtectionCommands, RemountIsNotReadableOnlyForState5)
{
    for (std::uint8_t state = 0; state < 16; ++state) {
        SCOPED_TRACE(int(state));
        testDriverReset();
        queueSuccess(state);
        EXPECT_TRUE(readWriteProtectWithPassword(u"pw"));
        std::vector<std::string> s = seen();
        ASSERT_EQ(s.size(), 8u);
        EXPECT_EQ(s[5], state == 5 ? "remount ff" : "remount 00");
    }
}

TEST_F(ProtectionCommands, DiskGoneAfterTheCommandStillRemountsReadable)
{
    queue({modePage(), ok(), ok(), failed(0x3A), ok(), modePage(), ok()});
    EXPECT_TRUE(unprotectDisk(u"pw"));
    EXPECT_EQ(seen(), (std::vector<std::string>{"0x1a", "0x15 on", "0x0c", "0x00", "remount 00", "0x1a", "0x15 off"}));
}

TEST_F(ProtectionCommands, DriveGoneAfterTheCommandStillRemountsReadable)
{
    TestDriverAnswer noDrive;
    noDrive.status = 14;
    queue({modePage(), ok(), ok(), noDrive, ok(), modePage(), ok()});
    EXPECT_TRUE(unprotectDisk(u"pw"));
    EXPECT_EQ(seen(), (std::vector<std::string>{"0x1a", "0x15 on", "0x0c", "0x00", "remount 00", "0x1a", "0x15 off"}));
}

TEST_F(ProtectionCommands, ModeAlreadyOnSkipsTheSwitchOnButStillSwitchesOff)
{
    protectionModeOn = true;
    queue({ok(), ok(), statusPage(0), ok(), modePage(), ok()});
    EXPECT_TRUE(unprotectUntilEject(u""));
    EXPECT_EQ(seen(), (std::vector<std::string>{"0x0c", "0x00", "0x06", "remount 00", "0x1a", "0x15 off"}));
}

TEST_F(ProtectionCommands, RejectedCommandIsFollowedOnlyByTheSwitchOff)
{
    queue({modePage(), ok(), failed(), modePage(), ok()});
    EXPECT_FALSE(unprotectDisk(u"wrong"));
    EXPECT_EQ(seen(), (std::vector<std::string>{"0x1a", "0x15 on", "0x0c", "0x1a", "0x15 off"}));
}

TEST_F(ProtectionCommands, PasswordWithoutAnEightBitFormSendsNoCommand)
{
    queue({modePage(), ok(), modePage(), ok()});
    EXPECT_FALSE(writeProtectWithPassword(u"\u4e00\u4e8c"));
    EXPECT_EQ(seen(), (std::vector<std::string>{"0x1a", "0x15 on", "0x1a", "0x15 off"}));
}

TEST_F(ProtectionCommands, FailedRemountMakesTheOperationFail)
{
    queue({modePage(), ok(), ok(), ok(), statusPage(2), failed(), modePage(), ok()});
    EXPECT_FALSE(writeProtectDisk());
    EXPECT_EQ(seen().size(), 8u);
}

TEST_F(ProtectionCommands, FailedSwitchOnIsPassedOver)
{
    queue({failed(), ok(), ok(), modePage(), ok(), statusPage(2), ok(), modePage(), ok()});
    EXPECT_TRUE(writeProtectDisk());
    // The command goes out all the same; the status query then finds the
    // mode still off and switches it on itself.
    EXPECT_EQ(seen(), (std::vector<std::string>{"0x1a", "0x0c", "0x00", "0x1a", "0x15 on", "0x06", "remount 00",
                                                "0x1a", "0x15 off"}));
}

} // namespace
