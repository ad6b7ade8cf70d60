// Where a control of a dialog template stands in its window: the middle of
// the rectangle its template gives it, in pixels of the measured dialog font
// (the display must be open). What the tests and the screenshot script click.
#pragma once

#include "frontend/desktop/dialog_geometry.h"
#include "frontend/desktop/font_units.h"
#include "dialogs/dialogs.h"
#include "tests/resources/resource_lookup.h"

// False when the template or the control is not there.
inline bool controlCentre(int templateId, int controlId, int* x, int* y)
{
    const DialogTemplate* source = findDialogTemplate(&programResources, std::uint16_t(templateId));
    const ControlTemplate* control = source != nullptr ? controlById(*source, std::uint16_t(controlId)) : nullptr;
    if (control == nullptr)
        return false;
    DesktopFont font = desktopFontFor(*source);
    FontUnits units = measureFontUnits(fontSlotFor(font.name), font.pixelSize);
    PixelRect rect = controlRect(units, *control);
    *x = rect.x + rect.width / 2;
    *y = rect.y + rect.height / 2;
    return true;
}
