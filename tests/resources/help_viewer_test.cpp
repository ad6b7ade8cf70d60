// The help viewer PegHelp.exe and how the tool starts it: each topic of the
// tool in both languages, shown in a new tmux window inside tmux, in the
// browser on a desktop (a stand-in xdg-open records what it was given), and
// nowhere otherwise; unknown topics and paths refused; a viewer that cannot
// start says nothing; startProcess starting it by its own name.
#include "os/process_start.h"
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string topicFile(const std::string& topic) { return readFile(std::string(QUIB_SOURCE_DIR) + "/help/" + topic); }

std::string viewer() { return builtProgram("PegHelp.exe"); }

struct Topic {
    const char* name;
    const char* title;
};

const Topic topics[] = {{"QuibUSB.htc", "Quib! Tools"},
                        {"QuibUSBStatus.htp", "Status"},
                        {"QuibUSBFolder.htp", "Folder Setting"},
                        {"QuibUSBFormat.htp", "Format"},
                        {"QuibUSBProtect.htp", "Protect Setting"}};

// The environment of a run outside tmux and without a desktop, with the
// additions given; empty values count as unset.
ProgramOptions environment(std::vector<std::string> settings)
{
    ProgramOptions options;
    options.environment = {"TMUX=", "DISPLAY=", "WAYLAND_DISPLAY="};
    options.environment.insert(options.environment.end(), settings.begin(), settings.end());
    options.timeoutSeconds = 30;
    return options;
}

// A stand-in xdg-open, first on PATH, that writes its arguments (one a line)
// into xdg-open.log in the host folder and ends with exitCode.
std::string fakeXdgOpenPath(int exitCode)
{
    fs::path folder = fs::path(testHostFolder()) / "fakebin";
    fs::create_directories(folder);
    std::ofstream script(folder / "xdg-open");
    script << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$QUIB_HOME/xdg-open.log\"\nexit " << exitCode << "\n";
    script.close();
    fs::permissions(folder / "xdg-open", fs::perms::owner_all);
    return "PATH=" + folder.string() + ":" + std::getenv("PATH");
}

std::string xdgOpenLog() { return readFile(testHostFolder() + "/xdg-open.log"); }

std::string htmlEscaped(std::string text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

TEST(HelpViewerTopics, EachTopicIsWrittenInEnglishAndJapanese)
{
    for (const Topic& t : topics) {
        SCOPED_TRACE(t.name);
        std::string written = topicFile(t.name);
        EXPECT_EQ(written.rfind(std::string(t.title) + "\n", 0), 0u);   // the topic opens with its title
        EXPECT_NE(written.find("日本語"), std::string::npos);            // and has a Japanese part
    }
}

TEST(HelpViewerPrint, PrintWritesEachTopicAsWritten)
{
    for (const Topic& t : topics) {
        SCOPED_TRACE(t.name);
        ProgramRun run = runProgram(viewer(), {"--print", t.name}, environment({}));
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(run.output, topicFile(t.name));
        EXPECT_EQ(run.errors, "");
    }
}

// A Japanese run (the tool's QUIB_LANGID, or a Japanese locale) reads the
// Japanese part first, the English part below it.
TEST(HelpViewerPrint, AJapaneseRunPrintsTheJapanesePartFirst)
{
    for (const Topic& t : topics) {
        SCOPED_TRACE(t.name);
        for (const char* setting : {"QUIB_LANGID=1041", "LANG=ja_JP.UTF-8"}) {
            ProgramRun run =
                runProgram(viewer(), {"--print", t.name}, environment({setting, "LC_ALL=", "LC_MESSAGES="}));
            EXPECT_EQ(run.exitCode, 0) << run.errors;
            EXPECT_EQ(run.output.rfind("日本語\n------\n", 0), 0u) << setting;
            std::size_t english = run.output.find("English\n-------\n\n" + std::string(t.title) + "\n");
            EXPECT_NE(english, std::string::npos) << setting;
        }
        ProgramRun english = runProgram(viewer(), {"--print", t.name}, environment({"QUIB_LANGID=1033"}));
        EXPECT_EQ(english.output, topicFile(t.name));
    }
}

TEST(HelpViewerDesktop, OpensTheWebPageOfEachTopicInTheBrowser)
{
    std::string path = fakeXdgOpenPath(0);
    for (const Topic& t : topics) {
        SCOPED_TRACE(t.name);
        std::remove((testHostFolder() + "/xdg-open.log").c_str());
        ProgramRun run = runProgram(viewer(), {t.name}, environment({path, "DISPLAY=:99"}));
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(run.output + run.errors, "");
        std::string page = builtProgram(std::string("help/") + t.name + ".html");
        ASSERT_EQ(xdgOpenLog(), page + "\n");
        std::string html = readFile(page);
        EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
        EXPECT_NE(html.find(std::string("<title>") + t.title + "</title>"), std::string::npos);
        // The title and the headings stand as headings, not underlined; the
        // rest as written, in preformatted blocks.
        EXPECT_NE(html.find(std::string("<h1>") + t.title + "</h1>\n<pre>\n"), std::string::npos);
        EXPECT_NE(html.find("</pre>\n<h2>日本語</h2>\n<pre>\n"), std::string::npos);
        EXPECT_EQ(html.find("\n==="), std::string::npos);
        EXPECT_EQ(html.find("\n---"), std::string::npos);
        std::string text = topicFile(t.name);
        std::size_t body = text.find("\n\n") + 2;
        std::size_t japanese = text.find("日本語\n------\n");
        std::string firstBlock = text.substr(body, text.find("\n\n", body) - body);
        EXPECT_NE(html.find(htmlEscaped(firstBlock)), std::string::npos) << firstBlock;
        std::string japaneseText = text.substr(japanese + std::string("日本語\n------\n\n").size());
        EXPECT_NE(html.find(htmlEscaped(japaneseText) + "</pre>"), std::string::npos);
    }
}

TEST(HelpViewerDesktop, WaylandAloneIsADesktop)
{
    ProgramRun run =
        runProgram(viewer(), {"QuibUSBFolder.htp"}, environment({fakeXdgOpenPath(0), "WAYLAND_DISPLAY=wayland-0"}));
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(xdgOpenLog(), builtProgram("help/QuibUSBFolder.htp.html") + "\n");
}

TEST(HelpViewerDesktop, ABrowserThatCannotStartIsSilent)
{
    // xdg-open failing, and no xdg-open at all.
    fs::path empty = fs::path(testHostFolder()) / "empty";
    fs::create_directories(empty);
    for (const std::string& path : {fakeXdgOpenPath(3), "PATH=" + empty.string()}) {
        SCOPED_TRACE(path);
        ProgramRun run = runProgram(viewer(), {"QuibUSB.htc"}, environment({path, "DISPLAY=:0"}));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.output + run.errors, "");
    }
}

TEST(HelpViewerNowhere, WithoutTmuxOrADesktopShowsNothing)
{
    ProgramRun run = runProgram(viewer(), {"QuibUSB.htc"}, environment({fakeXdgOpenPath(0)}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output + run.errors, "");
    EXPECT_EQ(xdgOpenLog(), "");
}

TEST(HelpViewerTopics, RefusesTopicsItDoesNotHave)
{
    std::string path = fakeXdgOpenPath(0);
    for (const char* topic : {"QuibUSBMissing.htp", "quibusb.htc", "../help/QuibUSB.htc", "/etc/passwd", "..",
                              "QuibUSB.htc.html", "help", ""}) {
        SCOPED_TRACE(topic);
        for (bool printing : {false, true}) {
            std::vector<std::string> arguments = {topic};
            if (printing)
                arguments.insert(arguments.begin(), "--print");
            ProgramRun run = runProgram(viewer(), arguments, environment({path, "DISPLAY=:0"}));
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.output, "");
            EXPECT_NE(run.errors.find(std::string("no help topic '") + topic + "'"), std::string::npos) << run.errors;
        }
    }
    EXPECT_EQ(xdgOpenLog(), "");
}

TEST(HelpViewerUsage, ExplainsItselfAndRefusesWrongUsage)
{
    ProgramRun help = runProgram(viewer(), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("Usage: PegHelp.exe TOPIC\n", 0), 0u);

    for (std::vector<std::string> arguments :
         {std::vector<std::string>{}, {"--print"}, {"--show", "QuibUSB.htc"}, {"-x"}, {"QuibUSB.htc", "QuibUSB.htc"}}) {
        ProgramRun wrong = runProgram(viewer(), arguments);
        EXPECT_EQ(wrong.exitCode, 2);
        EXPECT_EQ(wrong.output, "");
        EXPECT_NE(wrong.errors.find("PegHelp.exe --help"), std::string::npos);
    }
}

// A tmux server of the test's own on a private socket, killed at the end.
class HelpViewerTmux : public testing::Test {
protected:
    void SetUp() override
    {
        if (runProgram("/bin/sh", {"-c", "command -v tmux"}).exitCode != 0)
            GTEST_SKIP() << "tmux is not installed";
        // A socket of each test's own: a server just killed by the test
        // before may still be letting go of its socket.
        static int serverCount = 0;
        socket_ = "quibhelp-test-" + std::to_string(getpid()) + "-" + std::to_string(++serverCount);
        ProgramRun started = tmux({"-f", "/dev/null", "new-session", "-d", "-s", "quibtest", "-x", "100", "-y", "40"});
        ASSERT_EQ(started.exitCode, 0) << started.errors;
        running_ = true;
        ProgramRun where = tmux({"display-message", "-p", "-t", "quibtest", "#{socket_path},#{pid},0"});
        ASSERT_EQ(where.exitCode, 0) << where.errors;
        tmuxVariable_ = "TMUX=" + where.output.substr(0, where.output.find('\n'));
    }
    void TearDown() override
    {
        if (running_)
            tmux({"kill-server"});
    }

    ProgramRun tmux(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"-L", socket_});
        ProgramOptions options;
        options.timeoutSeconds = 10;
        return runProgram("/usr/bin/env", [&] {
            std::vector<std::string> all = {"tmux"};
            all.insert(all.end(), arguments.begin(), arguments.end());
            return all;
        }(), options);
    }

    // What the window shows, polled until it holds text or the time is up.
    std::string windowText(const std::string& window, const std::string& expected)
    {
        std::string shown;
        for (int attempt = 0; attempt < 100; ++attempt) {
            ProgramRun capture = tmux({"capture-pane", "-p", "-t", "quibtest:" + window});
            shown = capture.output;
            if (capture.exitCode == 0 && shown.find(expected) != std::string::npos)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return shown;
    }

    std::string socket_;
    std::string tmuxVariable_;
    bool running_ = false;
};

TEST_F(HelpViewerTmux, OpensANewWindowThatPagesTheTopic)
{
    ProgramRun run = runProgram(viewer(), {"QuibUSBFolder.htp"}, environment({tmuxVariable_, "DISPLAY=:0"}));
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output + run.errors, "");

    ProgramRun windows = tmux({"list-windows", "-t", "quibtest", "-F", "#{window_name}"});
    EXPECT_NE(windows.output.find("Help\n"), std::string::npos) << windows.output;
    std::string shown = windowText("Help", "chooses how that folder is named:");
    EXPECT_EQ(shown.rfind("Folder Setting\n", 0), 0u) << shown;
    EXPECT_NE(shown.find("chooses how that folder is named:"), std::string::npos) << shown;
}

TEST_F(HelpViewerTmux, ATmuxThatCannotOpenTheWindowIsSilent)
{
    ProgramRun run = runProgram(viewer(), {"QuibUSB.htc"},
                                environment({"TMUX=" + testHostFolder() + "/no-such-socket,1,0"}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output + run.errors, "");
}

// The tool starts the viewer by its own name from its own folder: here the
// test program's folder, where a link to the built viewer stands.
TEST(HelpViewerStart, StartProcessStartsPegHelpFromTheProgramsFolder)
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    fs::path link = fs::path(self).parent_path() / "PegHelp.exe";
    fs::remove(link);
    fs::create_symlink(viewer(), link);

    std::string path = fakeXdgOpenPath(0);
    std::string savedPath = std::getenv("PATH");
    const char* savedDisplay = std::getenv("DISPLAY");
    std::string display = savedDisplay != nullptr ? savedDisplay : "";
    const char* savedTmux = std::getenv("TMUX");
    std::string tmuxValue = savedTmux != nullptr ? savedTmux : "";
    setenv("PATH", path.substr(5).c_str(), 1);
    setenv("DISPLAY", ":0", 1);
    unsetenv("TMUX");

    startProcess("PegHelp.exe", u"QuibUSBStatus.htp");
    // Started detached: wait for the browser's stand-in, boundedly.
    std::string logged;
    for (int attempt = 0; attempt < 100 && logged.empty(); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        logged = xdgOpenLog();
    }
    // A name with a path in it starts nothing, even where the program is.
    startProcess("./PegHelp.exe", u"QuibUSB.htc");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    setenv("PATH", savedPath.c_str(), 1);
    if (savedDisplay != nullptr)
        setenv("DISPLAY", display.c_str(), 1);
    else
        unsetenv("DISPLAY");
    if (savedTmux != nullptr)
        setenv("TMUX", tmuxValue.c_str(), 1);
    fs::remove(link);

    EXPECT_EQ(logged, builtProgram("help/QuibUSBStatus.htp.html") + "\n");
    EXPECT_EQ(xdgOpenLog(), logged);
}

} // namespace
