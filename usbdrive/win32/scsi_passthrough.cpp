#include "usbdrive/win32/scsi_passthrough.h"

#include "os/system_error.h"
#include "usbdrive/win32/disk_calls.h"

#include <winioctl.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace {

// The pass-through record with room for the sense data after it.
struct PassThrough {
    SCSI_PASS_THROUGH_DIRECT header;
    ULONG alignment;
    UCHAR sense[32];
};

} // namespace

bool meansDeviceGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DEVICE_NOT_CONNECTED ||
           error == ERROR_DEV_NOT_EXIST || error == ERROR_BAD_UNIT;
}

std::string systemWords(DWORD error)
{
    char words[256];
    systemCodeWords(error, words, sizeof words);
    return words;
}

ScsiOutcome sendScsiCommand(HANDLE device, const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length)
{
    PassThrough pass{};
    pass.header.Length = sizeof pass.header;
    pass.header.CdbLength = commandBlockLength(command);
    pass.header.SenseInfoLength = sizeof pass.sense;
    pass.header.DataIn = length == 0 ? SCSI_IOCTL_DATA_UNSPECIFIED : dataIn ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
    pass.header.DataTransferLength = length;
    pass.header.TimeOutValue = (commandTimeoutMs(command[0]) + 999) / 1000; // seconds
    pass.header.DataBuffer = length == 0 ? nullptr : buffer;
    pass.header.SenseInfoOffset = offsetof(PassThrough, sense);
    std::memcpy(pass.header.Cdb, command, pass.header.CdbLength);

    ScsiOutcome outcome;
    DWORD returned = 0;
    if (!diskCalls().deviceIoControl(device, IOCTL_SCSI_PASS_THROUGH_DIRECT, &pass, sizeof pass, &pass, sizeof pass,
                                     &returned, nullptr)) {
        // The system's reason for a call it refused is kept for the person;
        // a device that went away is told by the outcome itself.
        DWORD error = GetLastError();
        outcome.result = meansDeviceGone(error) ? ScsiResult::gone : ScsiResult::notCarriedOut;
        if (!meansDeviceGone(error))
            reportDeviceProblem(("cannot send a command to the drive (IOCTL_SCSI_PASS_THROUGH_DIRECT): " +
                                 systemWords(error)).c_str());
        return outcome;
    }
    if (pass.header.ScsiStatus == scsiCheckCondition) {
        outcome.result = ScsiResult::checkCondition;
        outcome.senseLength = std::min<std::uint8_t>(pass.header.SenseInfoLength, sizeof outcome.sense);
        std::memcpy(outcome.sense, pass.sense, outcome.senseLength);
        return outcome;
    }
    if (pass.header.ScsiStatus != scsiGood && pass.header.ScsiStatus != scsiConditionMet) {
        outcome.result = ScsiResult::notCarriedOut; // busy, reservation conflict, task set full
        return outcome;
    }
    outcome.result = ScsiResult::good;
    outcome.moved = std::min<std::uint32_t>(pass.header.DataTransferLength, length);
    return outcome;
}

ScsiOutcome readCapacity(HANDLE device, std::uint32_t& blocks, std::uint32_t& blockSize)
{
    std::uint8_t command[12];
    readCapacityCommand(command);
    std::uint8_t answer[8] = {};
    ScsiOutcome outcome = sendScsiCommand(device, command, true, answer, sizeof answer);
    if (outcome.result == ScsiResult::good && outcome.moved < sizeof answer)
        outcome.result = ScsiResult::notCarriedOut;
    if (outcome.result == ScsiResult::good)
        capacityFromAnswer(answer, blocks, blockSize);
    return outcome;
}
