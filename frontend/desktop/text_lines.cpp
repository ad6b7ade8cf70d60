#include "frontend/desktop/text_lines.h"

#include "os/code_page.h"

#include <FL/fl_draw.H>

namespace {

// Units [start, start + length) of text as UTF-8 for FLTK; out holds
// capacity bytes. A line break of the program's texts shows as a blank;
// every other control character (an ESC in a label another program wrote)
// in caret notation ("^[" for ESC, "^?" for DEL), which every font can
// draw, so none reaches the screen as a control or as a box.
void sliceUtf8(const char16_t* text, std::size_t start, std::size_t length, char* out, std::size_t capacity)
{
    char16_t slice[2 * maxBrokenTextLength + 1];
    std::size_t n = 0;
    for (std::size_t i = 0; i < length && i < maxBrokenTextLength; ++i) {
        char16_t unit = text[start + i];
        if (unit == u'\r' || unit == u'\n') {
            slice[n++] = u' ';
        } else if (unit < 0x20 || unit == 0x7F) {
            slice[n++] = u'^';
            slice[n++] = unit == 0x7F ? u'?' : char16_t(unit + 0x40);
        } else {
            slice[n++] = unit;
        }
    }
    slice[n] = u'\0';
    if (!wideToUtf8(slice, out, capacity))
        out[0] = '\0';
}

int pixelsOf(const char16_t* text, std::size_t start, std::size_t length, void*)
{
    char utf8[maxBrokenTextLength * 3 + 1];
    sliceUtf8(text, start, length, utf8, sizeof utf8);
    return int(fl_width(utf8) + 0.999);
}

} // namespace

std::size_t wrapInPixels(const char16_t* text, int maxWidth, TextLine* lines, std::size_t capacity)
{
    return breakLines(text, maxWidth, pixelsOf, nullptr, lines, capacity);
}

void drawTextLines(const char16_t* text, const TextLine* lines, std::size_t count, int x, int y)
{
    int baseline = y + fl_height() - fl_descent();
    for (std::size_t i = 0; i < count; ++i) {
        char utf8[maxBrokenTextLength * 3 + 1];
        sliceUtf8(text, lines[i].start, lines[i].length, utf8, sizeof utf8);
        fl_draw(utf8, x, baseline + int(i) * fl_height());
    }
}

int wrappedTextHeight(const char16_t* text, int fontSlot, int fontSize, int width)
{
    fl_font(fontSlot, fontSize);
    TextLine lines[1];
    return int(wrapInPixels(text, width, lines, 1)) * fl_height();
}
