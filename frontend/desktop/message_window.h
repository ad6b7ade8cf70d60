// A message box as a window of its own: the icon its flags name, the text,
// and OK or Yes and No. Modal over the whole tool until answered.
#pragma once

#include "frontend/line_breaking/line_breaks.h"

#include <cstddef>

class Fl_Window;

// Where a message box puts its parts, in pixels.
struct MessageWindowLayout {
    int width, height;           // the window's client area
    int textLeft, textWidth;     // the text's column
    int textHeight;              // its lines, one font height each
    int bodyHeight;              // the text beside the icon: the taller of the two
    int wrapWidth;               // the widest a line may be
    std::size_t lineCount;
    int buttonWidth, buttonsWidth;
};

// Lays the box out: the text wrapped at five eighths of the screen's width
// (less the icon and margins) into lines (capacity maxShownLines).
MessageWindowLayout layoutMessageWindow(const char16_t* text, unsigned flags, bool japanese, int fontSlot,
                                        int fontSize, TextLine* lines);

// Shows the box centred over owner (or the screen), laid out as above,
// and runs FLTK until the person answers (Y and N answer a Yes/No box, with
// Alt or without); returns answerOk, answerYes or answerNo.
int runMessageWindow(Fl_Window* owner, const char16_t* text, const char* caption, unsigned flags, bool japanese,
                     int fontSlot, int fontSize);
