// The Status dialog: the drive line, the disk's volume label and its
// protection state, read once when it opens.
#pragma once

#include "dialogs/front_end.h"

// Runs the Status dialog modally over owner (the main menu).
void openStatusDialog(DialogHandle owner);

// Fills the three fields from what the drive reports now; called once,
// while the dialog is being initialised.
void fillStatusDialog(DialogHandle dialog);
