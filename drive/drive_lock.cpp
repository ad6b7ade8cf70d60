#include "drive/drive_lock.h"

#include "drive/drive_files.h"
#include "os/file_lock.h"

#include <atomic>
#include <cstddef>
#include <cstring>

namespace {

// What the drive loses with its power. It belongs to the state file whose
// generation it names; the checksum finds one torn by a crash in the
// middle of writing it.
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

// lockByFile: the system's lock on the whole file (flock, LockFileEx),
// where there is no shared mutex that outlives a dead holder.
enum LockKind : std::uint32_t { lockByFile = 1, lockByMutex = 2 };

// The start of the lock file. Its magic is written last when it is set
// up, so a record half set up is set up again.
struct LockRecord {
    char magic[8];
    std::uint32_t kind;
    std::uint32_t layout; // the mutex's size and the word size of the program that set it up
    std::uint64_t changeCount;
    PoweredRecord powered;
    alignas(16) unsigned char mutex[sharedMutexRoom];
};
static_assert(offsetof(LockRecord, powered) == poweredRecordOffset);
constexpr char lockMagic[8] = {'Q', 'u', 'i', 'b', 'L', 'c', 'k', '2'};
const std::uint32_t ourLayout = sharedMutexSize() | std::uint32_t(sizeof(void*)) << 8;

struct OpenLock {
    FileHandle file = noFile;
    LockRecord* record = nullptr;
    std::string path;
} lock;

// FNV-1a over everything before the checksum.
std::uint32_t checksumOf(const PoweredRecord& record)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    std::uint32_t sum = 2166136261u;
    for (std::size_t i = 0; i < offsetof(PoweredRecord, checksum); ++i)
        sum = (sum ^ bytes[i]) * 16777619u;
    return sum;
}

// A new (or half set up, or older) record: everything zero, which reads as
// a drive just powered on, a change count that every process sees as
// moved, and the lock.
void setUp(LockRecord* record)
{
    std::memset(record, 0, sizeof *record);
    record->kind = sharedMutexesWork() && setUpSharedMutex(record->mutex) ? lockByMutex : lockByFile;
    record->layout = ourLayout;
    record->changeCount = 1;
    std::atomic_thread_fence(std::memory_order_release);
    std::memcpy(record->magic, lockMagic, sizeof lockMagic);
}

bool refuseLock(const char* why)
{
    refuseDrive("the drive's lock file " + lock.path + " " + why);
    closeDriveLock();
    return false;
}

} // namespace

bool openDriveLock()
{
    if (lock.record)
        return true;
    lock.path = driveFolder() + folderSeparator + driveLockName;
    OpenFailure failure = OpenFailure::none;
    lock.file = openDriveFileIn(driveFolderFd(), driveLockName, FileAccess::openOrCreate, &failure);
    if (lock.file == noFile && failure == OpenFailure::isLink)
        return refuseLock("is not a plain file (a link?); remove it");
    if (lock.file == noFile)
        return refuseLock(("cannot be opened: " + lastFileError()).c_str());
    if (kindOf(lock.file) != FileKind::plain)
        return refuseLock("is not a plain file; remove it");
    // The file only ever grows (to hold the record), so a mapping never
    // reaches past its end.
    if (fileSize(lock.file) < sizeof(LockRecord) && !setFileSize(lock.file, sizeof(LockRecord)))
        return refuseLock(("cannot be written: " + lastFileError()).c_str());
    void* mapped = mapShared(lock.file, sizeof(LockRecord));
    if (mapped == nullptr)
        return refuseLock(("cannot be mapped: " + lastFileError()).c_str());
    lock.record = static_cast<LockRecord*>(mapped);
    // Setting the record up takes turns through the file's lock, which
    // every process can take, whichever lock the record then names.
    if (!lockWholeFile(lock.file))
        return refuseLock("cannot be locked");
    if (std::memcmp(lock.record->magic, lockMagic, sizeof lockMagic) != 0)
        setUp(lock.record);
    std::atomic_thread_fence(std::memory_order_acquire);
    bool fits = lock.record->kind == lockByFile || (lock.record->kind == lockByMutex && lock.record->layout == ourLayout);
    unlockWholeFile(lock.file);
    if (!fits)
        return refuseLock("was set up by a program built for another kind of machine; remove it while no program "
                          "uses the drive");
    return true;
}

void closeDriveLock()
{
    unmapShared(lock.record, sizeof(LockRecord));
    lock.record = nullptr;
    closeFile(lock.file);
}

bool lockDrive()
{
    if (!openDriveLock())
        return false;
    if (lock.record->kind == lockByFile)
        return lockWholeFile(lock.file);
    MutexTaken taken = lockSharedMutex(lock.record->mutex);
    if (taken == MutexTaken::holderDied) {
        // Its holder died in the middle of a request. Every file it wrote
        // was replaced whole, and a torn powered record fails its checksum;
        // what it may have changed without moving the count, every process
        // reads afresh.
        ++lock.record->changeCount;
    }
    return taken != MutexTaken::failed;
}

void unlockDrive()
{
    if (!lock.record)
        return;
    if (lock.record->kind == lockByFile)
        unlockWholeFile(lock.file);
    else
        unlockSharedMutex(lock.record->mutex);
}

std::uint64_t driveChangeCount() { return lock.record ? lock.record->changeCount : 0; }

std::uint64_t noteDriveChange()
{
    if (!lock.record)
        return 0;
    return ++lock.record->changeCount;
}

std::optional<PoweredFields> readPoweredFields()
{
    if (!lock.record)
        return std::nullopt;
    PoweredRecord record;
    std::memcpy(&record, &lock.record->powered, sizeof record);
    if (std::memcmp(record.magic, poweredMagic, sizeof poweredMagic) != 0 || record.checksum != checksumOf(record))
        return std::nullopt;
    PoweredFields fields;
    fields.generation = record.generation;
    fields.protectionMode = record.protectionMode != 0;
    fields.mediumChanged = record.mediumChanged != 0;
    if (record.hasSense)
        fields.sense = record.sense;
    return fields;
}

void writePoweredFields(const PoweredFields& fields)
{
    if (!lock.record)
        return;
    PoweredRecord record{};
    std::memcpy(record.magic, poweredMagic, sizeof poweredMagic);
    record.generation = fields.generation;
    record.protectionMode = fields.protectionMode;
    record.mediumChanged = fields.mediumChanged;
    record.hasSense = fields.sense.has_value();
    if (fields.sense)
        record.sense = *fields.sense;
    record.checksum = checksumOf(record);
    std::memcpy(&lock.record->powered, &record, sizeof record);
}
