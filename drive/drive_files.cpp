#include "drive/drive_files.h"

#include "platform/host_folder.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string problem;
DriveFileCounts counts;

// What a folder was when it was last checked in full: the same folder, with
// the same owner and mode, needs no new check.
struct FolderMark {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    bool operator==(const FolderMark&) const = default;
};

FolderMark markOf(const struct stat& info) { return {info.st_dev, info.st_ino, info.st_mode, info.st_uid}; }

// The drive's two folders as last checked in full, for the host folder the
// environment named then. checkDriveFolders bumps `generation` whenever it
// had to check them afresh, so files held open in the old folders are let go.
struct CheckedFolders {
    std::string host;
    std::string drive, disks;
    FolderMark driveMark, disksMark;
    // The two folders themselves, held open (O_PATH) from their full check
    // on: while the drive folder at its path is still this one, a name
    // looked up through them is the one at the whole path, one step away.
    int driveFd = -1, disksFd = -1;
    bool valid = false;
    bool held = false; // checked at the start of the request now running
    unsigned generation = 0;
} checked;

bool unchangedFolder(const std::string& path, const FolderMark& mark)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && markOf(info) == mark;
}

bool unchangedFolderIn(int parent, const char* name, const FolderMark& mark)
{
    struct stat info;
    return fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && markOf(info) == mark;
}

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

// The folder exists, is a folder (not a link to one), and is this user's
// alone to change, as ssh asks of ~/.ssh.
bool ensureFolder(const std::string& path, FolderMark& mark)
{
    ++counts.folderSetups;
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return refuseFolder(path, std::string("cannot be made: ") + std::strerror(errno));
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return refuseFolder(path, std::string("cannot be used: ") + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return refuseFolder(path, "is not a folder (a link or a file is in its place)");
    if (info.st_uid != geteuid())
        return refuseFolder(path, "belongs to another user; the drive uses only folders of its own user");
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return refuseFolder(path, "is one that others may write to; make it private: chmod 700 " + path);
    mark = markOf(info);
    return true;
}

// The folder just checked, held open: the one whose mark was taken, or a
// refusal when another took its place meanwhile.
bool holdFolder(const std::string& path, const FolderMark& mark, int& fd)
{
    fd = open(path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && fstat(fd, &info) == 0 && markOf(info) == mark)
        return true;
    closeFolder(fd);
    return refuseFolder(path, "changed while it was being checked");
}

std::string parentOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Both folders fit for use: looked at quickly when they are the ones checked
// before, checked in full otherwise; not at all while a request holds them.
bool checkDriveFolders()
{
    if (checked.held)
        return true;
    problem.clear();
    // The host folder the environment names now (no system call): while it
    // is the one checked, its drive folders need one look each.
    char host[PATH_MAX];
    if (checked.valid && hostFolderName(host, sizeof host) && checked.host == host &&
        unchangedFolder(checked.drive, checked.driveMark) &&
        unchangedFolderIn(checked.driveFd, "disks", checked.disksMark))
        return true;
    // Something changed, or this is the first look: check in full, making
    // what is missing.
    checked.valid = false;
    ++checked.generation;
    closeFolder(checked.driveFd);
    closeFolder(checked.disksFd);
    char path[PATH_MAX];
    if (!hostFolderName(host, sizeof host) || !hostFilePath("drive", path, sizeof path))
        return false;
    std::string drive = path, disks = drive + "/disks";
    FolderMark driveMark, disksMark;
    int driveFd = -1, disksFd = -1;
    if (!ensureFolder(drive, driveMark) || !holdFolder(drive, driveMark, driveFd))
        return false;
    if (!ensureFolder(disks, disksMark) || !holdFolder(disks, disksMark, disksFd)) {
        closeFolder(driveFd);
        return false;
    }
    checked = {host, drive, disks, driveMark, disksMark, driveFd, disksFd, true, false, checked.generation};
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

unsigned driveFolderGeneration() { return checked.generation; }

std::string driveFolder() { return checkDriveFolders() ? checked.drive : std::string(); }

std::string disksFolder() { return checkDriveFolders() ? checked.disks : std::string(); }

int driveFolderFd() { return checkDriveFolders() ? checked.driveFd : -1; }

int disksFolderFd() { return checkDriveFolders() ? checked.disksFd : -1; }

DriveFileCounts& driveFileCounts() { return counts; }

const std::string& folderProblem() { return problem; }

std::string driveStatePath()
{
    std::string drive = driveFolder();
    return drive.empty() ? drive : drive + "/state";
}

std::string driveLockPath()
{
    std::string drive = driveFolder();
    return drive.empty() ? drive : drive + "/lock";
}

std::string diskImagePath(const std::string& diskName)
{
    std::string disks = disksFolder();
    return disks.empty() ? disks : disks + "/" + diskName + ".img";
}

std::string protectionRecordPath(const std::string& diskName)
{
    std::string disks = disksFolder();
    return disks.empty() ? disks : disks + "/" + diskName + ".protection";
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

std::optional<std::string> readWholeFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> text = readWholeFd(fd);
    close(fd);
    return text;
}

bool replaceFileAtomically(const std::string& path, const std::string& text, int* keptOpen, bool flushFolder)
{
    ++counts.fileReplacements;
    std::string temporary = path + ".new";
    // Only this file, made here: whatever was left at the name goes first.
    unlink(temporary.c_str());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            unlink(temporary.c_str());
            return false;
        }
        done += std::size_t(n);
    }
    bool flushed = fsync(fd) == 0;
    bool closed = keptOpen != nullptr || close(fd) == 0;
    if (!closed || !flushed || rename(temporary.c_str(), path.c_str()) != 0) {
        if (keptOpen != nullptr)
            close(fd);
        unlink(temporary.c_str());
        return false;
    }
    if (keptOpen != nullptr)
        *keptOpen = fd; // now the file at path
    if (!flushFolder)
        return true;
    // Make the rename itself durable.
    int folder = open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
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
