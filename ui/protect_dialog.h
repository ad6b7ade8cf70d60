// The Protect Setting dialog: shows the inserted disk's protection and
// offers exactly the protection changes that fit it.
#pragma once

#include "dialogs/front_end.h"

// Runs the dialog modally over owner (the main menu, for its command 1025).
void openProtectDialog(DialogHandle owner);

// Fills the drive line and the status line from what the drive reports now
// and enables the five protection buttons that fit the disk's state.
void refreshProtectDialog(DialogHandle dialog);

// The flow of Remove Protection (1015) and Temporary Remove (1018): asks
// for the password when the disk has one, removes the protection for good
// or until eject, and tells the outcome. True when the dialog is to close,
// false when it stays open.
bool removeProtection(DialogHandle dialog, int button);
