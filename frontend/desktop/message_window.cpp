#include "frontend/desktop/message_window.h"

#include "frontend/desktop/text_lines.h"
#include "dialogs/message_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace {


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

// The message, broken into lines by the rules every front end uses.
class MessageText : public Fl_Widget {
public:
    MessageText(int x, int y, int w, int h, const char16_t* text, const TextLine* lines, std::size_t count)
        : Fl_Widget(x, y, w, h), text_(text), lines_(lines), count_(count)
    {
    }

protected:
    void draw() override
    {
        fl_font(labelfont(), labelsize());
        fl_color(labelcolor());
        // Centred in height beside the icon, as a box of one or two lines is.
        int top = y() + (h() - int(count_) * fl_height()) / 2;
        drawTextLines(text_, lines_, count_, x(), top);
    }

private:
    const char16_t* text_;
    const TextLine* lines_;
    std::size_t count_;
};

// Enter presses the button that has the focus, as in the dialogs. Y and N
// press Yes and No, with Alt or without, as a box's mnemonics do where no
// field takes typing.
class MessageWindowView : public Fl_Double_Window {
public:
    MessageWindowView(int w, int h) : Fl_Double_Window(w, h) {}
    Fl_Widget* yes = nullptr;
    Fl_Widget* no = nullptr;

    int handle(int event) override
    {
        if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
            Fl_Widget* focused = Fl::focus();
            if (focused != nullptr && focused->window() == this) {
                focused->do_callback();
                return 1;
            }
        }
        if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && yes != nullptr && no != nullptr &&
            (Fl::event_state() & (FL_CTRL | FL_META)) == 0) {
            int key = Fl::event_key();
            if (key == 'y' || key == 'n') {
                (key == 'y' ? yes : no)->do_callback();
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

constexpr int margin = 12, iconSize = 32, buttonHeight = 26;

const char* firstLabelOf(bool yesNo, bool japanese) { return yesNo ? (japanese ? "はい(&Y)" : "&Yes") : "OK"; }
const char* secondLabelOf(bool japanese) { return japanese ? "いいえ(&N)" : "&No"; }

} // namespace

MessageWindowLayout layoutMessageWindow(const char16_t* text, unsigned flags, bool japanese, int fontSlot,
                                        int fontSize, TextLine* lines)
{
    bool yesNo = isYesNoBox(flags);
    bool icon = messageBoxIcon(flags) != 0;
    MessageWindowLayout layout{};
    layout.textLeft = margin + (icon ? iconSize + margin : 0);
    // Wrapped at five eighths of the screen's width, as the platform's boxes are.
    layout.wrapWidth = Fl::w() * 5 / 8 - layout.textLeft - margin;
    if (layout.wrapWidth < 200)
        layout.wrapWidth = 200;
    fl_font(fontSlot, fontSize);
    layout.lineCount = wrapInPixels(text, layout.wrapWidth, lines, maxShownLines);
    if (layout.lineCount > maxShownLines)
        layout.lineCount = maxShownLines;
    for (std::size_t i = 0; i < layout.lineCount; ++i)
        layout.textWidth = std::max(layout.textWidth, lines[i].width);
    layout.textHeight = int(layout.lineCount) * fl_height();
    const char* widest = yesNo ? secondLabelOf(japanese) : firstLabelOf(false, japanese);
    layout.buttonWidth = std::max(80, int(fl_width(widest)) + 24);
    layout.buttonsWidth = yesNo ? 2 * layout.buttonWidth + margin : layout.buttonWidth;
    layout.width = std::max(layout.textLeft + layout.textWidth + margin, layout.buttonsWidth + 2 * margin);
    layout.bodyHeight = std::max(layout.textHeight, icon ? iconSize : 0);
    layout.height = margin + layout.bodyHeight + margin + buttonHeight + margin;
    return layout;
}

int runMessageWindow(Fl_Window* owner, const char16_t* text, const char* caption, unsigned flags, bool japanese,
                     int fontSlot, int fontSize)
{
    bool yesNo = isYesNoBox(flags);
    unsigned icon = messageBoxIcon(flags);
    static TextLine lines[maxShownLines];
    MessageWindowLayout layout = layoutMessageWindow(text, flags, japanese, fontSlot, fontSize, lines);
    std::size_t count = layout.lineCount;
    int width = layout.width, height = layout.height;
    int textLeft = layout.textLeft, textWidth = layout.textWidth;
    int bodyHeight = layout.bodyHeight;
    int buttonWidth = layout.buttonWidth, buttonsWidth = layout.buttonsWidth;
    const char* firstLabel = firstLabelOf(yesNo, japanese);
    const char* secondLabel = secondLabelOf(japanese);

    Answering answering;
    answering.yes = yesNo ? answerYes : answerOk;
    answering.no = yesNo ? answerNo : answerOk;

    MessageWindowView window(width, height);
    window.copy_label(caption);
    if (icon != 0)
        new MessageIcon(margin, margin, iconSize, icon);
    auto* body = new MessageText(textLeft, margin, textWidth, bodyHeight, text, lines, count);
    body->labelfont(fontSlot);
    body->labelsize(fontSize);
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
        window.yes = first;
        window.no = second;
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
