// The command line's jobs through the real program on the virtual drive:
// each job's success and exit code, the program's refusals with their
// messages, a missing drive or disk, wrong usage, and passwords that never
// show up anywhere.
#include "tests/support/disk_image_fixture.h"
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

ProgramOptions inLanguage(const std::string& languageId, const std::string& input = "")
{
    ProgramOptions options;
    options.environment = {"QUIB_LANGID=" + languageId};
    options.input = input;
    return options;
}

ProgramRun quibtools(const std::vector<std::string>& arguments, const std::string& input = "",
                     const std::string& languageId = "1033")
{
    return runProgram(builtProgram("quibtools"), arguments, inLanguage(languageId, input));
}

ProgramRun quibdrive(const std::vector<std::string>& arguments)
{
    return runProgram(builtProgram("quibdrive"), arguments);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The three lines of `quibtools status`.
std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        result.push_back(line);
    return result;
}

TEST(CommandLine, EachJobSucceedsWithExitCodeZeroAndTheStatusShowsItsEffect)
{
    struct Case {
        std::vector<std::string> job;
        std::string input;
        std::string statusLine; // a line `quibtools status` then prints
    };
    const Case cases[] = {
        {{"format", "--label", "MYDISK", "--yes"}, "", "Volume Label : [MYDISK     ]"},
        {{"folder", "fixed", "5"}, "", "Drive #1 : Folder Name = Storage Card5"},
        {{"folder", "linked"}, "", "Drive #1 : Folder Name = MYDISK"},
        {{"folder", "auto"}, "", "Drive #1 : Folder Name = Storage Card"},
        {{"protect", "write"}, "", "Disk is Write Protected."},
        {{"protect", "unprotect-until-eject"}, "", "Temporary Unprotected on Write Protected Disk until Eject."},
        {{"protect", "unprotect"}, "", "No Error."},
        {{"protect", "write-password", "--yes", "--password-stdin"}, "Secret7\nSecret7\n",
         "Disk is Write Protected with Password."},
        {{"protect", "unprotect", "--password-stdin"}, "Secret7\n", "No Error."},
        {{"protect", "read-write-password", "--yes", "--password-stdin"}, "Other8\n",
         "Disk is Read/Write Protected with Password."},
        {{"protect", "unprotect", "--password-stdin"}, "Other8\n", "No Error."},
    };
    for (const Case& c : cases) {
        std::string name = c.job[0] + " " + c.job[1];
        ProgramRun job = quibtools(c.job, c.input);
        EXPECT_EQ(job.exitCode, 0) << name << "\n" << job.errors;
        ProgramRun status = quibtools({"status"});
        EXPECT_EQ(status.exitCode, 0) << name;
        std::vector<std::string> shown = lines(status.output);
        EXPECT_TRUE(std::find(shown.begin(), shown.end(), c.statusLine) != shown.end())
            << name << " -> " << status.output;
    }
}

TEST(CommandLine, ProtectionJobsPrintTheProgramsOwnMessages)
{
    ProgramRun write = quibtools({"protect", "write"});
    EXPECT_EQ(write.output, "This Disk is Write Protected.\n");
    ProgramRun lift = quibtools({"protect", "unprotect"});
    EXPECT_EQ(lift.output, "Unprotect Successful.\n");
}

TEST(CommandLine, ALongFormatShowsRisingPercentagesAndCompletes)
{
    ASSERT_EQ(quibdrive({"format-time", "1"}).exitCode, 0);
    ProgramRun job = quibtools({"format", "--long", "--label", "LONG", "--yes"});
    EXPECT_EQ(job.exitCode, 0) << job.errors;
    std::vector<std::string> shown = lines(job.output);
    ASSERT_GE(shown.size(), 4u) << job.output;
    EXPECT_EQ(shown.front(), "0%");
    EXPECT_EQ(shown[shown.size() - 2], "100%");
    EXPECT_EQ(shown.back(), "Format Completed.");
    int last = -1;
    for (std::size_t i = 0; i + 1 < shown.size(); ++i) {
        int percent = std::stoi(shown[i]);
        EXPECT_GT(percent, last) << job.output;
        last = percent;
    }
    EXPECT_TRUE(contains(quibtools({"status"}).output, "[LONG       ]"));
}

TEST(CommandLine, RefusalsPrintTheProgramsMessageAndEndWithOne)
{
    ASSERT_EQ(quibtools({"protect", "write-password", "--yes", "--password-stdin"}, "Right1\n").exitCode, 0);

    ProgramRun simple = quibtools({"format", "--yes"});
    EXPECT_EQ(simple.exitCode, 1);
    EXPECT_EQ(simple.errors, "This Disk is Write Protected with Password.\nYou cannot format this by Simple Format.\n");

    ProgramRun wrong = quibtools({"protect", "unprotect", "--password-stdin"}, "Wrong1\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.errors, "Unprotedt Fail.\n");

    // A button the protection state disables: the job says what the state is.
    ProgramRun again = quibtools({"protect", "write"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(contains(again.errors, "Disk is Write Protected with Password.")) << again.errors;

    EXPECT_TRUE(contains(quibtools({"status"}).output, "Disk is Write Protected with Password."));
}

// Removing protection from a disk that has none: the job says so in plain
// words rather than quoting the status "No Error.".
TEST(CommandLine, UnprotectingAnUnprotectedDiskSaysItIsNotProtected)
{
    for (const char* mode : {"unprotect", "unprotect-until-eject"}) {
        ProgramRun run = quibtools({"protect", mode});
        EXPECT_EQ(run.exitCode, 1) << mode;
        EXPECT_EQ(run.errors, "quibtools protect: the disk is not protected, so there is no protection to remove: "
                              "No Error.\n")
            << mode;
    }
}

TEST(CommandLine, ANewPasswordGivenTwiceDifferentlyIsRefused)
{
    ProgramRun job = quibtools({"protect", "read-write-password", "--yes", "--password-stdin"}, "First1\nSecond2\n");
    EXPECT_EQ(job.exitCode, 1);
    EXPECT_EQ(job.errors, "Two Passwords are not much.\n");
    EXPECT_TRUE(contains(quibtools({"status"}).output, "No Error."));
}

TEST(CommandLine, NoDriveOrNoDiskEndsWithThree)
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    for (const std::vector<std::string>& job : std::vector<std::vector<std::string>>{
             {"status"}, {"format", "--yes"}, {"protect", "write"}}) {
        ProgramRun run = quibtools(job);
        EXPECT_EQ(run.exitCode, 3) << job[0];
        EXPECT_TRUE(contains(run.output + run.errors, "No Quib! Disk.")) << job[0];
    }
    ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0);
    for (const std::vector<std::string>& job : std::vector<std::vector<std::string>>{
             {"status"}, {"format", "--yes"}, {"protect", "unprotect"}}) {
        ProgramRun run = quibtools(job);
        EXPECT_EQ(run.exitCode, 3) << job[0];
        EXPECT_TRUE(contains(run.output + run.errors, "No Drive is Connected.")) << job[0];
    }
}

TEST(CommandLine, WrongUsageEndsWithTwoAndSaysWhy)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string says;
    };
    const Case cases[] = {
        {{"status", "--bogus"}, "unknown option '--bogus'"},
        {{"format", "--label"}, "--label needs the label"},
        {{"format"},
         "standard input is not a terminal, so the job's question cannot be asked: give --yes to answer Yes"},
        {{"protect"}, "which protection?"},
        {{"protect", "everything"}, "unknown protection 'everything'"},
        {{"protect", "write-password"}, "give --yes"},
        {{"folder"}, "which naming?"},
        {{"folder", "fixed"}, "fixed needs the folder number"},
        {{"folder", "fixed", "10"}, "must be 2 to 9"},
        {{"folder", "linked", "3"}, "unexpected word '3'"},
        {{"format", "--yes", "--label", "TWELVE_CHARS"}, "longer than 11 bytes; 'TWELVE_CHAR' would fit"},
        {{"protect", "unprotect"}, "--password-stdin"}, // a password-protected disk, no terminal
    };
    ASSERT_EQ(quibtools({"protect", "write-password", "--yes", "--password-stdin"}, "Pass1\n").exitCode, 0);
    for (const Case& c : cases) {
        ProgramRun run = quibtools(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments[0] << " " << run.errors;
        EXPECT_TRUE(contains(run.errors, c.says)) << run.errors;
    }
    // Nothing of those reached the disk.
    EXPECT_TRUE(contains(quibtools({"status"}).output, "Disk is Write Protected with Password."));
}

// A label with a byte that a FAT volume label may not hold is refused before
// anything is written: the job names the byte and ends with 2, and the disk
// keeps its label. Allowed labels, lower case among them, give a file system
// that fsck.fat accepts.
TEST(CommandLine, ALabelAFatVolumeLabelCannotHoldIsNamedAndRefused)
{
    struct Case {
        std::string label;
        std::string says;
    };
    const Case refused[] = {
        {"A*B?", "cannot hold the character '*'"}, {"A/B", "'/'"},  {"A:B", "':'"}, {"A.B", "'.'"},
        {"A|<>", "'|'"},  {"A\"B", "'\"'"}, {"A+B", "'+'"}, {"A,B", "','"}, {"A;B", "';'"},
        {"A=B", "'='"},   {"A[B", "'['"},   {"A\\B", "'\\'"}, {"A]B", "']'"},
        {" AB", "cannot begin with a space"},
        {"A\tB", "control character \\u0009"}, {"A\x1b[2J", "control character \\u001b"},
        {"A\x7f", "control character \\u007f"},
    };
    ASSERT_EQ(quibtools({"format", "--label", "KEEP", "--yes"}).exitCode, 0);
    for (const Case& c : refused) {
        ProgramRun run = quibtools({"format", "--label", c.label, "--yes"});
        EXPECT_EQ(run.exitCode, 2) << c.label << "\n" << run.output << run.errors;
        EXPECT_TRUE(contains(run.errors, c.says)) << c.label << "\n" << run.errors;
        EXPECT_FALSE(contains(run.output, "Format Completed.")) << c.label;
    }
    EXPECT_TRUE(contains(quibtools({"status"}).output, "[KEEP       ]"));

    std::string fsck = disk_image::toolPath("fsck.fat");
    for (const std::string label : {"lower", "My Disk", "A-B_C!#$%&'"}) {
        ProgramRun run = quibtools({"format", "--label", label, "--yes"});
        EXPECT_EQ(run.exitCode, 0) << label << "\n" << run.errors;
        if (fsck.empty())
            continue;
        std::string partition = testHostFolder() + "/partition.img";
        ASSERT_TRUE(disk_image::extractPartition(disk_image::firstDisk(testHostFolder()), partition));
        ProgramRun check = runProgram(fsck, {"-n", partition});
        EXPECT_EQ(check.exitCode, 0) << label << "\n" << check.output;
    }
}

// A label another program wrote holds ESC [2J: outside --json the job shows
// it escaped, so the disk cannot clear the person's screen.
TEST(CommandLine, StatusShowsControlCharactersOfTheLabelEscaped)
{
    ASSERT_EQ(quibtools({"format", "--label", "PLAIN", "--yes"}).exitCode, 0);
    ASSERT_TRUE(disk_image::writeBootSectorLabel(disk_image::firstDisk(testHostFolder()), "\x1b[2JX\x07"));
    ProgramRun status = quibtools({"status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_TRUE(contains(status.output, "Volume Label : [\\u001b[2JX\\u0007     ]")) << status.output;
    EXPECT_EQ(status.output.find('\x1b'), std::string::npos);
    EXPECT_EQ(status.output.find('\x07'), std::string::npos);
    EXPECT_EQ(status.errors, "");
}

// A protection state the drive could not give (here a damaged protection
// file of the virtual drive) is no success: the status shows an empty
// status line, says why and ends with 1.
TEST(CommandLine, StatusOfAnUnknownProtectionStateEndsWithOne)
{
    ASSERT_EQ(quibtools({"format", "--label", "X", "--yes"}).exitCode, 0);
    std::ofstream(testHostFolder() + "/drive/disks/disk1.protection") << "not a protection record\n";
    ProgramRun status = quibtools({"status"});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_TRUE(contains(status.errors, "the disk's protection state could not be read")) << status.errors;
    ProgramRun json = quibtools({"status", "--json"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(contains(json.output, "\"status\":\"\"")) << json.output;
    EXPECT_TRUE(contains(json.output, "\"state\":null,\"protection\":\"unknown\"}")) << json.output;
}

// A blank disk and a disk with a file system both show "[]" without a label:
// the status job tells them apart, on standard error and in the JSON.
TEST(CommandLine, StatusTellsADiskWithoutAFileSystem)
{
    ProgramRun blank = quibtools({"status"});
    EXPECT_EQ(blank.exitCode, 0);
    EXPECT_TRUE(contains(blank.output, "Volume Label : []")) << blank.output;
    EXPECT_EQ(blank.errors, "quibtools status: the disk has no file system; format it before use (quibtools format)\n");
    EXPECT_TRUE(contains(quibtools({"status", "--json"}).output, "\"fileSystem\":false")) ;

    ASSERT_EQ(quibtools({"format", "--label", "", "--yes"}).exitCode, 0);
    ProgramRun formatted = quibtools({"status"});
    EXPECT_TRUE(contains(formatted.output, "Volume Label : []")) << formatted.output;
    EXPECT_EQ(formatted.errors, "");
    ProgramRun json = quibtools({"status", "--json"});
    EXPECT_TRUE(contains(json.output, "\"fileSystem\":true,\"state\":0,\"protection\":\"none\"}")) << json.output;

    // The state as a number and a word, the same in both languages.
    ASSERT_EQ(quibtools({"protect", "write"}).exitCode, 0);
    for (const std::string languageId : {"1033", "1041"})
        EXPECT_TRUE(contains(quibtools({"status", "--json"}, "", languageId).output,
                             "\"fileSystem\":true,\"state\":2,\"protection\":\"write\"}"))
            << languageId;
}

// A setting the registry could not keep is no success: the folder job says
// why and ends with 1, whether the database is damaged or is a link or a
// folder in place of the file.
TEST(CommandLine, AFolderSettingTheRegistryCouldNotKeepEndsWithOneAndSaysWhy)
{
    namespace fs = std::filesystem;
    std::string store = testHostFolder() + "/registry.db";
    std::string elsewhere = testHostFolder() + "/elsewhere.db";
    ASSERT_EQ(quibtools({"folder", "fixed", "5"}).exitCode, 0);
    ASSERT_TRUE(fs::exists(store));
    fs::rename(store, elsewhere);
    struct Case {
        const char* name;
        void (*make)(const std::string& store, const std::string& elsewhere);
    };
    const Case cases[] = {
        {"damaged", [](const std::string& s, const std::string&) { std::ofstream(s) << "not a registry database"; }},
        {"link", [](const std::string& s, const std::string& e) { fs::create_symlink(e, s); }},
        {"folder", [](const std::string& s, const std::string&) { fs::create_directory(s); }},
    };
    for (const Case& c : cases) {
        c.make(store, elsewhere);
        ProgramRun run = quibtools({"folder", "fixed", "8"});
        EXPECT_EQ(run.exitCode, 1) << c.name << "\n" << run.errors;
        EXPECT_TRUE(contains(run.errors, "the setting was not stored in " + store)) << c.name << "\n" << run.errors;
        fs::remove_all(store);
    }
    // The store the link named was not written through it.
    fs::rename(elsewhere, store);
    ProgramRun kept = runProgram(builtProgram("quibreg"),
                                 {"list", "Drivers\\USB\\ClientDrivers\\USB_Quib_Driver", "FolderNum"});
    EXPECT_TRUE(contains(kept.output, "5")) << kept.output << kept.errors;
    EXPECT_FALSE(contains(kept.output, "8")) << kept.output;
}

// Output that cannot be written is an error, as GNU tools tell it.
TEST(CommandLine, AFailedWriteOfStandardOutputEndsWithOne)
{
    struct Case {
        std::string redirection;
        std::string says;
    };
    const Case cases[] = {
        {"status >/dev/full", "quibtools: write error: No space left on device"},
        {"status --json >/dev/full", "quibtools: write error: No space left on device"},
        {"status --json >&-", "quibtools: write error: Bad file descriptor"},
        {"--help >/dev/full", "quibtools: write error: No space left on device"},
        {"folder --help >/dev/full", "quibtools: write error: No space left on device"},
    };
    for (const Case& c : cases) {
        ProgramRun run = runProgram("/bin/sh", {"-c", "exec '" + builtProgram("quibtools") + "' " + c.redirection},
                                    inLanguage("1033"));
        EXPECT_EQ(run.exitCode, 1) << c.redirection << "\n" << run.errors;
        EXPECT_TRUE(contains(run.errors, c.says)) << c.redirection << "\n" << run.errors;
    }
    ProgramRun fine = runProgram("/bin/sh", {"-c", "exec '" + builtProgram("quibtools") + "' status >/dev/null"},
                                 inLanguage("1033"));
    EXPECT_EQ(fine.exitCode, 0) << fine.errors;
}

// Password lines that cannot be taken as they are end with 2 and change
// nothing: a too long second line is not "no second line", and a NUL byte
// does not cut a password short.
TEST(CommandLine, PasswordLinesThatCannotBeTakenAreRefused)
{
    struct Case {
        std::vector<std::string> job;
        std::string input;
        std::string says;
    };
    const std::string tooLong(300, 'x');
    const Case cases[] = {
        {{"protect", "write-password", "--yes", "--password-stdin"}, "abc\n" + tooLong + "\n", "too long"},
        {{"protect", "write-password", "--yes", "--password-stdin"}, "abc\n" + tooLong, "too long"},
        {{"protect", "write-password", "--yes", "--password-stdin"}, tooLong + "\nabc\n", "too long"},
        {{"protect", "write-password", "--yes", "--password-stdin"}, std::string("ab\0cd\n", 6), "NUL byte"},
        {{"protect", "read-write-password", "--yes", "--password-stdin"}, std::string("abcd\nab\0cd\n", 11),
         "NUL byte"},
        {{"protect", "write-password", "--yes", "--password-stdin"}, "", "no password was read"},
    };
    for (const Case& c : cases) {
        ProgramRun run = quibtools(c.job, c.input);
        EXPECT_EQ(run.exitCode, 2) << c.says << "\n" << run.output << run.errors;
        EXPECT_TRUE(contains(run.errors, c.says)) << run.errors;
        EXPECT_TRUE(contains(quibtools({"status"}).output, "No Error.")) << c.says;
    }
    // The same with a password set: unprotecting with a cut password is refused too.
    ASSERT_EQ(quibtools({"protect", "write-password", "--yes", "--password-stdin"}, "ab\n").exitCode, 0);
    ProgramRun cut = quibtools({"protect", "unprotect", "--password-stdin"}, std::string("ab\0cd\n", 6));
    EXPECT_EQ(cut.exitCode, 2) << cut.errors;
    EXPECT_TRUE(contains(quibtools({"status"}).output, "Disk is Write Protected with Password."));
}

TEST(CommandLine, HelpListsTheJobs)
{
    ProgramRun help = quibtools({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* job : {"status", "format", "protect", "folder"}) {
        EXPECT_TRUE(contains(help.output, std::string("quibtools ") + job)) << job;
        ProgramRun own = quibtools({job, "--help"});
        EXPECT_EQ(own.exitCode, 0) << job;
        EXPECT_TRUE(contains(own.output, std::string("Usage: quibtools ") + job)) << job;
        EXPECT_TRUE(contains(own.output, "Exit status")) << job;
    }
}

// Every byte of every file under the host folder.
std::string everythingStored()
{
    std::string all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(testHostFolder())) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        all += content.str();
    }
    return all;
}

TEST(CommandLine, APasswordNeverShowsInOutputOrInTheHostFolder)
{
    const std::string password = "Zq7PasswordXy";
    std::vector<ProgramRun> runs;
    runs.push_back(quibtools({"protect", "write-password", "--yes", "--password-stdin"}, password + "\n" + password + "\n"));
    runs.push_back(quibtools({"protect", "unprotect", "--password-stdin"}, "not-" + password + "\n"));
    runs.push_back(quibtools({"protect", "unprotect-until-eject", "--password-stdin"}, password + "\n"));
    runs.push_back(quibtools({"status", "--json"}));
    EXPECT_EQ(runs[0].exitCode, 0);
    EXPECT_EQ(runs[1].exitCode, 1);
    EXPECT_EQ(runs[2].exitCode, 0);
    for (const ProgramRun& run : runs) {
        EXPECT_FALSE(contains(run.output, password)) << run.output;
        EXPECT_FALSE(contains(run.errors, password)) << run.errors;
    }
    EXPECT_FALSE(contains(everythingStored(), password));
}

// The JSON status, read back by Python's json module, holds what the
// Status dialog shows in the script front end's dump.
TEST(CommandLine, JsonStatusHoldsWhatTheStatusDialogShows)
{
    const char* python = "/usr/bin/python3";
    if (!std::filesystem::exists(python))
        GTEST_SKIP() << "python3 is needed to parse the JSON";
    ASSERT_EQ(quibtools({"format", "--label", "PRECIOUS", "--yes"}).exitCode, 0);
    ASSERT_EQ(quibtools({"protect", "write"}).exitCode, 0);
    for (const std::string languageId : {"1033", "1041"}) {
        ProgramRun json = quibtools({"status", "--json"}, "", languageId);
        ASSERT_EQ(json.exitCode, 0);
        ProgramOptions parse;
        parse.input = json.output;
        ProgramRun fields = runProgram(python,
                                       {"-c", "import json,sys; d=json.load(sys.stdin); "
                                              "print(d['driveLine']); print('[' + d['volumeLabel'] + ']'); "
                                              "print(d['status']); print(d['drive'], d['disk'])"},
                                       parse);
        ASSERT_EQ(fields.exitCode, 0) << json.output << fields.errors;

        ProgramRun dialog = runScript("click 1024\ndump\nclick 2\nclick 2\n", inLanguage(languageId));
        auto shown = [&](const std::string& id) {
            std::string prefix = "control " + id + " edit \"";
            std::size_t at = dialog.output.find(prefix);
            if (at == std::string::npos)
                return std::string("(missing)");
            at += prefix.size();
            return dialog.output.substr(at, dialog.output.find('"', at) - at);
        };
        EXPECT_EQ(fields.output, shown("1045") + "\n" + shown("1031") + "\n" + shown("1021") + "\nTrue True\n")
            << languageId;
    }
}

} // namespace

namespace {

// At a terminal the job asks its questions there and reads a new password
// twice without echo: the screen never shows it.
class CommandLineAtTerminal : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(tmux_))
            GTEST_SKIP() << "tmux is not installed (scripts/install-packages.sh installs it)";
        socket_ = "quibcli-" + std::to_string(getpid());
    }
    void TearDown() override { tmux({"kill-server"}); }

    ProgramRun tmux(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"-u", "-L", socket_, "-f", "/dev/null"});
        ProgramOptions options;
        options.environment = {"LC_ALL=C.UTF-8"};
        return runProgram(tmux_, arguments, options);
    }

    void start(const std::string& arguments)
    {
        std::string command = "env QUIB_HOME='" + testHostFolder() + "' QUIB_LANGID=1033 '" +
                              builtProgram("quibtools") + "' " + arguments + "; echo EXIT=$?; sleep 60";
        ASSERT_EQ(tmux({"new-session", "-d", "-x", "100", "-y", "20", command}).exitCode, 0);
    }

    std::string screen() { return tmux({"capture-pane", "-p"}).output; }

    // Waits until the screen shows text; false after a few seconds.
    bool waitFor(const std::string& text)
    {
        for (int i = 0; i < 100; ++i) {
            if (contains(screen(), text))
                return true;
            usleep(100 * 1000);
        }
        return false;
    }

    void type(const std::string& keys) { tmux({"send-keys", "-l", keys}); tmux({"send-keys", "Enter"}); }

    const std::string tmux_ = "/usr/bin/tmux";
    std::string socket_;
};

TEST_F(CommandLineAtTerminal, ANewPasswordIsAskedTwiceWithoutEcho)
{
    start("protect write-password");
    ASSERT_TRUE(waitFor("[y/N]")) << screen();
    type("y");
    ASSERT_TRUE(waitFor("Password:")) << screen();
    type("Unseen99");
    ASSERT_TRUE(waitFor("Password(Verify):")) << screen();
    type("Unseen99");
    ASSERT_TRUE(waitFor("EXIT=")) << screen();
    std::string shown = screen();
    EXPECT_TRUE(contains(shown, "This Disk is Write Protected with Password.\nEXIT=0")) << shown;
    EXPECT_FALSE(contains(shown, "Unseen99")) << shown;
}

TEST_F(CommandLineAtTerminal, AnsweringNoFormatsNothing)
{
    ASSERT_EQ(quibtools({"format", "--label", "KEEP", "--yes"}).exitCode, 0);
    start("format --label GONE");
    ASSERT_TRUE(waitFor("Do you want to format ? [y/N]")) << screen();
    type("n");
    ASSERT_TRUE(waitFor("EXIT=1")) << screen();
    // The job says that the No was taken, and that nothing changed.
    EXPECT_TRUE(contains(screen(), "quibtools: answered No, so nothing was changed\nEXIT=1")) << screen();
    EXPECT_TRUE(contains(quibtools({"status"}).output, "[KEEP       ]"));
}

} // namespace

namespace {

TEST(CommandLine, AnUnusableHostFolderEndsWithFourAndSaysWhy)
{
    std::string notAFolder = testHostFolder() + "/plain-file";
    std::ofstream(notAFolder) << "x";
    ProgramOptions options = inLanguage("1033");
    options.environment.push_back("QUIB_HOME=" + notAFolder);
    ProgramRun run = runProgram(builtProgram("quibtools"), {"status"}, options);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(contains(run.errors, "cannot use the host folder '" + notAFolder + "'")) << run.errors;
}

} // namespace
