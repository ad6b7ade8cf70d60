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

// An errno value that means the device is not there (unplugged, node gone).
bool meansDeviceGone(int error);

// Opens a node for commands: the descriptor, or -1 with failure saying
// why (gone when the node is not there; otherwise not carried out, and the
// reason on standard error).
int openCommandNode(const std::string& node, ScsiOutcome& failure);

// Sends the command through an open node: one SG_IO call.
ScsiOutcome sendScsiCommand(int node, const std::uint8_t* command, bool dataIn, void* buffer, std::uint32_t length);

// The sense key, additional sense code and qualifier of sense data in fixed
// (0x70, 0x71) or descriptor (0x72, 0x73) format; false for anything else.
bool senseCodes(const std::uint8_t* sense, std::uint8_t length, std::uint8_t& key, std::uint8_t& code,
                std::uint8_t& qualifier);

// Sense data in fixed format (18 bytes), converted from either format, the
// sense-key specific bytes (a format's progress) kept.
void fixedFormatSense(const std::uint8_t* sense, std::uint8_t length, std::uint8_t* fixed);

// READ CAPACITY(10): the number of blocks and the block size.
ScsiOutcome readCapacity(int node, std::uint32_t& blocks, std::uint32_t& blockSize);
