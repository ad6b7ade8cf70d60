// The terminal front end (ncursesw), for people: shows every running dialog
// from its template, the innermost on top, and message boxes over their
// owner, and takes keys and mouse clicks.
#pragma once

#include "platform/front_end.h"

// Takes over the terminal and returns the front end; null when standard
// input and output are no terminal that can show the tool.
FrontEnd* openTerminalFrontEnd();

// Gives the terminal back as it was; harmless when it was never opened.
void closeTerminalFrontEnd();
