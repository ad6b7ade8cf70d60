// A help topic in a window of its own on the desktop.
#pragma once

#include <string>

// Shows the page (HTML) in a window titled title, wide enough for the
// page's longest line, and returns when the person closes it. False when no
// X display can be opened; nothing is shown then.
bool showInWindow(const char* title, const std::string& page);

// The window's size for the page: as wide as its longest line needs in the
// view's fonts (and its margins and scroll bar), as high as the page or
// three quarters of the screen, within the screen. Opens the display.
void helpWindowSize(const std::string& page, int* width, int* height);
