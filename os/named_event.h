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
// folder or the event's file cannot be used (a link there included); the
// reason is then kept as the host folder's problem.
EventHandle createNamedEvent(const char* name);

// Waits with a time-out of 0 ms: true when the event is signalled.
bool eventIsSignalled(EventHandle event);

// True when a wait found the event non-signalled because another live
// process holds it reset: for the host, which tells the person.
bool eventFoundHeldByAnother();

// True when a create failed because the host folder or the event's file
// could not be used; hostFolderProblem says why.
bool eventFileWasUnusable();

// Makes the event non-signalled for every process; true on success.
bool resetEvent(EventHandle event);

// Closes the handle; a reset made through it ends with it.
void closeEvent(EventHandle event);
