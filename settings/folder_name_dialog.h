// The Folder Setting dialog: how the driver names the disk's mount folder.
#pragma once

#include "platform/front_end.h"

// Runs the Folder Setting dialog modally over owner (the main menu).
void openFolderNameDialog(DialogHandle owner);
