// Start-up and end of the program, and the process-wide values it sets once.
#pragma once

#include "platform/module.h"
#include "platform/named_event.h"

#include <cstdint>

// The program's own module, where the dialog templates are found.
extern ModuleHandle instanceHandle;
// The platform's default language id, read once at start.
extern std::uint16_t languageId;
// The named event "QuibTools", open for the whole run of the first copy.
extern EventHandle singleInstanceEvent;

// Makes sure the driver's settings exist, then probes the drive and, when
// none answers, asks whether to go on. True to go on to the main menu.
bool startupCheck();
