// The terminal front end's own texts, in the run's language (Japanese for
// language id 1041, English otherwise): the line of keys at the bottom, the
// notice that the terminal is too small, and what a refused action says.
#pragma once

#include "dialogs/front_end.h"

#include <cstddef>

struct TerminalTexts {
    // Items of the key line; "%ls" stands for the caption of the button
    // Enter presses.
    const char16_t* enterKey;       // Enter: %ls
    const char16_t* tabKeys;        // Tab/Shift-Tab
    const char16_t* arrowKeys;      // arrows within a radio group
    const char16_t* spaceKey;
    const char16_t* escapeKey;
    const char16_t* helpKey;
    const char16_t* typingKeys;     // in an edit field
    const char16_t* yesNoKeys;      // a Yes/No message box
    const char16_t* okBoxKeys;      // a message box with OK alone
    const char16_t* yesNoTabKeys;   // moving between Yes and No
    // Needed columns x rows, present columns x rows.
    const char16_t* tooSmall;
    // A refused action, by the dialog manager's reason.
    const char16_t* refusedDisabled;
    const char16_t* refusedDefaultDisabled;
    const char16_t* refusedReadOnly;
    const char16_t* refusedOther;
};

// The texts for the run's language.
const TerminalTexts& terminalTexts();

// The notice for a refused action in the run's language, from the dialog
// manager's reason.
const char16_t* refusalNotice(Refusal why);
