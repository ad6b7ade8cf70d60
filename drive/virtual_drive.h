// The virtual drive as the driver library and quibdrive both work on it.
// Each request and each quibdrive command is one DriveSession: it holds the
// drive lock, so the program and quibdrive can run at once and each sees
// the other's changes at its next request. What did not change since the
// last request is not read again (see kept_drive.h and drive_lock.h).
#pragma once

#include "drive/drive_state.h"
#include "drive/protection_record.h"
#include "os/folder_files.h"

#include <cstdint>
#include <mutex>
#include <string>

constexpr const char* firstDiskName = "disk1";

class DriveSession {
public:
    // Takes the lock and reads the state. The first session in a host folder
    // with nothing set up finds a plugged drive holding a new blank disk. A
    // low-level format whose time is up finishes here.
    DriveSession();
    ~DriveSession();
    DriveSession(const DriveSession&) = delete;
    DriveSession& operator=(const DriveSession&) = delete;

    // False when the host folder cannot be used; nothing else works then.
    bool ready() const { return locked; }

    DriveState state;
    ProtectionRecord protection; // of the disk in the slot

    bool hasDisk() const { return !state.disk.empty(); }
    std::string imagePath() const;
    // The image of the disk in the slot, kept open; noFile when there is
    // none or it cannot be opened.
    FileHandle imageFd() const;

    // Puts the named disk into the slot, or empties it (""), keeping each
    // disk's protection record with its own disk.
    void changeDisk(const std::string& name);

    // Writes what changed: the disk's protection record first, then the
    // drive's state, each atomically. False when a write failed.
    bool save();

private:
    std::lock_guard<std::mutex> turn;
    bool locked = false;
    std::string protectionDisk; // the disk that `protection` belongs to
    ProtectionRecord savedProtection;
    std::optional<DriveState> savedState;
    bool saveProtection();
};

// Milliseconds since 1970: formats are timed by the wall clock, which every
// process sees alike.
std::int64_t wallClockMs();

// True when the named disk's image is a plain file; a link is no disk.
bool isDiskImage(const std::string& name);

// Creates a blank disk image with an unprotected record. False when the
// name is taken or the files cannot be made.
bool createDisk(const std::string& name);

// Mounts the disk in the slot under the folder that the registry settings
// give; a disk that cannot be read gets no folder.
void mountDisk(DriveSession& drive, bool readable);

// Low-level format: start (finishing at once when the format time is 0),
// progress in 65536ths while it runs, and the end: the disk is all zeros
// and carries no protection. False when the image could not be erased; the
// format has ended all the same, so nobody waits for it for ever.
bool startFormat(DriveSession& drive);
std::uint16_t formatProgress(const DriveSession& drive);
bool finishFormat(DriveSession& drive);

// What a person does with the drive. A format that runs when the disk
// leaves the drive ends early, the disk left erased; a protection lifted
// until eject returns when the disk is ejected or the drive loses power.
// After an insert, and after plugging in a drive that holds a disk, the
// next command other than REQUEST SENSE fails once with unit attention
// 0x28 (the disk may have changed).
void insertDisk(DriveSession& drive, const std::string& name);
void ejectDisk(DriveSession& drive);
void plugDrive(DriveSession& drive);
void unplugDrive(DriveSession& drive);
