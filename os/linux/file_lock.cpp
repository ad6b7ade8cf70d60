#include "os/file_lock.h"

#include <cerrno>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

static_assert(sizeof(pthread_mutex_t) <= sharedMutexRoom);

namespace {

pthread_mutex_t* mutexAt(void* place) { return static_cast<pthread_mutex_t*>(place); }

bool flockRetrying(int fd, int operation)
{
    while (flock(fd, operation) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

} // namespace

void* mapShared(FileHandle file, std::size_t size)
{
    void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, int(file), 0);
    return mapped == MAP_FAILED ? nullptr : mapped;
}

void unmapShared(void* view, std::size_t size)
{
    if (view != nullptr)
        munmap(view, size);
}

bool lockWholeFile(FileHandle file) { return flockRetrying(int(file), LOCK_EX); }

void unlockWholeFile(FileHandle file) { flockRetrying(int(file), LOCK_UN); }

bool sharedMutexesWork()
{
    // The kernel gives up a dead holder's robust mutex only where it keeps
    // the process's list of robust mutexes.
    void* head = nullptr;
    std::size_t length = 0;
    return syscall(SYS_get_robust_list, 0, &head, &length) == 0;
}

std::uint32_t sharedMutexSize() { return std::uint32_t(sizeof(pthread_mutex_t)); }

bool setUpSharedMutex(void* place)
{
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0)
        return false;
    bool made = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                pthread_mutex_init(mutexAt(place), &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return made;
}

MutexTaken lockSharedMutex(void* place)
{
    int taken = pthread_mutex_lock(mutexAt(place));
    if (taken == EOWNERDEAD) {
        pthread_mutex_consistent(mutexAt(place));
        return MutexTaken::holderDied;
    }
    return taken == 0 ? MutexTaken::taken : MutexTaken::failed;
}

void unlockSharedMutex(void* place) { pthread_mutex_unlock(mutexAt(place)); }
