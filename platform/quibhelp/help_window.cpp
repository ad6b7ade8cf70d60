#include "platform/quibhelp/help_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Help_View.H>
#include <FL/x.H>

#include <cstdlib>

namespace {
void onClose(Fl_Widget* widget, void*) { widget->window()->hide(); }
} // namespace

bool showInWindow(const char* title, const char* pagePath)
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0')
        return false;
    Display* display = XOpenDisplay(name);
    if (display == nullptr)
        return false;
    fl_open_display(display);
    Fl::scheme("gtk+");

    constexpr int width = 640, height = 480, margin = 8, buttonHeight = 28;
    Fl_Double_Window window(width, height, title);
    Fl_Help_View view(margin, margin, width - 2 * margin, height - 3 * margin - buttonHeight);
    view.textfont(FL_HELVETICA);
    view.textsize(14);
    if (view.load(pagePath) != 0)
        return false;
    Fl_Button close(width - margin - 100, height - margin - buttonHeight, 100, buttonHeight, "Close");
    close.callback(onClose);
    close.shortcut(FL_Escape);
    window.end();
    window.resizable(&view);
    window.show();
    Fl::run();
    return true;
}
