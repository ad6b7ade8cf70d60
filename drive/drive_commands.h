// The drive's command set: one 12-byte command block with its data, carried
// out on the drive of a session.
#pragma once

#include "drive/sense.h"
#include "drive/virtual_drive.h"

#include <cstdint>
#include <optional>

struct CommandData {
    const std::uint8_t* command;  // the 12 command bytes
    bool dataIn;                  // data moves from the drive into buffer
    std::uint8_t* buffer;         // the caller's; null only when transferLength is 0
    std::uint32_t transferLength; // the most that may move either way
};

struct CommandOutcome {
    std::optional<Failure> failure; // none: the command succeeded
    std::uint32_t moved = 0;        // bytes written into the caller's buffer
};

// Never writes more than transferLength bytes into the buffer, and never
// reads more than the command's own length from it (which must then fit).
CommandOutcome carryOutCommand(DriveSession& drive, const CommandData& data);
