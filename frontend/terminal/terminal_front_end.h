// The terminal front end (ncursesw), for people: shows every running dialog
// from its template, the innermost on top, and message boxes over their
// owner, and takes keys and mouse clicks.
#pragma once

#include "dialogs/front_end.h"

// Takes over the terminal and returns the front end; null when standard
// input and output are no terminal that can show the tool.
extern "C" FrontEnd* openTerminalFrontEnd();

// Gives the terminal back as it was; harmless when it was never opened.
extern "C" void closeTerminalFrontEnd();

// The launcher loads the terminal front end as a module,
// quibtools-terminal.so beside quibtools, only for a terminal run, so that
// headless runs never load ncursesw; these are the module's file name and
// its two entries.
constexpr const char terminalModuleName[] = "quibtools-terminal.so";
constexpr const char terminalOpenEntryName[] = "openTerminalFrontEnd";
constexpr const char terminalCloseEntryName[] = "closeTerminalFrontEnd";
using OpenTerminalFrontEnd = FrontEnd* (*)();
using CloseTerminalFrontEnd = void (*)();
