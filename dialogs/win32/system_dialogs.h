// What the Windows dialog toolkit's parts share: the system window behind a
// running dialog, and the person's input that a front end gives (the script
// front end, a command-line job), fed to the system's dialogs and message
// boxes as a person's keys and clicks.
#pragma once

#include "dialogs/dialog_window.h"

#include <windows.h>

// The system's window of a running dialog; null for none.
HWND windowOfDialog(DialogHandle dialog);
// The system window of the control at index in template order.
HWND controlWindowAt(DialogHandle dialog, std::size_t index);
// Whether the dialog is shown and takes input (its initialisation is over
// and it has not ended).
bool dialogTakesInput(DialogHandle dialog);

// With a front end installed, the person's next action is taken once the
// system's dialog manager has handled everything already given: a step is
// queued behind it (a posted message), and the step asks the front end.
void queuePersonStep();

// A message box is about to be shown over owner: the step that comes while
// it shows lets the front end answer it with a click on the box's button.
void messageBoxShowing(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags);
void messageBoxGone();
