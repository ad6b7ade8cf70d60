// The dialog manager: runs modal dialogs from the program's templates with
// the platform's behaviour, shown by the active front end.
#pragma once

#include "platform/dialog_template.h"
#include "platform/front_end.h"
#include "platform/module.h"

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
const DialogTemplate* findDialogTemplate(ModuleHandle module, std::uint16_t id);

// Runs the dialog modally over owner (or none): sends messageInitDialog
// with initParam, then feeds the person's actions from the front end until
// the procedure calls endDialog. Returns the value given to endDialog; -1
// when the template is missing.
std::intptr_t runModalDialog(const DialogTemplate* dialogTemplate, DialogHandle owner, DialogProcedure procedure,
                             std::intptr_t initParam);

// Ends the dialog with result once its procedure returns.
bool endDialog(DialogHandle dialog, std::intptr_t result);

// The owner the dialog was opened over; null for none.
DialogHandle dialogOwner(DialogHandle dialog);

// Control text. getControlText copies at most capacity - 1 characters and a
// NUL and returns the characters copied (0 for a missing control).
bool setControlText(DialogHandle dialog, int id, const char16_t* text);
std::size_t getControlText(DialogHandle dialog, int id, char16_t* buffer, std::size_t capacity);
bool setControlNumber(DialogHandle dialog, int id, unsigned value);

// A control message (buttonGetCheck, progressSetRange, progressSetPosition);
// 0 for a missing control or a message it does not know.
std::intptr_t sendControlMessage(DialogHandle dialog, int id, std::uint32_t message, std::uintptr_t first,
                                 std::intptr_t second);

// Checks checkedId and clears the other radio buttons of firstId..lastId.
bool checkRadioButton(DialogHandle dialog, int firstId, int lastId, int checkedId);

bool enableControl(DialogHandle dialog, int id, bool enable);
bool setFocusToControl(DialogHandle dialog, int id);
