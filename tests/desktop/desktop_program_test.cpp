// The real program on a virtual display, used from outside as a person
// would with xdotool: its windows appear with their titles, clicks and keys
// reach them, and a Simple Format runs through the windows onto the
// virtual drive's disk.
#include "tests/desktop/control_centre.h"
#include "tests/desktop/virtual_display.h"
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/usb_machine_folder.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

const char xdotoolPath[] = "/usr/bin/xdotool";

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

class DesktopProgram : public OnVirtualDisplay {
protected:
    void SetUp() override
    {
        if (displayName().empty() || access(xdotoolPath, X_OK) != 0)
            GTEST_SKIP() << "Xvfb and xdotool are needed (scripts/install-packages.sh installs them)";
        setenv("QUIB_LANGID", "1033", 1);
    }

    void TearDown() override
    {
        if (tool_ > 0) {
            kill(tool_, SIGKILL);
            waitpid(tool_, nullptr, 0);
        }
    }

    // The tool, its standard error kept in the host folder (errors()).
    void startTool(const std::string& program = builtProgram("quibtools"), bool protectMenu = false)
    {
        const char* argv[] = {program.c_str(), "--desktop", protectMenu ? "--protect" : nullptr, nullptr};
        std::string errors = testHostFolder() + "/tool.err";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int failed = posix_spawn(&tool_, program.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(failed, 0);
    }

    std::string errors()
    {
        std::ifstream file(testHostFolder() + "/tool.err");
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }

    bool toolRunning() { return tool_ > 0 && waitpid(tool_, nullptr, WNOHANG) == 0; }

    // Asks the window to close, as a window manager's close box does.
    static void closeFromWindowManager(const std::string& window)
    {
        Display* display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = Window(std::stoul(window));
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
        XFlush(display);
        XCloseDisplay(display);
    }

    // From the menu to a running Long Format; with the host's Protect menu,
    // through its menu and its English Format Execute with the progress bar.
    void startLongFormat(bool protectMenu = false)
    {
        EXPECT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "3"}).exitCode, 0);
        startTool(builtProgram("quibtools"), protectMenu);
        std::string menu = waitForWindow("Quib! Tools");
        EXPECT_FALSE(menu.empty());
        clickControl(menu, protectMenu ? 134 : 126, 1023); // Format
        std::string format = waitForWindow("Format");
        EXPECT_FALSE(format.empty());
        clickControl(format, 128, 1038); // Long Format
        clickControl(format, 128, 1);    // OK
        EXPECT_FALSE(waitForWindow("Format Confirmation").empty());
        key("Return");
        std::string execute = waitForWindow("Format Execute");
        EXPECT_FALSE(execute.empty());
        clickControl(execute, protectMenu ? 124 : 133, 1); // Start
        std::this_thread::sleep_for(800ms);
    }

    // The tool's exit status; -1 when it did not end within a few seconds.
    int toolExit()
    {
        for (int i = 0; i < 100; ++i) {
            int status;
            if (waitpid(tool_, &status, WNOHANG) == tool_) {
                tool_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }

    ProgramRun xdotool(const std::vector<std::string>& arguments) { return runProgram(xdotoolPath, arguments); }

    // The window with exactly this title, once it shows; "" after some 45
    // seconds (the first start under the sanitizers, beside the suite's
    // heaviest test on two cores, once took more than 12).
    std::string waitForWindow(const std::string& title)
    {
        for (int i = 0; i < 400; ++i) {
            std::string found = trimmed(xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}).output);
            if (!found.empty())
                return found.substr(found.rfind('\n') + 1);
            std::this_thread::sleep_for(50ms);
        }
        return "";
    }

    bool windowGone(const std::string& title)
    {
        for (int i = 0; i < 100; ++i) {
            if (trimmed(xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}).output).empty())
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Clicks the middle of a control of the dialog shown in window, where
    // its template puts it in the measured font.
    void clickControl(const std::string& window, int templateId, int controlId)
    {
        int x = 0, y = 0;
        ASSERT_TRUE(controlCentre(templateId, controlId, &x, &y))
            << "no control " << controlId << " in template " << templateId;
        // A window still opening takes no clicks: wait until it waits.
        std::this_thread::sleep_for(300ms);
        xdotool({"mousemove", "--window", window, std::to_string(x), std::to_string(y)});
        xdotool({"click", "1"});
    }

    void key(const std::string& name)
    {
        std::this_thread::sleep_for(300ms);
        xdotool({"key", name});
    }

    void closeTheWindowDuringAFormatAndExpectItsEnd(bool protectMenu)
    {
        startLongFormat(protectMenu);
        std::string execute = waitForWindow("Format Execute");
        ASSERT_FALSE(execute.empty());
        closeFromWindowManager(execute);
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(toolRunning());
        EXPECT_FALSE(waitForWindow("Format Execute").empty()); // still there while the drive formats
        ASSERT_TRUE(windowGone("Format Execute")) << errors(); // ... and gone after the run
        ASSERT_TRUE(windowGone("Format"));
        ASSERT_FALSE(waitForWindow("Quib! Tools").empty());
        key("Escape");
        EXPECT_EQ(toolExit(), 1);
        ProgramRun status = runProgram(builtProgram("quibtools"), {"status", "--json"});
        EXPECT_NE(status.output.find("\"fileSystem\":true"), std::string::npos) << status.output;
    }

    pid_t tool_ = -1;
};

TEST_F(DesktopProgram, StatusOpensFromTheMenuAndCloseOrEscapeEndTheTool)
{
    startTool();
    std::string menu = waitForWindow("Quib! Tools");
    ASSERT_FALSE(menu.empty()) << "no main menu window";
    clickControl(menu, 126, 1024); // Status
    std::string status = waitForWindow("Status");
    ASSERT_FALSE(status.empty()) << "no Status window";

    key("Escape");
    ASSERT_TRUE(windowGone("Status"));
    clickControl(menu, 126, 2); // Close
    EXPECT_EQ(toolExit(), 1);

    startTool();
    ASSERT_FALSE(waitForWindow("Quib! Tools").empty());
    key("Escape");
    EXPECT_EQ(toolExit(), 1);
}

// The window manager's close on the Format Execute window while the drive
// formats: the format goes on to its end, then the dialog closes as Close
// would (the Format dialog with it), and the tool waits in its menu.
TEST_F(DesktopProgram, ClosingTheWindowDuringAFormatWaitsForItsEnd)
{
    closeTheWindowDuringAFormatAndExpectItsEnd(false);
}

// The same through the host's Protect menu, whose English Format Execute
// is a template of its own.
TEST_F(DesktopProgram, ClosingTheWindowDuringAFormatWaitsForItsEndWithTheProtectMenu)
{
    closeTheWindowDuringAFormatAndExpectItsEnd(true);
}

// The tool's X connection killed during a format (as xkill does): the run
// goes on to its end, and the tool ends with a status of its own, saying
// what state the disk is in.
TEST_F(DesktopProgram, LosingTheDisplayDuringAFormatEndsWithItsOwnStatus)
{
    startLongFormat();
    std::string execute = waitForWindow("Format Execute");
    ASSERT_FALSE(execute.empty());
    xdotool({"windowkill", execute});
    int status = -1;
    for (int i = 0; i < 200 && status < 0; ++i) {
        int raw;
        if (waitpid(tool_, &raw, WNOHANG) == tool_) {
            tool_ = -1;
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + raw;
        }
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(status, 6) << errors();
    EXPECT_NE(errors().find("quibtools: the X display went away during a format; the format ran to its end: "
                            "the disk is formatted\n"),
              std::string::npos)
        << errors();
    ProgramRun json = runProgram(builtProgram("quibtools"), {"status", "--json"});
    EXPECT_NE(json.output.find("\"fileSystem\":true"), std::string::npos) << json.output;
}

std::uint32_t little32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

TEST_F(DesktopProgram, ASimpleFormatThroughTheWindowsWritesACleanFileSystem)
{
    startTool();
    std::string menu = waitForWindow("Quib! Tools");
    ASSERT_FALSE(menu.empty());
    clickControl(menu, 126, 1023); // Format
    std::string format = waitForWindow("Format");
    ASSERT_FALSE(format.empty());
    clickControl(format, 128, 1039); // the label field
    std::this_thread::sleep_for(200ms);
    xdotool({"type", "--delay", "20", "WINDOWS"});
    clickControl(format, 128, 1); // OK
    ASSERT_FALSE(waitForWindow("Format Confirmation").empty());
    key("Return"); // Yes has the focus
    std::string execute = waitForWindow("Format Execute");
    ASSERT_FALSE(execute.empty());
    clickControl(execute, 133, 1); // Start
    std::this_thread::sleep_for(1s);
    clickControl(execute, 133, 2); // Close, back after the run
    ASSERT_TRUE(windowGone("Format Execute"));
    key("Escape");
    EXPECT_EQ(toolExit(), 1);

    // The partition of slot 4, as fsck.fat wants a file system of its own.
    std::string image = testHostFolder() + "/drive/disks/disk1.img";
    std::ifstream in(image, std::ios::binary);
    std::vector<unsigned char> record(512);
    ASSERT_TRUE(in.read(reinterpret_cast<char*>(record.data()), 512));
    std::uint32_t start = little32(record.data() + 0x1EE + 8), count = little32(record.data() + 0x1EE + 12);
    ASSERT_GT(count, 0u);
    std::vector<char> sectors(std::size_t(count) * 512);
    in.seekg(std::streamoff(start) * 512);
    ASSERT_TRUE(in.read(sectors.data(), std::streamsize(sectors.size())));
    std::string partition = testHostFolder() + "/partition.img";
    std::ofstream(partition, std::ios::binary).write(sectors.data(), std::streamsize(sectors.size()));
    for (const char* fsck : {"/usr/sbin/fsck.fat", "/sbin/fsck.fat"}) {
        if (access(fsck, X_OK) != 0)
            continue;
        ProgramRun check = runProgram(fsck, {"-n", partition});
        EXPECT_EQ(check.exitCode, 0) << check.output;
        break;
    }
    ProgramRun label = runProgram(builtProgram("quibtools"), {"--script", "-"},
                                  ProgramOptions{"click 1024\ndump\nclick 2\nclick 2\n", {}, "", 60});
    EXPECT_NE(label.output.find("\"[WINDOWS    ]\""), std::string::npos) << label.output;
}

} // namespace

// The copy of the tool beside the real-drive library, started from a menu
// entry with no drive named, on a machine laid out in a folder (the
// library's test build): the chooser's window lists the USB disks, and the
// one chosen serves the run.
TEST_F(DesktopProgram, TheRealDriveChooserStartsTheProgramOnTheChosenDisk)
{
    std::string machine = testHostFolder() + "/machine";
    std::filesystem::create_directories(machine);
    addUsbDisk(machine, {"sdb", "sg1", "ACME", "STICK", "A77", 15633408, 1});
    addUsbDisk(machine, {"sdc", "sg2", "QUIB", "DRIVE", "Q0001", 78848, 2});
    setenv("QUIB_TEST_MACHINE", machine.c_str(), 1);
    unsetenv("QUIB_DEVICE");
    startTool(std::string(QUIB_FOLDER_MACHINE_DIR) + "/quibtools");
    unsetenv("QUIB_TEST_MACHINE");
    ASSERT_FALSE(waitForWindow("Quib! Drive").empty()) << "no chooser window: " << errors();
    key("Return"); // the Quib! disk, offered though listed second
    // The drive of the test machine answers nothing: the program says so.
    ASSERT_FALSE(waitForWindow("No Drive is Connected.").empty()) << errors();
    std::ifstream openedFile(machine + "/opened");
    std::stringstream opened;
    opened << openedFile.rdbuf();
    EXPECT_NE(opened.str().find("/dev/sdc\n"), std::string::npos) << opened.str();
    EXPECT_EQ(opened.str().find("/dev/sdb"), std::string::npos) << opened.str();
}
