// quibdrive as a person uses it, and the drive shared between processes:
// what quibdrive does between two requests of another process shows in the
// second request.
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <thread>

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Quibdrive, StatusOnAFreshHostFolderShowsAPluggedDriveWithABlankDisk)
{
    ProgramRun run = quibdrive({"status"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(contains(run.output, "Drive:            plugged\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "Disk:             disk1\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "Protection:       0 (not protected)\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "Protection mode:  off\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "Low-level format: not running (takes 30 s)\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "Mount folder:     Storage Card\n")) << run.output;

    // The blank disk: the full size, taking no room until written.
    struct stat image;
    ASSERT_EQ(stat((testHostFolder() + "/drive/disks/disk1.img").c_str(), &image), 0);
    EXPECT_EQ(image.st_size, 78848LL * 512);
    EXPECT_LT(image.st_blocks * 512LL, 1024LL * 1024);
}

TEST(Quibdrive, StatusShowsWhatTheDriverDid)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendProtection(3, "pw").status, 0u);
    ProgramRun run = quibdrive({"status"});
    EXPECT_TRUE(contains(run.output, "Protection:       3 (write protected with password)\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "Protection mode:  on\n")) << run.output;
}

struct Refusal {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode; // 2 a wrong command line, 1 a refused command
    const char* why; // part of the message on standard error
};

const Refusal refusals[] = {
    {"NoCommand", {}, 2, "a command is needed"},
    {"UnknownCommand", {"spin"}, 2, "unknown command 'spin'"},
    {"UnknownOption", {"--spin"}, 2, "unknown option '--spin'"},
    {"MissingArgument", {"insert"}, 2, "insert needs one argument"},
    {"ExtraArgument", {"eject", "now"}, 2, "eject takes no argument"},
    {"InsertIntoAFullSlot", {"insert", "disk1"}, 1, "disk disk1 is in the slot; eject it first"},
    {"CreateAnExistingDisk", {"create", "disk1"}, 1, "a disk named 'disk1' exists already"},
    {"CreateOutsideTheDisksFolder", {"create", "../escape"}, 1, "is not a disk name"},
    {"CreateAHiddenName", {"create", ".hidden"}, 1, "is not a disk name"},
    {"FormatTimeNegative", {"format-time", "-1"}, 1, "is not a time in seconds"},
    {"FormatTimeNotANumber", {"format-time", "soon"}, 1, "is not a time in seconds"},
    {"FormatTimeTooLong", {"format-time", "90000"}, 1, "is not a time in seconds"},
    // The tool gives a format 30 minutes; the drive's must end well within them.
    {"FormatTimeBeyondWhatTheToolWaits", {"format-time", "1500.5"}, 1, "from 0 to 1500"},
};

class QuibdriveRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(QuibdriveRefuses, WithAMessageAndItsExitStatus)
{
    const Refusal& r = GetParam();
    ProgramRun run = quibdrive(r.arguments);
    EXPECT_EQ(run.exitCode, r.exitCode);
    EXPECT_TRUE(contains(run.errors, r.why)) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(Table, QuibdriveRefuses, testing::ValuesIn(refusals),
                         [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(Quibdrive, RefusesToEjectFromAnEmptySlotOrInsertAMissingDisk)
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ProgramRun again = quibdrive({"eject"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(contains(again.errors, "the slot is empty")) << again.errors;
    ProgramRun missing = quibdrive({"insert", "nosuchdisk"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(contains(missing.errors, "quibdrive create nosuchdisk")) << missing.errors;
}

TEST(Quibdrive, HelpNamesEveryCommand)
{
    ProgramRun run = quibdrive({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : {"status", "disks", "create NAME", "insert NAME", "eject", "plug", "unplug",
                                "format-time SECONDS"})
        EXPECT_TRUE(contains(run.output, command)) << command;
}

TEST(Quibdrive, SwapsDisksAndListsThem)
{
    ASSERT_EQ(quibdrive({"create", "photos"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "photos"}).exitCode, 0);
    EXPECT_TRUE(contains(quibdrive({"status"}).output, "Disk:             photos\n"));
    ProgramRun list = quibdrive({"disks"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.output, "disk1  not protected\nphotos (in the slot)  not protected\n");
}

TEST(TwoProcesses, AnEjectBetweenTwoRequestsShowsInTheSecond)
{
    EXPECT_EQ(testUnitReady().status, 0u);
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    DriveAnswer afterEject = testUnitReady();
    EXPECT_EQ(afterEject.status, 2u);
    EXPECT_EQ(afterEject.senseCode, 0x3A);

    ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0);
    EXPECT_EQ(testUnitReady().status, 5u);
    ASSERT_EQ(quibdrive({"plug"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    EXPECT_EQ(testUnitReady().senseCode, 0x28);
    EXPECT_EQ(testUnitReady().status, 0u);
}

// quibdrive swaps the disk over and over while this process keeps sending
// requests: every change of either side survives (an insert or eject that
// a request overwrote would make the next quibdrive command fail).
TEST(TwoProcesses, NoChangeIsLostWhenBothWorkAtOnce)
{
    ASSERT_EQ(testUnitReady().status, 0u);
    std::vector<int> exitCodes;
    std::atomic<bool> done{false};
    std::thread person([&] {
        for (int i = 0; i < 8; ++i) {
            exitCodes.push_back(quibdrive({"eject"}).exitCode);
            exitCodes.push_back(quibdrive({"insert", "disk1"}).exitCode);
        }
        exitCodes.push_back(quibdrive({"eject"}).exitCode);
        done = true;
    });
    int requests = 0;
    while (!done) {
        DriveAnswer a = testUnitReady();
        EXPECT_TRUE(a.status == 0 || (a.status == 2 && (a.senseCode == 0x3A || a.senseCode == 0x28)))
            << a.status << " " << int(a.senseCode);
        std::uint8_t sense[18];
        requestSense(sense);
        ++requests;
    }
    person.join();
    EXPECT_EQ(exitCodes, std::vector<int>(17, 0));
    EXPECT_GT(requests, 0);
    EXPECT_EQ(testUnitReady().senseCode, 0x3A);
    EXPECT_TRUE(contains(quibdrive({"status"}).output, "Disk:             none"));
}

} // namespace

namespace {

TEST(Quibdrive, AcceptsTheLongestFormatTime)
{
    ProgramRun run = quibdrive({"format-time", "1500"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(quibdrive({"status"}).output.find("takes 1500 s"), std::string::npos);
}

} // namespace
