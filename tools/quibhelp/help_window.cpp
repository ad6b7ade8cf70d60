#include "tools/quibhelp/help_window.h"

#include "tools/quibhelp/topic_text.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Help_View.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int margin = 8, buttonHeight = 28, textSize = 14;
// What Fl_Help_View puts around its text: its border, its left and right
// margins and the vertical scroll bar.
constexpr int viewFrame = 2 * 4 + 2 * 8 + 20;

void onClose(Fl_Widget* widget, void*) { widget->window()->hide(); }

// The text of one line of the page without its tags and with its entities.
std::string shownText(const std::string& line)
{
    std::string out;
    bool inTag = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '<') {
            inTag = true;
        } else if (c == '>') {
            inTag = false;
        } else if (!inTag && c == '&') {
            std::size_t end = line.find(';', i);
            std::string entity = line.substr(i, end == std::string::npos ? 1 : end - i + 1);
            out += entity == "&amp;" ? "&" : entity == "&lt;" ? "<" : entity == "&gt;" ? ">" : "\"";
            i = end == std::string::npos ? i : end;
        } else if (!inTag) {
            out += c;
        }
    }
    return out;
}

bool openDisplay()
{
    if (fl_display != nullptr)
        return true;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0')
        return false;
    Display* display = XOpenDisplay(name);
    if (display == nullptr)
        return false;
    fl_open_display(display);
    return true;
}

} // namespace

void helpWindowSize(const std::string& page, int* width, int* height)
{
    fl_open_display();
    // Lines of <pre> blocks stand in the fixed font, headings in a larger
    // bold one, the others in the text font.
    int widest = 0;
    bool preformatted = false;
    for (const std::string& line : linesOf(page)) {
        if (line.rfind("<pre>", 0) == 0)
            preformatted = true;
        bool heading = line.rfind("<h1>", 0) == 0 || line.rfind("<h2>", 0) == 0;
        if (line.find("<title>") == std::string::npos) {
            fl_font(preformatted ? FL_COURIER : heading ? FL_HELVETICA_BOLD : FL_HELVETICA,
                    heading ? textSize + 6 : textSize);
            widest = std::max(widest, int(fl_width(shownText(line).c_str()) + 0.999));
        }
        if (line.find("</pre>") != std::string::npos)
            preformatted = false;
    }
    *width = std::min(widest + viewFrame + 2 * margin, Fl::w() - 2 * margin);

    Fl_Help_View measure(0, 0, *width - 2 * margin, 100);
    measure.textfont(FL_HELVETICA);
    measure.textsize(textSize);
    measure.value(page.c_str());
    int pageHeight = measure.size() + 16;
    *height = std::min(pageHeight, Fl::h() * 3 / 4) + 3 * margin + buttonHeight;
}

bool showInWindow(const char* title, const std::string& page)
{
    if (!openDisplay())
        return false;
    Fl::scheme("gtk+");

    int width, height;
    helpWindowSize(page, &width, &height);
    Fl_Double_Window window(width, height, title);
    Fl_Help_View view(margin, margin, width - 2 * margin, height - 3 * margin - buttonHeight);
    view.textfont(FL_HELVETICA);
    view.textsize(textSize);
    view.value(page.c_str());
    Fl_Button close(width - margin - 100, height - margin - buttonHeight, 100, buttonHeight, "Close");
    close.callback(onClose);
    close.shortcut(FL_Escape);
    window.end();
    window.resizable(&view);
    window.show();
    Fl::run();
    return true;
}
