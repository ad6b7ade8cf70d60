// Named events on Windows are the system's own: a manual-reset event
// created signalled, shared by name with every process of the session. A
// reset lasts while some process holds a handle to the event; the system
// destroys the event with its last handle, a crashed process's included,
// so a copy that crashed never keeps the next one out.
#include "os/named_event.h"

#include "os/win32/text.h"

struct NamedEvent {
    HANDLE handle;
};

namespace {

NamedEvent events[4];
bool heldByAnother = false;

} // namespace

EventHandle createNamedEvent(const char* name)
{
    wchar_t wideName[MAX_PATH];
    if (!toSystemText(name, wideName, MAX_PATH))
        return nullptr;
    for (NamedEvent& event : events) {
        if (event.handle != nullptr)
            continue;
        event.handle = CreateEventW(nullptr, TRUE, TRUE, wideName);
        return event.handle != nullptr ? &event : nullptr;
    }
    return nullptr;
}

bool eventIsSignalled(EventHandle event)
{
    if (event == nullptr)
        return false;
    bool signalled = WaitForSingleObject(event->handle, 0) == WAIT_OBJECT_0;
    heldByAnother = !signalled;
    return signalled;
}

bool eventFoundHeldByAnother() { return heldByAnother; }

// No file stands behind a Windows event.
bool eventFileWasUnusable() { return false; }

bool resetEvent(EventHandle event) { return event != nullptr && ResetEvent(event->handle) != 0; }

void closeEvent(EventHandle event)
{
    if (event == nullptr || event->handle == nullptr)
        return;
    CloseHandle(event->handle);
    event->handle = nullptr;
}
