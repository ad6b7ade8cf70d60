// Where the virtual drive keeps its state and disks inside the host folder,
// and the two file operations everything else builds on: reading a small
// file whole and replacing it atomically.
//
//   <host folder>/drive/state              the drive (see drive_state.h)
//   <host folder>/drive/lock               taken while a request or quibdrive works
//   <host folder>/drive/disks/NAME.img     a disk: raw image of 78848 sectors
//   <host folder>/drive/disks/NAME.protection  that disk's protection record
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The drive's folder and its disks folder, created when missing (mode 0700).
// Empty when the host folder cannot be used, or when either folder is not
// private to this user: one that another user owns, or that the group or
// others may write, could have had links planted in it. That refusal's
// reason, naming the folder, is then folderProblem().
//
// The full check (making the folders, checking owner and mode) runs once;
// after it each look costs one lstat per folder, which finds the folders
// still the same ones with the same owner and mode. Anything else (another
// host folder in the environment, a folder removed, replaced by a link,
// given to another user or opened to others) brings the full check back.
std::string driveFolder();
std::string disksFolder();
const std::string& folderProblem();
// The same two folders held open (O_PATH), for looking up a file in them by
// its name alone; -1 when they cannot be used.
int driveFolderFd();
int disksFolderFd();

// A request checks the folders once, at its start, and then uses them
// without looking again until it ends: holdDriveFolders() checks (false
// when they cannot be used), releaseDriveFolders() ends the request's hold.
bool holdDriveFolders();
void releaseDriveFolders();
// Changes whenever the folders had to be checked in full: what was kept
// open in them may belong to folders no longer in use.
unsigned driveFolderGeneration();

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

std::string driveStatePath();
std::string driveLockPath();
std::string diskImagePath(const std::string& diskName);
std::string protectionRecordPath(const std::string& diskName);

// A disk name is 1 to 64 letters, digits, '-', '_' or '.', not starting
// with '.', so it always names a file inside the disks folder.
bool isValidDiskName(const std::string& name);

// The next line of text from at, without its '\n', and moves at past it;
// false at the end. A last line without '\n' still counts. (No string
// streams: their locale set-up alone would make the driver library's
// memory several times larger.)
bool nextLine(const std::string& text, std::size_t& at, std::string& line);

// The whole content of a file; nothing when it does not exist or cannot be
// read. A link is not followed: it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);
// The same from an open file, from its start.
std::optional<std::string> readWholeFd(int fd);

// Replaces the file with text: writes a temporary file beside it, flushes
// it to the disk and renames it over the old one, so a crash at any moment
// leaves either the old or the new content, never a mix. The temporary is
// made afresh (a stale one, or a link planted in its place, is removed
// first and never written through); a link at path is replaced, not followed.
// With keptOpen, the new file stays open (write-only) and its descriptor
// is put there, so the caller can hold on to the file it wrote. Without
// flushFolder the rename is not flushed: a crash may then leave the old
// content, whole, in place of the new (never a mix); for what a power loss
// clears anyway.
bool replaceFileAtomically(const std::string& path, const std::string& text, int* keptOpen = nullptr,
                           bool flushFolder = true);
