// What is in the drive: no drive, no disk, or a disk in one of its
// protection states; and the drive's protection mode switch.
#pragma once

#include <cstdint>

using ProtectionState = std::uint16_t;

constexpr ProtectionState stateNotProtected = 0;
constexpr ProtectionState stateWriteProtected = 2;
constexpr ProtectionState stateWriteProtectedPassword = 3;
constexpr ProtectionState stateReadWriteProtectedPassword = 5;
constexpr ProtectionState stateTempUnprotectedWrite = 10;
constexpr ProtectionState stateTempUnprotectedWritePassword = 11;
constexpr ProtectionState stateTempUnprotectedReadWritePassword = 13;
constexpr ProtectionState NoDisk = 0xFFFE;
constexpr ProtectionState NoDrive = 0xFFFF;

// Length of the status text buffer callers hand in (the longest text has 77 characters).
constexpr unsigned statusTextCapacity = 80;

// The setting of the last protection mode switch that succeeded; false at start.
extern bool protectionModeOn;

// Probes the drive, switches the protection mode on when it is off and a
// disk is present, and reads the disk's state. With a text buffer (at least
// 78 characters) the state's text is copied into it; a state without a text
// leaves the buffer as it was. A read refused while the flag says the mode
// is on (the drive lost its mode when it was plugged in again) switches the
// mode on once more and reads again.
ProtectionState queryProtectionState(char16_t* text);

// The state whose status text (in the run's language) text is: the
// reverse of the query's text, for those who read what a dialog shows.
// False for any other text (a state without a text of its own).
bool stateOfStatusText(const char16_t* text, ProtectionState* state);

// Sets or clears the protection mode bit of the drive's mode page 0x2F.
// True when the drive accepted it; only then does protectionModeOn change.
bool switchProtectionMode(bool on);
