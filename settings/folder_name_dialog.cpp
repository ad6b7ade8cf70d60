#include "settings/folder_name_dialog.h"

// SCAFFOLD until the Folder Setting dialog lands: the menu's Folder Name command opens nothing.
void openFolderNameDialog(DialogHandle) {}
