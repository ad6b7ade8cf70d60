// What the driver library keeps between requests, so that a request on a
// drive that nobody changed makes no system call beyond its own work: the
// drive's state and the disk's protection record as last read, and the
// image of the disk in the slot, held open while that disk is there.
//
// The disk in the slot is the disk that was inserted, until it is ejected:
// a request writes through the image it holds. What another program
// changes (quibdrive, another copy of the tool) moves the drive's change
// count (drive_lock.h); a request that finds the count moved reads the
// state and the protection record afresh and opens the image again, by
// name in the folders held. Files changed by hand are seen then too, or
// when a program starts, not between two requests.
#pragma once

#include "drive/drive_state.h"
#include "drive/protection_record.h"
#include "os/folder_files.h"

#include <optional>
#include <string>

// Brings what is kept up to date for the request that holds the lock: when
// another program changed the drive since, lets go of it and checks the
// held folders again. False, with folderProblem(), when they are no longer
// private.
bool keepUpWithDrive();

// The drive's state: nothing when the file does not exist or cannot be read.
// The fields a power loss clears (protection mode, a disk change not yet
// reported, the kept sense) come from the lock file's shared record
// (drive_lock.h): changing only them costs no system call and no flush. The
// record names the generation of the state file it belongs to; one torn or
// left from another state file reads as a drive just powered on.
std::optional<DriveState> keptDriveState();
// Saves the state: the record alone when lastingChanged is false (only the
// powered fields changed); otherwise the state file, replaced atomically
// and flushed with its rename, under a new generation (put into state),
// then the record.
bool saveKeptDriveState(DriveState& state, bool lastingChanged);

// A disk's protection record; one that cannot be read reads as stateBroken.
ProtectionRecord keptProtection(const std::string& disk);
bool saveKeptProtection(const std::string& disk, const ProtectionRecord& record);

// True when the disk's image is a plain file (not a link); the image is
// then kept open for imageOf, which gives noFile when it could not be
// opened.
bool checkImage(const std::string& disk);
FileHandle imageOf(const std::string& disk);
// The slot is empty: the image is let go.
void forgetImage();

// Lets go of everything kept when the drive's folders were opened afresh
// (another host folder): what was kept belongs to the old ones.
void keepForFolders(unsigned folderGeneration);
// Lets go of everything, the folders and the lock file too: the next
// request starts as a program's first does. A process made by fork starts
// so (it shares the parent's open files, and must not share its lock).
void startDriveAfresh();
