// The driver library's one entry, MSD_IOControl: reads the 48-byte request
// record, carries out request 101 (re-mount), 102 (mount folder) or 103
// (command block) on drive 0, and writes status and sense back into it.
//
// The record comes from outside, so nothing in it is trusted: its size,
// code, drive, lengths and buffer are checked before anything moves, and
// only the status and sense fields of the record are ever written.
#include "device/driver_request.h"
#include "drive/drive_commands.h"
#include "platform/code_page.h"

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

void* bufferOf(const DriverRequest& request)
{
    std::uint64_t address = std::uint64_t(request.dataBufferHigh) << 32 | request.dataBuffer;
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
}

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

// The folder name in UTF-16, ended by a zero character, in at most 32
// bytes and at most transferLength bytes: a longer name is cut at a whole
// character so the answer is always a complete, ended string.
std::uint32_t answerMountFolder(const DriveSession& drive, const DriverRequest& request)
{
    char16_t name[64] = {};
    if (!drive.state.mountFolder.empty() && !utf8ToWide(drive.state.mountFolder.c_str(), name, std::size(name)))
        name[0] = u'\0';
    std::size_t room = std::min<std::uint32_t>(request.transferLength, 32) / 2 - 1; // characters before the zero
    std::size_t length = 0;
    while (length < room && name[length] != u'\0')
        ++length;
    if (length > 0 && name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF)
        --length; // do not split a surrogate pair
    name[length] = u'\0';
    std::uint32_t bytes = std::uint32_t((length + 1) * sizeof(char16_t));
    std::memcpy(bufferOf(request), name, bytes);
    return bytes;
}

RequestOutcome carryOut(std::uint32_t code, const DriverRequest& request)
{
    if (code != RequestRemount && code != RequestMountFolder && code != RequestCommand)
        return refused(statusNotCarriedOut);
    if (request.driveIndex != 0)
        return refused(statusNoDrive); // the only drive is drive 0
    void* buffer = bufferOf(request);
    if (code == RequestCommand &&
        (request.commandLength != 12 || (request.transferLength > 0 && buffer == nullptr)))
        return refused(statusNotCarriedOut);
    if (code == RequestMountFolder && (buffer == nullptr || request.transferLength < 2))
        return refused(statusNotCarriedOut);

    DriveSession drive;
    if (!drive.ready())
        return refused(statusNotCarriedOut);
    if (!drive.state.plugged) {
        drive.save(); // keep what reading the state settled
        return refused(statusNoDrive);
    }

    RequestOutcome outcome;
    if (code == RequestMountFolder) {
        outcome.moved = answerMountFolder(drive, request);
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
    if (input == nullptr || inputSize != sizeof(DriverRequest))
        return 0;
    DriverRequest request;
    std::memcpy(&request, input, sizeof request);

    RequestOutcome outcome;
    try {
        outcome = carryOut(code, request);
    } catch (...) {
        outcome = refused(statusNotCarriedOut); // out of memory: nothing was done
    }

    auto* record = static_cast<std::uint8_t*>(input);
    std::uint8_t senseCode = outcome.failure ? outcome.failure->code : 0;
    std::uint8_t senseQualifier = outcome.failure ? outcome.failure->qualifier : 0;
    std::memcpy(record + offsetof(DriverRequest, status), &outcome.status, sizeof outcome.status);
    std::memcpy(record + offsetof(DriverRequest, senseCode), &senseCode, 1);
    std::memcpy(record + offsetof(DriverRequest, senseQualifier), &senseQualifier, 1);
    if (returned != nullptr)
        *returned = outcome.moved;
    return outcome.status == statusSuccess ? 1 : 0;
}
