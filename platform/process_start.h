// Starting another program.
#pragma once

// Starts program with commandLine as its entire command line, detached: the
// caller neither waits for it nor gets a handle back. The front end is told
// first. A program that cannot be started is not reported (failure is silent).
// A program is looked for in the launcher's own folder first, then on PATH;
// "PegHelp.exe", the platform's help viewer, is the help viewer built with
// the tool ("quibhelp").
void startProcess(const char* program, const char16_t* commandLine);
