#include "platform/terminal_front_end.h"

#include "platform/code_page.h"
#include "platform/dialog_window.h"
#include "platform/language.h"
#include "platform/terminal_draw.h"
#include "platform/terminal_input.h"
#include "platform/terminal_layout.h"
#include "platform/terminal_screen.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <curses.h>
#include <unistd.h>

namespace {

// How long a wait for input lasts before it looks at the screen's size again.
constexpr int inputPollMs = 250;
constexpr char32_t redrawKey = 0x0C; // Ctrl-L

const char hintLine[] = "Tab/Shift-Tab: next/previous  Space: press  Enter: default  Esc: close  F1: help";

// The message box that is showing, if any.
struct ShownMessage {
    bool showing;
    DialogHandle owner;
    const char16_t* text;
    const char16_t* caption;
    unsigned flags;
    const char16_t* labels[2];
    int buttonCount;
    int focusedButton;
    MessageBoxLayout layout;
};

bool isYesNo(unsigned flags) { return (flags & 0x0F) == 0x04; }

class TerminalFrontEnd : public FrontEnd {
public:
    void dialogOpened(DialogHandle dialog) override
    {
        if (shownCount_ < maxNestedDialogs)
            shown_[shownCount_++] = dialog;
        edit_ = EditCursor{nullptr, -1, 0, 0};
        notice_[0] = '\0';
        redraw();
    }

    void dialogClosed(DialogHandle dialog) override
    {
        for (std::size_t i = 0; i < shownCount_; ++i) {
            if (shown_[i] == dialog) {
                shownCount_ = i;
                break;
            }
        }
        edit_ = EditCursor{nullptr, -1, 0, 0};
        notice_[0] = '\0';
        redraw();
    }

    // Drawn at once: during long work nothing else would show the change.
    void controlChanged(DialogHandle, int) override { redraw(); }

    void nextAction(DialogHandle active, UserAction* action) override
    {
        for (;;) {
            redraw();
            TerminalInput input;
            readInput(&input, inputPollMs);
            if (input.kind == InputKind::Key && input.key.name == KeyName::Character &&
                input.key.character == redrawKey) {
                clearok(curscr, TRUE);
                continue;
            }
            if (tooSmall_ || (input.kind != InputKind::Key && input.kind != InputKind::Click))
                continue; // a person cannot act on a dialog that is not shown
            notice_[0] = '\0';
            if (input.kind == InputKind::Key && translateKey(active, input.key, &edit_, action))
                return;
            if (input.kind == InputKind::Click &&
                translateClick(active, layoutOf(active), input.row, input.col, &edit_, action))
                return;
        }
    }

    void actionRefused(const UserAction&, const char* why) override
    {
        std::snprintf(notice_, sizeof notice_, "%s.", why);
        if (notice_[0] >= 'a' && notice_[0] <= 'z')
            notice_[0] = char(notice_[0] - 'a' + 'A');
        beep();
        redraw();
    }

    int messageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags) override
    {
        bool yesNo = isYesNo(flags);
        bool japanese = defaultLanguageId() == languageJapanese;
        message_ = ShownMessage{};
        message_.showing = true;
        message_.owner = owner;
        message_.text = text != nullptr ? text : u"";
        message_.caption = caption != nullptr ? caption : u"";
        message_.flags = flags;
        message_.buttonCount = yesNo ? 2 : 1;
        message_.labels[0] = yesNo ? (japanese ? u"はい(Y)" : u"Yes") : u"OK";
        message_.labels[1] = japanese ? u"いいえ(N)" : u"No";
        int answer = 0;
        while (answer == 0) {
            redraw();
            TerminalInput input;
            readInput(&input, inputPollMs);
            if (tooSmall_)
                continue;
            if (input.kind == InputKind::Key) {
                if (input.key.name == KeyName::Character && input.key.character == redrawKey)
                    clearok(curscr, TRUE);
                answer = translateMessageBoxKey(input.key, yesNo, &message_.focusedButton);
                if (answer == 0 && yesNo && input.key.name == KeyName::Escape)
                    beep(); // a question must be answered
            } else if (input.kind == InputKind::Click) {
                for (int i = 0; i < message_.buttonCount; ++i)
                    if (cellInside(message_.layout.buttons[i], input.row, input.col))
                        answer = !yesNo ? answerOk : (i == 0 ? answerYes : answerNo);
            }
        }
        message_.showing = false;
        redraw();
        return answer;
    }

    // The help viewer starts detached and shows its topic elsewhere (a
    // tmux window, a browser), never on this terminal: nothing to do here.
    bool processStarting(const char*, const char16_t*) override { return true; }

    void programEnded(int) override { closeScreen(); }

private:
    const DialogLayout& layoutOf(DialogHandle dialog)
    {
        for (std::size_t i = 0; i < shownCount_; ++i)
            if (shown_[i] == dialog)
                return layouts_[i];
        return layouts_[maxNestedDialogs]; // an empty layout takes no clicks
    }

    // Draws everything that shows, innermost dialog and message box on top.
    void redraw()
    {
        int rows, cols;
        bool resized;
        screenSize(&rows, &cols, &resized);
        if (resized)
            clearok(curscr, TRUE);
        erase();
        tooSmall_ = false;
        CursorPlace cursor{false, 0, 0};
        int lowestRow = -1;
        const CellRect* ownerFrame = nullptr;
        for (std::size_t i = 0; i < shownCount_; ++i) {
            DialogLayout& layout = layouts_[i];
            if (!layoutDialog(shown_[i], rows, cols, &layout)) {
                // Laid out for no room at all, it comes out at its smallest.
                DialogLayout smallest;
                layoutDialog(shown_[i], 0, 0, &smallest);
                showTooSmall(smallest.frame.rows, smallest.frame.cols, rows, cols);
                return;
            }
            bool active = i + 1 == shownCount_ && !message_.showing;
            if (active)
                followFocus(shown_[i], &edit_);
            drawDialog(shown_[i], layout, active, &edit_, &cursor);
            if (layout.frame.row + layout.frame.rows > lowestRow)
                lowestRow = layout.frame.row + layout.frame.rows - 1;
            if (message_.showing && shown_[i] == message_.owner)
                ownerFrame = &layout.frame;
        }
        if (message_.showing) {
            MessageBoxLayout& box = message_.layout;
            if (!layoutMessageBox(message_.text, message_.caption, messageIconMark(message_.flags) != nullptr,
                                  message_.labels, message_.buttonCount, ownerFrame, rows, cols, &box)) {
                showTooSmall(box.frame.rows, box.frame.cols, rows, cols);
                return;
            }
            drawMessageBox(box, message_.text, message_.caption, message_.flags, message_.labels,
                           message_.focusedButton);
            if (box.frame.row + box.frame.rows > lowestRow)
                lowestRow = box.frame.row + box.frame.rows - 1;
        }
        if (lowestRow < rows - 1)
            drawBottomLine(notice_[0] != '\0' ? notice_ : hintLine, notice_[0] != '\0');
        if (cursor.shown) {
            move(cursor.row, cursor.col);
            curs_set(1);
        } else {
            curs_set(0);
        }
        refresh();
    }

    void showTooSmall(int neededRows, int neededCols, int rows, int cols)
    {
        tooSmall_ = true;
        erase();
        drawTooSmall(neededRows, neededCols, rows, cols);
        curs_set(0);
        refresh();
    }

    DialogHandle shown_[maxNestedDialogs] = {};
    std::size_t shownCount_ = 0;
    DialogLayout layouts_[maxNestedDialogs + 1] = {};
    EditCursor edit_{nullptr, -1, 0, 0};
    ShownMessage message_{};
    char notice_[128] = {};
    bool tooSmall_ = false;
};

} // namespace

FrontEnd* openTerminalFrontEnd()
{
    if (!openScreen())
        return nullptr;
    static TerminalFrontEnd terminal;
    return &terminal;
}

void closeTerminalFrontEnd()
{
    closeScreen();
}
