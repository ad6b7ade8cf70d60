// The drive's lock file, drive/lock. Every request and every quibdrive
// command holds the lock while it works. The file's start is a small
// record that every process using the drive maps shared, read and written
// only under the lock:
//
// - the lock itself: a process-shared, robust mutex (a process that dies
//   holding it gives it up; the next holder carries on), so taking and
//   giving up the lock costs no system call while nobody else wants it.
//   Where the system cannot give up a dead holder's mutex (an emulator
//   without robust futexes), the file is locked with flock instead;
// - the drive's change count, which every lasting change moves (a state
//   file or protection record replaced, a disk made or erased): a process
//   that finds the count where it left it knows that what it read before
//   is still so, and reads nothing; one that finds it moved reads afresh;
// - what the drive loses with its power (the protection mode, a disk
//   change not yet reported, the kept sense), so that changing only those
//   writes no file.
#pragma once

#include "drive/drive_state.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Opens, maps and (when new) sets up the lock file in the drive folder
// held; once per program and folder. False, with folderProblem(), when it
// cannot be used: not a plain file, cannot be mapped, or set up by a
// program whose lock does not fit this one's (built for another machine).
bool openDriveLock();
// Lets go of the lock file: another host folder, or a new process.
void closeDriveLock();

// Waits for the drive; false when the lock cannot be had.
bool lockDrive();
void unlockDrive();

std::uint64_t driveChangeCount();
// A lasting change was made: moves the count, and gives the new one.
std::uint64_t noteDriveChange();

// Where in the lock file the powered fields' record starts (48 bytes: a
// mark, the generation, the fields, a checksum).
constexpr std::size_t poweredRecordOffset = 24;

// What the drive loses with its power, as the record holds it for the
// state file of the named generation.
struct PoweredFields {
    std::uint64_t generation = 0;
    bool protectionMode = false;
    bool mediumChanged = false;
    std::optional<SenseData> sense;
};
// Nothing when the record is torn (its checksum fails) or was never written.
std::optional<PoweredFields> readPoweredFields();
void writePoweredFields(const PoweredFields& fields);
