// A message box as a window of its own: the icon its flags name, the text,
// and OK or Yes and No. Modal over the whole tool until answered.
#pragma once

class Fl_Window;

// Shows the box centred over owner (or the screen) and runs FLTK until the
// person answers; returns answerOk, answerYes or answerNo.
int runMessageWindow(Fl_Window* owner, const char* text, const char* caption, unsigned flags, bool japanese,
                     int fontSlot, int fontSize);
