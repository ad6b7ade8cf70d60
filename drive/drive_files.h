// Where the virtual drive keeps its state and disks inside the host folder,
// and the two file operations everything else builds on: reading a small
// file whole and replacing it atomically.
//
//   <host folder>/drive/state              the drive (see drive_state.h)
//   <host folder>/drive/lock               taken while a request or quibdrive works
//   <host folder>/drive/disks/NAME.img     a disk: raw image of 78848 sectors
//   <host folder>/drive/disks/NAME.protection  that disk's protection record
#pragma once

#include <optional>
#include <string>

// The drive's folder and its disks folder, created when missing (mode 0700).
// Empty when the host folder cannot be used, or when either folder is not
// private to this user: one that another user owns, or that the group or
// others may write, could have had links planted in it. That refusal's
// reason, naming the folder, is then folderProblem().
std::string driveFolder();
std::string disksFolder();
const std::string& folderProblem();

std::string driveStatePath();
std::string driveLockPath();
std::string diskImagePath(const std::string& diskName);
std::string protectionRecordPath(const std::string& diskName);

// A disk name is 1 to 64 letters, digits, '-', '_' or '.', not starting
// with '.', so it always names a file inside the disks folder.
bool isValidDiskName(const std::string& name);

// The whole content of a file; nothing when it does not exist or cannot be
// read. A link is not followed: it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

// Replaces the file with text: writes a temporary file beside it, flushes
// it to the disk and renames it over the old one, so a crash at any moment
// leaves either the old or the new content, never a mix. The temporary is
// made afresh (a stale one, or a link planted in its place, is removed
// first and never written through); a link at path is replaced, not followed.
bool replaceFileAtomically(const std::string& path, const std::string& text);
