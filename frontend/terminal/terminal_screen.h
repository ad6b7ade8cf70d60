// The terminal itself (ncursesw): taking it over for the tool's screen,
// giving it back as it was (also when the process is stopped by Ctrl-C,
// SIGTERM or a fault), noticing resizes, and reading keys and clicks.
#pragma once

#include "frontend/terminal/terminal_input.h"

// Takes over standard input and output in a UTF-8 locale. False, with the
// terminal left as it was, when they are no terminal that can place the
// cursor.
bool openScreen();

// Gives the terminal back as it was; harmless when it is not taken.
void closeScreen();

// The screen's size, taking in any resize since the last call; *resized
// (may be null) tells whether there was one.
void screenSize(int* rows, int* cols, bool* resized);

// True when the terminal can draw lines; otherwise frames are drawn with
// '+', '-' and '|'. QUIB_ASCII_LINES=1 asks for ASCII on any terminal.
bool screenDrawsLines();

// How a part of the screen looks. With colours (a terminal that has them,
// and NO_COLOR unset or empty): a blue screen, grey dialog faces, the focus
// white on blue, the button Enter presses in bold blue, disabled controls
// dimmed, fields on cyan, the done part of a progress bar in blue.
// Without colours: plain faces, the focus and the done part in reverse
// video, the button Enter presses bold, disabled controls dim, fields
// underlined.
enum class Look {
    Screen, Face, Title, Focus, DefaultButton, Disabled, Field, ProgressDone, Logo, KeyLine, Notice
};

// The attributes (colour pair included) of a look.
unsigned long screenLook(Look look);

enum class InputKind { None, Key, Click, Resize };

struct TerminalInput {
    InputKind kind;
    KeyPress key;      // Key
    int row, col;      // Click: the screen cell
};

// Waits up to timeoutMs for a key, a click or a resize; InputKind::None
// when nothing came.
void readInput(TerminalInput* input, int timeoutMs);

