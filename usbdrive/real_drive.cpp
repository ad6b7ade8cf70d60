#include "usbdrive/real_drive.h"

#include "device/operation_codes.h"
#include "driverkit/disk_image.h"
#include "driverkit/mount_folder.h"
#include "driverkit/request_record.h"
#include "usbdrive/held_device.h"
#include "usbdrive/scsi_command.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr std::uint8_t opRequestSense = 0x03;

// usb-storage fetches the sense data of a refused command itself, so a
// REQUEST SENSE sent to the drive afterwards finds nothing. The sense of the
// last refused command is kept here, in fixed format, for the tool's next
// REQUEST SENSE; any command that succeeds replaces it, as in the drive.
std::uint8_t keptSense[18];
bool senseKept = false;

RequestAnswer answerFor(const ScsiOutcome& outcome)
{
    RequestAnswer answer;
    switch (outcome.result) {
    case ScsiResult::good:
        answer.moved = outcome.moved;
        break;
    case ScsiResult::checkCondition: {
        std::uint8_t key = 0;
        answer.status = statusCheckCondition;
        senseCodes(outcome.sense, outcome.senseLength, key, answer.senseCode, answer.senseQualifier);
        break;
    }
    case ScsiResult::notCarriedOut:
        answer.status = statusNotCarriedOut;
        break;
    case ScsiResult::gone:
        answer.status = statusNoDrive;
        break;
    }
    return answer;
}

void keepSense(const ScsiOutcome& outcome)
{
    if (outcome.result == ScsiResult::checkCondition) {
        fixedFormatSense(outcome.sense, outcome.senseLength, keptSense);
        senseKept = true;
    } else if (outcome.result == ScsiResult::good) {
        senseKept = false;
    }
}

// The drive's own answer to a command after a disk change, given for it
// when the host took that answer (held_device.h): unit attention, "medium
// may have changed", kept for the next REQUEST SENSE.
RequestAnswer mediumChanged()
{
    std::memset(keptSense, 0, sizeof keptSense);
    keptSense[0] = 0x70;
    keptSense[2] = 0x06; // unit attention
    keptSense[7] = 10;   // the additional length of fixed-format sense
    keptSense[12] = 0x28;
    senseKept = true;
    RequestAnswer answer = refusedRequest(statusCheckCondition);
    answer.senseCode = 0x28;
    return answer;
}

// TEST UNIT READY, asked once more after a unit attention (a disk just
// inserted), which only reports the change.
ScsiOutcome testUnitReady()
{
    std::uint8_t command[12] = {};
    ScsiOutcome outcome = sendToHeldDevice(command, false, nullptr, 0);
    if (isUnitAttention(outcome))
        outcome = sendToHeldDevice(command, false, nullptr, 0);
    return outcome;
}

// Operation codes whose command changes the disk: checked before sending.
bool changesDisk(std::uint8_t code)
{
    // MODE SELECT switches the drive's protection mode.
    return code == operationCode::write10 || code == operationCode::formatUnit ||
           code == operationCode::vendorProtection || code == operationCode::modeSelect6;
}

RequestAnswer carryCommand(const DriverRequest& request)
{
    const std::uint8_t* command = request.command;
    void* buffer = requestBuffer(request);
    if (command[0] == opRequestSense && senseKept) {
        // The drive's own answer was taken by the transport: give the kept one.
        RequestAnswer answer;
        answer.moved = std::min<std::uint32_t>(request.transferLength, sizeof keptSense);
        if (answer.moved > 0)
            std::memcpy(buffer, keptSense, answer.moved);
        senseKept = false;
        return answer;
    }
    if (changesDisk(command[0])) {
        std::uint32_t refusal = claimHeldDisk();
        if (refusal == statusCheckCondition)
            return mediumChanged();
        if (refusal != statusSuccess)
            return refusedRequest(refusal);
    }
    ScsiOutcome outcome = sendToHeldDevice(command, request.dataIn != 0, buffer, request.transferLength);
    keepSense(outcome);
    return answerFor(outcome);
}

// Request 101: the system reads the disk's partition table again, when the
// disk can be read (TEST UNIT READY) and passes the checks before a change
// (held_device.h says how each host does it).
RequestAnswer remount(const DriverRequest& request)
{
    std::uint8_t flag = request.command[0];
    if (flag != 0x00 && flag != 0xFF) {
        RequestAnswer answer = refusedRequest(statusCheckCondition);
        answer.senseCode = 0x24; // invalid field in the request
        return answer;
    }
    if (!heldDeviceHasDisk())
        return refusedRequest(statusNotCarriedOut);
    ScsiOutcome ready = testUnitReady();
    keepSense(ready);
    if (ready.result != ScsiResult::good)
        return answerFor(ready);
    if (std::uint32_t refusal = rereadHeldDisk(); refusal != statusSuccess)
        return refusedRequest(refusal);
    return {};
}

// Request 102: the folder name by the driver settings; a disk that cannot be
// read has no folder.
RequestAnswer mountFolder(const DriverRequest& request)
{
    ScsiOutcome ready = testUnitReady();
    if (ready.result == ScsiResult::gone)
        return refusedRequest(statusNoDrive);
    std::string folder;
    if (ready.result == ScsiResult::good)
        folder = chooseMountFolderWith([](std::uint32_t block, std::uint8_t* out) {
            std::uint8_t read[12] = {operationCode::read10, 0, std::uint8_t(block >> 24), std::uint8_t(block >> 16),
                                     std::uint8_t(block >> 8), std::uint8_t(block), 0, 0, 1};
            ScsiOutcome outcome = sendToHeldDevice(read, true, out, diskSectorSize);
            return outcome.result == ScsiResult::good && outcome.moved == diskSectorSize;
        });
    RequestAnswer answer;
    answer.moved = answerMountFolder(folder, request);
    return answer;
}

RequestAnswer carryOut(std::uint32_t code, const DriverRequest& request)
{
    if (std::uint32_t refusal = checkRequest(code, request); refusal != statusSuccess)
        return refusedRequest(refusal);
    // The device found by the first request stays open for the next ones.
    std::uint32_t held = holdChosenDevice();
    if (held == statusNotCarriedOut && code == RequestMountFolder)
        return mountFolder(request); // a drive that cannot be used has no folder
    if (held != statusSuccess)
        return refusedRequest(held);
    if (code == RequestMountFolder)
        return mountFolder(request);
    if (code == RequestRemount)
        return remount(request);
    return carryCommand(request);
}

} // namespace

int realDriveIOControl(std::uint32_t code, void* input, std::uint32_t inputSize, std::uint32_t* returned)
{
    return serveRequest(code, input, inputSize, returned, carryOut);
}

void forgetRealDriveState()
{
    senseKept = false;
    releaseHeldDevice();
}
