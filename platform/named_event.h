// Named events shared by every process that uses the same host folder.
//
// Only what start-up needs: a manual-reset event created signalled. An event
// is non-signalled while some process that reset it is alive: the reset is an
// exclusive lock on a file in the host folder, so the platform releases it
// with its process, a crash included.
#pragma once

struct NamedEvent;
using EventHandle = NamedEvent*;

// Creates the named event, or opens it when it exists. Null when the host
// folder or the event's file cannot be used.
EventHandle createNamedEvent(const char* name);

// Waits with a time-out of 0 ms: true when the event is signalled.
bool eventIsSignalled(EventHandle event);

// Makes the event non-signalled for every process; true on success.
bool resetEvent(EventHandle event);

// Closes the handle; a reset made through it ends with it.
void closeEvent(EventHandle event);
