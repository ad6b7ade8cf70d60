// The real program formats the virtual drive's disk from the menu: a Simple
// Format with a label that the Status dialog then shows and fsck.fat
// accepts, and a Long Format that follows the drive's own progress.
#include "tests/format_ui/progress_lines.h"
#include "tests/support/disk_image_fixture.h"
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

ProgramOptions english()
{
    ProgramOptions options;
    options.environment = {"QUIB_LANGID=1033"};
    return options;
}

using disk_image::extractPartition;
using disk_image::toolPath;

TEST(FormatProgram, SimpleFormatWritesTheLabelTheStatusDialogShows)
{
    ProgramRun run = runScript("click 1023\ntype 1039 MYDISK\nclick 1\nanswer yes\nclick 1\nclick 2\n"
                               "click 1024\ndump\nclick 2\nclick 2\n",
                               english());
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_EQ(format_test::shownPercentages(run.output), (std::vector<int>{0, 14, 49, 84, 99, 100})) << run.output;
    EXPECT_NE(run.output.find("text 1041 \"Format Completed.\""), std::string::npos);
    EXPECT_NE(run.output.find("control 1031 edit \"[MYDISK     ]\" enabled"), std::string::npos) << run.output;

    std::string fsck = toolPath("fsck.fat");
    if (fsck.empty())
        GTEST_SKIP() << "fsck.fat (dosfstools) is not installed";
    std::string partition = testHostFolder() + "/partition.img";
    ASSERT_TRUE(extractPartition(testHostFolder() + "/drive/disks/disk1.img", partition));
    ProgramRun check = runProgram(fsck, {"-n", partition});
    EXPECT_EQ(check.exitCode, 0) << check.output << check.errors;
}

// A label with a byte that a FAT volume label may not hold would give a file
// system that fsck.fat calls damaged: OK empties the field without a message
// and the dialog stays, as for a character with no 8-bit form. Lower case,
// inner blanks and the other punctuation are written, and fsck.fat accepts
// the result.
TEST(FormatProgram, LabelsAFatVolumeLabelCannotHoldAreRefusedInTheDialog)
{
    const std::string refused[] = {"A\"B", "A*B", "A+B", "A,B", "A.B", "A/B", "A:B", "A;B", "A<B", "A=B",
                                   "A>B", "A?B", "A[B", "A\\B", "A]B", "A|B", " AB", "A\tB", "A\x1b[2J",
                                   "A\x01", "A\x1f", "A\x7f"};
    for (const std::string& label : refused) {
        ProgramRun run = runScript("click 1023\ntype 1039 " + label + "\nclick 1\ndump\nclick 2\nclick 2\n", english());
        EXPECT_EQ(run.exitCode, 1) << label;
        EXPECT_NE(run.output.find("control 1039 edit \"\" enabled"), std::string::npos) << label << run.output;
        EXPECT_EQ(run.output.find("message "), std::string::npos) << label << run.output;
        EXPECT_EQ(run.output.find("dialog open 133"), std::string::npos) << label << run.output;
    }

    std::string fsck = toolPath("fsck.fat");
    const std::string allowed[] = {"lower case", "Mixed-Case", "A_B!#$%&'()", "@^`{}~-2024"};
    for (const std::string& label : allowed) {
        ProgramRun run = runScript("click 1023\ntype 1039 " + label + "\nclick 1\nanswer yes\nclick 1\nclick 2\n"
                                   "click 1024\ndump\nclick 2\nclick 2\n",
                                   english());
        std::string padded = label + std::string(11 - label.size(), ' ');
        EXPECT_NE(run.output.find("control 1031 edit \"[" + padded + "]\" enabled"), std::string::npos)
            << label << run.output;
        if (fsck.empty())
            continue;
        std::string partition = testHostFolder() + "/partition.img";
        ASSERT_TRUE(extractPartition(testHostFolder() + "/drive/disks/disk1.img", partition));
        ProgramRun check = runProgram(fsck, {"-n", partition});
        EXPECT_EQ(check.exitCode, 0) << label << "\n" << check.output << check.errors;
    }
}

// A disk write protected with a password from the Protect Setting dialog
// refuses a Simple Format in the Format dialog, which stays open.
TEST(FormatProgram, SimpleFormatOfAPasswordProtectedDiskIsRefused)
{
    ProgramRun run = runScript("command 1025\nclick 1019\nanswer yes\ntype 1027 Quib2024\ntype 1022 Quib2024\n"
                               "click 1\nanswer ok\nclick 1023\nclick 1\nanswer yes\nanswer ok\nclick 2\nclick 2\n",
                               english());
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_NE(run.output.find("message 0x10 \"Error\" \"This Disk is Write Protected with Password.\\r\\n"
                              "You cannot format this by Simple Format.\"\nanswer ok\ndialog close 128\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("dialog open 133"), std::string::npos);
}

// The code page goes with the language for the whole run: a Japanese label
// of seven double-byte characters (14 bytes) is cut to the five that fit
// whole into 11 bytes, and a second OK writes those.
TEST(FormatProgram, JapaneseLabelIsCutAtAWholeCharacter)
{
    ProgramOptions japanese;
    japanese.environment = {"QUIB_LANGID=1041"};
    ProgramRun run = runScript("click 1023\ntype 1039 ディスクラベル\nclick 1\ndump\nclick 1\nanswer yes\nclick 1\n"
                               "click 2\nclick 1024\ndump\nclick 2\nclick 2\n",
                               japanese);
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;
    EXPECT_NE(run.output.find("control 1039 edit \"ディスクラ\" enabled"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("control 1031 edit \"[ディスクラ ]\" enabled"), std::string::npos) << run.output;
}

TEST(FormatProgram, LongFormatShowsTheDrivesRisingProgress)
{
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "2"}).exitCode, 0);
    ProgramRun run = runScript("click 1023\nclick 1038\nclick 1\nanswer yes\nclick 1\nclick 2\nclick 2\n", english());
    ASSERT_EQ(run.exitCode, 1) << run.output << run.errors;

    std::vector<int> shown = format_test::shownPercentages(run.output);
    ASSERT_GE(shown.size(), 4u) << run.output;
    EXPECT_EQ(shown.front(), 0);
    EXPECT_EQ(shown.back(), 100);
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_GT(shown[i], shown[i - 1]) << run.output;
    // Some percentages between the start and the drive's end.
    EXPECT_GT(shown[1], 0);
    EXPECT_LT(shown[1], 99);
    EXPECT_NE(run.output.find("text 1046 \"Format Completed.\""), std::string::npos) << run.output;
}

struct DriveChange {
    const char* name;
    std::vector<std::vector<std::string>> commands; // quibdrive commands, in order
    const char* diskAfter;                           // the disk the drive holds at the end
};

class LongFormatCutShort : public testing::TestWithParam<DriveChange> {};

// The drive's format is cut short once it runs: the run fails, and no file
// system is written, neither onto a swapped-in disk nor onto the erased one.
TEST_P(LongFormatCutShort, FailsAndWritesNoFileSystem)
{
    std::string quibdrive = builtProgram("quibdrive");
    ASSERT_EQ(runProgram(quibdrive, {"format-time", "20"}).exitCode, 0);
    ASSERT_EQ(runProgram(quibdrive, {"create", "disk2"}).exitCode, 0);

    std::thread person([&] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (runProgram(quibdrive, {"status"}).output.find("Low-level format: running") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::this_thread::sleep_for(std::chrono::milliseconds(600)); // a poll or two in
        for (const std::vector<std::string>& command : GetParam().commands)
            runProgram(quibdrive, command);
    });
    ProgramRun run =
        runScript("click 1023\nclick 1038\nclick 1\nanswer yes\nclick 1\nanswer ok\nclick 2\nclick 2\n", english());
    person.join();

    EXPECT_NE(run.output.find("message 0x10 \"Format Status\" \"Format Failed.\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("text 1041 \"Un formatted\""), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Format Completed."), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("100% Complete"), std::string::npos) << run.output;
    for (const char* disk : {"disk1", "disk2"}) {
        std::ifstream image(testHostFolder() + "/drive/disks/" + disk + ".img", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(image)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes.find_first_not_of('\0'), std::string::npos) << disk << " holds a file system";
    }
    EXPECT_NE(runProgram(quibdrive, {"status"}).output.find(std::string("Disk:             ") + GetParam().diskAfter),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LongFormatCutShort,
    testing::Values(DriveChange{"BySwappingTheDisk", {{"eject"}, {"insert", "disk2"}}, "disk2"},
                    DriveChange{"ByReinsertingTheDisk", {{"eject"}, {"insert", "disk1"}}, "disk1"},
                    DriveChange{"ByUnplugAndPlug", {{"unplug"}, {"plug"}}, "disk1"}),
    [](const testing::TestParamInfo<DriveChange>& info) { return std::string(info.param.name); });

} // namespace
