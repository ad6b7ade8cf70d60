#include "drive/drive_lock.h"

#include "drive/drive_files.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

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

enum LockKind : std::uint32_t { lockByFlock = 1, lockByMutex = 2 };

// The start of the lock file. Its magic is written last when it is set
// up, so a record half set up is set up again.
struct LockRecord {
    char magic[8];
    std::uint32_t kind;
    std::uint32_t layout; // the mutex's size and the word size of the program that set it up
    std::uint64_t changeCount;
    PoweredRecord powered;
    alignas(16) unsigned char mutex[64];
};
static_assert(sizeof(pthread_mutex_t) <= sizeof(LockRecord::mutex));
static_assert(offsetof(LockRecord, powered) == poweredRecordOffset);
constexpr char lockMagic[8] = {'Q', 'u', 'i', 'b', 'L', 'c', 'k', '2'};
constexpr std::uint32_t ourLayout = std::uint32_t(sizeof(pthread_mutex_t)) | std::uint32_t(sizeof(void*)) << 8;

struct OpenLock {
    int fd = -1;
    LockRecord* record = nullptr;
    std::string path;
} lock;

pthread_mutex_t* mutexOf(LockRecord* record) { return reinterpret_cast<pthread_mutex_t*>(record->mutex); }

// FNV-1a over everything before the checksum.
std::uint32_t checksumOf(const PoweredRecord& record)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    std::uint32_t sum = 2166136261u;
    for (std::size_t i = 0; i < offsetof(PoweredRecord, checksum); ++i)
        sum = (sum ^ bytes[i]) * 16777619u;
    return sum;
}

// The kernel gives up a dead holder's robust mutex only where it keeps the
// process's list of robust mutexes; an emulator may not.
bool robustMutexesWork()
{
    void* head = nullptr;
    std::size_t length = 0;
    return syscall(SYS_get_robust_list, 0, &head, &length) == 0;
}

bool setUpMutex(LockRecord* record)
{
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0)
        return false;
    bool made = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                pthread_mutex_init(mutexOf(record), &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return made;
}

// A new (or half set up, or older) record: everything zero, which reads as
// a drive just powered on, a change count that every process sees as
// moved, and the lock.
void setUp(LockRecord* record)
{
    std::memset(record, 0, sizeof *record);
    record->kind = robustMutexesWork() && setUpMutex(record) ? lockByMutex : lockByFlock;
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

bool flockRetrying(int fd, int operation)
{
    while (flock(fd, operation) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

} // namespace

bool openDriveLock()
{
    if (lock.record)
        return true;
    lock.path = driveFolder() + "/" + driveLockName;
    lock.fd = openFileIn(driveFolderFd(), driveLockName, O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY);
    if (lock.fd < 0 && errno == ELOOP)
        return refuseLock("is not a plain file (a link?); remove it");
    if (lock.fd < 0)
        return refuseLock((std::string("cannot be opened: ") + std::strerror(errno)).c_str());
    struct stat info;
    if (fstat(lock.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return refuseLock("is not a plain file; remove it");
    // The file only ever grows (to hold the record), so a mapping never
    // reaches past its end.
    if (info.st_size < off_t(sizeof(LockRecord)) && ftruncate(lock.fd, sizeof(LockRecord)) != 0)
        return refuseLock((std::string("cannot be written: ") + std::strerror(errno)).c_str());
    void* mapped = mmap(nullptr, sizeof(LockRecord), PROT_READ | PROT_WRITE, MAP_SHARED, lock.fd, 0);
    if (mapped == MAP_FAILED)
        return refuseLock((std::string("cannot be mapped: ") + std::strerror(errno)).c_str());
    lock.record = static_cast<LockRecord*>(mapped);
    // Setting the record up takes turns through flock, which every process
    // can take, whichever lock the record then names.
    if (!flockRetrying(lock.fd, LOCK_EX))
        return refuseLock("cannot be locked");
    if (std::memcmp(lock.record->magic, lockMagic, sizeof lockMagic) != 0)
        setUp(lock.record);
    std::atomic_thread_fence(std::memory_order_acquire);
    bool fits = lock.record->kind == lockByFlock || (lock.record->kind == lockByMutex && lock.record->layout == ourLayout);
    flockRetrying(lock.fd, LOCK_UN);
    if (!fits)
        return refuseLock("was set up by a program built for another kind of machine; remove it while no program "
                          "uses the drive");
    return true;
}

void closeDriveLock()
{
    if (lock.record)
        munmap(lock.record, sizeof(LockRecord));
    lock.record = nullptr;
    if (lock.fd >= 0)
        close(lock.fd);
    lock.fd = -1;
}

bool lockDrive()
{
    if (!openDriveLock())
        return false;
    if (lock.record->kind == lockByFlock)
        return flockRetrying(lock.fd, LOCK_EX);
    int taken = pthread_mutex_lock(mutexOf(lock.record));
    if (taken == EOWNERDEAD) {
        // Its holder died in the middle of a request. Every file it wrote
        // was replaced whole, and a torn powered record fails its checksum;
        // what it may have changed without moving the count, every process
        // reads afresh.
        pthread_mutex_consistent(mutexOf(lock.record));
        ++lock.record->changeCount;
        taken = 0;
    }
    return taken == 0;
}

void unlockDrive()
{
    if (!lock.record)
        return;
    if (lock.record->kind == lockByFlock)
        flockRetrying(lock.fd, LOCK_UN);
    else
        pthread_mutex_unlock(mutexOf(lock.record));
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
