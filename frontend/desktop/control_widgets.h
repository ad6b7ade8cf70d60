// One FLTK widget for each control of a running dialog, made from the
// control's template and kept in step with the state the dialog manager
// holds for it.
#pragma once

#include "frontend/desktop/dialog_geometry.h"
#include "dialogs/dialog_window.h"

class Fl_Widget;

// What a widget reports when a person uses it.
struct ControlEvents {
    void (*pressed)(void* context, int controlId);                // a button, radio button or check box
                                                                   // pressed, or a click into an edit field
    void (*typed)(void* context, int controlId, const char* utf8); // an edit field's whole new text
    void* context;
};

// Creates the widget of control at rect inside the current FLTK group, in
// the dialog's font; null for a control that shows nothing (hidden).
Fl_Widget* createControlWidget(const ControlState& control, const PixelRect& rect, int fontSlot, int fontSize,
                               const ControlEvents& events);

// Brings the widget in line with the control: text, enabled, check,
// default button, progress.
void syncControlWidget(Fl_Widget* widget, const ControlState& control);

// The widget's text in UTF-8 (what FLTK draws), from the control's UTF-16.
void controlTextUtf8(const ControlState& control, char* out, std::size_t capacity);

// The height the widget of a static text or read-only field needs at width
// pixels to show its text whole, wrapped; 0 for the other controls.
int controlTextHeight(Fl_Widget* widget, const ControlState& control, int width);

// The width the widget of a static text or read-only field needs to show
// each line of its text unbroken; 0 for the other controls.
int controlTextWidth(Fl_Widget* widget, const ControlState& control);
