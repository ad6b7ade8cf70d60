// Message boxes, shown by the front end.
#pragma once

#include "dialogs/front_end.h"

// Flags in use: 0x00 plain OK, 0x10 stop icon and OK, 0x24 question icon with
// Yes and No, 0x30 exclamation icon and OK, 0x34 exclamation with Yes and No.
constexpr unsigned messageBoxYesNo = 0x04;
constexpr unsigned messageIconStop = 0x10;
constexpr unsigned messageIconQuestion = 0x20;
constexpr unsigned messageIconExclamation = 0x30;

// What a box's flags ask for: Yes and No rather than OK alone; its icon
// (0 for none, else one of the icons above, or 0x40 for information).
constexpr bool isYesNoBox(unsigned flags) { return (flags & 0x0F) == messageBoxYesNo; }
constexpr unsigned messageBoxIcon(unsigned flags) { return flags & 0xF0; }

// Shows the box owned by owner (a dialog, or null for none) and waits for
// the answer: answerOk (1), answerYes (6) or answerNo (7). Without a front
// end the box cannot be shown and the answer is answerNo for a Yes/No box,
// answerOk otherwise.
int showMessageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags);
