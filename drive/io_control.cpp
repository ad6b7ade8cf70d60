// The driver library's one entry, MSD_IOControl: reads the 48-byte request
// record, carries out request 101 (re-mount), 102 (mount folder) or 103
// (command block) on drive 0, and writes status and sense back into it.
//
// The record comes from outside, so nothing in it is trusted: its size,
// code, drive, lengths and buffer are checked before anything moves, and
// only the status and sense fields of the record are ever written.
#include "device/driver_request.h"
#include "drive/drive_commands.h"
#include "drive/request_record.h"

#include <cstddef>
#include <cstring>

namespace {

// Status values the driver writes; the tool presets 14 and reads 0 as success.
constexpr std::uint32_t statusCheckCondition = 2;

struct RequestOutcome {
    std::uint32_t status = statusSuccess;
    std::optional<Failure> failure;
    std::uint32_t moved = 0;
};

RequestOutcome refused(std::uint32_t status) { return {status, std::nullopt, 0}; }

CommandOutcome remount(DriveSession& drive, const DriverRequest& request)
{
    std::uint8_t flag = request.command[0];
    if (flag != 0x00 && flag != 0xFF)
        return {failure::invalidFieldInCommand, 0};
    if (!drive.hasDisk()) {
        drive.state.mountFolder.clear();
        return {failure::mediumNotPresent, 0};
    }
    mountDisk(drive, flag == 0x00);
    return {};
}

RequestOutcome carryOut(std::uint32_t code, const DriverRequest& request)
{
    if (std::uint32_t refusal = checkRequest(code, request); refusal != statusSuccess)
        return refused(refusal);
    void* buffer = requestBuffer(request);

    DriveSession drive;
    if (!drive.ready())
        return refused(statusNotCarriedOut);
    if (!drive.state.plugged) {
        drive.save(); // keep what reading the state settled
        return refused(statusNoDrive);
    }

    RequestOutcome outcome;
    if (code == RequestMountFolder) {
        outcome.moved = answerMountFolder(drive.state.mountFolder, request);
    } else {
        CommandOutcome done;
        if (code == RequestRemount) {
            done = remount(drive, request);
        } else {
            CommandData data{request.command, request.dataIn != 0, static_cast<std::uint8_t*>(buffer),
                             request.transferLength};
            done = carryOutCommand(drive, data);
        }
        outcome.failure = done.failure;
        outcome.moved = done.moved;
    }
    // A failure's sense is kept for the next REQUEST SENSE; any command that
    // succeeds replaces it.
    if (outcome.failure)
        drive.state.pendingSense = fixedSense(*outcome.failure);
    else if (code == RequestCommand)
        drive.state.pendingSense.reset();
    if (!drive.save() && !outcome.failure)
        outcome.failure = failure::internalFailure; // a change that cannot be kept did not happen
    if (outcome.failure)
        outcome.status = statusCheckCondition;
    return outcome;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int MSD_IOControl(std::uint32_t openContext, std::uint32_t code,
                                                                     void* input, std::uint32_t inputSize, void* output,
                                                                     std::uint32_t outputSize, std::uint32_t* returned)
{
    // The open context and the output buffer carry nothing for this driver.
    (void)openContext;
    (void)output;
    (void)outputSize;
    DriverRequest request;
    if (!readRequestRecord(input, inputSize, request))
        return 0;

    RequestOutcome outcome;
    try {
        outcome = carryOut(code, request);
    } catch (...) {
        outcome = refused(statusNotCarriedOut); // out of memory: nothing was done
    }

    std::uint8_t senseCode = outcome.failure ? outcome.failure->code : 0;
    std::uint8_t senseQualifier = outcome.failure ? outcome.failure->qualifier : 0;
    answerRecord(input, outcome.status, senseCode, senseQualifier);
    if (returned != nullptr)
        *returned = outcome.moved;
    return outcome.status == statusSuccess ? 1 : 0;
}
