// Start-up and end of the program, and the process-wide values it sets once.
#pragma once

#include "ui/framework/program_values.h"

// Makes sure the driver's settings exist, then probes the drive and, when
// none answers, asks whether to go on. True to go on to the main menu.
bool startupCheck();
