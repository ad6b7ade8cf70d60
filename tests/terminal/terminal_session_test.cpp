// quibtools in a real terminal on the virtual drive: tmux runs it at a
// fixed size, keys are sent as a person types them and the screen is read
// back. Each run has its own tmux server and the test's fresh host folder.
#include "tests/support/disk_image_fixture.h"
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/usb_machine_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr auto waitLimit = 20s;

std::string findTmux()
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        std::string candidate = folder + "/tmux";
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

std::string readFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

class TerminalSession : public testing::Test {
protected:
    void SetUp() override
    {
        tmux_ = findTmux();
        if (tmux_.empty())
            GTEST_SKIP() << "tmux is not installed (scripts/install-packages.sh installs it)";
        useNewServer();
        home_ = testHostFolder();
    }

    // The next tmux command starts a server on a socket of its own: one just
    // killed may still be letting go of its socket, and a new session there
    // fails with "server exited unexpectedly".
    void useNewServer()
    {
        static std::atomic<int> serial{0};
        socket_ = "quibterm-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    }

    void TearDown() override
    {
        if (!tmux_.empty())
            tmux({"kill-server"});
    }

    ProgramRun tmux(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"-u", "-L", socket_, "-f", "/dev/null"});
        ProgramOptions options;
        options.environment = {"LC_ALL=C.UTF-8"};
        options.timeoutSeconds = 20;
        return runProgram(tmux_, arguments, options);
    }

    // Starts the tool in a 100 x 30 terminal. A shell around it records the
    // terminal's modes before and after and the tool's process id, then
    // shows the tool's exit status and stays.
    void start(const std::string& languageId, const std::string& extraEnvironment = "", bool ignoreHangUp = false)
    {
        std::string command = std::string(ignoreHangUp ? "trap '' HUP; " : "") + "trap true INT; stty -a > " + shellQuoted(home_ + "/modes-before") + "; sh -c 'echo $$ > " +
                              home_ + "/pid; exec \"$0\" \"$@\"' env " + unset_ + " QUIB_HOME=" + shellQuoted(home_) +
                              " QUIB_LANGID=" + languageId + " LC_ALL=C.UTF-8 " + extraEnvironment + " " +
                              shellQuoted(program_) + "; code=$?; stty -a > " +
                              shellQuoted(home_ + "/modes-after") +
                              "; printf '\\nexit=%s\\n' \"$code\"; exec sleep 600";
        ProgramRun run = tmux({"new-session", "-d", "-x", "100", "-y", "30", command});
        ASSERT_EQ(run.exitCode, 0) << run.errors;
    }

    std::string screen() { return tmux({"capture-pane", "-p"}).output; }
    // The screen with its colours and attributes as escape sequences.
    std::string screenWithAttributes() { return tmux({"capture-pane", "-p", "-e"}).output; }

    // Runs the tool as outside tmux and without a desktop: the tests' own
    // tmux server puts TMUX into the environment of what it runs.
    void runOutsideTmux() { unset_ = "-u TMUX -u DISPLAY -u WAYLAND_DISPLAY"; }

    void keys(const std::vector<std::string>& names)
    {
        std::vector<std::string> arguments = {"send-keys"};
        arguments.insert(arguments.end(), names.begin(), names.end());
        ASSERT_EQ(tmux(arguments).exitCode, 0);
    }

    // Waits until the screen shows every one of texts (or none of them,
    // with absent) and returns it; the last screen seen after the limit.
    std::string waitFor(const std::vector<std::string>& texts, bool absent = false)
    {
        auto until = std::chrono::steady_clock::now() + waitLimit;
        std::string shown;
        do {
            shown = screen();
            bool all = true;
            for (const std::string& text : texts)
                all = all && ((shown.find(text) != std::string::npos) != absent);
            if (all)
                return shown;
            std::this_thread::sleep_for(50ms);
        } while (std::chrono::steady_clock::now() < until);
        ADD_FAILURE() << "the screen never " << (absent ? "lost" : "showed") << " '" << texts.front() << "':\n"
                      << shown;
        return shown;
    }

    // Waits for the tool to end and returns its exit status, which the
    // shell around it shows.
    int waitForEnd()
    {
        std::string shown = waitFor({"exit="});
        std::size_t at = shown.find("exit=");
        return at == std::string::npos ? -1 : std::atoi(shown.c_str() + at + 5);
    }

    // The terminal is as it was before the tool: the same modes, the main
    // screen back, the cursor shown, the mouse and keypad modes off.
    void expectTerminalRestored()
    {
        std::string before = readFile(home_ + "/modes-before");
        EXPECT_FALSE(before.empty());
        EXPECT_EQ(readFile(home_ + "/modes-after"), before);
        std::string flags =
            tmux({"display-message", "-p", "#{alternate_on} #{cursor_flag} #{mouse_any_flag} #{keypad_flag}"}).output;
        EXPECT_EQ(flags, "0 1 0 0\n");
    }

    std::string tmux_;
    std::string socket_;
    std::string home_;
    std::string program_ = builtProgram("quibtools");
    // The tool must draw in this terminal even when the tests run on a
    // desktop, where it would otherwise open windows.
    std::string unset_ = "-u DISPLAY -u WAYLAND_DISPLAY";
};

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

struct EnterCase {
    const char* name;
    std::vector<std::string> keys;   // from the menu at its start, up to the Enter
    const char* marked;              // the one button drawn as the one Enter presses before it
    const char* after;               // what Enter then shows ("exit=" when the tool ended)
    friend void PrintTo(const EnterCase& c, std::ostream* os) { *os << c.name; }
};

class EnterInTheTerminal : public TerminalSession, public testing::WithParamInterface<EnterCase> {};

// Enter presses the button drawn as the one it presses: the focused push
// button, else the dialog's default button.
TEST_P(EnterInTheTerminal, PressesTheButtonDrawnAsTheOne)
{
    const EnterCase& c = GetParam();
    start("1033");
    waitFor({"Tool Menu"});
    if (!c.keys.empty())
        keys(c.keys);
    std::string before = waitFor({c.marked});
    // tmux may show the screen while the focus is being redrawn, with the
    // old mark not yet cleared: wait a little for the drawing to settle.
    for (int i = 0; i < 20 && occurrences(before, "[>") != 1; ++i) {
        std::this_thread::sleep_for(50ms);
        before = screen();
    }
    EXPECT_EQ(occurrences(before, "[>"), 1u) << before;
    keys({"Enter"});
    waitFor({c.after});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnterInTheTerminal,
    testing::Values(
        // The menu opens with the focus on Close.
        EnterCase{"MenuCloseFocused", {}, "[>Close<]", "exit=1"},
        EnterCase{"MenuTabbedToStatus", {"Tab"}, "[>Status<]", "Volume Label :"},
        // Format opens with the focus on Close: Enter closes it rather than asking to format.
        EnterCase{"FormatCloseFocused", {"Tab", "Tab", "Enter"}, "[>Close<]", "[>Format<]"},
        EnterCase{"FormatOnARadioButton", {"Tab", "Tab", "Enter", "Tab"}, "[>OK<]", "Format Confirmation"},
        EnterCase{"FormatInTheLabelField", {"Tab", "Tab", "Enter", "Tab", "Tab"}, "[>OK<]", "Format Confirmation"},
        EnterCase{"FormatTabbedToOk", {"Tab", "Tab", "Enter", "BTab"}, "[>OK<]", "Format Confirmation"}),
    [](const testing::TestParamInfo<EnterCase>& info) { return std::string(info.param.name); });

// After a format the disabled Start gives the focus on to Close, which
// then is the button Enter presses.
TEST_F(TerminalSession, AfterAFormatTheFocusMovesOnFromStartToClose)
{
    start("1033");
    waitFor({"Tool Menu"});
    keys({"Tab", "Tab", "Enter"});
    waitFor({"[ OK ]", "[>Close<]"});
    keys({"BTab", "Enter"});
    waitFor({"Format Confirmation"});
    keys({"y"});
    waitFor({"[ Start ]", "[>Close<]"});
    keys({"BTab", "Enter"});
    std::string done = waitFor({"Format Completed."});
    done = waitFor({"[>Close<]"});
    EXPECT_EQ(done.find("[>Start<]"), std::string::npos) << done;
    EXPECT_EQ(occurrences(done, "[>"), 1u) << done;
    keys({"Enter"}); // a completed format closes Format as well
    waitFor({"Format Completed."}, true);
    waitFor({"Tool Menu", "[>Format<]"});
}

// F1 outside tmux and without a desktop pages the topic on this terminal
// (here without a pager: the viewer's own paging), then the same dialog
// comes back as it was.
TEST_F(TerminalSession, HelpOutsideTmuxShowsTheTopicHereAndComesBack)
{
    runOutsideTmux();
    start("1033", "PAGER=/nonexistent");
    waitFor({"Tool Menu"});
    keys({"Tab", "Tab", "Tab", "Enter"});
    waitFor({"Quib! Folder Name Setting", "[>Close<]"});
    keys({"F1"});
    std::string topic = waitFor({"Close leaves everything as it was.", "-- Press Enter to close --"});
    EXPECT_EQ(topic.find("Quib! Folder Name Setting"), std::string::npos) << topic;
    keys({"Enter"});
    std::string back = waitFor({"Quib! Folder Name Setting", "[>Close<]", "( 2 to 9 )"});
    EXPECT_EQ(back.find("Press Enter to close"), std::string::npos) << back;
    EXPECT_EQ(tmux({"list-windows", "-F", "#{window_name}"}).output.find("Help"), std::string::npos);
    keys({"Escape"});
    waitFor({"Tool Menu"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
    expectTerminalRestored();
}

// The size the notice asks for is one at which the dialogs shown fit.
struct SizeCase {
    const char* languageId;
    const char* notice;
    friend void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.languageId; }
};

class TooSmall : public TerminalSession, public testing::WithParamInterface<SizeCase> {};

TEST_P(TooSmall, TheNoticeAsksForASizeAtWhichTheDialogFits)
{
    start(GetParam().languageId);
    waitFor({"Quib! Tools"});
    keys({"Tab", "Tab", "Enter"}); // Format, the largest dialog
    std::string format = waitFor({"[?]"});
    waitFor({"Drive #1 : "});
    ASSERT_EQ(tmux({"resize-window", "-x", "40", "-y", "12"}).exitCode, 0);
    std::string small = waitFor({GetParam().notice});
    std::size_t at = small.find(" x ");
    ASSERT_NE(at, std::string::npos) << small;
    std::size_t colsAt = at;
    while (colsAt > 0 && small[colsAt - 1] >= '0' && small[colsAt - 1] <= '9')
        --colsAt;
    int cols = std::atoi(small.c_str() + colsAt);
    int rows = std::atoi(small.c_str() + at + 3);
    ASSERT_GT(cols, 40) << small;
    ASSERT_GT(rows, 0) << small;
    ASSERT_EQ(tmux({"resize-window", "-x", std::to_string(cols), "-y", std::to_string(rows)}).exitCode, 0);
    std::string fits = waitFor({"Drive #1 : "});
    EXPECT_EQ(fits.find(GetParam().notice), std::string::npos) << fits;
    keys({"Escape"});
    waitFor({"Drive #1 : "}, true);
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

INSTANTIATE_TEST_SUITE_P(Languages, TooSmall,
                         testing::Values(SizeCase{"1033", "The terminal is too small"},
                                         SizeCase{"1041", "端末が小さすぎます"}),
                         [](const testing::TestParamInfo<SizeCase>& info) {
                             return std::string(info.param.languageId) == "1033" ? "English" : "Japanese";
                         });

struct ColourCase {
    const char* name;
    const char* environment;
    std::vector<std::string> present, absent;
    friend void PrintTo(const ColourCase& c, std::ostream* os) { *os << c.name; }
};

class Colours : public TerminalSession, public testing::WithParamInterface<ColourCase> {};

TEST_P(Colours, FollowTheTerminalAndNoColor)
{
    start("1033", GetParam().environment);
    waitFor({"Tool Menu", "[>Close<]"});
    std::string shown = screenWithAttributes();
    for (const std::string& sequence : GetParam().present)
        EXPECT_NE(shown.find(sequence), std::string::npos) << GetParam().name << shown;
    for (const std::string& sequence : GetParam().absent)
        EXPECT_EQ(shown.find(sequence), std::string::npos) << GetParam().name << shown;
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Colours,
    testing::Values(
        // A blue screen, grey faces, the focus white on blue.
        ColourCase{"Present", "TERM=xterm-256color", {"\x1b[44m", "\x1b[47m", "\x1b[37m"}, {}},
        // Monochrome: the focus in reverse video and no colour at all.
        ColourCase{"AbsentWithNoColor",
                   "TERM=xterm-256color NO_COLOR=1",
                   {"7m[>Close<]"},
                   {"\x1b[44m", "\x1b[47m", "\x1b[34m", "\x1b[37m", "\x1b[30m"}}),
    [](const testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

TEST_F(TerminalSession, TheKeyLineSpeaksTheRunsLanguage)
{
    start("1041");
    std::string menu = waitFor({"Enter: 閉じる", "Esc: 閉じる", "F1: ヘルプ"});
    EXPECT_EQ(menu.find("Tab/Shift-Tab: move"), std::string::npos) << menu;
    keys({"Tab"});
    waitFor({"Enter: ステータス"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

TEST_F(TerminalSession, MenuStatusAndCloseInEnglish)
{
    start("1033");
    std::string menu = waitFor({"Quib! Tools", "Tool Menu", "[ Status ]", "[ Format ]", "[ Folder Name ]",
                                "[>Close<]", "Quib!", "[?]"});

    keys({"Tab", "Enter"}); // Tab onto Status makes it the button Enter presses
    std::string status = waitFor({"Volume Label :", "Drive #1 : "});
    EXPECT_NE(status.find("No Error."), std::string::npos) << status;
    EXPECT_NE(status.find("[]"), std::string::npos) << status;     // a blank disk has no label
    EXPECT_NE(status.find("[>Close<]"), std::string::npos) << status; // the default button
    EXPECT_EQ(status.find("[?]"), std::string::npos) << status;    // no help button in this dialog

    keys({"Escape"});
    waitFor({"Volume Label :"}, true);
    waitFor({"Tool Menu"});

    keys({"BTab", "Enter"}); // from Status back round to Close
    EXPECT_EQ(waitForEnd(), 1);
    expectTerminalRestored();
    EXPECT_EQ(screen().find("Tool Menu"), std::string::npos);
}

// A label another program wrote holds ESC [2J: the Status dialog shows the
// ESC as its picture, and the screen is not cleared.
TEST_F(TerminalSession, AControlCharacterInTheLabelShowsAsItsPicture)
{
    ProgramOptions english;
    english.environment = {"QUIB_LANGID=1033"};
    ASSERT_EQ(runProgram(builtProgram("quibtools"), {"format", "--label", "PLAIN", "--yes"}, english).exitCode, 0);
    ASSERT_TRUE(disk_image::writeBootSectorLabel(disk_image::firstDisk(home_), "\x1b[2JX"));
    start("1033");
    waitFor({"Tool Menu"});
    keys({"Tab", "Enter"});
    std::string status = waitFor({"Volume Label :", "No Error."});
    EXPECT_NE(status.find("[\u241b[2JX      ]"), std::string::npos) << status;
    EXPECT_NE(status.find("Drive #1 : "), std::string::npos) << status;
    keys({"Escape"});
    waitFor({"Tool Menu"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

TEST_F(TerminalSession, JapaneseMenuAndStatusShowTheirLabels)
{
    start("1041");
    waitFor({"ツール", "ステータス", "フォーマット", "フォルダ名", "閉じる"});

    keys({"Tab", "Enter"});
    std::string status = waitFor({"ボリュームラベル：", "Drive #1 : "});
    // The label is wider than its rectangle; the field after it moves on
    // rather than overlapping it.
    EXPECT_NE(status.find("ボリュームラベル： []"), std::string::npos) << status;
    EXPECT_NE(status.find("通常"), std::string::npos) << status;

    keys({"Escape"});
    waitFor({"ボリュームラベル："}, true);
    keys({"Escape"}); // Escape in the menu is Close
    EXPECT_EQ(waitForEnd(), 1);
    expectTerminalRestored();
}

// A disk whose read/write password protection is lifted until eject has
// the longest status (77 characters): Status shows it whole, wrapped onto a
// second row, in both languages, and its key line offers F1, which works there.
TEST_F(TerminalSession, StatusShowsTheLongestStatusWholeAndOffersHelp)
{
    ProgramOptions twice;
    twice.input = "secret\nsecret\n";
    ASSERT_EQ(runProgram(builtProgram("quibtools"), {"protect", "read-write-password", "--password-stdin", "--yes"},
                         twice).exitCode, 0);
    ProgramOptions once;
    once.input = "secret\n";
    ASSERT_EQ(runProgram(builtProgram("quibtools"), {"protect", "unprotect-until-eject", "--password-stdin", "--yes"},
                         once).exitCode, 0);
    struct Case {
        const char* language;
        std::vector<std::string> shown;
        const char* helpKey;
    } cases[] = {
        {"1033", {"Temporary Unprotected on Read/Write Protected", "with Password Disk until Eject."}, "F1: help"},
        {"1041", {"リード・ライトプロテクト（パスワードつき）を", "一時的に解除中"}, "F1: ヘルプ"},
    };
    for (const Case& c : cases) {
        start(c.language);
        waitFor({"Quib! Tools"});
        keys({"Tab", "Enter"});
        std::string status = waitFor(c.shown);
        std::size_t keyLine = status.rfind('\n', status.size() - 2);
        EXPECT_NE(status.find(c.helpKey, keyLine == std::string::npos ? 0 : keyLine), std::string::npos) << status;
        keys({"Escape"});
        waitFor({c.shown[0]}, true);
        keys({"Escape"});
        EXPECT_EQ(waitForEnd(), 1);
        tmux({"kill-server"});
        useNewServer();
    }
}

// Keys typed while a Long Format runs are dropped when it ends: an Escape
// pressed midway closes nothing, and the person sees "Format Completed.".
TEST_F(TerminalSession, KeysTypedWhileAFormatRunsAreDropped)
{
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "2"}).exitCode, 0);
    start("1033", "", false);
    waitFor({"Tool Menu"});
    keys({"Tab", "Tab", "Enter"});
    waitFor({"Long Format"});
    keys({"Tab", "Down", "Enter"});           // Long Format, then OK
    waitFor({"Format Confirmation"});
    keys({"y"});
    waitFor({"[ Start ]"});
    keys({"BTab", "Space"});                  // Start
    waitFor({"Please Wait."});
    keys({"Escape"});
    std::string done = waitFor({"Format Completed."});
    std::this_thread::sleep_for(500ms);       // time enough for a kept Escape to act
    done = screen();
    EXPECT_NE(done.find("Format Completed."), std::string::npos) << done;
    EXPECT_NE(done.find("Format Execute"), std::string::npos) << done;
    keys({"Escape"});
    waitFor({"Tool Menu"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

// The focused radio button takes the cursor on its mark, so the focus
// shows without colours too.
TEST_F(TerminalSession, FocusedRadioButtonHoldsTheCursor)
{
    start("1033", "NO_COLOR=1");
    waitFor({"Tool Menu"});
    keys({"Tab", "Tab", "Enter"});
    std::string format = waitFor({"Simple Format", "Long Format"});
    keys({"Tab"});                           // from Close onto the style's radio group
    std::this_thread::sleep_for(300ms);
    std::string place = tmux({"display-message", "-p", "#{cursor_flag} #{cursor_x} #{cursor_y}"}).output;
    int flag = -1, x = -1, y = -1;
    std::sscanf(place.c_str(), "%d %d %d", &flag, &x, &y);
    EXPECT_EQ(flag, 1) << place;
    std::vector<std::string> lines;
    std::stringstream rows(screen());
    for (std::string row; std::getline(rows, row);)
        lines.push_back(row);
    ASSERT_GE(y, 0);
    ASSERT_LT(std::size_t(y), lines.size());
    const std::string& row = lines[std::size_t(y)];
    std::size_t at = row.find("(*) Simple Format");
    ASSERT_NE(at, std::string::npos) << row;
    int column = 0; // the frames' characters take one cell each
    for (std::size_t i = 0; i < at; ++i)
        column += (static_cast<unsigned char>(row[i]) & 0xC0) != 0x80 ? 1 : 0;
    EXPECT_EQ(x, column + 1) << row; // on the '*'
    keys({"Escape"});
    waitFor({"Tool Menu"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

// The screen keeps up while a Long Format blocks the tool: the progress
// text and the bar show percentages on the way, not only the end.
TEST_F(TerminalSession, LongFormatShowsItsProgressWhileItRuns)
{
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "3"}).exitCode, 0);
    start("1041");
    waitFor({"ツール"});
    keys({"Tab", "Tab", "Enter"});            // Format
    waitFor({"ベリファイつきフォーマット"});
    keys({"Tab", "Down", "Enter"});           // Long Format, then OK
    waitFor({"よろしいですか"});
    keys({"y"});
    waitFor({"フォーマット開始ボタンを押すと"});
    keys({"BTab", "Space"});                  // Start

    std::vector<int> seen;
    auto until = std::chrono::steady_clock::now() + waitLimit;
    std::string shown;
    while (std::chrono::steady_clock::now() < until) {
        shown = screen();
        std::size_t at = shown.find("% 完了");
        if (at != std::string::npos) {
            std::size_t start = shown.find_last_not_of("0123456789", at - 1) + 1;
            int percent = std::atoi(shown.c_str() + start);
            bool barShowsIt = shown.find(" " + std::to_string(percent) + "% ", at + 1) != std::string::npos;
            if (barShowsIt && (seen.empty() || seen.back() != percent))
                seen.push_back(percent);
        }
        if (shown.find("│ │ │ フォーマット完了") != std::string::npos)
            break;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_NE(shown.find("│ │ │ フォーマット完了"), std::string::npos) << shown;
    bool midway = false;
    for (int percent : seen)
        midway = midway || (percent > 0 && percent < 99);
    EXPECT_TRUE(midway) << "no percentage between 0 and 99 was seen while the drive formatted";

    keys({"Escape"});                         // Close of Format Execute ends both dialogs
    waitFor({"ツール"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

// Ctrl-C while the drive erases the disk: the terminal given back shows one
// line saying what state the disk is left in and what to do.
TEST_F(TerminalSession, CtrlCDuringALongFormatSaysTheDiskWillHaveNoFileSystem)
{
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "3"}).exitCode, 0);
    start("1033");
    waitFor({"Tool Menu"});
    keys({"Tab", "Tab", "Enter"});            // Format
    waitFor({"Long Format"});
    keys({"Tab", "Down", "Enter"});           // Long Format, then OK
    waitFor({"You may lose datas"});
    keys({"y"});
    waitFor({"Push Start Button"});
    keys({"BTab", "Space"});                  // Start
    waitFor({"% Complete."});
    keys({"C-c"});
    EXPECT_EQ(waitForEnd(), 128 + SIGINT);
    expectTerminalRestored();
    std::string shown = screen();
    EXPECT_NE(shown.find("quibtools: the Long Format was cut short: the drive goes on erasing; the disk will"),
              std::string::npos) << shown;
}

TEST_F(TerminalSession, CtrlCEndsTheToolAndRestoresTheTerminal)
{
    start("1033");
    waitFor({"Tool Menu"});
    keys({"C-c"});
    EXPECT_EQ(waitForEnd(), 128 + SIGINT);
    expectTerminalRestored();
}

// A fault signal sent by another process does not come again by itself:
// the tool must still end, not run on with the terminal given back.
TEST_F(TerminalSession, FaultSignalFromOutsideEndsTheTool)
{
    start("1033");
    waitFor({"Tool Menu"});
    std::string pid = readFile(home_ + "/pid");
    ASSERT_FALSE(pid.empty());
    ASSERT_EQ(kill(pid_t(std::atoi(pid.c_str())), SIGSEGV), 0);
    // 139 from the signal itself; a sanitizer build's own handler reports
    // the signal and ends with its own failing status.
    int status = waitForEnd();
    EXPECT_NE(status, 0);
    EXPECT_NE(status, -1);
    expectTerminalRestored();
}

// Started with hang-ups ignored (as under nohup), the tool ends when its
// terminal goes away instead of spinning on reads that fail at once.
TEST_F(TerminalSession, ToolEndsWhenItsTerminalGoesAwayWithHangUpsIgnored)
{
    start("1033", "", true);
    waitFor({"Tool Menu"});
    std::string pidText = readFile(home_ + "/pid");
    ASSERT_FALSE(pidText.empty());
    pid_t pid = pid_t(std::atoi(pidText.c_str()));
    ASSERT_EQ(tmux({"kill-server"}).exitCode, 0);
    auto until = std::chrono::steady_clock::now() + waitLimit;
    while (kill(pid, 0) == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(50ms);
    bool stillRunning = kill(pid, 0) == 0;
    if (stillRunning)
        kill(pid, SIGKILL);
    EXPECT_FALSE(stillRunning) << "the tool kept running without its terminal";
}

// A key the terminal description does not know arrives as ESC and more
// bytes: it must neither close the dialog like Escape nor type its bytes.
TEST_F(TerminalSession, UnknownKeySequenceNeitherClosesNorTypes)
{
    start("1033");
    waitFor({"Tool Menu"});
    keys({"Tab", "Tab", "Tab", "Enter"});    // Folder Name
    waitFor({"Folder Setting"});
    ASSERT_EQ(tmux({"send-keys", "-H", "1b", "5b", "39", "39", "7e"}).exitCode, 0); // ESC [ 9 9 ~
    ASSERT_EQ(tmux({"send-keys", "-H", "1b", "78"}).exitCode, 0);                   // Alt-x
    std::this_thread::sleep_for(300ms);
    std::string shown = screen();
    EXPECT_NE(shown.find("Folder Setting"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("99~"), std::string::npos) << shown;
    keys({"Escape"});
    waitFor({"Folder Setting"}, true);
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

TEST_F(TerminalSession, SigtermEndsTheToolAndRestoresTheTerminal)
{
    start("1033");
    waitFor({"Tool Menu"});
    std::string pid = readFile(home_ + "/pid");
    ASSERT_FALSE(pid.empty());
    ASSERT_EQ(kill(pid_t(std::atoi(pid.c_str())), SIGTERM), 0);
    EXPECT_EQ(waitForEnd(), 128 + SIGTERM);
    expectTerminalRestored();
}

TEST_F(TerminalSession, ATooSmallTerminalSaysSoAndResizingRedraws)
{
    start("1033");
    waitFor({"Tool Menu"});
    ASSERT_EQ(tmux({"resize-window", "-x", "30", "-y", "10"}).exitCode, 0);
    std::string small = waitFor({"The terminal is too small", "41 x 7"});
    EXPECT_EQ(small.find("Tool Menu"), std::string::npos) << small;

    ASSERT_EQ(tmux({"resize-window", "-x", "100", "-y", "30"}).exitCode, 0);
    waitFor({"Tool Menu", "[ Status ]"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

TEST_F(TerminalSession, FramesFallBackToAsciiWhenAsked)
{
    start("1033", "QUIB_ASCII_LINES=1");
    std::string menu = waitFor({"+- Quib! Tools ", "| +- Tool Menu "});
    EXPECT_EQ(menu.find("┌"), std::string::npos) << menu;
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

// Standard input and output that are no terminal: nothing is drawn, and
// the tool says why and points to the script front end.
TEST(TerminalFrontEnd, WithoutATerminalTheToolSaysSoAndEnds)
{
    ProgramOptions noDesktop;
    noDesktop.environment = {"DISPLAY=", "WAYLAND_DISPLAY="};
    ProgramRun run = runProgram(builtProgram("quibtools"), {}, noDesktop);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "");
    EXPECT_NE(run.errors.find("quibtools: standard output is not a terminal (it goes to a pipe or a file), so the "
                              "dialogs cannot be shown; run the tool with its output on a terminal, or use --script "
                              "FILE for a run without dialogs"),
              std::string::npos)
        << run.errors;
}

// As `scripts/run.sh | tee log` runs it: a terminal for input, output into
// a pipe. The tool says that standard output is no terminal.
TEST_F(TerminalSession, OutputIntoAPipeSaysStandardOutputIsNoTerminal)
{
    std::string log = home_ + "/log";
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QUIB_HOME=" + shellQuoted(home_) + " " +
                          shellQuoted(builtProgram("quibtools")) + " 2>&1 | tee " + shellQuoted(log) +
                          "; exec sleep 600";
    ASSERT_EQ(tmux({"new-session", "-d", "-x", "100", "-y", "30", command}).exitCode, 0);
    waitFor({"standard output is not a terminal"});
    EXPECT_NE(readFile(log).find("quibtools: standard output is not a terminal (it goes to a pipe or a file)"),
              std::string::npos);
}

// While the dialogs are open, a job says that the tool already runs and
// what to do about it.
TEST_F(TerminalSession, AJobWhileTheDialogsAreOpenSaysWhatToDo)
{
    start("1033");
    waitFor({"Tool Menu"});
    ProgramRun job = runProgram(builtProgram("quibtools"), {"status"});
    EXPECT_EQ(job.exitCode, 1);
    EXPECT_EQ(job.errors, "quibtools: Quib! Tools is already running, with its dialogs open in another terminal or "
                          "window (or a job of it is at work): close it there, or let the job end, then try again\n");
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
}

} // namespace

// The copy of the tool beside the real-drive library, started with no
// drive named, on a machine laid out in a folder (its test build of the
// library): the person chooses the drive before the program starts.
class RealDriveChooser : public TerminalSession {
protected:
    void SetUp() override
    {
        TerminalSession::SetUp();
        if (IsSkipped())
            return;
        program_ = std::string(QUIB_FOLDER_MACHINE_DIR) + "/quibtools";
        machine_ = home_ + "/machine";
        std::filesystem::create_directories(machine_);
        unset_ += " -u QUIB_DEVICE";
    }

    void startOnTheMachine(const std::string& languageId, const std::string& extraEnvironment = "")
    {
        start(languageId, "QUIB_TEST_MACHINE=" + shellQuoted(machine_) + " " + extraEnvironment);
    }

    // The device nodes the library opened, one a line.
    std::string opened() { return readFile(machine_ + "/opened"); }

    std::string machine_;
};

const UsbDiskInFolder quibDrive{"sdb", "sg1", "QUIB", "DRIVE", "Q0001", 78848, 1};
const UsbDiskInFolder memoryStick{"sdc", "sg2", "ACME", "STICK", "A77", 15633408, 2};

// The Quib! disk is offered first; the disk chosen is the one the run uses.
TEST_F(RealDriveChooser, TheChosenDiskServesTheRun)
{
    addUsbDisk(machine_, quibDrive);
    addUsbDisk(machine_, memoryStick);
    startOnTheMachine("1033");
    std::string shown = waitFor({"Choose the USB disk that is the Quib! drive:", "(*) sdb  QUIB DRIVE, serial Q0001: Quib! disk",
                                 "( ) sdc  ACME STICK, serial A77: 8004 MB", "[>OK<]", "[ Look Again ]", "[ Cancel ]"});
    EXPECT_TRUE(opened().empty()) << "the library opened a device before the person chose one";
    keys({"Down", "Enter"});
    // The drive of the test machine answers nothing: the program says so.
    waitFor({"No Drive is Connected."});
    EXPECT_NE(opened().find("/dev/sdc\n"), std::string::npos) << opened();
    EXPECT_EQ(opened().find("/dev/sdb"), std::string::npos) << opened();
}

// With no USB disk present it says so and looks again when asked; Cancel
// (here Escape) ends the tool before the program starts.
TEST_F(RealDriveChooser, WithNoDiskItLooksAgainAndCancelEndsTheTool)
{
    startOnTheMachine("1041");
    waitFor({"USB ディスクがありません。", "[>再検索<]"});
    addUsbDisk(machine_, quibDrive);
    keys({"Enter"});
    waitFor({"(*) sdb  QUIB DRIVE", "[>決定<]"});
    keys({"Escape"});
    EXPECT_EQ(waitForEnd(), 1);
    EXPECT_TRUE(opened().empty()) << opened();
    expectTerminalRestored();
}

// A drive named in QUIB_DEVICE is used as it stands: no chooser.
TEST_F(RealDriveChooser, ADriveNamedInTheEnvironmentIsUsedWithoutAsking)
{
    addUsbDisk(machine_, quibDrive);
    addUsbDisk(machine_, memoryStick);
    startOnTheMachine("1033", "QUIB_DEVICE=/dev/sdc");
    std::string shown = waitFor({"No Drive is Connected."});
    EXPECT_EQ(shown.find("Quib! Drive"), std::string::npos) << shown;
    EXPECT_NE(opened().find("/dev/sdc\n"), std::string::npos) << opened();
}
