// The process-wide values the program sets once at its start and every
// dialog reads.
#pragma once

#include "dialogs/module.h"
#include "os/named_event.h"

#include <cstdint>

// The program's own module, where the dialog templates are found.
extern ModuleHandle instanceHandle;
// The platform's default language id, read once at start.
extern std::uint16_t languageId;
// The named event "QuibTools", open for the whole run of the first copy.
extern EventHandle singleInstanceEvent;
