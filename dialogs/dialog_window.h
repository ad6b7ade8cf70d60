// A running dialog as front ends see it: the template it came from and each
// control's state as the person sees it, read through the functions below
// to draw a dialog and to report its changes. The dialog manager's own
// record of it (owner, procedure, focus, ...) is private to the manager.
#pragma once

#include "dialogs/dialog_template.h"
#include "dialogs/dialogs.h"

#include <cstddef>
#include <cstdint>

// Longest control text kept, with its NUL: the longest text a template or
// the program puts into a control is far shorter.
constexpr std::size_t controlTextCapacity = 256;
// Controls of one dialog and dialogs open at once (they nest strictly).
constexpr std::size_t maxDialogControls = 32;
constexpr std::size_t maxNestedDialogs = 8;

// What a control is, from its class and style.
enum class ControlKind : std::uint8_t {
    PushButton, RadioButton, CheckBox, GroupBox, Edit, StaticText, Bitmap, ProgressBar
};

struct ControlState {
    const ControlTemplate* source;
    ControlKind kind;
    char16_t text[controlTextCapacity];
    bool enabled;
    bool checked;
    bool tabStop;      // radio buttons take it with their check
    bool isDefault;    // the push button that Enter presses
    std::uint16_t rangeLow, rangeHigh, position;   // progress bars
};

// The innermost running dialog, the one that takes input; null for none.
DialogHandle activeDialog();

const DialogTemplate* dialogTemplateOf(DialogHandle dialog);
std::size_t dialogControlCount(DialogHandle dialog);
// The control at index in template order; null past the end.
const ControlState* dialogControlAt(DialogHandle dialog, std::size_t index);
// The first control with id; null for none.
const ControlState* findControl(DialogHandle dialog, int id);
// The control that has the keyboard focus; null for none.
const ControlState* focusedControl(DialogHandle dialog);

// What the control of a template is, from its class and style.
ControlKind controlKindOf(const ControlTemplate& control);

// Style questions front ends ask when drawing. A hidden control (its
// template without the visible style) is neither drawn nor takes input.
bool isVisibleControl(const ControlState* control);
bool isPasswordEdit(const ControlState* control);
bool isReadOnlyEdit(const ControlState* control);
bool isMultiLineEdit(const ControlState* control);
