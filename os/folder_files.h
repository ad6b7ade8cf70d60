// Files reached by their names in a folder held open, never through a link:
// what the virtual drive builds its state, lock and disks on. A folder is
// opened one step from the folder before it, and a file by its name alone
// in a held folder, so a folder swapped for a link (a junction on Windows)
// after it was checked cannot lead a write elsewhere.
//
// Handles are the system's own (a descriptor on Linux, a HANDLE on
// Windows), carried in an integer wide enough for either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using FileHandle = std::intptr_t;
constexpr FileHandle noFile = -1;

// What joins a folder's path and a name in it, for telling the person.
#ifdef _WIN32
constexpr char folderSeparator = '\\';
#else
constexpr char folderSeparator = '/';
#endif

// What a name in a folder, or an open file, is. A link, a junction, a FIFO
// or a device is `other`: never a file of the drive's.
enum class FileKind { missing, plain, folder, other };

// Why an open failed, in the terms its callers act on.
enum class OpenFailure { none, missing, exists, isLink, refused, other };

// The host folder itself, by its path (the platform has checked it).
// Nothing, with why in words, when it cannot be opened.
FileHandle openHostFolder(const std::string& path, std::string& why);
// The folder name in parent, made (private to this user) when missing, and
// opened without following a link. Nothing, with why in words ("is not a
// folder (a link or a file is in its place)", "cannot be made: ...").
FileHandle openFolderIn(FileHandle parent, const std::string& name, std::string& why);
// The open folder is this user's alone to change, as ssh asks of ~/.ssh:
// another user's, or one that others may write, could have had links
// planted in it. False, with why in words, otherwise. `path` names it.
bool folderIsPrivate(FileHandle folder, const std::string& path, std::string& why);

// How a file is opened. Never through a link; never waiting on a FIFO.
enum class FileAccess {
    read,
    readWrite,
    createNew,   // for writing; fails (exists) when the name is taken, a link too
    openOrCreate // for reading and writing, made when missing
};
FileHandle openFileIn(FileHandle folder, const std::string& name, FileAccess access, OpenFailure* failure = nullptr);
void closeFile(FileHandle& file); // and sets it to noFile

FileKind kindOf(FileHandle file);
FileKind kindOfNameIn(FileHandle folder, const std::string& name);
std::uint64_t fileSize(FileHandle file); // 0 when it cannot be told

// Reads up to count bytes at offset; got is less than count only at the
// end of the file.
bool readAt(FileHandle file, void* out, std::size_t count, std::uint64_t offset, std::size_t& got);
bool writeAt(FileHandle file, const void* data, std::size_t count, std::uint64_t offset);
// Sets the file's length; what is added reads as zeros and takes no room
// where the file system can leave holes.
bool setFileSize(FileHandle file, std::uint64_t size);
bool flushFile(FileHandle file);
// Makes a rename in the folder durable, where the system flushes folders.
void flushFolder(FileHandle folder);

bool removeFileIn(FileHandle folder, const std::string& name);
// Renames from over to in the same folder, replacing what was at `to` (a
// link there is replaced, not followed).
bool renameIn(FileHandle folder, const std::string& from, const std::string& to);

// There is something at the path (a link too), or it cannot be told.
bool somethingAt(const std::string& path);

// The names in the folder, but for "." and "..".
bool listFolder(FileHandle folder, void (*each)(const std::string& name, void* context), void* context);

// The system's words for the last failure of one of these calls; empty
// when none failed since clearFileError().
std::string lastFileError();
void clearFileError();
