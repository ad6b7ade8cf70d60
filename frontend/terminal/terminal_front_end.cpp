#include "frontend/terminal/terminal_front_end.h"

#include "dialogs/dialog_window.h"
#include "dialogs/message_box.h"
#include "os/language.h"
#include "os/pause.h"
#include "os/process_start.h"
#include "frontend/terminal/terminal_draw.h"
#include "frontend/terminal/terminal_input.h"
#include "frontend/terminal/terminal_layout.h"
#include "frontend/terminal/terminal_screen.h"
#include "frontend/terminal/terminal_texts.h"
#include "os/wide_format.h"
#include "resources/dialog_ids.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <curses.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// How long a wait for input lasts before it looks at the screen's size again.
constexpr int inputPollMs = 250;
constexpr char32_t redrawKey = 0x0C; // Ctrl-L

constexpr std::size_t keyLineCapacity = 256;

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

// Set while the program waits on its own between steps of its work (a
// format polling the drive): what the person types meanwhile was meant for
// a screen that has moved on, so it is dropped when input is next read.
bool workedSinceInput = false;

void pauseWorking(std::uint32_t milliseconds)
{
    workedSinceInput = true;
    struct timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void dropTypeahead()
{
    if (workedSinceInput)
        flushinp();
    workedSinceInput = false;
}

// The dialogs that answer F1 though their frame has no help button:
// Status.
bool answersHelp(DialogHandle dialog, bool helpMark)
{
    const DialogTemplate* source = dialogTemplateOf(dialog);
    return helpMark || (source != nullptr && (source->id == templateId::statusJapanese || source->id == templateId::statusEnglish));
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Appends an item to the key line, two blanks after the one before.
void appendItem(char16_t* line, const char16_t* item)
{
    std::size_t length = wideLength(line);
    if (length > 0 && length + 2 < keyLineCapacity) {
        line[length++] = u' ';
        line[length++] = u' ';
        line[length] = u'\0';
    }
    copyWide(line + length, keyLineCapacity - length, item);
}

bool hasRadioGroup(DialogHandle dialog)
{
    for (std::size_t i = 0; i < dialogControlCount(dialog); ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if (control->kind == ControlKind::RadioButton && control->enabled &&
            isVisibleControl(control))
            return true;
    }
    return false;
}

// The keys that work in the dialog shown, the most needed first (a narrow
// screen cuts the line): Enter with the caption of the button it presses,
// Tab, Escape, F1 where the dialog has the help button, the arrows where a
// radio group is, Space on something it presses or typing in a field.
void dialogKeyLine(DialogHandle dialog, bool helpMark, char16_t* line)
{
    const TerminalTexts& texts = terminalTexts();
    line[0] = u'\0';
    char16_t item[keyLineCapacity];
    for (std::size_t i = 0; i < dialogControlCount(dialog); ++i) {
        const ControlState* control = dialogControlAt(dialog, i);
        if (control->kind == ControlKind::PushButton && control->isDefault && control->enabled) {
            formatWide(item, keyLineCapacity, texts.enterKey, control->text);
            appendItem(line, item);
            break;
        }
    }
    appendItem(line, texts.tabKeys);
    appendItem(line, texts.escapeKey);
    if (answersHelp(dialog, helpMark))
        appendItem(line, texts.helpKey);
    const ControlState* focused = focusedControl(dialog);
    if (hasRadioGroup(dialog))
        appendItem(line, texts.arrowKeys);
    if (focused != nullptr && focused->kind == ControlKind::Edit && !isReadOnlyEdit(focused))
        appendItem(line, texts.typingKeys);
    else if (focused != nullptr && takesSpace(*focused))
        appendItem(line, texts.spaceKey);
}

void messageKeyLine(bool yesNo, const char16_t* focusedLabel, char16_t* line)
{
    const TerminalTexts& texts = terminalTexts();
    line[0] = u'\0';
    if (!yesNo) {
        appendItem(line, texts.okBoxKeys);
        return;
    }
    char16_t item[keyLineCapacity];
    formatWide(item, keyLineCapacity, texts.enterKey, focusedLabel);
    appendItem(line, item);
    appendItem(line, texts.yesNoKeys);
    appendItem(line, texts.yesNoTabKeys);
}

// Runs the help viewer in the foreground on this terminal to page the
// topic; the tool's screen is left meanwhile and comes back as it was.
// Ctrl-C belongs to the pager while it runs, as with system().
void pageHelpHere(const char* program, const char16_t* commandLine)
{
    char path[PATH_MAX];
    char topic[processArgumentSize];
    if (!shippedProgram(program, commandLine, path, sizeof path, topic))
        return;
    char pageOption[] = "--page";
    char* argv[] = {path, pageOption, topic, nullptr};

    struct sigaction ignore{}, oldInterrupt, oldQuit;
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &oldInterrupt);
    sigaction(SIGQUIT, &ignore, &oldQuit);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    def_prog_mode();
    endwin();
    pid_t viewer;
    if (posix_spawn(&viewer, path, nullptr, &attributes, argv, environ) == 0) {
        while (waitpid(viewer, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawnattr_destroy(&attributes);
    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    reset_prog_mode();
    clearok(curscr, TRUE);
}

class TerminalFrontEnd : public FrontEnd {
public:
    void dialogOpened(DialogHandle dialog) override
    {
        if (shownCount_ < maxNestedDialogs)
            shown_[shownCount_++] = dialog;
        edit_ = EditCursor{nullptr, -1, 0, 0};
        notice_[0] = u'\0';
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
        notice_[0] = u'\0';
        redraw();
    }

    // Drawn at once: during long work nothing else would show the change.
    void controlChanged(DialogHandle, const ControlState&, ControlChange) override { redraw(); }

    void nextAction(DialogHandle active, UserAction* action) override
    {
        dropTypeahead();
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
            notice_[0] = u'\0';
            if (input.kind == InputKind::Key && translateKey(active, input.key, &edit_, action))
                return;
            if (input.kind == InputKind::Click &&
                translateClick(active, layoutOf(active), input.row, input.col, &edit_, action))
                return;
        }
    }

    void actionRefused(const UserAction&, Refusal why) override
    {
        copyWide(notice_, keyLineCapacity, refusalNotice(why));
        beep();
        redraw();
    }

    int messageBox(DialogHandle owner, const char16_t* text, const char16_t* caption, unsigned flags) override
    {
        bool yesNo = isYesNoBox(flags);
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
        dropTypeahead();
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

    // Inside tmux or on a desktop the help viewer starts detached and shows
    // its topic elsewhere (a tmux window, a browser). Anywhere else this
    // terminal is the only place to show it: the viewer pages it here.
    bool processStarting(const char* program, const char16_t* commandLine) override
    {
        if (isSet("TMUX") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"))
            return true;
        pageHelpHere(program, commandLine);
        redraw();
        return false;
    }

    void programEnded(int) override { closeScreen(); }

private:
    const DialogLayout& layoutOf(DialogHandle dialog)
    {
        for (std::size_t i = 0; i < shownCount_; ++i)
            if (shown_[i] == dialog)
                return layouts_[i];
        return layouts_[maxNestedDialogs]; // an empty layout takes no clicks
    }

    // The screen size everything shown needs: each dialog at its smallest
    // (laid out for no room at all, it leaves out every row it can) and the
    // message box as wide as it likes to be, whose lines then need no more
    // rows than that.
    void neededSize(int* rows, int* cols)
    {
        *rows = 0;
        *cols = 0;
        for (std::size_t i = 0; i < shownCount_; ++i) {
            DialogLayout smallest;
            layoutDialog(shown_[i], 0, 0, &smallest);
            if (smallest.frame.rows > *rows)
                *rows = smallest.frame.rows;
            if (smallest.frame.cols > *cols)
                *cols = smallest.frame.cols;
        }
        if (message_.showing) {
            MessageBoxLayout box;
            layoutMessageBox(message_.text, message_.caption, messageIconMark(message_.flags) != nullptr,
                             message_.labels, message_.buttonCount, nullptr, INT_MAX / 4, INT_MAX / 4, &box);
            if (box.frame.rows > *rows)
                *rows = box.frame.rows;
            if (box.frame.cols > *cols)
                *cols = box.frame.cols;
        }
    }

    // Draws everything that shows, innermost dialog and message box on top.
    void redraw()
    {
        int rows, cols;
        bool resized;
        screenSize(&rows, &cols, &resized);
        if (resized)
            clearok(curscr, TRUE);
        int neededRows, neededCols;
        neededSize(&neededRows, &neededCols);
        tooSmall_ = neededRows > rows || neededCols > cols;
        if (tooSmall_) {
            erase();
            drawTooSmall(terminalTexts().tooSmall, neededRows, neededCols, rows, cols);
            curs_set(0);
            refresh();
            return;
        }
        erase();
        CursorPlace cursor{false, 0, 0};
        int lowestRow = -1;
        const CellRect* ownerFrame = nullptr;
        for (std::size_t i = 0; i < shownCount_; ++i) {
            DialogLayout& layout = layouts_[i];
            layoutDialog(shown_[i], rows, cols, &layout);
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
            layoutMessageBox(message_.text, message_.caption, messageIconMark(message_.flags) != nullptr,
                             message_.labels, message_.buttonCount, ownerFrame, rows, cols, &box);
            drawMessageBox(box, message_.text, message_.caption, message_.flags, message_.labels,
                           message_.focusedButton);
            if (box.frame.row + box.frame.rows > lowestRow)
                lowestRow = box.frame.row + box.frame.rows - 1;
        }
        if (lowestRow < rows - 1) {
            char16_t keys[keyLineCapacity];
            if (notice_[0] != u'\0')
                copyWide(keys, keyLineCapacity, notice_);
            else if (message_.showing)
                messageKeyLine(isYesNoBox(message_.flags), message_.labels[message_.focusedButton], keys);
            else if (shownCount_ > 0)
                dialogKeyLine(shown_[shownCount_ - 1], layouts_[shownCount_ - 1].helpMark, keys);
            else
                keys[0] = u'\0';
            drawBottomLine(keys, notice_[0] != u'\0');
        }
        if (cursor.shown) {
            move(cursor.row, cursor.col);
            curs_set(1);
        } else {
            curs_set(0);
        }
        refresh();
    }

    DialogHandle shown_[maxNestedDialogs] = {};
    std::size_t shownCount_ = 0;
    DialogLayout layouts_[maxNestedDialogs + 1] = {};
    EditCursor edit_{nullptr, -1, 0, 0};
    ShownMessage message_{};
    char16_t notice_[keyLineCapacity] = {};
    bool tooSmall_ = false;
};

} // namespace

FrontEnd* openTerminalFrontEnd()
{
    if (!openScreen())
        return nullptr;
    setLineBreakLanguage(defaultLanguageId() == languageJapanese ? "ja" : "en");
    replaceSleep(pauseWorking);
    static TerminalFrontEnd terminal;
    return &terminal;
}

void closeTerminalFrontEnd()
{
    replaceSleep(nullptr);
    closeScreen();
}
