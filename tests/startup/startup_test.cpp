// Start-up through the real program with the script front end: the drive
// check and its question, the single-instance guard, the language, and the
// launcher's own options.
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string englishQuestion =
    "message 0x24 \"No Drive is Connected.\" \"No Drive is Connected. Do you want to continue ?\"\n";
const std::string japaneseQuestion =
    "message 0x24 \"ドライブが接続されていません。\" \"ドライブは接続されていませんが，継続しますか？\"\n";

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

    ProgramRun second = run("answer no\n");
    EXPECT_EQ(second.output, "exit 1\n");
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
    EXPECT_NE(r.errors.find("cannot read the script"), std::string::npos);
}

} // namespace
