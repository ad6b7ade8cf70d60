// The Format dialog (style, label, confirmation against the disk's
// protection) and the Format Execute dialog that runs the format.
#pragma once

#include "dialogs/front_end.h"

#include <cstdint>

// Runs the Format dialog modally over owner (the main menu).
void openFormatDialog(DialogHandle owner);

// The OK handling of the Format dialog up to the decision: checks the
// label, stores it in label (11 bytes), asks for confirmation and checks
// the style against the disk's state. True when the format is to go ahead.
bool checkFormatRequest(DialogHandle dialog, std::uint8_t* label);

// Runs the Format Execute dialog modally over the Format dialog.
void openFormatExecuteDialog(DialogHandle owner);
