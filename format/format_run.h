// The work behind the Format Execute dialog's Start button: Simple Format
// (the file-system image alone) or Long Format (the drive's own low-level
// format, polled for progress, then the image), with progress shown in the
// dialog and the outcome in the Format dialog's status line.
#pragma once

#include "dialogs/front_end.h"

#include <cstdint>

// 11 bytes of volume label in the language's 8-bit code page, padded with
// spaces, or 11 zero bytes for no label; the 12th byte stays zero. Written
// by the Format dialog, read by the format run.
extern std::uint8_t FormatLabel[12];

// Runs the format from the Format Execute dialog (whose owner is the Format
// dialog). True when the file system was written completely.
bool runFormat(DialogHandle executeDialog);

// Shows done of total units (total never 0) as the percentage text and the
// progress bar of the Format Execute dialog.
void showFormatProgress(DialogHandle executeDialog, std::uint32_t done, std::uint32_t total);

// Waits on the calling thread; the run waits 500 ms between polls.
void pause(std::uint32_t milliseconds);
