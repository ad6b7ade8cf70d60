#include "drive/kept_drive.h"

#include "drive/drive_files.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file held open, and what it was when it was opened or written.
struct KeptFile {
    int fd = -1;
    struct stat mark {};

    void letGo()
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    void hold(int opened)
    {
        letGo();
        if (opened >= 0 && fstat(opened, &mark) != 0) {
            close(opened);
            return;
        }
        fd = opened;
    }
    // The file at path is still this one: one lstat.
    bool isAt(const std::string& path, bool unchangedContent) const
    {
        struct stat info;
        if (fd < 0 || lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_dev != mark.st_dev ||
            info.st_ino != mark.st_ino || info.st_mode != mark.st_mode)
            return false;
        return !unchangedContent ||
               (info.st_size == mark.st_size && info.st_mtim.tv_sec == mark.st_mtim.tv_sec &&
                info.st_mtim.tv_nsec == mark.st_mtim.tv_nsec && info.st_ctim.tv_sec == mark.st_ctim.tv_sec &&
                info.st_ctim.tv_nsec == mark.st_ctim.tv_nsec);
    }
};

struct KeptDrive {
    unsigned folderGeneration = 0;
    KeptFile lock;
    KeptFile stateFile;
    DriveState state;
    std::string protectionDisk;
    KeptFile protectionFile;
    ProtectionRecord protection;
    std::string imageDisk;
    KeptFile image;

    void letGo()
    {
        lock.letGo();
        stateFile.letGo();
        protectionFile.letGo();
        protectionDisk.clear();
        image.letGo();
        imageDisk.clear();
    }
} kept;

int openCounted(const std::string& path, int flags)
{
    ++driveFileCounts().fileOpens;
    return open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// A child made by fork shares the parent's open files, and with them the
// parent's lock: it must open its own.
void forgetInChild() { kept.letGo(); }
[[maybe_unused]] const int forkHandler = pthread_atfork(nullptr, nullptr, forgetInChild);

} // namespace

void keepForFolders(unsigned folderGeneration)
{
    if (kept.folderGeneration != folderGeneration)
        kept.letGo();
    kept.folderGeneration = folderGeneration;
}

int keptLock()
{
    if (kept.lock.fd < 0)
        kept.lock.hold(openCounted(driveLockPath(), O_RDWR | O_CREAT));
    return kept.lock.fd;
}

std::optional<DriveState> keptDriveState()
{
    std::string path = driveStatePath();
    if (kept.stateFile.isAt(path, true))
        return kept.state;
    kept.stateFile.letGo();
    int fd = openCounted(path, O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> text = readWholeFd(fd);
    if (!text) {
        close(fd);
        return std::nullopt;
    }
    kept.stateFile.hold(fd);
    kept.state = parseDriveState(*text);
    return kept.state;
}

bool saveKeptDriveState(const DriveState& state, bool flushFolder)
{
    int fd = -1;
    if (!saveDriveState(driveStatePath(), state, &fd, flushFolder))
        return false;
    kept.stateFile.hold(fd);
    kept.state = state;
    return true;
}

ProtectionRecord keptProtection(const std::string& disk)
{
    std::string path = protectionRecordPath(disk);
    if (kept.protectionDisk == disk && kept.protectionFile.isAt(path, true))
        return kept.protection;
    kept.protectionFile.letGo();
    kept.protectionDisk.clear();
    int fd = openCounted(path, O_RDONLY);
    if (fd < 0)
        return {stateBroken, {}};
    std::optional<std::string> text = readWholeFd(fd);
    if (!text) {
        close(fd);
        return {stateBroken, {}};
    }
    kept.protectionFile.hold(fd);
    kept.protectionDisk = disk;
    kept.protection = parseProtectionRecord(*text);
    return kept.protection;
}

bool saveKeptProtection(const std::string& disk, const ProtectionRecord& record)
{
    int fd = -1;
    if (!saveProtectionRecord(protectionRecordPath(disk), record, &fd))
        return false;
    kept.protectionFile.hold(fd);
    kept.protectionDisk = disk;
    kept.protection = record;
    return true;
}

bool checkImage(const std::string& disk)
{
    std::string path = diskImagePath(disk);
    if (kept.imageDisk == disk && kept.image.isAt(path, false))
        return true;
    forgetImage();
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // An image that cannot be written (a read-only file) still reads.
    int fd = openCounted(path, O_RDWR);
    if (fd < 0)
        fd = openCounted(path, O_RDONLY);
    kept.image.hold(fd);
    kept.imageDisk = disk;
    return true;
}

int imageOf(const std::string& disk)
{
    if (kept.imageDisk != disk && !checkImage(disk))
        return -1;
    return kept.image.fd;
}

void forgetImage()
{
    kept.image.letGo();
    kept.imageDisk.clear();
}
