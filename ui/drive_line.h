// The drive line the Status, Format and Protect Setting dialogs show:
// "Drive #1 : Folder Name = Storage Card3", or "Drive #1 : " when there is
// no drive, no disk, or no folder the driver names.
#pragma once

#include "protection/protection_status.h"

#include <cstddef>

// Composes the line for the given state into line (capacity characters).
// The driver is asked for the mount folder only when a disk is present.
void composeDriveLine(ProtectionState state, char16_t* line, std::size_t capacity);
