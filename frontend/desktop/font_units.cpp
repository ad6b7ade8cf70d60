#include "frontend/desktop/font_units.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cstdio>
#include <cstring>

namespace {
constexpr int firstSlot = FL_FREE_FONT;
constexpr int slotCount = 4;
char names[slotCount][64];
int used = 0;
} // namespace

int fontSlotFor(const char* family)
{
    for (int i = 0; i < used; ++i) {
        if (std::strcmp(names[i] + 1, family) == 0)
            return firstSlot + i;
    }
    if (used >= slotCount)
        return FL_HELVETICA;
    // A leading blank asks FLTK's Xft fonts for the regular style.
    std::snprintf(names[used], sizeof names[used], " %s", family);
    Fl::set_font(Fl_Font(firstSlot + used), names[used]);
    return firstSlot + used++;
}

FontUnits measureFontUnits(int fontSlot, int pixelSize)
{
    fl_open_display();
    fl_font(fontSlot, pixelSize);
    int letters = int(fl_width("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") + 0.5);
    return FontUnits{(letters / 26 + 1) / 2, fl_height()};
}
