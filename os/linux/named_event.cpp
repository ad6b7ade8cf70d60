#include "os/named_event.h"

#include "os/host_folder.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <unistd.h>

struct NamedEvent {
    int lockFile;
    bool heldReset; // this handle holds the event non-signalled
};

namespace {
// Start-up uses one event for the whole run; no allocation is needed.
NamedEvent eventSlot{-1, false};
bool heldByAnother = false;
bool fileUnusable = false;
} // namespace

EventHandle createNamedEvent(const char* name)
{
    if (eventSlot.lockFile >= 0)
        return nullptr;
    char fileName[128];
    char path[PATH_MAX];
    int n = std::snprintf(fileName, sizeof fileName, "%s.event", name);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof fileName)
        return nullptr;
    if (!hostFilePath(fileName, path, sizeof path)) {
        fileUnusable = true;
        return nullptr;
    }
    // Never through a link: one planted there could make the lock create or
    // open a file elsewhere.
    int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        noteHostFileProblem(path, errno);
        fileUnusable = true;
        return nullptr;
    }
    eventSlot = NamedEvent{fd, false};
    return &eventSlot;
}

bool eventIsSignalled(EventHandle event)
{
    if (event == nullptr)
        return false;
    if (event->heldReset)
        return false;
    // Signalled when no process holds the reset lock. Taking the lock to look
    // is kept: the caller resets next, and nobody can slip in between.
    if (flock(event->lockFile, LOCK_EX | LOCK_NB) != 0) {
        heldByAnother = errno == EWOULDBLOCK;
        return false;
    }
    event->heldReset = true;
    return true;
}

bool eventFoundHeldByAnother() { return heldByAnother; }

bool eventFileWasUnusable() { return fileUnusable; }

bool resetEvent(EventHandle event)
{
    if (event == nullptr)
        return false;
    if (event->heldReset)
        return true;
    // Another live process holding it means the event is reset already.
    if (flock(event->lockFile, LOCK_EX | LOCK_NB) == 0)
        event->heldReset = true;
    return true;
}

void closeEvent(EventHandle event)
{
    if (event == nullptr)
        return;
    close(event->lockFile); // releases the lock with the descriptor
    event->lockFile = -1;
    event->heldReset = false;
}
