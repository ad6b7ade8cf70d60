// How a job shows what it found: the program's own texts as UTF-8 lines,
// and the Status dialog's fields as lines or as one JSON object.
#pragma once

#include <cstddef>
#include <cstdio>

// Writes the program's text as one or more lines to stream.
void writeProgramText(std::FILE* stream, const char16_t* text);

// What the Status dialog shows.
struct StatusReport {
    const char16_t* driveLine;        // "Drive #1 : Folder Name = Storage Card3"
    const char16_t* labelCaption;     // "Volume Label :"
    const char16_t* volumeLabel;      // "[MYDISK]"
    const char16_t* protectionStatus; // "No Error."
    bool drivePresent;
    bool diskPresent;
};

// As the dialog's three lines, or (json) one JSON object on one line.
void writeStatusReport(const StatusReport& report, bool json);
