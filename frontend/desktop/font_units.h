// Measuring the dialog font on the display, for the dialog-unit rule.
#pragma once

#include "frontend/desktop/dialog_geometry.h"

// Registers the font family in a free FLTK font slot (once) and returns it.
int fontSlotFor(const char* family);

// The font's average character width (of the 52 Latin letters, rounded as
// the platform rounds it) and its line height, in pixels. Needs the display.
FontUnits measureFontUnits(int fontSlot, int pixelSize);
