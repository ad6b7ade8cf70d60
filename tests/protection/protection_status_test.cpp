// The protection status query and the protection mode switch on the test
// driver library: what the query answers, which commands reach the drive in
// which order, and the mode select list the switch builds.
#include "protection/protection_status.h"
#include "device/driver_transport.h"
#include "os/pause.h"
#include "tests/support/test_driver.h"
#include "ui/framework/message_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t opTestUnitReady = 0x00;
constexpr std::uint8_t opVendorStatus = 0x06;
constexpr std::uint8_t opModeSelect = 0x15;
constexpr std::uint8_t opModeSense = 0x1A;

// Pauses asked for, with the number of requests sent before each.
std::vector<std::uint32_t> pauses;
std::vector<std::size_t> pausedAfter;

void recordPause(std::uint32_t milliseconds)
{
    pauses.push_back(milliseconds);
    pausedAfter.push_back(testDriverRequestCount());
}

const char16_t earlierText[] = u"earlier text";

class ProtectionStatus : public testing::Test {
protected:
    void SetUp() override
    {
        testDriverReset();
        protectionModeOn = false;
        driveIndex = 0;
        pauses.clear();
        pausedAfter.clear();
        replaceSleep(recordPause);
        selectCatalogue(1033);
        std::memcpy(text, earlierText, sizeof earlierText);
    }
    void TearDown() override
    {
        replaceSleep(nullptr);
        driveIndex = 0;
    }

    static void queueProbe(std::uint32_t status, std::uint8_t sense = 0, std::uint8_t qualifier = 0,
                           bool leaveStatus = false)
    {
        TestDriverAnswer a;
        a.status = status;
        a.senseCode = sense;
        a.senseQualifier = qualifier;
        a.leaveStatus = leaveStatus;
        testDriverQueueAnswer(&a);
    }
    static void queueSuccess() { queueProbe(0); }
    static void queueFailure() { queueProbe(2); }

    // Vendor status page 2 with the given byte 21; the other bytes are set
    // too, so reading the wrong byte shows.
    static void queueStatusPage(std::uint8_t byte21, std::uint32_t status = 0, std::uint32_t length = 64)
    {
        TestDriverAnswer a;
        a.status = status;
        std::memset(a.data, 0x06, 64);
        a.data[21] = byte21;
        a.dataLength = length;
        testDriverQueueAnswer(&a);
    }

    // Mode page 0x2F as MODE SENSE(6) returns it: a header whose block
    // descriptor length says 0 (not consulted), an 8-byte block descriptor,
    // then the page with byte 14 as given.
    static void queueModePage(std::uint8_t byte14)
    {
        TestDriverAnswer a;
        const std::uint8_t page[18] = {0x11, 0x00, 0x00, 0x00, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5,
                                       0xB6, 0xB7, 0x2F, 0x04, byte14, 0x41, 0x42, 0x43};
        std::memcpy(a.data, page, sizeof page);
        a.dataLength = sizeof page;
        testDriverQueueAnswer(&a);
    }

    // The ready drive with a disk, the switch-on, and the status page.
    static void queueReadyDisk(std::uint8_t byte21)
    {
        queueSuccess();
        queueModePage(0x00);
        queueSuccess();
        queueStatusPage(byte21);
    }

    static std::vector<std::uint8_t> opcodesSent()
    {
        std::vector<std::uint8_t> opcodes;
        for (std::size_t i = 0; i < testDriverRequestCount(); ++i)
            opcodes.push_back(testDriverRequest(i)->record[13]);
        return opcodes;
    }

    std::u16string shown() const { return std::u16string(text); }

    char16_t text[statusTextCapacity];
};

struct AbsentCase {
    const char* name;
    std::uint32_t status;
    bool leaveStatus;
    std::uint8_t sense, qualifier;
    ProtectionState state;
    const char16_t* text;
};

class DriveOrDiskAbsent : public ProtectionStatus, public testing::WithParamInterface<AbsentCase> {};

// Nothing follows the probe: no switch, no status page.
TEST_P(DriveOrDiskAbsent, AnswersAfterTheProbeAlone)
{
    const AbsentCase& c = GetParam();
    queueProbe(c.status, c.sense, c.qualifier, c.leaveStatus);
    EXPECT_EQ(queryProtectionState(text), c.state);
    EXPECT_EQ(shown(), c.text);
    EXPECT_EQ(opcodesSent(), std::vector<std::uint8_t>{opTestUnitReady});
    EXPECT_FALSE(protectionModeOn);
}

INSTANTIATE_TEST_SUITE_P(Cases, DriveOrDiskAbsent,
    testing::Values(AbsentCase{"DriverLeavesStatus", 0, true, 0, 0, NoDrive, u"No Drive is Connected."},
                    AbsentCase{"Status5", 5, false, 0x3A, 0, NoDrive, u"No Drive is Connected."},
                    AbsentCase{"Status14", 14, false, 0, 0, NoDrive, u"No Drive is Connected."},
                    AbsentCase{"MediumNotPresent", 2, false, 0x3A, 0x00, NoDisk, u"No Quib! Disk."},
                    AbsentCase{"MediumNotPresentAnyQualifier", 2, false, 0x3A, 0x01, NoDisk, u"No Quib! Disk."}),
    [](const testing::TestParamInfo<AbsentCase>& info) { return info.param.name; });

TEST_F(ProtectionStatus, FirstQueryProbesSwitchesTheModeOnAndReadsPage2)
{
    queueReadyDisk(0x02);
    EXPECT_EQ(queryProtectionState(text), stateWriteProtected);
    EXPECT_EQ(shown(), u"Disk is Write Protected.");
    EXPECT_TRUE(protectionModeOn);
    ASSERT_EQ(opcodesSent(), (std::vector<std::uint8_t>{opTestUnitReady, opModeSense, opModeSelect, opVendorStatus}));

    const std::uint8_t* status = testDriverRequest(3)->record;
    const std::uint8_t expected[12] = {0x06, 0x00, 0x02, 0x00, 0x40};
    EXPECT_EQ(std::memcmp(status + 13, expected, 12), 0);
    EXPECT_EQ(status[32], 64);
    EXPECT_EQ(status[8], 1); // data from the drive
    EXPECT_EQ(testDriverRequest(2)->data[6], 0x20); // the mode bit set in the list
    EXPECT_TRUE(pauses.empty());
}

TEST_F(ProtectionStatus, EveryRequestCarriesTheProcessWideDrive)
{
    driveIndex = 0x0203;
    queueReadyDisk(0x00);
    queryProtectionState(nullptr);
    ASSERT_EQ(testDriverRequestCount(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(testDriverRequest(i)->record[42], 0x03) << "request " << i;
        EXPECT_EQ(testDriverRequest(i)->record[43], 0x02) << "request " << i;
    }
}

TEST_F(ProtectionStatus, WithTheModeAlreadyOnOnlyProbeAndStatusAreSent)
{
    protectionModeOn = true;
    queueSuccess();
    queueStatusPage(0x00);
    EXPECT_EQ(queryProtectionState(text), stateNotProtected);
    EXPECT_EQ(shown(), u"No Error.");
    EXPECT_EQ(opcodesSent(), (std::vector<std::uint8_t>{opTestUnitReady, opVendorStatus}));
    EXPECT_TRUE(protectionModeOn);
}

TEST_F(ProtectionStatus, UnitAttentionOnceIsProbedAgainAtOnce)
{
    queueProbe(2, 0x28, 0x00);
    queueReadyDisk(0x03);
    EXPECT_EQ(queryProtectionState(text), stateWriteProtectedPassword);
    EXPECT_EQ(opcodesSent(),
              (std::vector<std::uint8_t>{opTestUnitReady, opTestUnitReady, opModeSense, opModeSelect, opVendorStatus}));
    EXPECT_TRUE(pauses.empty());
}

TEST_F(ProtectionStatus, DriveSpinningUpIsGivenPausesBetweenProbes)
{
    for (int i = 0; i < 4; ++i)
        queueProbe(2, 0x04, 0x01); // not ready, becoming ready
    queueReadyDisk(0x05);
    EXPECT_EQ(queryProtectionState(text), stateReadWriteProtectedPassword);
    EXPECT_EQ(testDriverRequestCount(), 8u);
    // The first repeat goes out at once, each later one after a pause.
    EXPECT_EQ(pauses, (std::vector<std::uint32_t>{100, 100, 100}));
    EXPECT_EQ(pausedAfter, (std::vector<std::size_t>{2, 3, 4}));
}

TEST_F(ProtectionStatus, DriveThatNeverGetsReadyEndsAsNoDisk)
{
    TestDriverAnswer notReady;
    notReady.status = 2;
    notReady.senseCode = 0x04;
    notReady.senseQualifier = 0x01;
    testDriverSetDefaultAnswer(&notReady);
    EXPECT_EQ(queryProtectionState(text), NoDisk);
    EXPECT_EQ(shown(), u"No Quib! Disk.");
    // 301 probes and nothing else; 299 pauses of 100 ms, about 30 seconds.
    EXPECT_EQ(opcodesSent(), std::vector<std::uint8_t>(301, opTestUnitReady));
    EXPECT_EQ(pauses, std::vector<std::uint32_t>(299, 100));
    EXPECT_FALSE(protectionModeOn);
}

TEST_F(ProtectionStatus, DriveLostWhileWaitingIsNoDrive)
{
    queueProbe(2, 0x04, 0x01);
    queueProbe(5);
    EXPECT_EQ(queryProtectionState(text), NoDrive);
    EXPECT_EQ(shown(), u"No Drive is Connected.");
    EXPECT_EQ(testDriverRequestCount(), 2u);
}

struct StateCase {
    const char* name;
    std::uint8_t byte21;
    ProtectionState state;
    const char16_t* text; // null: the buffer keeps its earlier text
};

class StatePage : public ProtectionStatus, public testing::WithParamInterface<StateCase> {};

TEST_P(StatePage, StateIsTheLowNibbleOfByte21WithItsText)
{
    const StateCase& c = GetParam();
    queueReadyDisk(c.byte21);
    EXPECT_EQ(queryProtectionState(text), c.state);
    EXPECT_EQ(shown(), c.text != nullptr ? c.text : earlierText);

    // Without a buffer the same state comes back.
    testDriverReset();
    queueSuccess();
    queueStatusPage(c.byte21);
    EXPECT_EQ(queryProtectionState(nullptr), c.state);
}

INSTANTIATE_TEST_SUITE_P(Cases, StatePage,
    testing::Values(StateCase{"NotProtected", 0x00, 0, u"No Error."},
                    StateCase{"WriteProtected", 0x02, 2, u"Disk is Write Protected."},
                    StateCase{"WriteProtectedPassword", 0x03, 3, u"Disk is Write Protected with Password."},
                    StateCase{"HighNibbleIgnored", 0x35, 5, u"Disk is Read/Write Protected with Password."},
                    StateCase{"TempUnprotectedWrite", 0x0A, 10,
                              u"Temporary Unprotected on Write Protected Disk until Eject."},
                    StateCase{"TempUnprotectedWritePassword", 0xFB, 11,
                              u"Temporary Unprotected on Write Protected with Password Disk until Eject."},
                    StateCase{"TempUnprotectedReadWritePassword", 0x0D, 13,
                              u"Temporary Unprotected on Read/Write Protected with Password Disk until Eject."},
                    StateCase{"State7HasNoText", 0x07, 7, nullptr},
                    StateCase{"State1HasNoText", 0xA1, 1, nullptr}),
    [](const testing::TestParamInfo<StateCase>& info) { return info.param.name; });

TEST_F(ProtectionStatus, JapaneseTextsInAJapaneseRun)
{
    selectCatalogue(1041);
    queueReadyDisk(0x05);
    EXPECT_EQ(queryProtectionState(text), stateReadWriteProtectedPassword);
    EXPECT_EQ(shown(), u"リード・ライトプロテクト（パスワードつき）");
    queueProbe(5);
    EXPECT_EQ(queryProtectionState(text), NoDrive);
    EXPECT_EQ(shown(), u"ドライブが接続されていません。");
    queueProbe(2, 0x3A);
    EXPECT_EQ(queryProtectionState(text), NoDisk);
    EXPECT_EQ(shown(), u"ディスクが入っていません。");
}

// An unread status page must not pass for an unprotected disk: it gives
// state 15, which has no text.
struct UnreadCase {
    const char* name;
    std::uint32_t status;
    std::uint32_t length;
};

class UnreadStatusPage : public ProtectionStatus, public testing::WithParamInterface<UnreadCase> {};

TEST_P(UnreadStatusPage, GivesState15AndKeepsTheText)
{
    const UnreadCase& c = GetParam();
    queueSuccess();
    queueModePage(0x00);
    queueSuccess();
    queueStatusPage(0x00, c.status, c.length);
    EXPECT_EQ(queryProtectionState(text), 15);
    EXPECT_EQ(shown(), earlierText);
    // The mode was switched on for this read: nothing is tried again.
    EXPECT_EQ(opcodesSent(), (std::vector<std::uint8_t>{opTestUnitReady, opModeSense, opModeSelect, opVendorStatus}));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadStatusPage,
    testing::Values(UnreadCase{"CommandFailedAfterWritingZeros", 2, 64},
                    UnreadCase{"CommandFailedWithoutData", 2, 0},
                    UnreadCase{"ShortAnswerEndsBeforeByte21", 0, 21}),
    [](const testing::TestParamInfo<UnreadCase>& info) { return info.param.name; });

// A drive plugged in again has its protection mode off while the flag
// still says on: the refused read switches the mode on once and reads again.
struct StaleCase {
    const char* name;
    bool switchAccepted;          // the mode select
    std::uint8_t secondByte21;    // 0xFF: the second read fails as well
    ProtectionState state;
    std::vector<std::uint8_t> sent;
};

class StaleModeFlag : public ProtectionStatus, public testing::WithParamInterface<StaleCase> {};

TEST_P(StaleModeFlag, RefusedReadSwitchesTheModeOnOnceAndReadsAgain)
{
    const StaleCase& c = GetParam();
    protectionModeOn = true;
    queueSuccess();
    queueStatusPage(0x00, 2, 0); // refused: the mode is off in the drive
    queueModePage(0x00);
    if (c.switchAccepted)
        queueSuccess();
    else
        queueFailure();
    if (c.switchAccepted && c.secondByte21 == 0xFF)
        queueStatusPage(0x00, 2, 0);
    else if (c.switchAccepted)
        queueStatusPage(c.secondByte21);
    TestDriverAnswer refused;
    refused.status = 2;
    testDriverSetDefaultAnswer(&refused);
    EXPECT_EQ(queryProtectionState(text), c.state);
    EXPECT_EQ(opcodesSent(), c.sent);
    // On after the switch; a refused switch leaves the flag as it was.
    EXPECT_TRUE(protectionModeOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StaleModeFlag,
    testing::Values(StaleCase{"SecondReadSucceeds", true, 0x03, stateWriteProtectedPassword,
                              {opTestUnitReady, opVendorStatus, opModeSense, opModeSelect, opVendorStatus}},
                    StaleCase{"SecondReadFails", true, 0xFF, 15,
                              {opTestUnitReady, opVendorStatus, opModeSense, opModeSelect, opVendorStatus}},
                    StaleCase{"SwitchRefused", false, 0, 15, {opTestUnitReady, opVendorStatus, opModeSense, opModeSelect}}),
    [](const testing::TestParamInfo<StaleCase>& info) { return info.param.name; });

TEST_F(ProtectionStatus, FailedSwitchOnIsPassedOverAndTriedAgainNextTime)
{
    queueSuccess();
    queueFailure(); // mode sense
    queueStatusPage(0x02);
    EXPECT_EQ(queryProtectionState(text), stateWriteProtected);
    EXPECT_EQ(opcodesSent(), (std::vector<std::uint8_t>{opTestUnitReady, opModeSense, opVendorStatus}));
    EXPECT_FALSE(protectionModeOn);

    testDriverReset();
    queueReadyDisk(0x02);
    EXPECT_EQ(queryProtectionState(text), stateWriteProtected);
    EXPECT_EQ(opcodesSent(), (std::vector<std::uint8_t>{opTestUnitReady, opModeSense, opModeSelect, opVendorStatus}));
    EXPECT_TRUE(protectionModeOn);
}

struct SwitchCase {
    const char* name;
    bool on;
    std::uint8_t byte14;
    std::uint8_t sentByte6;
};

class ModeSwitch : public ProtectionStatus, public testing::WithParamInterface<SwitchCase> {};

// Sense page 0x2F, then select it back: a header without block descriptor
// and the page as the drive gave it, only the mode bit changed.
TEST_P(ModeSwitch, SendsThePageBackWithOnlyTheModeBitChanged)
{
    const SwitchCase& c = GetParam();
    protectionModeOn = !c.on;
    queueModePage(c.byte14);
    ASSERT_TRUE(switchProtectionMode(c.on));
    EXPECT_EQ(protectionModeOn, c.on);
    ASSERT_EQ(opcodesSent(), (std::vector<std::uint8_t>{opModeSense, opModeSelect}));

    const TestDriverRecord& sense = *testDriverRequest(0);
    const std::uint8_t senseCommand[12] = {0x1A, 0x00, 0x2F, 0x00, 0x12};
    EXPECT_EQ(std::memcmp(sense.record + 13, senseCommand, 12), 0);

    const TestDriverRecord& select = *testDriverRequest(1);
    const std::uint8_t selectCommand[12] = {0x15, 0x10, 0x00, 0x00, 0x0A};
    EXPECT_EQ(std::memcmp(select.record + 13, selectCommand, 12), 0);
    ASSERT_EQ(select.dataLength, 10u);
    const std::uint8_t list[10] = {0, 0, 0, 0, 0x2F, 0x04, c.sentByte6, 0x41, 0x42, 0x43};
    EXPECT_EQ(std::memcmp(select.data, list, 10), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ModeSwitch,
    testing::Values(SwitchCase{"OffClearsOnlyTheBit", false, 0xFF, 0xDF},
                    SwitchCase{"OnSetsTheBit", true, 0x00, 0x20},
                    SwitchCase{"OnWhenAlreadySetIsStillSent", true, 0x21, 0x21},
                    SwitchCase{"OffWhenAlreadyClearIsStillSent", false, 0x5E, 0x5E}),
    [](const testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

struct SwitchFailureCase {
    const char* name;
    bool failSense;
    bool flagBefore;
    bool on;
};

class ModeSwitchFailure : public ProtectionStatus, public testing::WithParamInterface<SwitchFailureCase> {};

TEST_P(ModeSwitchFailure, LeavesTheFlagAsItWas)
{
    const SwitchFailureCase& c = GetParam();
    protectionModeOn = c.flagBefore;
    if (c.failSense) {
        queueFailure();
    } else {
        queueModePage(0x00);
        queueFailure();
    }
    EXPECT_FALSE(switchProtectionMode(c.on));
    EXPECT_EQ(protectionModeOn, c.flagBefore);
    // A failed mode sense sends no mode select.
    EXPECT_EQ(testDriverRequestCount(), c.failSense ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(Cases, ModeSwitchFailure,
    testing::Values(SwitchFailureCase{"SelectFailsSwitchingOn", false, false, true},
                    SwitchFailureCase{"SelectFailsSwitchingOff", false, true, false},
                    SwitchFailureCase{"SenseFailsSwitchingOn", true, false, true},
                    SwitchFailureCase{"SenseFailsSwitchingOff", true, true, false}),
    [](const testing::TestParamInfo<SwitchFailureCase>& info) { return info.param.name; });

} // namespace
