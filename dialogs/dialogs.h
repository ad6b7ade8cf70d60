// The dialog manager: runs modal dialogs from the program's templates with
// the platform's behaviour, shown by the active front end.
#pragma once

#include "dialogs/dialog_template.h"
#include "dialogs/front_end.h"
#include "dialogs/module.h"

#include <cstddef>
#include <cstdint>

// Messages a dialog procedure receives.
constexpr std::uint32_t messageInitDialog = 272;
constexpr std::uint32_t messageCommand = 273;   // first: id (low 16 bits), notification (high 16 bits)
constexpr std::uint32_t messageHelp = 83;
// Control messages.
constexpr std::uint32_t buttonGetCheck = 0xF0;
constexpr std::uint32_t progressSetRange = 1025;
constexpr std::uint32_t progressSetPosition = 1026;
// Notification an edit field sends when its text changes.
constexpr std::uint16_t editChangeNotification = 0x300;

using DialogProcedure = bool (*)(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second);

// Finds a dialog template of the module by id; null when there is none.
// The id looked for is the one the template choice gives, when one is set.
const DialogTemplate* findDialogTemplate(ModuleHandle module, std::uint16_t id);

// The host's choice of the template it opens for a program's template id
// (the menus with the Protect button, host/protect_menu.h); null: the id
// itself.
using TemplateChoice = std::uint16_t (*)(std::uint16_t id);
void setTemplateChoice(TemplateChoice choice);

// Runs the dialog modally over owner (or none): sends messageInitDialog
// (first 0, second initParam), shows the dialog, then feeds the person's
// actions from the front end until the procedure calls endDialog; the owner
// takes no input meanwhile. An initialisation that returns true puts the
// focus on the first tab stop; false leaves it where the procedure put it.
// Returns the value given to endDialog; -1 when the template is missing,
// no front end is installed or too many dialogs are open.
//
// The platform's handling of input: Enter presses the focused push button
// (a push button is the default one while it has the focus, however it got
// it), else the dialog's default id (the template's default push button, or
// 1 when there is none); Escape sends 2 whether or
// not such a button exists; Tab and BackTab move the focus through the
// enabled, visible tab stops; a click on an automatic radio button checks
// it and clears the rest of its group; typing into an edit field sends a
// command with editChangeNotification; F1 sends messageHelp. Disabled and
// missing controls take no input and read-only edits take no typing: the
// front end is told with actionRefused.
std::intptr_t runModalDialog(const DialogTemplate* dialogTemplate, DialogHandle owner, DialogProcedure procedure,
                             std::intptr_t initParam);

// Sends a message to the dialog's procedure at once, as the platform's
// SendMessage does, and returns what the procedure returned; false for a
// dialog that is not running.
bool sendDialogMessage(DialogHandle dialog, std::uint32_t message, std::uintptr_t first, std::intptr_t second);

// Ends the dialog with result once its procedure returns.
bool endDialog(DialogHandle dialog, std::intptr_t result);

// The owner the dialog was opened over; null for none.
DialogHandle dialogOwner(DialogHandle dialog);

// Control text. getControlText copies at most capacity - 1 characters and a
// NUL and returns the characters copied (0 for a missing control).
bool setControlText(DialogHandle dialog, int id, const char16_t* text);
std::size_t getControlText(DialogHandle dialog, int id, char16_t* buffer, std::size_t capacity);
bool setControlNumber(DialogHandle dialog, int id, unsigned value);

// A control message; 0 for a missing control or a message it does not know.
// buttonGetCheck answers 1 for a checked button, else 0. progressSetRange
// takes the low bound in the low 16 bits of second and the high bound in
// its high 16 bits (0x640000: 0 to 100) and answers the old range packed
// the same way; progressSetPosition takes the position in first, keeps it
// within the range and answers the old position.
std::intptr_t sendControlMessage(DialogHandle dialog, int id, std::uint32_t message, std::uintptr_t first,
                                 std::intptr_t second);

// Checks checkedId and clears the other radio buttons of firstId..lastId.
bool checkRadioButton(DialogHandle dialog, int firstId, int lastId, int checkedId);

// Disabling the focused control moves the focus on to the next enabled,
// visible tab stop (none when there is no other); enabling a tab stop in a
// shown dialog that has no focus gives it the focus.
bool enableControl(DialogHandle dialog, int id, bool enable);
// False for a missing, hidden or disabled control, which cannot take the
// focus. Like the person's Tab or click, it makes a push button it lands on
// the one Enter presses.
bool setFocusToControl(DialogHandle dialog, int id);
