// The drive's lock file on Windows: the record is a view of the file's own
// mapping, which every process that maps the file shares (the system keeps
// one mapping per file), so it stays in the file between runs as on Linux.
// The lock is LockFileEx on one byte far beyond the file's end, which no
// read or write of the record ever touches; the system gives it up when
// its holder dies. Windows has no mutex that lives in shared memory and
// outlives its holder, so the record always names the file's lock.
#include "os/file_lock.h"

#include <windows.h>

namespace {

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

// The byte that stands for the lock: beyond any record the file holds.
OVERLAPPED lockedByte()
{
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = 0x40000000;
    return at;
}

} // namespace

void* mapShared(FileHandle file, std::size_t size)
{
    HANDLE mapping = CreateFileMappingW(handleOf(file), nullptr, PAGE_READWRITE, 0, DWORD(size), nullptr);
    if (mapping == nullptr)
        return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
    CloseHandle(mapping); // the view keeps the mapping
    return view;
}

void unmapShared(void* view, std::size_t)
{
    if (view != nullptr)
        UnmapViewOfFile(view);
}

bool lockWholeFile(FileHandle file)
{
    OVERLAPPED at = lockedByte();
    return LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

void unlockWholeFile(FileHandle file)
{
    OVERLAPPED at = lockedByte();
    UnlockFileEx(handleOf(file), 0, 1, 0, &at);
}

bool sharedMutexesWork() { return false; }

std::uint32_t sharedMutexSize() { return 0; }

bool setUpSharedMutex(void*) { return false; }

MutexTaken lockSharedMutex(void*) { return MutexTaken::failed; }

void unlockSharedMutex(void*) {}
