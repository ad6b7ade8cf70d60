#include "drive/drive_files.h"

#include "os/host_folder.h"

#include <climits>

namespace {

std::string problem;
DriveFileCounts counts;

// The drive's two folders as opened and checked, for the host folder the
// environment named then. `generation` moves whenever they were opened
// afresh, so files kept in the old ones are let go.
struct CheckedFolders {
    std::string host;
    std::string drive, disks; // their paths, for telling the person
    FileHandle driveFd = noFile, disksFd = noFile;
    bool held = false; // checked at the start of the request now running
    unsigned generation = 0;
} checked;

bool refuseFolder(const std::string& path, const std::string& why)
{
    problem = "the folder " + path + " " + why;
    return false;
}

bool isPrivate(FileHandle folder, const std::string& path)
{
    std::string why;
    return folderIsPrivate(folder, path, why) || refuseFolder(path, why);
}

// The folder name in parent, made when missing, opened one step from
// parent without following a link, and checked on what was opened.
bool openCheckedFolderIn(FileHandle parent, const char* name, const std::string& path, FileHandle& folder)
{
    ++counts.folderSetups;
    std::string why;
    folder = openFolderIn(parent, name, why);
    if (folder == noFile)
        return refuseFolder(path, why);
    if (isPrivate(folder, path))
        return true;
    closeFile(folder);
    return false;
}

// Opens and checks both folders of the host folder the environment names
// now; nothing when they are the ones held already.
bool checkDriveFolders()
{
    if (checked.held)
        return true;
    // The host folder the environment names now (no system call): while it
    // is the one whose folders are held, they stay in use.
    char host[PATH_MAX];
    if (checked.driveFd != noFile && hostFolderName(host, sizeof host) && checked.host == host)
        return true;
    problem.clear();
    forgetDriveFolders();
    char path[PATH_MAX];
    if (!hostFolderName(host, sizeof host) || !hostFolderPath(path, sizeof path))
        return false;
    // The host folder itself is the platform's, checked by it; from it on,
    // every step is one folder, never a link.
    std::string why;
    FileHandle hostFd = openHostFolder(path, why);
    if (hostFd == noFile)
        return refuseFolder(path, why);
    std::string drive = std::string(path) + folderSeparator + "drive", disks = drive + folderSeparator + "disks";
    FileHandle driveFd = noFile, disksFd = noFile;
    bool opened = openCheckedFolderIn(hostFd, "drive", drive, driveFd) &&
                  openCheckedFolderIn(driveFd, "disks", disks, disksFd);
    closeFile(hostFd);
    if (!opened) {
        closeFile(driveFd);
        return false;
    }
    checked.host = host;
    checked.drive = drive;
    checked.disks = disks;
    checked.driveFd = driveFd;
    checked.disksFd = disksFd;
    return true;
}

} // namespace

bool holdDriveFolders()
{
    if (!checkDriveFolders())
        return false;
    checked.held = true;
    return true;
}

void releaseDriveFolders() { checked.held = false; }

void forgetDriveFolders()
{
    closeFile(checked.driveFd);
    closeFile(checked.disksFd);
    checked.host.clear();
    ++checked.generation;
}

bool heldFoldersStillPrivate()
{
    return checked.driveFd != noFile && isPrivate(checked.driveFd, checked.drive) &&
           isPrivate(checked.disksFd, checked.disks);
}

unsigned driveFolderGeneration() { return checked.generation; }

FileHandle driveFolderFd() { return checkDriveFolders() ? checked.driveFd : noFile; }

FileHandle disksFolderFd() { return checkDriveFolders() ? checked.disksFd : noFile; }

std::string driveFolder() { return checkDriveFolders() ? checked.drive : std::string(); }

std::string disksFolder() { return checkDriveFolders() ? checked.disks : std::string(); }

std::string diskImagePath(const std::string& diskName)
{
    std::string disks = disksFolder();
    return disks.empty() ? disks : disks + folderSeparator + diskImageName(diskName);
}

std::string diskImageName(const std::string& diskName) { return diskName + ".img"; }

std::string protectionRecordName(const std::string& diskName) { return diskName + ".protection"; }

DriveFileCounts& driveFileCounts() { return counts; }

const std::string& folderProblem() { return problem; }

bool refuseDrive(const std::string& why)
{
    problem = why;
    return false;
}

bool isValidDiskName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name[0] == '.')
        return false;
    for (char c : name) {
        bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.';
        if (!allowed)
            return false;
    }
    return true;
}

FileHandle openDriveFileIn(FileHandle folder, const std::string& name, FileAccess access, OpenFailure* failure)
{
    ++counts.fileOpens;
    return openFileIn(folder, name, access, failure);
}

std::optional<std::string> readWholeFd(FileHandle file)
{
    ++counts.fileReads;
    std::string text;
    char buffer[4096];
    for (;;) {
        std::size_t got = 0;
        if (!readAt(file, buffer, sizeof buffer, text.size(), got))
            return std::nullopt;
        text.append(buffer, got);
        if (got < sizeof buffer)
            break;
    }
    return text;
}

std::optional<std::string> readWholeFileIn(FileHandle folder, const std::string& name)
{
    // Never blocks on a FIFO planted in a file's place; a folder fails its read.
    FileHandle file = openDriveFileIn(folder, name, FileAccess::read);
    if (file == noFile)
        return std::nullopt;
    std::optional<std::string> text;
    if (kindOf(file) == FileKind::plain)
        text = readWholeFd(file);
    closeFile(file);
    return text;
}

bool replaceFileIn(FileHandle folder, const std::string& name, const std::string& text, bool flushFolderToo)
{
    ++counts.fileReplacements;
    if (folder == noFile || name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
        return false; // a name alone, in the folder held
    std::string temporary = name + ".new";
    // Only this file, made here: whatever was left at the name goes first.
    removeFileIn(folder, temporary);
    FileHandle file = openFileIn(folder, temporary, FileAccess::createNew);
    if (file == noFile)
        return false;
    bool written = writeAt(file, text.data(), text.size(), 0) && flushFile(file);
    closeFile(file);
    if (!written || !renameIn(folder, temporary, name)) {
        removeFileIn(folder, temporary);
        return false;
    }
    // Make the rename itself durable.
    if (flushFolderToo)
        flushFolder(folder);
    return true;
}

bool nextLine(const std::string& text, std::size_t& at, std::string& line)
{
    if (at >= text.size())
        return false;
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos)
        end = text.size();
    line.assign(text, at, end - at);
    at = end + 1;
    return true;
}
