// Signals that end the tool in the middle of a format: SIGINT, SIGTERM and
// SIGHUP wait for the file system's writes, so the disk is never left with
// a half-written file system; and a Long Format cut short says what state
// the drive leaves the disk in, which the JSON status then shows.
#include "tests/support/disk_image_fixture.h"
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

ProgramOptions english()
{
    ProgramOptions options;
    options.environment = {"QUIB_LANGID=1033"};
    return options;
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// quibtools with arguments, in English, standard input from /dev/null and
// its output into files of the host folder; returns its process id.
pid_t startTool(const std::vector<std::string>& arguments, const std::string& outputs)
{
    std::string program = builtProgram("quibtools");
    pid_t child = fork();
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open((outputs + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open((outputs + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, SIG_DFL);
        setenv("QUIB_LANGID", "1033", 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& word : arguments)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

int waitForStatus(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// fsck.fat -n on the partition of the first disk: 0 when it finds nothing wrong.
ProgramRun checkFileSystem(const std::string& fsck)
{
    std::string partition = testHostFolder() + "/partition.img";
    if (!disk_image::extractPartition(disk_image::firstDisk(testHostFolder()), partition))
        return ProgramRun{};
    return runProgram(fsck, {"-n", partition});
}

// Rounds of a Simple Format each sent SIGINT, SIGTERM or SIGHUP at a random
// moment of its run: the tool ends by the signal (or completes first), and
// the disk holds either the file system it had or the new one, whole.
TEST(FormatSignals, ASignalNeverLeavesAHalfWrittenFileSystem)
{
    std::string fsck = disk_image::toolPath("fsck.fat");
    if (fsck.empty())
        GTEST_SKIP() << "fsck.fat (dosfstools) is not installed";
    ASSERT_EQ(runProgram(builtProgram("quibtools"), {"format", "--label", "FIRST", "--yes"}, english()).exitCode, 0);

    // The moments are spread over one whole run, start-up included.
    auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(waitForStatus(startTool({"format", "--label", "TIMED", "--yes"}, testHostFolder() + "/timed")), 0);
    auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);

    std::mt19937 random(20261210);
    std::uniform_int_distribution<long> moment(0, runTime.count());
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    int cut = 0;
    for (int round = 0; round < 100; ++round) {
        int signal = signals[round % 3];
        pid_t tool = startTool({"format", "--label", "ROUND" + std::to_string(round), "--yes"},
                               testHostFolder() + "/round");
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        kill(tool, signal);
        int status = waitForStatus(tool);
        bool endedBySignal = WIFSIGNALED(status) && WTERMSIG(status) == signal;
        bool completed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        EXPECT_TRUE(endedBySignal || completed) << "round " << round << ": status " << status;
        cut += endedBySignal ? 1 : 0;
        ProgramRun check = checkFileSystem(fsck);
        ASSERT_EQ(check.exitCode, 0) << "round " << round << " with signal " << signal << ":\n" << check.output;
    }
    // The moments did reach into the runs.
    EXPECT_GT(cut, 0);
}

// Ctrl-C during a Long Format ends the tool with the signal's status and
// one line saying what state the disk is left in. The next status waits for
// the drive, saying so, and its JSON tells that the disk has no file system.
TEST(FormatSignals, ALongFormatCutShortSaysTheDiskWillHaveNoFileSystem)
{
    ASSERT_EQ(runProgram(builtProgram("quibtools"), {"format", "--label", "BEFORE", "--yes"}, english()).exitCode, 0);
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "3"}).exitCode, 0);
    std::string outputs = testHostFolder() + "/long";
    pid_t tool = startTool({"format", "--long", "--yes"}, outputs);
    // Cut short once the drive's progress shows.
    for (int i = 0; i < 100 && readFile(outputs + ".out").find("%\n") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    kill(tool, SIGINT);
    int status = waitForStatus(tool);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(readFile(outputs + ".err"),
              "quibtools: the Long Format was cut short: the drive goes on erasing; the disk will have no file "
              "system until it is formatted again\n");

    ProgramRun status2 = runProgram(builtProgram("quibtools"), {"status", "--json"}, english());
    EXPECT_EQ(status2.exitCode, 0) << status2.errors;
    EXPECT_NE(status2.errors.find("the drive is still formatting the disk"), std::string::npos) << status2.errors;
    EXPECT_NE(status2.output.find("\"volumeLabel\":\"\""), std::string::npos) << status2.output;
    EXPECT_NE(status2.output.find("\"fileSystem\":false,\"state\":0,\"protection\":\"none\"}"), std::string::npos)
        << status2.output;

    // Formatted again, it has one.
    ASSERT_EQ(runProgram(builtProgram("quibtools"), {"format", "--label", "AGAIN", "--yes"}, english()).exitCode, 0);
    ProgramRun status3 = runProgram(builtProgram("quibtools"), {"status", "--json"}, english());
    EXPECT_NE(status3.output.find("\"fileSystem\":true"), std::string::npos) << status3.output;
    EXPECT_TRUE(status3.errors.empty()) << status3.errors;
}

} // namespace
