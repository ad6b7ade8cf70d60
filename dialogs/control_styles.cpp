// What a control is and how it behaves, read from its template's class and
// style: the same on every platform.
#include "dialogs/dialog_window.h"

ControlKind controlKindOf(const ControlTemplate& control)
{
    switch (control.controlClass) {
    case ControlClass::Edit: return ControlKind::Edit;
    case ControlClass::ProgressBar: return ControlKind::ProgressBar;
    case ControlClass::Static:
        return (control.style & 0x1F) == staticBitmap ? ControlKind::Bitmap : ControlKind::StaticText;
    case ControlClass::Button:
        break;
    }
    switch (control.style & 0x0F) {
    case 0x2: case 0x3: case 0x5: case 0x6: return ControlKind::CheckBox;
    case 0x4: case buttonAutoRadio: return ControlKind::RadioButton;
    case buttonGroupBox: return ControlKind::GroupBox;
    default: return ControlKind::PushButton;
    }
}

bool isVisibleControl(const ControlState* control)
{
    return control != nullptr && (control->source->style & styleVisible) != 0;
}

bool isPasswordEdit(const ControlState* control)
{
    return control != nullptr && control->kind == ControlKind::Edit && (control->source->style & editPassword) != 0;
}

bool isReadOnlyEdit(const ControlState* control)
{
    return control != nullptr && control->kind == ControlKind::Edit && (control->source->style & editReadOnly) != 0;
}

bool isMultiLineEdit(const ControlState* control)
{
    return control != nullptr && control->kind == ControlKind::Edit && (control->source->style & editMultiLine) != 0;
}
