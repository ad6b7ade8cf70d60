// A command block for the drive and its outcome, the same on every host:
// what became of a command, the sense data it brought back in either
// format, the command-block length and time-out the host gives the
// device, and READ CAPACITY's answer. Each host's pass-through (SG_IO on
// Linux, IOCTL_SCSI_PASS_THROUGH_DIRECT on Windows) builds on these.
#pragma once

#include <cstdint>

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

// SCSI status bytes.
constexpr unsigned char scsiGood = 0x00;
constexpr unsigned char scsiCheckCondition = 0x02;
constexpr unsigned char scsiConditionMet = 0x04;

// The command-block length the device gets for a 12-byte block: the length
// of the operation code's group (6 for 0x00-0x1F, 10 for 0x20-0x5F, 16 for
// 0x80-0x9F, 12 for 0xA0-0xBF), or all 12 bytes for a vendor group or when
// bytes beyond the group's length are set.
std::uint8_t commandBlockLength(const std::uint8_t* command);

// The time-out for an operation code, in milliseconds.
unsigned commandTimeoutMs(std::uint8_t operationCode);

// The sense key, additional sense code and qualifier of sense data in fixed
// (0x70, 0x71) or descriptor (0x72, 0x73) format; false for anything else.
bool senseCodes(const std::uint8_t* sense, std::uint8_t length, std::uint8_t& key, std::uint8_t& code,
                std::uint8_t& qualifier);

// The device refused the command with a unit attention (sense key 6): it
// only reports a change (a disk inserted, a reset), and the same command
// asked again is answered.
bool isUnitAttention(const ScsiOutcome& outcome);

// A unit attention, "medium may have changed" or no disk: what was checked
// may no longer be the disk in the drive.
bool meansDiskChanged(const ScsiOutcome& outcome);

// Sense data in fixed format (18 bytes), converted from either format, the
// sense-key specific bytes (a format's progress) kept.
void fixedFormatSense(const std::uint8_t* sense, std::uint8_t length, std::uint8_t* fixed);

// READ CAPACITY(10)'s command block, and its 8-byte answer read into the
// number of blocks and the block size.
void readCapacityCommand(std::uint8_t* command12);
void capacityFromAnswer(const std::uint8_t* answer8, std::uint32_t& blocks, std::uint32_t& blockSize);

// Says once per distinct message, on standard error, why the device could
// not be used: the library has no window of its own, and the tool shows
// only that no drive answered.
void reportDeviceProblem(const char* message);
