// What the command line asks of the person at the terminal and shows them:
// a Yes/No question, a password typed without echo, a progress bar.
#pragma once

#include <cstddef>

// True when standard input is a terminal, so questions can be asked there.
bool personAtTerminal();

// Shows question on standard error and reads the answer from standard
// input: true only for "y" or "yes" (any case). False at the end of input.
bool askYesNo(const char* question);

// What reading a line gave.
enum class LineRead {
    read,     // a line, in out
    ended,    // the input ended before a line began
    tooLong,  // the line does not fit (out holds nothing to use)
    holdsNul, // the line holds a NUL byte, which no text may hold
    failed,   // standard input could not be read
};

// Reads one line of secret text from standard input into out (capacity
// bytes, NUL-terminated, the line ending removed). On a terminal the prompt
// goes to standard error and the typed characters are not echoed. The
// whole line is always read, also one that is refused.
LineRead readSecretLine(const char* prompt, char* out, std::size_t capacity);

// Shows a format's progress: on a terminal a bar with the percentage,
// redrawn in place on standard error; otherwise one plain line on standard
// output each time the percentage changes.
void showProgress(int percent);
// Ends the progress display (the bar's line is finished).
void endProgress();
