// Where a dialog and its controls stand in pixels. A template measures in
// dialog units: a horizontal unit is a quarter of the dialog font's average
// character width, a vertical unit an eighth of its height, so a dialog
// keeps its proportions in any font.
#pragma once

#include "dialogs/dialog_template.h"

#include <cstddef>

struct FontUnits {
    int averageWidth; // pixels: the average width of the 52 Latin letters
    int height;       // pixels: the line height
};

struct PixelRect {
    int x, y, width, height;
    bool operator==(const PixelRect&) const = default;
};

// The installed font that stands in for a template's typeface, and its size
// in pixels for the template's point size (96 dots per inch).
struct DesktopFont {
    const char* name; // a fontconfig family name
    int pixelSize;
};
DesktopFont desktopFontFor(const DialogTemplate& dialog);

// A rectangle of dialog units in pixels, rounded as the platform rounds.
PixelRect toPixels(const FontUnits& units, int x, int y, int width, int height);
PixelRect controlRect(const FontUnits& units, const ControlTemplate& control);
// The dialog's client area (its own width and height; x and y are 0).
PixelRect clientRect(const FontUnits& units, const DialogTemplate& dialog);

// Grows rects[grown] to height, keeping the layout around it: every
// rectangle that starts at or below its bottom edge moves down by what it
// grew, and every group box (groupBoxes[i]) that reaches past that edge
// grows with it. Returns the pixels added (0 when it was high enough), by
// which the dialog grows too.
int growRect(PixelRect* rects, const bool* groupBoxes, std::size_t count, std::size_t grown, int height);
