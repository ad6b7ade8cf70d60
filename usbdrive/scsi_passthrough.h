// One command block carried to the device with SG_IO: the header built for
// it, and its outcome in the terms the request record reports.
#pragma once

#include <scsi/sg.h>

#include <cstdint>
#include <string>

// What became of a command.
enum class ScsiResult {
    good,           // the device did it
    checkCondition, // the device refused it; the sense data says why
    notCarriedOut,  // it could not be carried (time-out, transport error, no permission)
    gone,           // the device is not there (unplugged, node vanished)
};

struct ScsiOutcome {
    ScsiResult result = ScsiResult::notCarriedOut;
    std::uint8_t sense[32] = {}; // as the device returned it, either format
    std::uint8_t senseLength = 0;
    std::uint32_t moved = 0;     // data bytes moved
};

// The command-block length the device gets for a 12-byte block: the length
// of the operation code's group (6 for 0x00-0x1F, 10 for 0x20-0x5F, 16 for
// 0x80-0x9F, 12 for 0xA0-0xBF), or all 12 bytes for a vendor group or when
// bytes beyond the group's length are set.
std::uint8_t commandBlockLength(const std::uint8_t* command);

// The time-out for an operation code, in milliseconds.
unsigned commandTimeout(std::uint8_t operationCode);

// The SG_IO header for a 12-byte command block: direction by dataIn and
// length (no data when the length is 0), the block's length, the time-out.
void buildScsiHeader(sg_io_hdr_t& header, const std::uint8_t* command, bool dataIn, void* buffer,
                     std::uint32_t length, std::uint8_t* senseBuffer, std::uint8_t senseSize);

// The outcome of a finished SG_IO call (error: the ioctl's errno, or 0).
ScsiOutcome scsiOutcome(int error, const sg_io_hdr_t& header, const std::uint8_t* senseBuffer);

// Opens node, sends the command, closes the node.
ScsiOutcome sendScsiCommand(const std::string& node, const std::uint8_t* command, bool dataIn, void* buffer,
                            std::uint32_t length);

// The sense key, additional sense code and qualifier of sense data in fixed
// (0x70, 0x71) or descriptor (0x72, 0x73) format; false for anything else.
bool senseCodes(const std::uint8_t* sense, std::uint8_t length, std::uint8_t& key, std::uint8_t& code,
                std::uint8_t& qualifier);

// Sense data in fixed format (18 bytes), converted from either format, the
// sense-key specific bytes (a format's progress) kept.
void fixedFormatSense(const std::uint8_t* sense, std::uint8_t length, std::uint8_t* fixed);

// READ CAPACITY(10): the number of blocks and the block size.
ScsiOutcome readCapacity(const std::string& node, std::uint32_t& blocks, std::uint32_t& blockSize);
