// Start-up through the real program with the script front end: the drive
// check and its question, the single-instance guard, the language, and the
// launcher's own options.
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string englishQuestion =
    "message 0x24 \"No Drive is Connected.\" \"No Drive is Connected. Do you want to continue ?\"\n";
const std::string japaneseQuestion =
    "message 0x24 \"ドライブが接続されていません。\" \"ドライブは接続されていませんが，継続しますか？\"\n";

// A run of quibtools --script - whose transcript reader goes away: the
// script goes in whole, the transcript is read until `until` shows (not at
// all when it is empty) and then closed. SIGPIPE is at its default action
// in the child, as a shell starts it.
struct ReaderGoneRun {
    int status = 0;
    std::string seen;   // the transcript read before going away
    std::string errors; // standard error
};

ReaderGoneRun runUntilTheReaderGoes(const std::string& program, const std::string& script,
                                    const std::string& until, const std::vector<std::string>& environment)
{
    ReaderGoneRun run;
    int input[2], transcript[2], errors[2];
    if (pipe(input) != 0 || pipe(transcript) != 0 || pipe(errors) != 0)
        return run;
    pid_t child = fork();
    if (child == 0) {
        signal(SIGPIPE, SIG_DFL);
        dup2(input[0], 0);
        dup2(transcript[1], 1);
        dup2(errors[1], 2);
        for (int fd : {input[0], input[1], transcript[0], transcript[1], errors[0], errors[1]})
            close(fd);
        for (const std::string& setting : environment)
            putenv(strdup(setting.c_str()));
        execl(program.c_str(), "quibtools", "--script", "-", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    close(transcript[1]);
    close(errors[1]);
    ssize_t written = write(input[1], script.data(), script.size());
    (void)written;
    close(input[1]);
    char buffer[512];
    ssize_t n;
    while (!until.empty() && run.seen.find(until) == std::string::npos &&
           (n = read(transcript[0], buffer, sizeof buffer)) > 0)
        run.seen.append(buffer, std::size_t(n));
    close(transcript[0]);
    while ((n = read(errors[0], buffer, sizeof buffer)) > 0)
        run.errors.append(buffer, std::size_t(n));
    close(errors[0]);
    waitpid(child, &run.status, 0);
    return run;
}

const std::string transcriptLostText = "quibtools: the transcript cannot be written (Broken pipe); the run ends\n";

// A copy of the program in a folder of its own, where no driver library is
// found: its run path is its own folder, and LD_LIBRARY_PATH is emptied.
class WithoutDriver : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::path(testHostFolder()) / "program";
        fs::create_directories(folder_);
        fs::copy_file(builtProgram("quibtools"), folder_ / "quibtools");
        options_.programPath = (folder_ / "quibtools").string();
        options_.environment = {"LD_LIBRARY_PATH=", "QUIB_LANGID=1033"};
    }
    ProgramRun run(const std::string& script, const std::string& language = "1033")
    {
        ProgramOptions options = options_;
        options.environment.push_back("QUIB_LANGID=" + language);
        return runScript(script, options);
    }
    fs::path folder_;
    ProgramOptions options_;
};

TEST_F(WithoutDriver, AnsweringNoEndsWithExitCode0)
{
    ProgramRun r = run("answer no\n");
    EXPECT_EQ(r.output, englishQuestion + "answer no\nexit 0\n");
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(WithoutDriver, AnsweringYesGoesOnToTheMenu)
{
    ProgramRun r = run("answer yes\nclick 2\n");
    ASSERT_EQ(r.output.rfind(englishQuestion + "answer yes\n", 0), 0u) << r.output;
    EXPECT_NE(r.output.find("exit 1\n"), std::string::npos) << r.output;
    EXPECT_EQ(r.exitCode, 1);
}

struct SettingsCase {
    const char* language;
    const char* answer;
    const char* folderLine;
};

class SettingsBeforeTheQuestion : public WithoutDriver, public testing::WithParamInterface<SettingsCase> {};

// The driver settings are written before the drive is looked for, so they
// are there whatever the person answers to the question.
TEST_P(SettingsBeforeTheQuestion, AreWrittenWhateverTheAnswer)
{
    run(std::string("answer ") + GetParam().answer + "\nclick 2\n", GetParam().language);
    ProgramRun settings = runProgram(builtProgram("quibreg"), {"list", "Drivers\\USB\\ClientDrivers\\USB_Quib_Driver"});
    EXPECT_NE(settings.output.find("\"Fixed\" = 1 (type 4, 4 bytes)"), std::string::npos) << settings.output;
    EXPECT_NE(settings.output.find("\"FolderNum\" = 3 (type 4, 4 bytes)"), std::string::npos);
    EXPECT_NE(settings.output.find(GetParam().folderLine), std::string::npos) << settings.output;
    ProgramRun load = runProgram(builtProgram("quibreg"),
                                 {"list", "Drivers\\USB\\LoadClients\\Default\\Default\\8_6_80\\USB_Quib_Driver"});
    EXPECT_NE(load.output.find("\"DLL\" = \"zoveviv.dll\" (type 1, 24 bytes)"), std::string::npos) << load.output;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SettingsBeforeTheQuestion,
    testing::Values(SettingsCase{"1033", "no", "\"Folder\" = \"Storage Card3\" (type 1, 28 bytes)"},
                    SettingsCase{"1033", "yes", "\"Folder\" = \"Storage Card3\" (type 1, 28 bytes)"},
                    SettingsCase{"1041", "no", "\"Folder\" = \"ﾒﾓﾘ ｶｰﾄﾞ3\" (type 1, 20 bytes)"}));

TEST_F(WithoutDriver, ScriptThatRunsOutAtTheQuestionStalls)
{
    ProgramRun r = run("");
    EXPECT_EQ(r.output, englishQuestion + "stalled\n");
    EXPECT_EQ(r.exitCode, 3);
}

TEST_F(WithoutDriver, OtherActionsAtTheQuestionAreRefused)
{
    ProgramRun r = run("click 2\nanswer ok\nanswer no\n");
    EXPECT_EQ(r.output, englishQuestion +
                            "refused click 2 \"a message box is showing\"\n"
                            "refused answer ok \"the message box asks Yes or No\"\n"
                            "answer no\nexit 0\n");
}

struct LanguageCase {
    const char* languageId;
    const std::string* question;
};

class LanguageOfTheRun : public WithoutDriver, public testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageOfTheRun, SelectsTheQuestionsLanguage)
{
    ProgramRun r = run("answer no\n", GetParam().languageId);
    EXPECT_EQ(r.output, *GetParam().question + "answer no\nexit 0\n");
}

INSTANTIATE_TEST_SUITE_P(Ids, LanguageOfTheRun,
                         testing::Values(LanguageCase{"1041", &japaneseQuestion},
                                         LanguageCase{"1033", &englishQuestion},
                                         LanguageCase{"17", &englishQuestion},    // Japanese without sub-language
                                         LanguageCase{"2065", &englishQuestion})); // 1041 | 0x400: only 1041 counts

TEST_F(WithoutDriver, LocaleSelectsJapaneseWhenNoIdIsSet)
{
    ProgramOptions options = options_;
    options.environment = {"LD_LIBRARY_PATH=", "QUIB_LANGID=", "LC_ALL=", "LC_MESSAGES=", "LANG=ja_JP.UTF-8"};
    options.input = "answer no\n";
    ProgramRun r = runProgram("", {"--script", "-"}, options);
    EXPECT_EQ(r.output, japaneseQuestion + "answer no\nexit 0\n");
}

TEST_F(WithoutDriver, SecondCopyWhileTheFirstRunsEndsAtOnceWithExitCode1)
{
    // The first copy waits at its question, reading its script from a pipe.
    int script[2], transcript[2];
    ASSERT_EQ(pipe(script), 0);
    ASSERT_EQ(pipe(transcript), 0);
    pid_t first = fork();
    if (first == 0) {
        dup2(script[0], 0);
        dup2(transcript[1], 1);
        close(script[1]);
        close(transcript[0]);
        setenv("LD_LIBRARY_PATH", "", 1);
        setenv("QUIB_LANGID", "1033", 1);
        execl(options_.programPath.c_str(), "quibtools", "--script", "-", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(script[0]);
    close(transcript[1]);
    std::string seen;
    char buffer[512];
    while (seen.find("\n") == std::string::npos) {
        ssize_t n = read(transcript[0], buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        seen.append(buffer, std::size_t(n));
    }
    EXPECT_EQ(seen, englishQuestion);

    // The second copy says why it ends, in the transcript and to the person.
    ProgramRun second = run("answer no\n");
    EXPECT_EQ(second.output, "already running\nexit 1\n");
    EXPECT_EQ(second.errors, "quibtools: Quib! Tools is already running, with its dialogs open in another terminal or "
                             "window (or a job of it is at work): close it there, or let the job end, then try again\n");
    EXPECT_EQ(second.exitCode, 1);

    ASSERT_EQ(write(script[1], "answer no\n", 10), 10);
    close(script[1]);
    int status = 0;
    waitpid(first, &status, 0);
    close(transcript[0]);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // Once the first copy has ended, the next start runs normally.
    ProgramRun third = run("answer no\n");
    EXPECT_EQ(third.output, englishQuestion + "answer no\nexit 0\n");
}

// A reader that goes away during a Long Format: the format runs on to its
// file system, then the run ends with status 5. The next run finds the
// disk formatted with its label.
TEST(Launcher, LongFormatWhoseReaderGoesAwayStillGetsItsFileSystem)
{
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "2"}).exitCode, 0);
    const std::string underWay = "text 1041 \"Formatting...\"\n";
    ReaderGoneRun r = runUntilTheReaderGoes(
        builtProgram("quibtools"), "click 1023\nclick 1038\ntype 1039 KEPT\nclick 1\nanswer yes\nclick 1\nclick 2\nclick 2\n",
        underWay, {"QUIB_LANGID=1033"});
    ASSERT_NE(r.seen.find(underWay), std::string::npos) << r.seen;
    ASSERT_TRUE(WIFEXITED(r.status)) << "ended by signal " << WTERMSIG(r.status);
    EXPECT_EQ(WEXITSTATUS(r.status), 5);
    EXPECT_EQ(r.errors, transcriptLostText);

    ProgramOptions english;
    english.environment = {"QUIB_LANGID=1033"};
    ProgramRun status = runScript("click 1024\ndump\nclick 2\nclick 2\n", english);
    EXPECT_NE(status.output.find("control 1031 edit \"[KEPT       ]\" enabled"), std::string::npos) << status.output;
}

TEST(Launcher, UnknownOptionIsExplainedWithExitStatus2)
{
    ProgramRun r = runProgram(builtProgram("quibtools"), {"--frobnicate"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.errors.find("unknown option '--frobnicate'"), std::string::npos);
    EXPECT_EQ(r.output, "");
}

TEST(Launcher, HelpAndVersionEndAtOnce)
{
    ProgramRun help = runProgram(builtProgram("quibtools"), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--script FILE"), std::string::npos);
    ProgramRun version = runProgram(builtProgram("quibtools"), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("quibtools ", 0), 0u);
}

TEST(Launcher, MissingScriptFileIsReported)
{
    ProgramRun r = runProgram(builtProgram("quibtools"), {"--script", "/nonexistent/script.txt"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errors, "quibtools: cannot read the script '/nonexistent/script.txt': No such file or directory\n");
}

// A front-end module beside the program that does not load (here a file
// that is no library; in life one whose libraries are missing) is named with
// the loader's reason, not taken for a missing display or terminal.
TEST(Launcher, AFrontEndModuleThatDoesNotLoadIsToldWithTheLoadersReason)
{
    struct Case {
        const char* option;
        const char* module;
        const char* told;
    };
    const Case cases[] = {
        {"--desktop", "quibtools-desktop.so", "quibtools: the desktop front end cannot be loaded: "},
        {"--terminal", "quibtools-terminal.so", "quibtools: the terminal front end cannot be loaded: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        std::string folder = testHostFolder() + "/program" + c.option;
        fs::create_directories(folder);
        fs::copy_file(builtProgram("quibtools"), folder + "/quibtools");
        FILE* module = std::fopen((folder + "/" + c.module).c_str(), "w");
        ASSERT_NE(module, nullptr);
        std::fputs("no library\n", module);
        std::fclose(module);
        ProgramOptions options;
        options.environment = {"DISPLAY=:0"};
        ProgramRun r = runProgram(folder + "/quibtools", {c.option}, options);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.errors.rfind(c.told, 0), 0u) << r.errors;
        EXPECT_NE(r.errors.find(folder + "/" + c.module + ": "), std::string::npos) << r.errors;
    }
}

// A folder opens as a file but cannot be read: a wrong command line, not a
// script that ran out.
TEST(Launcher, ScriptThatIsAFolderIsAWrongCommandLine)
{
    ProgramRun r = runProgram(builtProgram("quibtools"), {"--script", testHostFolder()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errors, "quibtools: cannot read the script '" + testHostFolder() + "': Is a directory\n");
    EXPECT_EQ(r.output, "");
}

struct FolderCase {
    const char* name;
    // Prepares the folder under the test's own and gives the environment.
    std::vector<std::string> (*prepare)(const std::string& base, std::string* folder);
    const char* reason;
};

std::vector<std::string> homeIs(const std::string& folder) { return {"QUIB_HOME=" + folder}; }

std::vector<std::string> folderWithMode(const std::string& path, mode_t mode, std::string* folder)
{
    *folder = path;
    fs::create_directory(path);
    chmod(path.c_str(), mode);
    return homeIs(path);
}

const FolderCase folderCases[] = {
    {"RegularFile",
     [](const std::string& base, std::string* folder) {
         *folder = base + "/a-file";
         FILE* f = std::fopen(folder->c_str(), "w");
         std::fclose(f);
         return homeIs(*folder);
     },
     "Not a directory"},
    {"PathTooLong",
     [](const std::string& base, std::string* folder) {
         std::string path = base;
         while (path.size() < 5000)
             path += "/" + std::string(200, 'q');
         *folder = path.substr(0, 4095);
         return homeIs(path);
     },
     "File name too long"},
    {"NameTooLong",
     [](const std::string& base, std::string* folder) {
         *folder = base + "/" + std::string(300, 'n');
         return homeIs(*folder);
     },
     "File name too long"},
    {"NothingNamesIt",
     [](const std::string&, std::string* folder) {
         folder->clear();
         return std::vector<std::string>{"QUIB_HOME=", "XDG_STATE_HOME=", "HOME="};
     },
     "none of QUIB_HOME, XDG_STATE_HOME or HOME is set"},
    {"GroupMayWrite",
     [](const std::string& base, std::string* folder) { return folderWithMode(base + "/shared", 0770, folder); },
     "group or others may write it (mode 0770)"},
    {"OthersMayWrite",
     [](const std::string& base, std::string* folder) { return folderWithMode(base + "/open", 01777, folder); },
     "group or others may write it (mode 1777)"},
    {"LinkInPlaceOfTheLock",
     [](const std::string& base, std::string* folder) {
         *folder = base + "/QuibTools.event";
         fs::create_symlink(base + "/elsewhere", *folder);
         return homeIs(base);
     },
     "Too many levels of symbolic links"},
};

class UnusableHostFolder : public testing::TestWithParam<FolderCase> {};

// The tool says which folder and why, in the transcript and to the person,
// and ends with status 4, never 1 (which says another copy runs).
TEST_P(UnusableHostFolder, IsNamedWithItsReasonAndExitStatus4)
{
    std::string folder;
    ProgramOptions options;
    options.environment = GetParam().prepare(testHostFolder(), &folder);
    ProgramRun r = runScript("answer no\n", options);
    std::string reason = GetParam().reason;
    EXPECT_EQ(r.exitCode, 4) << r.output << r.errors;
    std::string told = folder.empty() ? "quibtools: no host folder: " + reason + "\n"
                                      : "quibtools: cannot use the host folder '" + folder + "': " + reason + "\n";
    EXPECT_EQ(r.errors, told);
    EXPECT_EQ(r.output, "host folder \"" + folder + "\" \"" + reason + "\"\nexit 4\n");
    EXPECT_FALSE(fs::exists(testHostFolder() + "/elsewhere"));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnusableHostFolder, testing::ValuesIn(folderCases),
                         [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

// A host folder another user owns is refused, as ssh refuses such a ~/.ssh.
TEST(Launcher, HostFolderOfAnotherUserIsRefused)
{
    std::string folder = testHostFolder() + "/theirs";
    fs::create_directory(folder);
    if (chown(folder.c_str(), 4242, 4242) != 0)
        GTEST_SKIP() << "only the superuser can give a folder to another user";
    ProgramOptions options;
    options.environment = {"QUIB_HOME=" + folder};
    ProgramRun r = runScript("answer no\n", options);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.errors, "quibtools: cannot use the host folder '" + folder + "': owned by another user (uid 4242)\n");
    EXPECT_TRUE(fs::is_empty(folder));
}

// On a file system mounted read-only the folder exists but cannot be written.
TEST(Launcher, HostFolderOnAReadOnlyFileSystemIsRefused)
{
    std::string mountPoint = testHostFolder() + "/readonly";
    fs::create_directory(mountPoint);
    if (std::system(("mount -t tmpfs -o ro,mode=0700 quibtest " + mountPoint + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no read-only file system can be mounted here";
    ProgramOptions options;
    options.environment = {"QUIB_HOME=" + mountPoint};
    ProgramRun r = runScript("answer no\n", options);
    std::system(("umount " + mountPoint).c_str());
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.errors, "quibtools: cannot use the host folder '" + mountPoint + "': Read-only file system\n");
}

// A reader that goes away does not kill the tool: it ends with status 5
// and says why. The signal's default action is restored for the child, as a
// shell starts it.
TEST_F(WithoutDriver, TranscriptWithoutReaderEndsWithStatus5)
{
    ReaderGoneRun r = runUntilTheReaderGoes(options_.programPath, "", "", options_.environment);
    ASSERT_TRUE(WIFEXITED(r.status)) << "ended by signal " << WTERMSIG(r.status);
    EXPECT_EQ(WEXITSTATUS(r.status), 5);
    EXPECT_EQ(r.errors, transcriptLostText);
}

} // namespace
