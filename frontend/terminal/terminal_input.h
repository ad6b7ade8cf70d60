// What a person's keys and clicks in the terminal mean to the dialog that
// takes input: keys become the dialog's actions (Tab, Enter, Escape, F1, a
// click of the focused button), arrows move through a radio group, and
// typing edits the focused edit field, whose cursor is kept here.
#pragma once

#include "dialogs/front_end.h"
#include "frontend/terminal/terminal_layout.h"

#include <cstddef>

enum class KeyName {
    Character, Tab, BackTab, Enter, Escape, F1, Up, Down, Left, Right, Home, End, Backspace, Delete
};

struct KeyPress {
    KeyName name;
    char32_t character;   // for Character
};

// The cursor of the edit field that has the focus.
struct EditCursor {
    DialogHandle dialog;  // null when no edit field has the focus
    int controlId;
    std::size_t cursor;   // unit index into the field's text
    std::size_t firstShown;
};

// Longest text a person can type into a field, in UTF-16 units.
constexpr std::size_t maxTypedUnits = sizeof(UserAction::text) / sizeof(char16_t) - 1;

// Follows the focus: an edit field that has just taken it gets the cursor
// after its text; a cursor beyond a text the program shortened is pulled back.
void followFocus(DialogHandle dialog, EditCursor* edit);

// Translates a key for the active dialog. True with *action filled when
// the key is an action for the dialog; false when it only moved the cursor
// in a field or means nothing here.
bool translateKey(DialogHandle dialog, const KeyPress& key, EditCursor* edit, UserAction* action);

// Space presses the focused control: true for the kinds it presses (push
// buttons, radio buttons, check boxes).
bool takesSpace(const ControlState& control);

// Translates a click at a screen cell of the active dialog as laid out.
// True with *action filled for a click on a button, radio button, check
// box or edit field (the cursor goes where the field was clicked), or on
// the frame's `[?]` (a help request).
bool translateClick(DialogHandle dialog, const DialogLayout& layout, int row, int col, EditCursor* edit,
                    UserAction* action);

// A message box's keys: Y and N answer a Yes/No box, Enter and Space the
// focused button, Tab and the arrows move between the buttons, Escape
// answers OK in a box that has only OK (a Yes/No box cannot be escaped).
// Returns the answer, or 0 when the key gives none.
int translateMessageBoxKey(const KeyPress& key, bool yesNo, int* focusedButton);
