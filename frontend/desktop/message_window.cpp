#include "frontend/desktop/message_window.h"

#include "platform/message_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace {

constexpr unsigned iconMask = 0xF0;
constexpr unsigned buttonsMask = 0x0F;

// The icon of the flags: a red disc with a cross, a blue disc with a
// question mark, a yellow triangle with an exclamation mark, or a blue
// disc with an "i".
class MessageIcon : public Fl_Widget {
public:
    MessageIcon(int x, int y, int size, unsigned icon) : Fl_Widget(x, y, size, size), icon_(icon) {}

protected:
    void draw() override
    {
        const char* mark = "i";
        Fl_Color face = FL_DARK_BLUE;
        if (icon_ == messageIconStop) {
            mark = "X";
            face = FL_RED;
        } else if (icon_ == messageIconQuestion) {
            mark = "?";
        } else if (icon_ == messageIconExclamation) {
            mark = "!";
            face = FL_YELLOW;
        }
        if (icon_ == messageIconExclamation) {
            fl_color(face);
            fl_polygon(x() + w() / 2, y(), x(), y() + h() - 1, x() + w() - 1, y() + h() - 1);
            fl_color(FL_BLACK);
            fl_loop(x() + w() / 2, y(), x(), y() + h() - 1, x() + w() - 1, y() + h() - 1);
        } else {
            fl_color(face);
            fl_pie(x(), y(), w(), h(), 0, 360);
        }
        fl_color(icon_ == messageIconExclamation ? FL_BLACK : FL_WHITE);
        fl_font(FL_HELVETICA_BOLD, h() * 2 / 3);
        fl_draw(mark, x(), y() + h() / 8, w(), h(), FL_ALIGN_CENTER);
    }

private:
    unsigned icon_;
};

// Enter presses the button that has the focus, as in the dialogs.
class MessageWindowView : public Fl_Double_Window {
public:
    MessageWindowView(int w, int h) : Fl_Double_Window(w, h) {}

    int handle(int event) override
    {
        if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
            Fl_Widget* focused = Fl::focus();
            if (focused != nullptr && focused->window() == this) {
                focused->do_callback();
                return 1;
            }
        }
        return Fl_Double_Window::handle(event);
    }
};

struct Answering {
    int answer = 0;
    int yes = answerOk;
    int no = answerOk;
};

void onFirst(Fl_Widget*, void* data) { static_cast<Answering*>(data)->answer = static_cast<Answering*>(data)->yes; }
void onSecond(Fl_Widget*, void* data) { static_cast<Answering*>(data)->answer = static_cast<Answering*>(data)->no; }

// Closing the box from its frame counts as OK where OK is the only answer;
// a question must be answered with its buttons.
void onClose(Fl_Widget*, void* data)
{
    auto* answering = static_cast<Answering*>(data);
    if (answering->yes == answerOk)
        answering->answer = answerOk;
}

} // namespace

int runMessageWindow(Fl_Window* owner, const char* text, const char* caption, unsigned flags, bool japanese,
                     int fontSlot, int fontSize)
{
    bool yesNo = (flags & buttonsMask) == messageBoxYesNo;
    unsigned icon = flags & iconMask;
    constexpr int margin = 12, iconSize = 32, buttonHeight = 26, maxTextWidth = 520;

    fl_font(fontSlot, fontSize);
    int textWidth = maxTextWidth, textHeight = 0;
    fl_measure(text, textWidth, textHeight, 0);
    const char* firstLabel = yesNo ? (japanese ? "はい(&Y)" : "&Yes") : "OK";
    const char* secondLabel = japanese ? "いいえ(&N)" : "&No";
    int buttonWidth = std::max(80, int(fl_width(yesNo ? secondLabel : firstLabel)) + 24);
    int buttonsWidth = yesNo ? 2 * buttonWidth + margin : buttonWidth;
    int textLeft = margin + (icon != 0 ? iconSize + margin : 0);
    int width = std::max(textLeft + textWidth + margin, buttonsWidth + 2 * margin);
    int bodyHeight = std::max(textHeight, icon != 0 ? iconSize : 0);
    int height = margin + bodyHeight + margin + buttonHeight + margin;

    Answering answering;
    answering.yes = yesNo ? answerYes : answerOk;
    answering.no = yesNo ? answerNo : answerOk;

    MessageWindowView window(width, height);
    window.copy_label(caption);
    if (icon != 0)
        new MessageIcon(margin, margin, iconSize, icon);
    auto* body = new Fl_Box(textLeft, margin, textWidth, bodyHeight);
    body->copy_label(text);
    body->labelfont(fontSlot);
    body->labelsize(fontSize);
    body->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    int left = (width - buttonsWidth) / 2, top = height - margin - buttonHeight;
    auto* first = new Fl_Button(left, top, buttonWidth, buttonHeight);
    first->copy_label(firstLabel);
    first->labelfont(fontSlot);
    first->labelsize(fontSize);
    first->callback(onFirst, &answering);
    if (yesNo) {
        auto* second = new Fl_Button(left + buttonWidth + margin, top, buttonWidth, buttonHeight);
        second->copy_label(secondLabel);
        second->labelfont(fontSlot);
        second->labelsize(fontSize);
        second->callback(onSecond, &answering);
        second->shortcut(FL_ALT + 'n');
        first->shortcut(FL_ALT + 'y');
    }
    window.end();
    window.callback(onClose, &answering);
    if (owner != nullptr && owner->shown())
        window.position(owner->x() + (owner->w() - width) / 2, owner->y() + (owner->h() - height) / 2);
    else
        window.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
    window.set_modal();
    window.show();
    first->take_focus();
    while (answering.answer == 0 && Fl::first_window() != nullptr)
        Fl::wait();
    if (answering.answer == 0)
        answering.answer = answering.no;
    window.hide();
    Fl::check();
    return answering.answer;
}
