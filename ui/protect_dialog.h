// The Protect Setting dialog: the protection changes that fit the disk.
#pragma once

#include "platform/front_end.h"

// Runs the Protect Setting dialog modally over owner (the main menu).
void openProtectDialog(DialogHandle owner);
