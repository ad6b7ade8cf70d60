// The command blocks of the tool carried through SG_IO: the header the
// library builds for each, and each outcome's mapping onto the record.
#include "tests/usbdrive/fake_machine.h"
#include "tests/usbdrive/real_drive_client.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace {

using RealDriveCommands = QuibDrivePlugged;

struct CommandCase {
    const char* name;
    std::vector<std::uint8_t> command;
    bool dataIn;
    std::uint32_t length;
    std::size_t blockLength;
    int direction;
    unsigned timeout;
    bool checkedFirst; // changes the disk: READ CAPACITY goes out before it, the disk is claimed
};

const CommandCase commandCases[] = {
    {"drive probe", {0x00}, false, 0, 6, SG_DXFER_NONE, 10000, false},
    {"request sense", {0x03, 0, 0, 0, 0x12}, true, 18, 6, SG_DXFER_FROM_DEV, 10000, false},
    {"format unit", {0x04, 0x18, 0x20}, false, 4, 6, SG_DXFER_TO_DEV, 120000, true},
    {"vendor status page 2", {0x06, 0, 2, 0, 0x40}, true, 64, 6, SG_DXFER_FROM_DEV, 10000, false},
    {"vendor status page 7", {0x06, 0, 7}, true, 0, 6, SG_DXFER_NONE, 10000, false},
    {"protect with password", {0x0C, 0x03, 0, 0, 3}, false, 3, 6, SG_DXFER_TO_DEV, 60000, true},
    {"unprotect", {0x0C, 0x00}, false, 0, 6, SG_DXFER_NONE, 60000, true},
    {"mode sense 0x2F", {0x1A, 0, 0x2F, 0, 0x12}, true, 18, 6, SG_DXFER_FROM_DEV, 10000, false},
    {"mode select 0x2F", {0x15, 0x10, 0, 0, 0x0A}, false, 10, 6, SG_DXFER_TO_DEV, 10000, true},
    {"read block 300", {0x28, 0, 0, 0, 0x01, 0x2C, 0, 0, 1}, true, 512, 10, SG_DXFER_FROM_DEV, 30000, false},
    {"write block 0", {0x2A, 0, 0, 0, 0, 0, 0, 0, 1}, false, 512, 10, SG_DXFER_TO_DEV, 30000, true},
    {"a set byte past the group's length", {0x06, 0, 2, 0, 0x40, 0, 0, 0, 0, 0, 0, 7}, true, 64, 12,
     SG_DXFER_FROM_DEV, 10000, false},
};

TEST_F(RealDriveCommands, EachCommandGoesOutWithItsDirectionLengthAndTimeOut)
{
    for (const CommandCase& c : commandCases) {
        SCOPED_TRACE(c.name);
        machine.install(quibStablePath); // a new process: nothing checked or claimed yet
        machine.sent.clear();
        machine.drive = [](const std::vector<std::uint8_t>& block) {
            DriveAnswer answer;
            answer.data.assign(512, 0x5A);
            if (block[0] == 0x25)
                answer.data = {0x00, 0x01, 0x33, 0xFF, 0x00, 0x00, 0x02, 0x00};
            return answer;
        };
        std::uint8_t buffer[512];
        for (std::size_t i = 0; i < sizeof buffer; ++i)
            buffer[i] = std::uint8_t(i);
        RequestResult result = sendCommand(c.command, c.dataIn, c.length > 0 ? buffer : nullptr, c.length);

        EXPECT_EQ(result.record.status, statusSuccess);
        ASSERT_EQ(machine.sent.size(), c.checkedFirst ? 2u : 1u);
        if (c.checkedFirst) {
            EXPECT_EQ(machine.sent[0].block, (std::vector<std::uint8_t>{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
            EXPECT_EQ(machine.sent[0].direction, SG_DXFER_FROM_DEV);
            EXPECT_EQ(machine.sent[0].length, 8u);
        }
        const SentCommand& sent = machine.sent.back();
        std::vector<std::uint8_t> expected(12, 0);
        std::copy(c.command.begin(), c.command.end(), expected.begin());
        expected.resize(c.blockLength);
        EXPECT_EQ(sent.node, "/dev/sdb");
        EXPECT_EQ(sent.block, expected);
        EXPECT_EQ(sent.direction, c.direction);
        EXPECT_EQ(sent.length, c.length);
        EXPECT_EQ(sent.timeout, c.timeout);
        EXPECT_EQ(result.returned, c.length);
        if (c.direction == SG_DXFER_TO_DEV) {
            EXPECT_EQ(sent.dataOut, std::vector<std::uint8_t>(buffer, buffer + c.length));
        }
        if (c.direction == SG_DXFER_FROM_DEV) {
            EXPECT_EQ(buffer[0], 0x5A);
        }
        // The command node stays open for the next request, and so does the
        // claim on the disk once something changed it.
        EXPECT_EQ(machine.openNodes, 1);
        EXPECT_EQ(machine.openClaims, c.checkedFirst ? 1 : 0);
    }
}

struct OutcomeCase {
    const char* name;
    DriveAnswer answer;
    std::uint32_t status;
    std::uint8_t senseCode;
    std::uint8_t senseQualifier;
};

DriveAnswer checkCondition(std::vector<std::uint8_t> sense)
{
    DriveAnswer answer;
    answer.status = 0x02;
    answer.driverStatus = 0x08;
    answer.sense = std::move(sense);
    return answer;
}

DriveAnswer hostStatus(unsigned short value)
{
    DriveAnswer answer;
    answer.hostStatus = value;
    return answer;
}

DriveAnswer ioctlError(int error)
{
    DriveAnswer answer;
    answer.error = error;
    return answer;
}

DriveAnswer scsiStatus(unsigned char value)
{
    DriveAnswer answer;
    answer.status = value;
    return answer;
}

DriveAnswer driverTimeOut()
{
    DriveAnswer answer;
    answer.driverStatus = 0x06;
    return answer;
}

const OutcomeCase outcomeCases[] = {
    {"good", DriveAnswer{}, 0, 0, 0},
    {"fixed sense", checkCondition({0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00, 0, 0, 0, 0}), 2, 0x3A, 0},
    {"deferred fixed sense", checkCondition({0x71, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x0C, 0x02}), 2, 0x0C, 2},
    {"descriptor sense", checkCondition({0x72, 0x07, 0x27, 0x00, 0, 0, 0, 0}), 2, 0x27, 0},
    {"descriptor sense with a descriptor",
     checkCondition({0x72, 0x02, 0x04, 0x04, 0, 0, 0, 8, 0x02, 6, 0, 0, 0x80, 0x40, 0, 0}), 2, 0x04, 0x04},
    {"check condition without sense", checkCondition({}), 2, 0, 0},
    {"sense of no known format", checkCondition({0x7F, 1, 2, 3}), 2, 0, 0},
    {"device gone from the bus", hostStatus(0x01), 5, 0, 0},
    {"target gone", hostStatus(0x04), 5, 0, 0},
    {"node gone during the call", ioctlError(ENODEV), 5, 0, 0},
    {"no such device", ioctlError(ENXIO), 5, 0, 0},
    {"transport time-out", hostStatus(0x03), 14, 0, 0},
    {"transport error", hostStatus(0x07), 14, 0, 0},
    {"bus reset", hostStatus(0x08), 14, 0, 0},
    {"driver time-out", driverTimeOut(), 14, 0, 0},
    {"device busy", scsiStatus(0x08), 14, 0, 0},
    {"reservation conflict", scsiStatus(0x18), 14, 0, 0},
    {"input/output error", ioctlError(EIO), 14, 0, 0},
    {"kernel refuses the block", ioctlError(EINVAL), 14, 0, 0},
};

TEST_F(RealDriveCommands, EachOutcomeIsWrittenIntoTheRecordAsTheDriveWritesIt)
{
    for (const OutcomeCase& c : outcomeCases) {
        SCOPED_TRACE(c.name);
        machine.drive = [&c](const std::vector<std::uint8_t>&) { return c.answer; };
        std::uint8_t page[64] = {};
        for (const RequestResult& result :
             {sendCommand({0x00}, false, nullptr, 0), sendCommand({0x06, 0, 2, 0, 0x40}, true, page, 64)}) {
            EXPECT_EQ(result.record.status, c.status);
            EXPECT_EQ(result.record.senseCode, c.senseCode);
            EXPECT_EQ(result.record.senseQualifier, c.senseQualifier);
        }
    }
}

// A call the kernel refuses is told with the kernel's own reason; a device
// that went away needs no word beside its outcome.
TEST_F(RealDriveCommands, ARefusedSgIoCallTellsTheKernelsReason)
{
    struct Case {
        int error;
        const char* told; // empty: nothing told
    };
    // The same words twice in a row are told once.
    const Case cases[] = {{EPERM, "ZOVEVIV.DLL: cannot send a command to the drive (SG_IO): Operation not permitted\n"},
                          {EPERM, ""},
                          {EINVAL, "ZOVEVIV.DLL: cannot send a command to the drive (SG_IO): Invalid argument\n"},
                          {ENODEV, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        machine.drive = [&c](const std::vector<std::uint8_t>&) { return ioctlError(c.error); };
        testing::internal::CaptureStderr();
        sendCommand({0x00}, false, nullptr, 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.told);
    }
}

TEST_F(RealDriveCommands, AVanishedOrForbiddenNodeSendsNothing)
{
    machine.openErrors["/dev/sdb"] = EACCES;
    EXPECT_EQ(sendCommand({0x00}, false, nullptr, 0).record.status, 14u); // there, but not ours to use

    machine.openErrors.clear();
    machine.links.erase(quibStablePath); // unplugged: udev took the link away
    EXPECT_EQ(sendCommand({0x00}, false, nullptr, 0).record.status, 5u);

    machine.links[quibStablePath] = "/dev/sdb";
    machine.paths.erase("/dev/sdb"); // the link still stands, the node is gone
    machine.openErrors.clear();
    EXPECT_EQ(sendCommand({0x00}, false, nullptr, 0).record.status, 5u);
    EXPECT_TRUE(machine.sent.empty());
}

TEST_F(RealDriveCommands, ARefusedCommandsSenseAnswersTheNextRequestSense)
{
    // The transport fetched the sense itself: a REQUEST SENSE sent to the
    // drive would find nothing, so the library answers it, once, in fixed
    // format with the progress bytes of the descriptor.
    machine.drive = [](const std::vector<std::uint8_t>& block) {
        if (block[0] == 0x00)
            return checkCondition({0x72, 0x02, 0x04, 0x04, 0, 0, 0, 8, 0x02, 6, 0, 0, 0x80, 0x40, 0x00, 0});
        DriveAnswer answer;
        answer.data = {0x70, 0, 0, 0, 0, 0, 0, 10};
        return answer;
    };
    EXPECT_EQ(sendCommand({0x00}, false, nullptr, 0).record.status, 2u);
    std::uint8_t sense[18] = {};
    RequestResult kept = sendCommand({0x03, 0, 0, 0, 18}, true, sense, 18);
    EXPECT_EQ(kept.record.status, 0u);
    EXPECT_EQ(kept.returned, 18u);
    EXPECT_EQ(std::vector<std::uint8_t>(sense, sense + 18),
              (std::vector<std::uint8_t>{0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x04, 0x04, 0, 0x80, 0x40, 0}));
    EXPECT_EQ(machine.operationCodes(), (std::vector<std::uint8_t>{0x00}));

    // Used once: the next REQUEST SENSE goes to the drive.
    sendCommand({0x03, 0, 0, 0, 18}, true, sense, 18);
    EXPECT_EQ(machine.operationCodes(), (std::vector<std::uint8_t>{0x00, 0x03}));

    // A command that succeeds replaces the kept sense.
    sendCommand({0x00}, false, nullptr, 0);
    sendCommand({0x06, 0, 2, 0, 0x40}, true, sense, 0);
    sendCommand({0x03, 0, 0, 0, 18}, true, sense, 18);
    EXPECT_EQ(machine.operationCodes(), (std::vector<std::uint8_t>{0x00, 0x03, 0x00, 0x06, 0x03}));
}

} // namespace
