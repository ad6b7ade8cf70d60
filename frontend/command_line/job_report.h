// How a job shows what it found: the program's own texts as UTF-8 lines,
// and the Status dialog's fields as lines or as one JSON object.
#pragma once

#include <cstddef>
#include <cstdio>

// Text from a disk or the driver (a label, a folder name), UTF-8, as a
// terminal may show it: every control character (U+0000 to U+001F, U+007F
// to U+009F) written as \u and four hex digits, as the JSON status writes
// it, so a disk cannot send control sequences to the person's terminal.
// Cut at a whole character to fit capacity.
void visibleText(const char* text, char* out, std::size_t capacity);

// Flushes stream; for standard output, the reason of the first flush that
// failed is kept for the write error told at close.
void flushOutput(std::FILE* stream);
// That reason (an errno value), or 0 when every flush succeeded.
int standardOutputError();

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
    bool fileSystem;     // a FAT boot sector was found on the disk
    bool stateKnown;     // the status text names one of the states below
    unsigned state;      // the protection state, as the drive reports it (65534 no disk, 65535 no drive)
};

// As the dialog's three lines, or (json) one JSON object on one line.
void writeStatusReport(const StatusReport& report, bool json);
