// The desktop front end: every running dialog as a real window built from
// its template with FLTK, message boxes as windows of their own, keys and
// mouse as dialog users expect. Built as a module of its own that the
// launcher loads only for a desktop run, so terminal and script runs never
// load the window system's libraries.
#include "frontend/desktop/desktop_front_end.h"

#include "frontend/desktop/control_widgets.h"
#include "frontend/desktop/dialog_geometry.h"
#include "frontend/desktop/font_units.h"
#include "frontend/desktop/message_window.h"
#include "frontend/desktop/program_icon.h"
#include "frontend/line_breaking/line_breaks.h"
#include "os/code_page.h"
#include "dialogs/dialog_window.h"
#include "dialogs/message_box.h"
#include "os/language.h"
#include "os/pause.h"
#include "os/wide_format.h"
#include "resources/dialog_ids.h"
#include "ui/framework/message_catalogue.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <iterator>

namespace {

constexpr std::uint32_t styleSystemMenu = 0x00080000;

// The tool's exit status when the X display went away during a format.
constexpr int exitDisplayLostDuringFormat = 6;

// Set when the X connection was lost while a format ran: the run goes on
// to its end without windows, and the tool then ends with a status of its
// own (see endWithoutDisplay).
bool displayGone = false;
XIOErrorHandler previousDisplayLostHandler = nullptr;

// A Format Execute dialog (any of its templates, the host's one with the
// progress bar too) whose Close is disabled: a format run is in hand, and
// the disk must not be left half-written.
bool formatRunning()
{
    DialogHandle active = activeDialog();
    if (active == nullptr)
        return false;
    int id = dialogTemplateOf(active)->id;
    const ControlState* close = findControl(active, controlId::close);
    bool execute = id == templateId::formatExecuteJapanese || id == templateId::formatExecuteEnglish ||
                   id == templateId::formatExecuteWithProgressEnglish;
    return execute && close != nullptr && !close->enabled;
}

// Xlib's handler for a lost connection (the X server ended, the window
// killed). Outside a format the tool ends as before; during one the run
// goes on without the display.
int onDisplayLost(Display* display)
{
    if (!formatRunning() && previousDisplayLostHandler != nullptr)
        return previousDisplayLostHandler(display);
    displayGone = true;
    return 0;
}

// What Xlib calls after the handler in place of ending the process.
void afterDisplayLost(Display*, void*)
{
    if (!displayGone)
        std::exit(1);
}

// Once the run is over and the program waits for the person who is no
// longer there: say what state the disk is in and end.
[[noreturn]] void endWithoutDisplay()
{
    DialogHandle active = activeDialog();
    DialogHandle formatDialog = active != nullptr ? dialogOwner(active) : nullptr;
    const ControlState* statusLine = formatDialog != nullptr ? findControl(formatDialog, 1041) : nullptr;
    if (statusLine != nullptr && wideEqual(statusLine->text, messageCatalogue.formatCompletedText))
        std::fputs("quibtools: the X display went away during a format; the format ran to its end: "
                   "the disk is formatted\n", stderr);
    else
        std::fputs("quibtools: the X display went away during a format, which failed: the disk may have no "
                   "file system until it is formatted again\n", stderr);
    std::exit(exitDisplayLostDuringFormat);
}

class DesktopFrontEnd;

// The window of one running dialog. Keys that the dialog manager handles
// (Tab, Shift+Tab, Enter, Escape, F1) go to it, whatever widget has FLTK's
// focus, so every front end follows the same rules.
class DialogView : public Fl_Double_Window {
public:
    DialogView(DesktopFrontEnd* frontEnd, DialogHandle dialog, int w, int h)
        : Fl_Double_Window(w, h), frontEnd_(frontEnd), dialog_(dialog)
    {
    }
    int handle(int event) override;
    DialogHandle dialog() const { return dialog_; }

private:
    DesktopFrontEnd* frontEnd_;
    DialogHandle dialog_;
};

struct ShownDialog {
    DialogHandle dialog = nullptr;
    DialogView* window = nullptr;
    Fl_Widget* widgets[maxDialogControls] = {};
    int fontSlot = FL_HELVETICA;
    int fontSize = 12;
};

class DesktopFrontEnd : public FrontEnd {
public:
    DesktopFrontEnd()
    {
        events_ = ControlEvents{onPressed, onTyped, this};
    }

    void dialogOpened(DialogHandle dialog) override
    {
        if (displayGone || shownCount_ >= maxNestedDialogs)
            return;
        const DialogTemplate& source = *dialogTemplateOf(dialog);
        ShownDialog& shown = shown_[shownCount_++];
        shown = ShownDialog{};
        shown.dialog = dialog;
        DesktopFont font = desktopFontFor(source);
        shown.fontSlot = fontSlotFor(font.name);
        shown.fontSize = font.pixelSize;
        FontUnits units = measureFontUnits(shown.fontSlot, shown.fontSize);

        PixelRect client = clientRect(units, source);
        auto* window = new DialogView(this, dialog, client.width, client.height);
        shown.window = window;
        for (std::size_t i = 0; i < dialogControlCount(dialog); ++i) {
            const ControlState* control = dialogControlAt(dialog, i);
            shown.widgets[i] =
                createControlWidget(*control, controlRect(units, *control->source), shown.fontSlot, shown.fontSize, events_);
        }
        window->end();
        fitTexts(shown);
        char title[256];
        if (!wideToUtf8(source.title != nullptr ? source.title : u"", title, sizeof title))
            title[0] = '\0';
        window->copy_label(title);
        window->callback(onWindowClose, this);
        const Fl_RGB_Image* icons[2] = {programIcon(32), programIcon(16)};
        if (icons[0] != nullptr && icons[1] != nullptr)
            window->icons(icons, 2);
        placeWindow(window, shownCount_ >= 2 ? shown_[shownCount_ - 2].window : nullptr);
        if (shownCount_ >= 2)
            window->set_modal();
        window->show();
        syncFocus(shown);
        // A dialog that has just opened waits for the person next: what
        // they do while it appears is kept for it.
        active_ = dialog;
        accepting_ = true;
        Fl::check();
        accepting_ = false;
    }

    void dialogClosed(DialogHandle dialog) override
    {
        if (displayGone)
            return;
        for (std::size_t i = 0; i < shownCount_; ++i) {
            if (shown_[i].dialog == dialog) {
                closeFrom(i);
                break;
            }
        }
        dropPending();
        Fl::check();
    }

    // Shown at once: during a format the program's thread is busy, and only
    // this keeps the windows drawn and the progress moving.
    void controlChanged(DialogHandle dialog, const ControlState& control, ControlChange what) override
    {
        if (displayGone)
            return;
        ShownDialog* shown = find(dialog);
        if (shown == nullptr)
            return;
        std::size_t index = std::size_t(&control - dialogControlAt(dialog, 0));
        syncControlWidget(shown->widgets[index], control);
        if (what == ControlChange::Text) // a new text may need more (or less) room
            fitTexts(*shown);
        syncFocus(*shown);
        Fl::check();
    }

    void nextAction(DialogHandle active, UserAction* action) override
    {
        if (displayGone)
            endWithoutDisplay();
        ShownDialog* shown = find(active);
        if (shown != nullptr) {
            // What the person typed while the program was busy never
            // reached it: show the controls as the program holds them.
            for (std::size_t i = 0; i < dialogControlCount(active); ++i)
                syncControlWidget(shown->widgets[i], *dialogControlAt(active, i));
            fitTexts(*shown);
            syncFocus(*shown);
        }
        active_ = active;
        accepting_ = true;
        // A close of a window asked for during the format is carried out
        // now that it has ended: the dialogs close down to that window's.
        if (closeAsked_ != nullptr) {
            if (find(closeAsked_) != nullptr)
                push(active, keyAction(DialogKey::Escape));
            if (find(closeAsked_) == nullptr || active == closeAsked_)
                closeAsked_ = nullptr;
        }
        while (pendingCount_ == 0) {
            if (Fl::first_window() == nullptr) {
                // Every window is gone (the display closed): end as Close would.
                pending_[pendingCount_++] = PendingAction{active, keyAction(DialogKey::Escape)};
                break;
            }
            Fl::wait();
        }
        accepting_ = false;
        *action = pending_[0].action;
        for (int i = 1; i < pendingCount_; ++i)
            pending_[i - 1] = pending_[i];
        --pendingCount_;
    }

    void actionRefused(const UserAction&, Refusal) override { fl_beep(FL_BEEP_ERROR); }

    int messageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags) override
    {
        // Nobody can see the box any more: the format's failure is told at the end.
        if (displayGone)
            return isYesNoBox(flags) ? answerNo : answerOk;
        char captionUtf8[256];
        if (!wideToUtf8(caption != nullptr ? caption : u"", captionUtf8, sizeof captionUtf8))
            captionUtf8[0] = '\0';
        ShownDialog* over = owner != nullptr ? find(owner) : nullptr;
        bool japanese = defaultLanguageId() == languageJapanese;
        int fontSlot = over != nullptr ? over->fontSlot : fontSlotFor(japanese ? "Noto Sans CJK JP" : "DejaVu Sans");
        int fontSize = over != nullptr ? over->fontSize : 12;
        dropPending();
        int answer = runMessageWindow(over != nullptr ? over->window : nullptr, text != nullptr ? text : u"",
                                      captionUtf8, flags, japanese, fontSlot, fontSize);
        dropPending();
        return answer;
    }

    // The help viewer opens a window of its own on this desktop.
    bool processStarting(const char*, const char16_t*) override { return true; }

    void programEnded(int) override
    {
        if (displayGone)
            return;
        closeFrom(0);
        Fl::check();
    }

    void keyPressed(DialogHandle dialog, DialogKey key) { push(dialog, keyAction(key)); }

    void windowClosing(DialogView* window)
    {
        // During a format the dialogs take no input (Close is disabled):
        // a close asked for then, of the Format Execute window (the one
        // that takes input), waits for the format to end.
        if (formatRunning()) {
            closeAsked_ = window->dialog();
            return;
        }
        // The frame's close box is the dialog's cancel; a dialog without a
        // system menu (Format Execute) has none to press.
        if ((dialogTemplateOf(window->dialog())->style & styleSystemMenu) != 0)
            push(window->dialog(), keyAction(DialogKey::Escape));
    }

private:
    struct PendingAction {
        DialogHandle dialog;
        UserAction action;
    };

    // Closes the windows of the dialog shown at first and of every dialog
    // shown over it.
    void closeFrom(std::size_t first)
    {
        while (shownCount_ > first) {
            ShownDialog& shown = shown_[--shownCount_];
            shown.window->hide();
            Fl::delete_widget(shown.window);
            shown = ShownDialog{};
        }
    }

    static UserAction keyAction(DialogKey key)
    {
        UserAction action{};
        action.kind = UserActionKind::Key;
        action.key = key;
        return action;
    }

    // The person's actions count only while the program waits for one, and
    // only in the dialog that takes input; clicks into a busy or covered
    // window are dropped.
    void push(DialogHandle dialog, const UserAction& action)
    {
        if (!accepting_ || dialog != active_ || pendingCount_ >= int(std::size(pending_)))
            return;
        pending_[pendingCount_++] = PendingAction{dialog, action};
    }

    void dropPending() { pendingCount_ = 0; }

    static void onPressed(void* context, int controlId)
    {
        auto* self = static_cast<DesktopFrontEnd*>(context);
        UserAction action{};
        action.kind = UserActionKind::Click;
        action.controlId = controlId;
        self->push(self->active_, action);
    }


    static void onTyped(void* context, int controlId, const char* utf8)
    {
        auto* self = static_cast<DesktopFrontEnd*>(context);
        UserAction action{};
        action.kind = UserActionKind::Type;
        action.controlId = controlId;
        if (utf8ToWide(utf8, action.text, std::size(action.text)))
            self->push(self->active_, action);
    }

    static void onWindowClose(Fl_Widget* widget, void* context)
    {
        static_cast<DesktopFrontEnd*>(context)->windowClosing(static_cast<DialogView*>(widget));
    }

    ShownDialog* find(DialogHandle dialog)
    {
        for (std::size_t i = 0; i < shownCount_; ++i) {
            if (shown_[i].dialog == dialog)
                return &shown_[i];
        }
        return nullptr;
    }

    // Every text shows whole: a static text or read-only field whose lines
    // need more height than its template gives grows by what is missing,
    // what lies below moves down, and the window grows with it. Worked out
    // afresh from the template each time, so a shorter text shrinks back.
    static void fitTexts(ShownDialog& shown)
    {
        const DialogTemplate& source = *dialogTemplateOf(shown.dialog);
        FontUnits units = measureFontUnits(shown.fontSlot, shown.fontSize);
        std::size_t count = dialogControlCount(shown.dialog);
        PixelRect rects[maxDialogControls];
        bool groupBoxes[maxDialogControls];
        for (std::size_t i = 0; i < count; ++i) {
            const ControlState* control = dialogControlAt(shown.dialog, i);
            rects[i] = controlRect(units, *control->source);
            groupBoxes[i] = control->kind == ControlKind::GroupBox;
        }
        int height = clientRect(units, source).height;
        for (std::size_t i = 0; i < count; ++i)
            if (shown.widgets[i] != nullptr)
                runOn(shown, rects, i);
        for (std::size_t i = 0; i < count; ++i) {
            if (shown.widgets[i] == nullptr)
                continue;
            int needed = controlTextHeight(shown.widgets[i], *dialogControlAt(shown.dialog, i), rects[i].width);
            height += growRect(rects, groupBoxes, count, i, needed);
        }
        for (std::size_t i = 0; i < count; ++i) {
            Fl_Widget* widget = shown.widgets[i];
            const PixelRect& r = rects[i];
            if (widget != nullptr &&
                (widget->x() != r.x || widget->y() != r.y || widget->w() != r.width || widget->h() != r.height))
                widget->resize(r.x, r.y, r.width, r.height);
        }
        if (shown.window->h() != height) {
            shown.window->size(shown.window->w(), height);
            shown.window->redraw();
        }
    }

    // A one-line static text wider than its rectangle (a Japanese caption,
    // often) runs on to its right: it pushes the left edge of the read-only
    // field beside it along, as far as that field's own text still fits,
    // rather than wrapping a caption's last characters onto a line of their own.
    static void runOn(ShownDialog& shown, PixelRect* rects, std::size_t i)
    {
        const ControlState* control = dialogControlAt(shown.dialog, i);
        if (control->kind != ControlKind::StaticText || control->source->height >= 16)
            return; // texts of several lines wrap in their own width
        int wanted = controlTextWidth(shown.widgets[i], *control);
        if (wanted <= rects[i].width)
            return;
        PixelRect& self = rects[i];
        std::size_t count = dialogControlCount(shown.dialog);
        for (std::size_t j = 0; j < count; ++j) {
            const ControlState* other = dialogControlAt(shown.dialog, j);
            PixelRect& r = rects[j];
            bool beside = r.x >= self.x + self.width && r.y < self.y + self.height && self.y < r.y + r.height;
            if (j == i || !beside || shown.widgets[j] == nullptr || other->kind != ControlKind::Edit ||
                !isReadOnlyEdit(other))
                continue;
            int gap = r.x - (self.x + self.width);
            int push = self.x + wanted + gap - r.x;
            if (push <= 0) {
                self.width = wanted;
                return;
            }
            if (r.width - push < controlTextWidth(shown.widgets[j], *other))
                return;
            r.x += push;
            r.width -= push;
            self.width = wanted;
            return;
        }
    }

    // FLTK's focus follows the dialog manager's.
    void syncFocus(ShownDialog& shown)
    {
        const ControlState* focused = focusedControl(shown.dialog);
        Fl_Widget* widget = nullptr;
        if (focused != nullptr)
            widget = shown.widgets[focused - dialogControlAt(shown.dialog, 0)];
        if (widget != nullptr && widget->visible_focus() && widget->active())
            widget->take_focus();
        else if (Fl::focus() != nullptr && Fl::focus()->window() == shown.window)
            Fl::focus(shown.window);
    }

    // Centred over the window below it, else on the screen.
    static void placeWindow(Fl_Window* window, Fl_Window* under)
    {
        int x, y;
        if (under != nullptr && under->shown()) {
            x = under->x() + (under->w() - window->w()) / 2;
            y = under->y() + (under->h() - window->h()) / 2;
        } else {
            x = (Fl::w() - window->w()) / 2;
            y = (Fl::h() - window->h()) / 2;
        }
        window->position(x < 0 ? 0 : x, y < 0 ? 0 : y);
    }

    ShownDialog shown_[maxNestedDialogs];
    std::size_t shownCount_ = 0;
    ControlEvents events_{};
    PendingAction pending_[8] = {};
    int pendingCount_ = 0;
    bool accepting_ = false;
    DialogHandle active_ = nullptr;
    DialogHandle closeAsked_ = nullptr; // a window closed during a format
};

int DialogView::handle(int event)
{
    if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
        int key = Fl::event_key();
        bool shift = Fl::event_state(FL_SHIFT) != 0;
        switch (key) {
        case FL_Tab: frontEnd_->keyPressed(dialog_, shift ? DialogKey::BackTab : DialogKey::Tab); return 1;
        case FL_Enter:
        case FL_KP_Enter: frontEnd_->keyPressed(dialog_, DialogKey::Enter); return 1;
        case FL_Escape: frontEnd_->keyPressed(dialog_, DialogKey::Escape); return 1;
        case FL_F + 1: frontEnd_->keyPressed(dialog_, DialogKey::F1); return 1;
        default: break;
        }
    }
    return Fl_Double_Window::handle(event);
}

DesktopFrontEnd* desktop = nullptr;

// A wait of the program keeps the windows drawn, taking no input.
void waitDrawing(std::uint32_t milliseconds)
{
    using clock = std::chrono::steady_clock;
    auto end = clock::now() + std::chrono::milliseconds(milliseconds);
    if (displayGone) {
        std::this_thread::sleep_until(end);
        return;
    }
    for (;;) {
        auto left = std::chrono::duration<double>(end - clock::now()).count();
        if (left <= 0)
            break;
        Fl::wait(left);
    }
}

} // namespace

extern "C" FrontEnd* openDesktopFrontEnd()
{
    if (desktop != nullptr)
        return desktop;
    // No X display (none set, or it cannot be reached): no desktop run.
    if (fl_display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || name[0] == '\0')
            return nullptr;
        Display* display = XOpenDisplay(name);
        if (display == nullptr)
            return nullptr;
        fl_open_display(display);
    }
    // fl_open_display installed FLTK's handler, which ends the tool with 1.
    previousDisplayLostHandler = XSetIOErrorHandler(onDisplayLost);
    XSetIOErrorExitHandler(fl_display, afterDisplayLost, nullptr);
    Fl::scheme("gtk+");
    Fl::visible_focus(1);
    setLineBreakLanguage(defaultLanguageId() == languageJapanese ? "ja" : "en");
    // The help viewer shows its topics on this desktop, even inside tmux.
    setenv("QUIB_HELP_ON", "desktop", 1);
    replaceSleep(waitDrawing);
    desktop = new DesktopFrontEnd;
    return desktop;
}
