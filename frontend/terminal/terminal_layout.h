// Where the terminal puts a dialog and its controls: 4 horizontal and 8
// vertical dialog units make one character cell, the dialog is centred on
// the screen, and a message box is centred on the dialog that owns it.
// Texts are measured in cells, so a label wider than its rectangle (a
// Japanese one, often) may run on into free cells but never into another
// control.
#pragma once

#include "dialogs/dialog_window.h"
#include "frontend/terminal/terminal_text.h"

#include <cstddef>

constexpr int unitsPerColumn = 4;
constexpr int unitsPerRow = 8;

struct CellRect {
    int row, col, rows, cols;
};

bool cellInside(const CellRect& rect, int row, int col);

// A dialog on the screen. Control cells are relative to the client area,
// the cells inside the frame's border.
struct DialogLayout {
    CellRect frame;                        // screen cells, border included
    bool fits;                             // false when the screen is too small for it
    bool helpMark;                         // the template has the help button: `[?]` in the frame
    CellRect helpCells;                    // screen cells of `[?]`
    std::size_t controlCount;
    CellRect controls[maxDialogControls];  // client cells of each control, template order
    int textCols[maxDialogControls];       // cells its text may take from its first column
};

// The client area of a dialog template in cells.
void dialogClientSize(const DialogTemplate& dialogTemplate, int* rows, int* cols);

// A control's cells from its rectangle in dialog units: the rows it spans
// for a group box, a multi-line field or a text of several lines; for a
// one-line control the row its text falls in (the top line of a static
// text or a field without border, the middle of anything else).
CellRect controlCells(const ControlState& control);

// Places the dialog as it shows now, centred on a screen of the given
// size. On a screen too short for it, rows that hold nothing but the sides
// of group boxes are left out until it fits. Returns layout->fits.
bool layoutDialog(DialogHandle dialog, int screenRows, int screenCols, DialogLayout* layout);

// Screen cell of a client cell.
int screenRow(const DialogLayout& layout, int clientRow);
int screenCol(const DialogLayout& layout, int clientCol);

// The control that takes a click at a screen cell (a button, radio button,
// check box or edit field); -1 for none.
int controlAtCell(DialogHandle dialog, const DialogLayout& layout, int row, int col);

// Cells a message box may wrap its text in, at most.
constexpr int messageTextMaxCols = 60;
constexpr std::size_t maxMessageLines = 24;

struct MessageBoxLayout {
    CellRect frame;                   // screen cells, border included
    bool fits;
    int iconCol;                      // screen column of the icon mark (when it has one)
    int textRow, textCol;             // screen cell of the first line
    std::size_t lineCount;
    TextLine lines[maxMessageLines];
    int buttonCount;
    CellRect buttons[2];              // screen cells of each button
};

// Cells the icon mark takes, with the blank after it.
constexpr int messageIconCols = 5;

// Places a message box: the text wrapped, the icon mark at its left when
// it has one, the buttons centred below, the whole centred on owner (screen
// cells of the owner's frame) or, without one, on the screen.
bool layoutMessageBox(const char16_t* text, const char16_t* caption, bool hasIcon, const char16_t* const* buttonLabels,
                      int buttonCount, const CellRect* owner, int screenRows, int screenCols, MessageBoxLayout* layout);

// Cells a push button's caption takes drawn as "[ Caption ]".
int buttonCols(const char16_t* caption);
