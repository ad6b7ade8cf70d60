// Texts wrapped in pixels for the desktop's windows, by the same line-breaking
// rules as the terminal (frontend/line_breaking), in FLTK's current font.
#pragma once

#include "frontend/line_breaking/line_breaks.h"

#include <cstddef>

constexpr std::size_t maxShownLines = 32;

// Breaks text into lines of at most maxWidth pixels in the font set with
// fl_font; returns the lines it needs (at most capacity written).
std::size_t wrapInPixels(const char16_t* text, int maxWidth, TextLine* lines, std::size_t capacity);

// Draws the lines from the top left (x, y), one font height apart,
// in the current font and colour.
void drawTextLines(const char16_t* text, const TextLine* lines, std::size_t count, int x, int y);

// Pixels the text needs from top to bottom wrapped to width in the font.
int wrappedTextHeight(const char16_t* text, int fontSlot, int fontSize, int width);
