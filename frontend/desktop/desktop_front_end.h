// The desktop front end, in the module quibtools-desktop.so that the
// launcher loads for a desktop run.
#pragma once

#include "dialogs/front_end.h"

// Connects to the X display named by DISPLAY and returns the front end;
// null when there is no display to show windows on.
extern "C" FrontEnd* openDesktopFrontEnd();

// The module's file name and its entry, for the launcher.
constexpr const char desktopModuleName[] = "quibtools-desktop.so";
constexpr const char desktopEntryName[] = "openDesktopFrontEnd";
using OpenDesktopFrontEnd = FrontEnd* (*)();
