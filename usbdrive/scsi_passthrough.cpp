#include "usbdrive/scsi_passthrough.h"

#include "device/operation_codes.h"
#include "os/system_error.h"
#include "usbdrive/chosen_device.h"
#include "usbdrive/usb_host.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Host status values of the SCSI midlayer that mean the device is gone.
constexpr unsigned short hostNoConnect = 0x01;
constexpr unsigned short hostBadTarget = 0x04;
// Driver status: the time-out ran out.
constexpr unsigned short driverTimeout = 0x06;

// The SG_IO header for a 12-byte command block: direction by dataIn and
// length (no data when the length is 0), the block's length, the time-out.
void buildScsiHeader(sg_io_hdr_t& header, const std::uint8_t* command, bool dataIn, void* buffer,
                     std::uint32_t length, std::uint8_t* senseBuffer, std::uint8_t senseSize)
{
    std::memset(&header, 0, sizeof header);
    header.interface_id = 'S';
    header.cmdp = const_cast<unsigned char*>(command);
    header.cmd_len = commandBlockLength(command);
    header.dxfer_direction = length == 0 ? SG_DXFER_NONE : dataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    header.dxferp = length == 0 ? nullptr : buffer;
    header.dxfer_len = length;
    header.sbp = senseBuffer;
    header.mx_sb_len = senseSize;
    header.timeout = commandTimeoutMs(command[0]);
}

// The outcome of a finished SG_IO call (error: the ioctl's errno, or 0).
ScsiOutcome scsiOutcome(int error, const sg_io_hdr_t& header, const std::uint8_t* senseBuffer)
{
    ScsiOutcome outcome;
    if (error != 0) {
        outcome.result = meansDeviceGone(error) ? ScsiResult::gone : ScsiResult::notCarriedOut;
        return outcome;
    }
    if (header.host_status == hostNoConnect || header.host_status == hostBadTarget) {
        outcome.result = ScsiResult::gone;
        return outcome;
    }
    if (header.host_status != 0 || (header.driver_status & 0x0F) == driverTimeout) {
        outcome.result = ScsiResult::notCarriedOut;
        return outcome;
    }
    if (header.status == scsiCheckCondition) {
        outcome.result = ScsiResult::checkCondition;
        outcome.senseLength = std::min<std::uint8_t>(header.sb_len_wr, sizeof outcome.sense);
        std::memcpy(outcome.sense, senseBuffer, outcome.senseLength);
        return outcome;
    }
    if (header.status != scsiGood && header.status != scsiConditionMet) {
        outcome.result = ScsiResult::notCarriedOut; // busy, reservation conflict, task set full
        return outcome;
    }
    outcome.result = ScsiResult::good;
    int resid = header.resid < 0 ? 0 : header.resid;
    outcome.moved = header.dxfer_len > unsigned(resid) ? header.dxfer_len - unsigned(resid) : 0;
    return outcome;
}

} // namespace

bool meansDeviceGone(int error)
{
    return error == ENODEV || error == ENXIO || error == ENOENT || error == ENOMEDIUM;
}

int openCommandNode(const std::string& node, ScsiOutcome& failure)
{
    int error = 0;
    int handle = usbHost().openNode(node, true, error);
    if (handle >= 0)
        return handle;
    failure = ScsiOutcome();
    failure.result = meansDeviceGone(error) ? ScsiResult::gone : ScsiResult::notCarriedOut;
    if (!meansDeviceGone(error))
        reportDeviceProblem("cannot open " + node + ": " + std::strerror(error));
    return -1;
}

ScsiOutcome sendScsiCommand(int node, const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length)
{
    std::uint8_t senseBuffer[32] = {};
    sg_io_hdr_t header;
    buildScsiHeader(header, command, dataIn, buffer, length, senseBuffer, sizeof senseBuffer);
    int error = usbHost().sendScsi(node, header);
    // The kernel's reason for a call it refused is kept for the person; a
    // device that went away is told by the outcome itself.
    if (error != 0 && !meansDeviceGone(error)) {
        systemFailure("send a command to the drive (SG_IO)", error);
        reportDeviceProblem(std::string("cannot ") + lastSystemError().doing + ": " + lastSystemError().reason);
    }
    return scsiOutcome(error, header, senseBuffer);
}

ScsiOutcome readCapacity(int node, std::uint32_t& blocks, std::uint32_t& blockSize)
{
    std::uint8_t command[12];
    readCapacityCommand(command);
    std::uint8_t answer[8] = {};
    ScsiOutcome outcome = sendScsiCommand(node, command, true, answer, sizeof answer);
    if (outcome.result == ScsiResult::good && outcome.moved < sizeof answer)
        outcome.result = ScsiResult::notCarriedOut;
    if (outcome.result != ScsiResult::good)
        return outcome;
    capacityFromAnswer(answer, blocks, blockSize);
    return outcome;
}
