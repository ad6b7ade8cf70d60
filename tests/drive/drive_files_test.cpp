// The drive's own files in the host folder: links planted in the place of
// what the drive writes are never written through, a drive folder that
// others could change is refused with the reason, and numbers in a damaged
// state file are range-checked so the drive stays sane.
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string drivePath(const std::string& name) { return testHostFolder() + "/drive/" + name; }

std::string contentOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A file outside the drive that a planted link points at.
std::string victim()
{
    std::string path = testHostFolder() + "/victim";
    std::ofstream(path) << "precious\n";
    return path;
}

struct PlantedLink {
    const char* name;
    const char* link;                   // under drive/
    std::vector<std::string> command;   // a quibdrive command that writes there
};

const PlantedLink plantedLinks[] = {
    {"StateTemporary", "state.new", {"format-time", "3"}},
    {"ProtectionTemporary", "disks/disk2.protection.new", {"create", "disk2"}},
    {"NewDiskImage", "disks/disk2.img", {"create", "disk2"}},
};

class PlantedLinks : public testing::TestWithParam<PlantedLink> {};

TEST_P(PlantedLinks, AreNeverWrittenThrough)
{
    ASSERT_EQ(quibdrive({"status"}).exitCode, 0); // the drive's folders exist
    std::string target = victim();
    std::string link = drivePath(GetParam().link);
    std::remove(link.c_str());
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

    quibdrive(GetParam().command);
    EXPECT_EQ(contentOf(target), "precious\n");
}

INSTANTIATE_TEST_SUITE_P(Table, PlantedLinks, testing::ValuesIn(plantedLinks),
                         [](const testing::TestParamInfo<PlantedLink>& info) { return std::string(info.param.name); });

// A dangling lock link would otherwise create its target.
TEST(PlantedLinks, ADanglingLockLinkCreatesNothing)
{
    ASSERT_EQ(quibdrive({"status"}).exitCode, 0);
    std::string target = testHostFolder() + "/created";
    std::remove(drivePath("lock").c_str());
    ASSERT_EQ(symlink(target.c_str(), drivePath("lock").c_str()), 0);
    ProgramRun run = quibdrive({"status"});
    EXPECT_NE(run.errors.find("is not a plain file"), std::string::npos) << run.errors;
    struct stat info;
    EXPECT_NE(lstat(target.c_str(), &info), 0);
}

// A disk image that is a link to another file is no disk: it cannot be
// inserted, and a disk whose image became a link has left the drive.
TEST(PlantedLinks, ADiskImageThatIsALinkIsNoDisk)
{
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    std::string target = victim();
    ASSERT_EQ(symlink(target.c_str(), drivePath("disks/linked.img").c_str()), 0);
    std::ofstream(drivePath("disks/linked.protection")) << "state 0\n";
    EXPECT_NE(quibdrive({"insert", "linked"}).exitCode, 0);

    // disk1's image replaced by a link while it is in the slot.
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    ASSERT_EQ(std::remove(drivePath("disks/disk1.img").c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), drivePath("disks/disk1.img").c_str()), 0);
    std::uint8_t sector[512] = {0xEB, 0x3C, 0x90};
    DriveAnswer write = writeBlock(0, sector);
    EXPECT_EQ(write.status, 2u);
    EXPECT_EQ(write.senseCode, 0x3A);
    EXPECT_EQ(contentOf(target), "precious\n");
}

struct ForeignFolder {
    const char* name;
    const char* folder; // under the host folder
    mode_t mode;
    bool otherOwner;
    const char* why;    // part of quibdrive's message
};

const ForeignFolder foreignFolders[] = {
    {"DriveWritableByOthers", "drive", 0777, false, "others may write"},
    {"DriveWritableByTheGroup", "drive", 0770, false, "others may write"},
    {"DisksWritableByOthers", "drive/disks", 0703, false, "others may write"},
    {"DriveOfAnotherUser", "drive", 0700, true, "belongs to another user"},
};

class ForeignFolders : public testing::TestWithParam<ForeignFolder> {};

TEST_P(ForeignFolders, AreRefusedWithTheReason)
{
    const ForeignFolder& c = GetParam();
    ASSERT_EQ(quibdrive({"status"}).exitCode, 0);
    std::string folder = testHostFolder() + "/" + c.folder;
    if (c.otherOwner) {
        if (geteuid() != 0)
            GTEST_SKIP() << "only root can give a folder to another user";
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(folder.c_str(), c.mode), 0);

    ProgramRun run = quibdrive({"status"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find(folder), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find(c.why), std::string::npos) << run.errors;
    // The driver refuses every request as well.
    EXPECT_EQ(testUnitReady().status, 14u);
}

INSTANTIATE_TEST_SUITE_P(Table, ForeignFolders, testing::ValuesIn(foreignFolders),
                         [](const testing::TestParamInfo<ForeignFolder>& info) { return std::string(info.param.name); });

std::string now()
{
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count());
}

struct DamagedState {
    const char* name;
    std::string (*lines)(); // in place of the format lines of a running format
};

const DamagedState damagedStates[] = {
    {"StartAtTheLowestNumber",
     [] { return std::string("format-start-ms -9223372036854775808\nformat-duration-ms 2000\n"); }},
    {"StartBefore1970", [] { return std::string("format-start-ms -5\nformat-duration-ms 2000\n"); }},
    {"StartFarInTheFuture",
     [] { return std::string("format-start-ms 9223372036854775807\nformat-duration-ms 2000\n"); }},
    {"DurationBeyondTheLimit", [] { return "format-start-ms " + now() + "\nformat-duration-ms 4294967295\n"; }},
};

class DamagedStateFile : public testing::TestWithParam<DamagedState> {};

// Whatever the numbers, the format ends within the longest format time
// (here within a few seconds) and the drive answers again.
TEST_P(DamagedStateFile, LeavesASaneDriveWhoseFormatEnds)
{
    ASSERT_EQ(quibdrive({"format-time", "600"}).exitCode, 0);
    ASSERT_EQ(formatUnit().status, 0u);
    std::string state = contentOf(drivePath("state"));
    std::string kept;
    std::istringstream lines(state);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("format-start-ms ", 0) != 0 && line.rfind("format-duration-ms ", 0) != 0)
            kept += line + "\n";
    std::ofstream(drivePath("state"), std::ios::trunc) << kept << GetParam().lines();
    startAsANewProgram(); // a state file edited by hand is read when a program starts

    bool ready = false;
    for (int i = 0; i < 40 && !ready; ++i) {
        ready = testUnitReady().status == 0;
        if (!ready)
            usleep(100000);
    }
    EXPECT_TRUE(ready) << "the format never ended";
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    EXPECT_EQ(sense[15], 0);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedStateFile, testing::ValuesIn(damagedStates),
                         [](const testing::TestParamInfo<DamagedState>& info) { return std::string(info.param.name); });

TEST(DamagedStateFile, AFormatTimeBeyondTheLimitReadsAsTheDefault)
{
    ASSERT_EQ(quibdrive({"status"}).exitCode, 0);
    std::string state = contentOf(drivePath("state"));
    std::string::size_type at = state.find("format-time-ms ");
    ASSERT_NE(at, std::string::npos);
    state.replace(at, state.find('\n', at) - at, "format-time-ms 4000000000");
    std::ofstream(drivePath("state"), std::ios::trunc) << state;
    EXPECT_NE(quibdrive({"status"}).output.find("takes 30 s"), std::string::npos);
}

} // namespace
