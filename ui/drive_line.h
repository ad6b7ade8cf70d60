// The drive line the Status, Format and Protect Setting dialogs show:
// "Drive #1 : Folder Name = Storage Card3", or "Drive #1 : " when there is
// no drive, no disk, or no folder the driver names.
#pragma once

#include "dialogs/front_end.h"
#include "protection/protection_status.h"

#include <cstddef>

// Composes the line for the given state into line (capacity characters).
// The driver is asked for the mount folder only when a disk is present.
void composeDriveLine(ProtectionState state, char16_t* line, std::size_t capacity);

// Queries the disk's state and shows its status text in statusField and the
// drive line in driveLineField; returns the state. A state without a text
// of its own shows an empty status field rather than leftovers.
ProtectionState showStatusAndDriveLine(DialogHandle dialog, int statusField, int driveLineField);
