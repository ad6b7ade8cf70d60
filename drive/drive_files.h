// Where the virtual drive keeps its state and disks inside the host folder,
// how it reaches them, and the two file operations everything else builds
// on: reading a small file whole and replacing it atomically.
//
//   <host folder>/drive/state              the drive (see drive_state.h)
//   <host folder>/drive/lock               the lock and what the drive loses with its power (drive_lock.h)
//   <host folder>/drive/disks/NAME.img     a disk: raw image of 78848 sectors
//   <host folder>/drive/disks/NAME.protection  that disk's protection record
//
// The drive reaches every file from its two folders held open: each folder
// is opened one step from the folder before it, never following a link,
// and checked on the open descriptor; each file is then opened by its name
// alone in a held folder, never following a link. No file is ever reached
// by its whole path, so a folder swapped for a link after the check cannot
// lead a write elsewhere: the descriptors stay on the folders that were
// checked.
#pragma once

#include "os/folder_files.h"

#include <cstdint>
#include <optional>
#include <string>

// The drive's folder and its disks folder, made when missing (mode 0700),
// opened and checked: false when the host folder cannot be used, or when
// either folder is not private to this user (another user's, one that the
// group or others may write, a link in its place). That refusal's reason,
// naming the folder, is then folderProblem().
//
// The folders are checked when a program first uses the drive, and again
// whenever the environment names another host folder; otherwise the
// folders held stay in use without a look at their paths (see
// drive_lock.h for how a change made by another program is noticed).
// A request holds the folders from its start to its end: holdDriveFolders()
// (false when they cannot be used), releaseDriveFolders().
bool holdDriveFolders();
void releaseDriveFolders();
const std::string& folderProblem();
// Records a refusal of the drive's files (held folders no longer private,
// a lock file that cannot be used) for folderProblem().
bool refuseDrive(const std::string& why);
// The held folders, for looking a file up by its name alone; noFile when
// they cannot be used. Opened for reading, so that they can be flushed and
// listed.
FileHandle driveFolderFd();
FileHandle disksFolderFd();
// The held folders still belong to this user alone (one fstat each): the
// drive looks again whenever it reads its files afresh.
bool heldFoldersStillPrivate();
// Changes whenever the folders were opened afresh: what was kept in the
// old ones is let go.
unsigned driveFolderGeneration();
// Lets go of the held folders: the next request finds them afresh, as a
// program that has just started does.
void forgetDriveFolders();

// The folders' paths, for telling the person; empty when they cannot be used.
std::string driveFolder();
std::string disksFolder();
std::string diskImagePath(const std::string& diskName);

// A disk's file names in the disks folder.
std::string diskImageName(const std::string& diskName);
std::string protectionRecordName(const std::string& diskName);
constexpr const char* driveStateName = "state";
constexpr const char* driveLockName = "lock";

// How often the drive did its costly file work, counted from the start of
// the process; tests check with them that an unchanged drive costs a
// request none of it.
struct DriveFileCounts {
    std::uint64_t folderSetups = 0;     // full checks of a folder (with its mkdir)
    std::uint64_t fileReads = 0;        // state or protection files read whole
    std::uint64_t fileReplacements = 0; // state or protection files written
    std::uint64_t fileOpens = 0;        // the lock, a state or protection file or an image opened
};
DriveFileCounts& driveFileCounts();

// A disk name is 1 to 64 letters, digits, '-', '_' or '.', not starting
// with '.', so it always names a file inside the disks folder.
bool isValidDiskName(const std::string& name);

// The next line of text from at, without its '\n', and moves at past it;
// false at the end. A last line without '\n' still counts. (No string
// streams: their locale set-up alone would make the driver library's
// memory several times larger.)
bool nextLine(const std::string& text, std::size_t& at, std::string& line);

// Opens the file name in folder, never following a link (counted as a
// file open); noFile when it cannot be.
FileHandle openDriveFileIn(FileHandle folder, const std::string& name, FileAccess access,
                           OpenFailure* failure = nullptr);
// The whole content of a file; nothing when it does not exist or cannot be
// read. A link is not followed: it cannot be read.
std::optional<std::string> readWholeFileIn(FileHandle folder, const std::string& name);
// The same from an open file, from its start.
std::optional<std::string> readWholeFd(FileHandle file);

// Replaces the file name in folder with text: writes a temporary file
// beside it, flushes it to the disk and renames it over the old one, so a
// crash at any moment leaves either the old or the new content, never a
// mix. The temporary is made afresh (a stale one, or a link planted in its
// place, is removed first and never written through); a link at name is
// replaced, not followed. Without flushFolder the rename is not flushed: a
// crash may then leave the old content, whole, in place of the new (never
// a mix); for what a power loss clears anyway.
bool replaceFileIn(FileHandle folder, const std::string& name, const std::string& text, bool flushFolder = true);
