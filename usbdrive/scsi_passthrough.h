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
