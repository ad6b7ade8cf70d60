// What the driver library keeps between requests, so that a request on a
// drive nobody changed costs a few system calls: the lock, the state file
// and the disk's protection record as last read (held open), and the image
// of the disk in the slot (held open while the disk is there).
//
// Each kept file is re-checked at every request with one lstat of its path:
// it is still the same file (device and inode; a file held open keeps its
// inode number from being given to another) and, for the state and the
// protection record, unchanged (size, modification and change times). The
// drive replaces these files by renaming a new file over them, so any
// change by quibdrive or another process shows as a new inode; only then
// is the file read again.
#pragma once

#include "drive/drive_state.h"
#include "drive/protection_record.h"

#include <optional>
#include <string>

// The lock file's descriptor, opened on first use in the present drive
// folder; -1 when it cannot be opened.
int keptLock();

// The drive's state: nothing when the file does not exist or cannot be read.
// The fields a power loss clears (protection mode, a disk change not yet
// reported, the kept sense) come from a small record at the start of the
// lock file, mapped shared by every process: changing only them costs no
// system call and no flush. The record names the generation of the state
// file it belongs to; one torn or left from another state file reads as a
// drive just powered on. Where the lock file cannot be mapped, the state
// file keeps these fields too.
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
// then kept open for imageOf, which gives -1 when it could not be opened.
bool checkImage(const std::string& disk);
int imageOf(const std::string& disk);
// The slot is empty: the image is let go.
void forgetImage();

// Lets go of everything kept when the drive's folders were checked afresh
// (another host folder, a folder replaced): what was kept belongs to the
// old ones.
void keepForFolders(unsigned folderGeneration);
