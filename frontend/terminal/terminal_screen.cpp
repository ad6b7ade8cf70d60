#include "frontend/terminal/terminal_screen.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

SCREEN* takenScreen = nullptr;
bool drawsLines = true;
bool inColour = false;

// Colour pairs of the looks.
enum : short { screenPair = 1, facePair, focusPair, accentPair, fieldPair, logoPair, noticePair, disabledPair };

bool noColourAsked()
{
    const char* value = std::getenv("NO_COLOR");
    return value != nullptr && value[0] != '\0';
}

void startColours()
{
    inColour = has_colors() && !noColourAsked() && start_color() == OK && COLORS >= 8 && COLOR_PAIRS > disabledPair;
    if (!inColour)
        return;
    init_pair(screenPair, COLOR_WHITE, COLOR_BLUE);
    init_pair(facePair, COLOR_BLACK, COLOR_WHITE);
    init_pair(focusPair, COLOR_WHITE, COLOR_BLUE);
    init_pair(accentPair, COLOR_BLUE, COLOR_WHITE);
    init_pair(fieldPair, COLOR_BLACK, COLOR_CYAN);
    init_pair(logoPair, COLOR_WHITE, COLOR_RED);
    init_pair(noticePair, COLOR_YELLOW, COLOR_BLUE);
    // Grey where the terminal has it; else black, dimmed.
    init_pair(disabledPair, COLORS >= 16 ? 8 : COLOR_BLACK, COLOR_WHITE);
}

// What a signal handler needs to give the terminal back: the modes it had
// and the bytes that leave the tool's screen, prepared while it is taken.
struct termios savedModes;
bool modesSaved = false;
char leaveSequence[256];
volatile std::size_t leaveLength = 0;
volatile std::sig_atomic_t resizePending = 0;

// Signals that end the process, and faults; each gets the terminal back
// first, then goes on as it would have.
constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int signalSlots = 32;
struct sigaction previousActions[signalSlots];
bool handlerInstalled[signalSlots];
struct sigaction previousResize;

bool isFault(int signal) { return signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL; }

void giveBackInHandler()
{
    std::size_t length = leaveLength;
    if (length > 0) {
        ssize_t ignored = write(STDOUT_FILENO, leaveSequence, length);
        (void)ignored;
    }
    if (modesSaved)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedModes);
}

void onEndingSignal(int signal, siginfo_t* info, void*)
{
    giveBackInHandler();
    if (signal >= 0 && signal < signalSlots && handlerInstalled[signal])
        sigaction(signal, &previousActions[signal], nullptr);
    // A real fault happens again when the handler returns and meets the old
    // action (so a sanitizer still sees where). A fault signal sent by
    // another process (si_code <= 0) would not come again, so it is raised
    // again like every other signal.
    bool sentByAProcess = info == nullptr || info->si_code <= 0;
    if (!isFault(signal) || sentByAProcess)
        raise(signal);
}

void onResize(int) { resizePending = 1; }

void installHandlers()
{
    for (int signal : endingSignals) {
        struct sigaction old;
        sigaction(signal, nullptr, &old);
        // A signal the process was started to ignore stays ignored.
        if (old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action{};
        action.sa_sigaction = onEndingSignal;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, &previousActions[signal]);
        handlerInstalled[signal] = true;
    }
    // Without SA_RESTART, so a resize wakes a waiting read at once.
    struct sigaction resize{};
    resize.sa_handler = onResize;
    sigemptyset(&resize.sa_mask);
    sigaction(SIGWINCH, &resize, &previousResize);
}

void removeHandlers()
{
    for (int signal : endingSignals) {
        if (handlerInstalled[signal])
            sigaction(signal, &previousActions[signal], nullptr);
        handlerInstalled[signal] = false;
    }
    sigaction(SIGWINCH, &previousResize, nullptr);
}

// A terminal capability string; null when the terminal has none.
const char* capability(const char* name)
{
    char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<char*>(-1) || value[0] == '\0')
        return nullptr;
    return value;
}

void appendLeave(const char* bytes)
{
    if (bytes == nullptr)
        return;
    std::size_t n = std::strlen(bytes);
    std::size_t at = leaveLength;
    if (at + n >= sizeof leaveSequence)
        return;
    std::memcpy(leaveSequence + at, bytes, n);
    leaveLength = at + n;
}

void prepareLeaveSequence(bool mouse)
{
    leaveLength = 0;
    if (mouse)
        appendLeave("\033[?1006l\033[?1000l");
    appendLeave(capability("sgr0"));
    appendLeave(capability("cnorm"));
    appendLeave(capability("rmkx"));
    appendLeave(capability("rmcup"));
}

// Wide characters need a UTF-8 locale; the person's own when it is one,
// else C.UTF-8.
void chooseLocale()
{
    std::setlocale(LC_CTYPE, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
}

void closeAtExit() { closeScreen(); }

KeyPress named(KeyName name) { return KeyPress{name, 0}; }

} // namespace

bool openScreen()
{
    if (takenScreen != nullptr)
        return true;
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO))
        return false;
    chooseLocale();
    modesSaved = tcgetattr(STDIN_FILENO, &savedModes) == 0;
    // Before ncurses starts, so it leaves these signals to us.
    installHandlers();
    takenScreen = newterm(nullptr, stdout, stdin);
    if (takenScreen == nullptr) {
        removeHandlers();
        return false;
    }
    set_term(takenScreen);
    if (capability("cup") == nullptr) {
        endwin();
        delscreen(takenScreen);
        takenScreen = nullptr;
        removeHandlers();
        if (modesSaved)
            tcsetattr(STDIN_FILENO, TCSANOW, &savedModes);
        return false;
    }
    cbreak(); // Ctrl-C stays a signal
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);
    startColours();
    bkgdset(chtype(' ') | screenLook(Look::Screen));
    bool mouse = mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED, nullptr) != 0;
    mouseinterval(0);
    const char* ascii = std::getenv("QUIB_ASCII_LINES");
    drawsLines = capability("acsc") != nullptr && !(ascii != nullptr && std::strcmp(ascii, "1") == 0);
    prepareLeaveSequence(mouse);
    static bool registered = false;
    if (!registered)
        registered = std::atexit(closeAtExit) == 0;
    return true;
}

void closeScreen()
{
    if (takenScreen == nullptr)
        return;
    endwin();
    delscreen(takenScreen);
    takenScreen = nullptr;
    leaveLength = 0;
    if (modesSaved)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedModes);
    removeHandlers();
}

void screenSize(int* rows, int* cols, bool* resized)
{
    bool changed = resizePending != 0;
    if (changed) {
        resizePending = 0;
        struct winsize size{};
        if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0)
            resize_term(size.ws_row, size.ws_col);
    }
    *rows = LINES;
    *cols = COLS;
    if (resized != nullptr)
        *resized = changed;
}

bool screenDrawsLines() { return drawsLines; }

unsigned long screenLook(Look look)
{
    if (!inColour) {
        switch (look) {
        case Look::Focus: return A_REVERSE;
        case Look::DefaultButton: return A_BOLD;
        case Look::Disabled: return A_DIM;
        case Look::Field: return A_UNDERLINE;
        case Look::ProgressDone: return A_REVERSE;
        case Look::Logo: return A_REVERSE | A_BOLD;
        case Look::KeyLine: return A_DIM;
        case Look::Notice: return A_BOLD;
        default: return A_NORMAL;
        }
    }
    switch (look) {
    case Look::Screen: return COLOR_PAIR(screenPair);
    case Look::Face: return COLOR_PAIR(facePair);
    case Look::Title: return COLOR_PAIR(accentPair) | A_BOLD;
    case Look::Focus: return COLOR_PAIR(focusPair) | A_BOLD;
    case Look::DefaultButton: return COLOR_PAIR(accentPair) | A_BOLD;
    case Look::Disabled: return COLOR_PAIR(disabledPair) | (COLORS >= 16 ? A_NORMAL : A_DIM);
    case Look::Field: return COLOR_PAIR(fieldPair);
    case Look::ProgressDone: return COLOR_PAIR(focusPair);
    case Look::Logo: return COLOR_PAIR(logoPair) | A_BOLD;
    case Look::KeyLine: return COLOR_PAIR(screenPair);
    case Look::Notice: return COLOR_PAIR(noticePair) | A_BOLD;
    }
    return A_NORMAL;
}

namespace {

// The bytes that follow an ESC arrive with it; a short wait catches those a
// slow line delivers a little later.
constexpr int sequenceByteWaitMs = 10;
constexpr int longestSequence = 32;

int nextSequenceByte()
{
    wtimeout(stdscr, sequenceByteWaitMs);
    wint_t ch = 0;
    int got = wget_wch(stdscr, &ch);
    return got == OK ? int(ch) : -1;
}

// After an ESC: false when nothing follows (the Escape key); true when a
// sequence followed, which is then read to its end.
bool skipEscapeSequence()
{
    int first = nextSequenceByte();
    if (first < 0)
        return false;
    if (first == '[') {
        // CSI: parameters and intermediates up to a final byte 0x40..0x7E.
        for (int i = 0; i < longestSequence; ++i) {
            int b = nextSequenceByte();
            if (b < 0 || (b >= 0x40 && b <= 0x7E))
                break;
        }
    } else if (first == 'O') {
        nextSequenceByte(); // SS3 and one byte
    }
    return true;
}

// The terminal hung up (the window closed, the connection dropped): reads
// then fail at once instead of waiting, and nothing more can come.
bool terminalIsGone()
{
    struct pollfd in{STDIN_FILENO, POLLIN, 0};
    return poll(&in, 1, 0) > 0 && (in.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Ends the run as a hang-up would, also when SIGHUP is ignored (nohup):
// without a terminal the tool can only wait for ever.
[[noreturn]] void endAsHangUp()
{
    closeScreen();
    std::_Exit(128 + SIGHUP);
}

} // namespace

void readInput(TerminalInput* input, int timeoutMs)
{
    *input = TerminalInput{};
    input->kind = InputKind::None;
    if (resizePending != 0) {
        input->kind = InputKind::Resize;
        return;
    }
    wtimeout(stdscr, timeoutMs);
    wint_t ch = 0;
    int got = wget_wch(stdscr, &ch);
    if (got == ERR) {
        if (resizePending != 0)
            input->kind = InputKind::Resize;
        else if (terminalIsGone())
            endAsHangUp();
        return;
    }
    input->kind = InputKind::Key;
    if (got == KEY_CODE_YES) {
        switch (ch) {
        case KEY_RESIZE: input->kind = InputKind::Resize; return;
        case KEY_MOUSE: {
            MEVENT event;
            if (getmouse(&event) == OK && (event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)) != 0) {
                input->kind = InputKind::Click;
                input->row = event.y;
                input->col = event.x;
            } else {
                input->kind = InputKind::None;
            }
            return;
        }
        case KEY_BTAB: input->key = named(KeyName::BackTab); return;
        case KEY_ENTER: input->key = named(KeyName::Enter); return;
        case KEY_UP: input->key = named(KeyName::Up); return;
        case KEY_DOWN: input->key = named(KeyName::Down); return;
        case KEY_LEFT: input->key = named(KeyName::Left); return;
        case KEY_RIGHT: input->key = named(KeyName::Right); return;
        case KEY_HOME: input->key = named(KeyName::Home); return;
        case KEY_END: input->key = named(KeyName::End); return;
        case KEY_BACKSPACE: input->key = named(KeyName::Backspace); return;
        case KEY_DC: input->key = named(KeyName::Delete); return;
        default:
            if (ch == KEY_F(1)) {
                input->key = named(KeyName::F1);
                return;
            }
            input->kind = InputKind::None;
            return;
        }
    }
    switch (ch) {
    case L'\t': input->key = named(KeyName::Tab); return;
    case L'\r':
    case L'\n': input->key = named(KeyName::Enter); return;
    case 033:
        // Only a lone ESC is Escape; the rest of a sequence the terminal
        // description does not know (an Alt key, a function key) is read
        // and dropped, so it neither closes the dialog nor types its bytes.
        if (skipEscapeSequence())
            input->kind = InputKind::None;
        else
            input->key = named(KeyName::Escape);
        return;
    case 0x7F:
    case 0x08: input->key = named(KeyName::Backspace); return;
    default: input->key = KeyPress{KeyName::Character, char32_t(ch)}; return;
    }
}

