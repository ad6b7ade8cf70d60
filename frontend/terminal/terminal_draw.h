// Drawing on the terminal's screen (ncursesw): a dialog as laid out, a
// message box, the notice that the screen is too small, and the line of
// hints at the bottom.
#pragma once

#include "frontend/terminal/terminal_input.h"
#include "frontend/terminal/terminal_layout.h"

// Where the cursor goes after drawing: into the focused edit field, onto
// the mark of the focused radio button or check box, or hidden.
struct CursorPlace {
    bool shown;
    int row, col;
};

// Draws the dialog in its frame. Only the dialog that takes input shows
// its focus; its focused edit field scrolls to keep the cursor in view
// (edit->firstShown is updated) and *cursor says where the cursor goes.
void drawDialog(DialogHandle dialog, const DialogLayout& layout, bool active, EditCursor* edit, CursorPlace* cursor);

// Draws a message box with its icon mark (stop, question, exclamation)
// and buttons, the focused one marked as the one Enter presses.
void drawMessageBox(const MessageBoxLayout& layout, const char16_t* text, const char16_t* caption, unsigned flags,
                    const char16_t* const* buttonLabels, int focusedButton);

// Says plainly that the screen is too small for what it must show: format
// takes the needed columns and rows, then the present ones.
void drawTooSmall(const char16_t* format, int neededRows, int neededCols, int rows, int cols);

// Writes a line at the bottom row of the screen: the keys, or a notice.
void drawBottomLine(const char16_t* text, bool notice);

// The mark a message box shows for its icon: "(X)" stop, "(?)" question,
// "(!)" exclamation, "(i)" information; null for none.
const char* messageIconMark(unsigned flags);
