// The drive's own state, kept in the host folder as a small text file of
// "name value" lines so that the program's requests and quibdrive see the
// same drive.
#pragma once

#include "os/folder_files.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Fixed-format sense data (response code 0x70), as REQUEST SENSE returns it.
using SenseData = std::array<std::uint8_t, 18>;

constexpr std::uint32_t defaultFormatTimeMs = 30000;
// The longest low-level format: 25 minutes, so that it always ends well
// within the 30 minutes for which the tool polls a format's progress.
constexpr std::uint32_t longestFormatTimeMs = 25 * 60 * 1000;

struct DriveState {
    bool plugged = true;
    std::string disk;                           // the disk in the slot; empty when the slot is empty
    bool protectionMode = false;                // bit 0x20 of mode page 0x2F
    bool mediumChanged = false;                 // the next command reports 0x28 (unit attention)
    std::uint32_t formatTimeMs = defaultFormatTimeMs; // how long a low-level format takes
    bool formatting = false;                    // a low-level format runs
    std::int64_t formatStartMs = 0;             // when it started (milliseconds since 1970)
    std::uint32_t formatDurationMs = 0;         // how long it takes, fixed when it started
    std::string mountFolder;                    // UTF-8; empty when nothing is mounted
    std::optional<SenseData> pendingSense;      // kept for the next REQUEST SENSE
    std::uint64_t generation = 0;               // counts the saves of this file (see kept_drive.h)
    bool operator==(const DriveState&) const = default;
};

// Nothing when the file does not exist. Lines that cannot be understood,
// numbers beyond their range among them (a format time or duration over
// longestFormatTimeMs, a format start before 1970), are passed over,
// leaving that field at its default.
// The file is name in folder (drive_files.h).
std::optional<DriveState> loadDriveStateIn(FileHandle folder, const std::string& name);
DriveState parseDriveState(const std::string& text);
// Replaces the file atomically; flushFolder as for replaceFileIn.
bool saveDriveStateIn(FileHandle folder, const std::string& name, const DriveState& state, bool flushFolder = true);
// True when the two differ only in what the drive loses when its power
// goes: the protection mode, a disk change not yet reported, the sense
// kept for REQUEST SENSE.
bool differsOnlyInPoweredState(const DriveState& a, const DriveState& b);
