#include "drive/kept_drive.h"

#include "drive/drive_files.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
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
    // The file named name in the folder is still this one: one lstat of the
    // name alone, through the folder held open.
    bool isAt(int folder, const char* name, bool unchangedContent) const
    {
        struct stat info;
        if (fd < 0 || folder < 0 || fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_dev != mark.st_dev ||
            info.st_ino != mark.st_ino || info.st_mode != mark.st_mode)
            return false;
        return !unchangedContent ||
               (info.st_size == mark.st_size && info.st_mtim.tv_sec == mark.st_mtim.tv_sec &&
                info.st_mtim.tv_nsec == mark.st_mtim.tv_nsec && info.st_ctim.tv_sec == mark.st_ctim.tv_sec &&
                info.st_ctim.tv_nsec == mark.st_ctim.tv_nsec);
    }
};

// What the drive loses with its power, at the start of the lock file,
// which every process maps shared: written and read only under the lock,
// never flushed. It belongs to the state file whose generation it names;
// the checksum finds one torn by a crash in the middle of writing it.
struct PoweredRecord {
    char magic[8];
    std::uint64_t generation;
    std::uint8_t protectionMode;
    std::uint8_t mediumChanged;
    std::uint8_t hasSense;
    std::uint8_t unused;
    SenseData sense;
    std::uint8_t padding[2];
    std::uint32_t checksum;
    std::uint32_t reserved;
};
static_assert(sizeof(PoweredRecord) == 48); // no padding the checksum would miss
constexpr char poweredMagic[8] = {'Q', 'u', 'i', 'b', 'P', 'w', 'r', '1'};

// FNV-1a over everything before the checksum.
std::uint32_t checksumOf(const PoweredRecord& record)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    std::uint32_t sum = 2166136261u;
    for (std::size_t i = 0; i < offsetof(PoweredRecord, checksum); ++i)
        sum = (sum ^ bytes[i]) * 16777619u;
    return sum;
}

struct KeptDrive {
    unsigned folderGeneration = 0;
    KeptFile lock;
    PoweredRecord* powered = nullptr; // the lock file's record; null when it could not be mapped
    KeptFile stateFile;
    DriveState state;
    std::string protectionDisk;
    KeptFile protectionFile;
    ProtectionRecord protection;
    std::string imageDisk;
    KeptFile image;

    void letGo()
    {
        if (powered)
            munmap(powered, sizeof(PoweredRecord));
        powered = nullptr;
        lock.letGo();
        stateFile.letGo();
        protectionFile.letGo();
        protectionDisk.clear();
        image.letGo();
        imageDisk.clear();
    }
} kept;

// A disk's file name in the disks folder: NAME.img or NAME.protection. A
// name too long for it is empty, and so never names a kept file.
struct DiskFileName {
    char text[96];
    DiskFileName(const std::string& disk, const char* suffix)
    {
        int n = std::snprintf(text, sizeof text, "%s%s", disk.c_str(), suffix);
        if (n < 0 || std::size_t(n) >= sizeof text)
            text[0] = '\0';
    }
};

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
    if (kept.lock.fd >= 0)
        return kept.lock.fd;
    kept.lock.hold(openCounted(driveLockPath(), O_RDWR | O_CREAT));
    // The file only ever grows (to hold the record, zeros until first
    // written), so the mapping never reaches past its end. Without the
    // mapping, the state file keeps the powered fields too.
    if (kept.lock.fd >= 0 &&
        (kept.lock.mark.st_size >= off_t(sizeof(PoweredRecord)) ||
         ftruncate(kept.lock.fd, sizeof(PoweredRecord)) == 0)) {
        void* mapped = mmap(nullptr, sizeof(PoweredRecord), PROT_READ | PROT_WRITE, MAP_SHARED, kept.lock.fd, 0);
        if (mapped != MAP_FAILED)
            kept.powered = static_cast<PoweredRecord*>(mapped);
    }
    return kept.lock.fd;
}

namespace {

// The powered record as it is now, when it is whole.
std::optional<PoweredRecord> wholePoweredRecord()
{
    if (!kept.powered)
        return std::nullopt;
    PoweredRecord record;
    std::memcpy(&record, kept.powered, sizeof record);
    if (std::memcmp(record.magic, poweredMagic, sizeof poweredMagic) != 0 || record.checksum != checksumOf(record))
        return std::nullopt;
    return record;
}

// Puts the powered fields into a state read from the state file: those of
// the record when it is whole and belongs to this state file; otherwise
// (a record torn by a crash, left from a state file since replaced by
// other means, or never written) those of a drive just powered on, which
// reports a disk in its slot as possibly changed.
DriveState withPoweredFields(DriveState state)
{
    if (!kept.powered)
        return state;
    std::optional<PoweredRecord> record = wholePoweredRecord();
    if (record && record->generation == state.generation) {
        state.protectionMode = record->protectionMode != 0;
        state.mediumChanged = record->mediumChanged != 0;
        state.pendingSense.reset();
        if (record->hasSense)
            state.pendingSense = record->sense;
    } else {
        state.protectionMode = false;
        state.mediumChanged = state.plugged && !state.disk.empty();
        state.pendingSense.reset();
    }
    return state;
}

void writePoweredRecord(const DriveState& state)
{
    PoweredRecord record{};
    std::memcpy(record.magic, poweredMagic, sizeof poweredMagic);
    record.generation = state.generation;
    record.protectionMode = state.protectionMode;
    record.mediumChanged = state.mediumChanged;
    record.hasSense = state.pendingSense.has_value();
    if (state.pendingSense)
        record.sense = *state.pendingSense;
    record.checksum = checksumOf(record);
    std::memcpy(kept.powered, &record, sizeof record);
}

} // namespace

std::optional<DriveState> keptDriveState()
{
    if (kept.stateFile.isAt(driveFolderFd(), "state", true))
        return withPoweredFields(kept.state);
    std::string path = driveStatePath();
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
    return withPoweredFields(kept.state);
}

bool saveKeptDriveState(DriveState& state, bool lastingChanged)
{
    // Only the powered fields changed, and the state file read at the
    // request's start is still the one in place: the record alone.
    if (!lastingChanged && kept.powered && kept.stateFile.fd >= 0 && kept.state.generation == state.generation) {
        writePoweredRecord(state);
        return true;
    }
    // A new generation, beyond both the file's and the record's, so that a
    // record left from any earlier state file never counts for this one.
    DriveState next = state;
    std::optional<PoweredRecord> record = wholePoweredRecord();
    next.generation = std::max(state.generation, record ? record->generation : 0) + 1;
    int fd = -1;
    // A crash before the record is written leaves it naming the old
    // generation: the new state then reads as just powered on.
    if (!saveDriveState(driveStatePath(), next, &fd, lastingChanged))
        return false;
    kept.stateFile.hold(fd);
    kept.state = next;
    state.generation = next.generation;
    if (kept.powered)
        writePoweredRecord(next);
    return true;
}

ProtectionRecord keptProtection(const std::string& disk)
{
    if (kept.protectionDisk == disk &&
        kept.protectionFile.isAt(disksFolderFd(), DiskFileName(disk, ".protection").text, true))
        return kept.protection;
    std::string path = protectionRecordPath(disk);
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
    if (kept.imageDisk == disk && kept.image.isAt(disksFolderFd(), DiskFileName(disk, ".img").text, false))
        return true;
    std::string path = diskImagePath(disk);
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
