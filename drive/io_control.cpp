// The driver library's one entry, MSD_IOControl: reads the 48-byte request
// record, carries out request 101 (re-mount), 102 (mount folder) or 103
// (command block) on drive 0, and writes status and sense back into it.
//
// The record comes from outside, so nothing in it is trusted: its size,
// code, drive, lengths and buffer are checked before anything moves, and
// only the status and sense fields of the record are ever written.
#include "device/driver_request.h"
#include "drive/drive_commands.h"
#include "driverkit/request_record.h"

#include <optional>

namespace {

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

RequestAnswer carryOut(std::uint32_t code, const DriverRequest& request)
{
    if (std::uint32_t refusal = checkRequest(code, request); refusal != statusSuccess)
        return refusedRequest(refusal);
    void* buffer = requestBuffer(request);

    DriveSession drive;
    if (!drive.ready())
        return refusedRequest(statusNotCarriedOut);
    if (!drive.state.plugged) {
        drive.save(); // keep what reading the state settled
        return refusedRequest(statusNoDrive);
    }

    std::optional<Failure> failed;
    RequestAnswer answer;
    if (code == RequestMountFolder) {
        answer.moved = answerMountFolder(drive.state.mountFolder, request);
    } else {
        CommandOutcome done;
        if (code == RequestRemount) {
            done = remount(drive, request);
        } else {
            CommandData data{request.command, request.dataIn != 0, static_cast<std::uint8_t*>(buffer),
                             request.transferLength};
            done = carryOutCommand(drive, data);
        }
        failed = done.failure;
        answer.moved = done.moved;
    }
    // A failure's sense is kept for the next REQUEST SENSE; any command that
    // succeeds replaces it.
    if (failed)
        drive.state.pendingSense = fixedSense(*failed);
    else if (code == RequestCommand)
        drive.state.pendingSense.reset();
    if (!drive.save() && !failed)
        failed = failure::internalFailure; // a change that cannot be kept did not happen
    if (failed) {
        answer.status = statusCheckCondition;
        answer.senseCode = failed->code;
        answer.senseQualifier = failed->qualifier;
    }
    return answer;
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
    return serveRequest(code, input, inputSize, returned, carryOut);
}
