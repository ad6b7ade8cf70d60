// The Folder Setting dialog: how the driver names the disk's mount folder
// (automatically, fixed as "Storage Card" and a number from 2 to 9, or after
// the volume label), kept in the driver's registry settings.
#pragma once

#include "dialogs/front_end.h"

// Runs the Folder Setting dialog modally over owner (the main menu). OK
// stores the chosen mode (and for Fixed a valid number and its folder name)
// and has the driver mount the disk again; Close changes nothing.
void openFolderNameDialog(DialogHandle owner);
