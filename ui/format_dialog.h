// The Format dialog, from which the Format Execute dialog runs the format.
#pragma once

#include "platform/front_end.h"

// Runs the Format dialog modally over owner (the main menu).
void openFormatDialog(DialogHandle owner);
