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

bool refuseFolder(const std::string& path, const std::string& why)
{
    problem = "the folder " + path + " " + why;
    return false;
}

// The folder exists, is a folder (not a link to one), and is this user's
// alone to change, as ssh asks of ~/.ssh.
bool ensureFolder(const std::string& path)
{
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
    return true;
}

std::string parentOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

std::string driveFolder()
{
    char path[PATH_MAX];
    problem.clear();
    if (!hostFilePath("drive", path, sizeof path) || !ensureFolder(path))
        return {};
    return path;
}

std::string disksFolder()
{
    std::string drive = driveFolder();
    if (drive.empty() || !ensureFolder(drive + "/disks"))
        return {};
    return drive + "/disks";
}

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

std::optional<std::string> readWholeFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        text.append(buffer, std::size_t(n));
    }
    close(fd);
    return text;
}

bool replaceFileAtomically(const std::string& path, const std::string& text)
{
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
    if (close(fd) != 0 || !flushed || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    int folder = open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}
