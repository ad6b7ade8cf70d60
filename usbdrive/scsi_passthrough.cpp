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
constexpr unsigned char scsiGood = 0x00;
constexpr unsigned char scsiCheckCondition = 0x02;
constexpr unsigned char scsiConditionMet = 0x04;

// The command-block length the device gets for a 12-byte block: the length
// of the operation code's group (6 for 0x00-0x1F, 10 for 0x20-0x5F, 16 for
// 0x80-0x9F, 12 for 0xA0-0xBF), or all 12 bytes for a vendor group or when
// bytes beyond the group's length are set.
std::uint8_t commandBlockLength(const std::uint8_t* command)
{
    std::uint8_t group = command[0] >> 5;
    static constexpr std::uint8_t groupLength[8] = {6, 10, 10, 12, 16, 12, 12, 12};
    std::uint8_t length = groupLength[group];
    for (std::uint8_t i = length; i < 12; ++i)
        if (command[i] != 0)
            return 12; // never drop a byte the tool set
    return length;
}

// The time-out for an operation code, in milliseconds.
unsigned commandTimeout(std::uint8_t operationCode)
{
    switch (operationCode) {
    case operationCode::formatUnit: return 120'000; // the drive answers at once, but allow one that does not
    case operationCode::vendorProtection: return 60'000; // rewrites the disk's protection
    case operationCode::read10:
    case operationCode::write10: return 30'000; // one block
    default: return 10'000;    // status, sense and mode commands answer from the drive's memory
    }
}

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
    header.timeout = commandTimeout(command[0]);
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

bool senseCodes(const std::uint8_t* sense, std::uint8_t length, std::uint8_t& key, std::uint8_t& code,
                std::uint8_t& qualifier)
{
    if (length < 1)
        return false;
    std::uint8_t format = sense[0] & 0x7F;
    if ((format == 0x70 || format == 0x71) && length >= 14) {
        key = sense[2] & 0x0F;
        code = sense[12];
        qualifier = sense[13];
        return true;
    }
    if ((format == 0x72 || format == 0x73) && length >= 4) {
        key = sense[1] & 0x0F;
        code = sense[2];
        qualifier = sense[3];
        return true;
    }
    return false;
}

void fixedFormatSense(const std::uint8_t* sense, std::uint8_t length, std::uint8_t* fixed)
{
    std::memset(fixed, 0, 18);
    std::uint8_t format = length > 0 ? sense[0] & 0x7F : 0;
    if (format == 0x70 || format == 0x71) {
        std::memcpy(fixed, sense, std::min<std::uint8_t>(length, 18));
        return;
    }
    std::uint8_t key = 0, code = 0, qualifier = 0;
    fixed[0] = 0x70;
    fixed[7] = 10;
    if (!senseCodes(sense, length, key, code, qualifier))
        return;
    fixed[2] = key;
    fixed[12] = code;
    fixed[13] = qualifier;
    // Descriptors follow the 8-byte header; the sense-key specific one (type 2)
    // carries the bytes the fixed format holds at 15 to 17.
    unsigned end = std::min<unsigned>(length, 8u + sense[7]);
    for (unsigned at = 8; at + 1 < end; at += 2u + sense[at + 1])
        if (sense[at] == 0x02 && at + 7 <= end) {
            std::memcpy(fixed + 15, sense + at + 4, 3);
            break;
        }
}

ScsiOutcome readCapacity(int node, std::uint32_t& blocks, std::uint32_t& blockSize)
{
    std::uint8_t command[12] = {operationCode::readCapacity10};
    std::uint8_t answer[8] = {};
    ScsiOutcome outcome = sendScsiCommand(node, command, true, answer, sizeof answer);
    if (outcome.result == ScsiResult::good && outcome.moved < sizeof answer)
        outcome.result = ScsiResult::notCarriedOut;
    if (outcome.result != ScsiResult::good)
        return outcome;
    std::uint32_t lastBlock = std::uint32_t(answer[0]) << 24 | answer[1] << 16 | answer[2] << 8 | answer[3];
    blockSize = std::uint32_t(answer[4]) << 24 | answer[5] << 16 | answer[6] << 8 | answer[7];
    blocks = lastBlock + 1; // 0xFFFFFFFF (a disk too large for this command) wraps to 0: no Quib! disk
    return outcome;
}
