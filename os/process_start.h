// Starting another program.
#pragma once

#include <cstddef>

// Starts program with commandLine as its entire command line, detached: the
// caller neither waits for it nor gets a handle back. The notice below is told
// first. A program that cannot be started is not reported (failure is silent).
// The program is started by its own name from the folder of the running
// program, as the handheld OS starts the programs that ship with the tool
// ("PegHelp.exe", the help viewer); PATH is not searched, and a name with a
// '/' in it starts nothing. Its standard input, output and error are
// /dev/null and it runs in a session of its own, so it never reaches the
// caller's terminal.
void startProcess(const char* program, const char16_t* commandLine);

// Who is told first: false from it starts nothing (the script front end
// writes the start into its transcript instead). Set by the dialog toolkit
// to the active front end; null: nobody.
using ProcessStartNotice = bool (*)(const char* program, const char16_t* commandLine);
void setProcessStartNotice(ProcessStartNotice notice);

// What starting program takes: its path in the program's folder (false when
// it is not there or cannot be run) and commandLine in UTF-8.
constexpr std::size_t processArgumentSize = 1024;
bool shippedProgram(const char* program, const char16_t* commandLine, char* path, std::size_t pathSize,
                    char (&argument)[processArgumentSize]);
