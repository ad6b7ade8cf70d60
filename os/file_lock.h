// The drive's lock file as every process that uses the drive shares it: a
// record mapped into each one's memory, and a lock on the whole file. Where
// the system has a mutex that lives in such shared memory and is given up
// when its holder dies (Linux's robust mutexes), the drive locks with that
// instead: no system call while nobody else wants the lock.
#pragma once

#include "os/folder_files.h"

#include <cstddef>
#include <cstdint>

// Maps size bytes of the file from its start, shared with every process
// that maps it; nullptr, with lastFileError(), when it cannot be.
void* mapShared(FileHandle file, std::size_t size);
void unmapShared(void* view, std::size_t size);

// Waits for the lock on the whole file; the system gives it up when its
// holder dies.
bool lockWholeFile(FileHandle file);
void unlockWholeFile(FileHandle file);

// The shared mutex, in sharedMutexRoom bytes of the mapped record.
constexpr std::size_t sharedMutexRoom = 64;
// The system gives up a dead holder's mutex here (an emulator may not).
bool sharedMutexesWork();
// The mutex's size, which a record set up by a program built for another
// machine does not match; 0 where there are none.
std::uint32_t sharedMutexSize();
bool setUpSharedMutex(void* place);
enum class MutexTaken { taken, holderDied, failed };
// holderDied: taken, and made usable again; what the dead holder guarded
// must be taken as changed.
MutexTaken lockSharedMutex(void* place);
void unlockSharedMutex(void* place);
