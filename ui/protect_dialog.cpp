#include "ui/protect_dialog.h"

// SCAFFOLD until the Protect Setting dialog lands: the menu's Protect command opens nothing.
void openProtectDialog(DialogHandle) {}
