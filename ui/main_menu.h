// The tool menu: Status, Format, Folder Name and Close.
#pragma once

#include "dialogs/front_end.h"

// Runs the menu modally (start-up passes no owner) until it is closed.
void openMainMenu(DialogHandle owner);
