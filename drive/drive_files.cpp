#include "drive/drive_files.h"

#include "os/host_folder.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string problem;
DriveFileCounts counts;

// The drive's two folders as opened and checked, for the host folder the
// environment named then. `generation` moves whenever they were opened
// afresh, so files kept in the old ones are let go.
struct CheckedFolders {
    std::string host;
    std::string drive, disks; // their paths, for telling the person
    int driveFd = -1, disksFd = -1;
    bool held = false; // checked at the start of the request now running
    unsigned generation = 0;
} checked;

void closeFolder(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

bool refuseFolder(const std::string& path, const std::string& why)
{
    problem = "the folder " + path + " " + why;
    return false;
}

// The folder open as fd is this user's alone to change, as ssh asks of
// ~/.ssh: another user's, or one the group or others may write, could have
// had links planted in it.
bool isPrivate(int fd, const std::string& path)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return refuseFolder(path, std::string("cannot be used: ") + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return refuseFolder(path, "is not a folder (a link or a file is in its place)");
    if (info.st_uid != geteuid())
        return refuseFolder(path, "belongs to another user; the drive uses only folders of its own user");
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return refuseFolder(path, "is one that others may write to; make it private: chmod 700 " + path);
    return true;
}

// The folder name in parent, made when missing, opened one step from
// parent without following a link, and checked on what was opened.
bool openFolderIn(int parent, const char* name, const std::string& path, int& fd)
{
    ++counts.folderSetups;
    if (mkdirat(parent, name, 0700) != 0 && errno != EEXIST)
        return refuseFolder(path, std::string("cannot be made: ") + std::strerror(errno));
    fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ELOOP || error == ENOTDIR)
            return refuseFolder(path, "is not a folder (a link or a file is in its place)");
        return refuseFolder(path, std::string("cannot be used: ") + std::strerror(error));
    }
    if (isPrivate(fd, path))
        return true;
    closeFolder(fd);
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
    if (checked.driveFd >= 0 && hostFolderName(host, sizeof host) && checked.host == host)
        return true;
    problem.clear();
    forgetDriveFolders();
    char path[PATH_MAX];
    if (!hostFolderName(host, sizeof host) || !hostFolderPath(path, sizeof path))
        return false;
    // The host folder itself is the platform's, checked by it; from it on,
    // every step is one folder, never a link.
    int hostFd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (hostFd < 0)
        return refuseFolder(path, std::string("cannot be used: ") + std::strerror(errno));
    std::string drive = std::string(path) + "/drive", disks = drive + "/disks";
    int driveFd = -1, disksFd = -1;
    bool opened = openFolderIn(hostFd, "drive", drive, driveFd) && openFolderIn(driveFd, "disks", disks, disksFd);
    close(hostFd);
    if (!opened) {
        closeFolder(driveFd);
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
    closeFolder(checked.driveFd);
    closeFolder(checked.disksFd);
    checked.host.clear();
    ++checked.generation;
}

bool heldFoldersStillPrivate()
{
    return checked.driveFd >= 0 && isPrivate(checked.driveFd, checked.drive) &&
           isPrivate(checked.disksFd, checked.disks);
}

unsigned driveFolderGeneration() { return checked.generation; }

int driveFolderFd() { return checkDriveFolders() ? checked.driveFd : -1; }

int disksFolderFd() { return checkDriveFolders() ? checked.disksFd : -1; }

std::string driveFolder() { return checkDriveFolders() ? checked.drive : std::string(); }

std::string disksFolder() { return checkDriveFolders() ? checked.disks : std::string(); }

std::string diskImagePath(const std::string& diskName)
{
    std::string disks = disksFolder();
    return disks.empty() ? disks : disks + "/" + diskImageName(diskName);
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

int openFileIn(int folder, const std::string& name, int flags)
{
    ++counts.fileOpens;
    if (folder < 0)
        return -1;
    return openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
}

std::optional<std::string> readWholeFd(int fd)
{
    ++counts.fileReads;
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = pread(fd, buffer, sizeof buffer, off_t(text.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        text.append(buffer, std::size_t(n));
    }
    return text;
}

std::optional<std::string> readWholeFileIn(int folder, const std::string& name)
{
    // Never blocks on a FIFO planted in a file's place; a folder fails its read.
    int fd = openFileIn(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    std::optional<std::string> text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        text = readWholeFd(fd);
    close(fd);
    return text;
}

bool replaceFileIn(int folder, const std::string& name, const std::string& text, bool flushFolder)
{
    ++counts.fileReplacements;
    if (folder < 0 || name.find('/') != std::string::npos)
        return false; // a name alone, in the folder held
    std::string temporary = name + ".new";
    // Only this file, made here: whatever was left at the name goes first.
    unlinkat(folder, temporary.c_str(), 0);
    int fd = openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            unlinkat(folder, temporary.c_str(), 0);
            return false;
        }
        done += std::size_t(n);
    }
    bool flushed = fsync(fd) == 0;
    bool closed = close(fd) == 0;
    if (!closed || !flushed || renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        unlinkat(folder, temporary.c_str(), 0);
        return false;
    }
    // Make the rename itself durable.
    if (flushFolder)
        fsync(folder);
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
