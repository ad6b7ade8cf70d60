// Prints where a control of a dialog template stands in its window, in
// pixels of the measured dialog font, as "X Y" of its middle: how
// scripts/desktop-screenshots.sh clicks the controls of the real program.
//   desktop_control_position TEMPLATE_ID CONTROL_ID
#include "frontend/desktop/dialog_geometry.h"
#include "frontend/desktop/font_units.h"
#include "platform/dialogs.h"
#include "platform/module.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("Usage: desktop_control_position TEMPLATE_ID CONTROL_ID\n", stderr);
        return 2;
    }
    const DialogTemplate* source = findDialogTemplate(&programResources, std::uint16_t(std::atoi(argv[1])));
    if (source == nullptr) {
        std::fprintf(stderr, "desktop_control_position: no template %s\n", argv[1]);
        return 1;
    }
    DesktopFont font = desktopFontFor(*source);
    FontUnits units = measureFontUnits(fontSlotFor(font.name), font.pixelSize);
    int id = std::atoi(argv[2]);
    for (std::size_t i = 0; i < source->controlCount; ++i) {
        if (source->controls[i].id != id)
            continue;
        PixelRect rect = controlRect(units, source->controls[i]);
        std::printf("%d %d\n", rect.x + rect.width / 2, rect.y + rect.height / 2);
        return 0;
    }
    std::fprintf(stderr, "desktop_control_position: no control %s in template %s\n", argv[2], argv[1]);
    return 1;
}
