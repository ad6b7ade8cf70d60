// A request on a drive that nobody changed reads no file, makes no folder
// and opens nothing: the drive keeps what it read and only looks whether it
// is still so. Every change made between two requests (by quibdrive, or by
// hand in the host folder) is still seen by the next request.
#include "drive/drive_files.h"
#include "drive/drive_state.h"
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The quick format's count of WRITE(10) requests.
constexpr int quickFormatWrites = 219;

std::string drivePath(const std::string& name) { return testHostFolder() + "/drive/" + name; }

// Sets the drive up and takes the report of the first disk, so the next
// requests run on the steady path.
void warmUp()
{
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    std::uint8_t sector[512] = {};
    ASSERT_EQ(writeBlock(0, sector).status, 0u);
}

TEST(UnchangedDrive, CostsTheWritesOfAQuickFormatNoFileWork)
{
    warmUp();
    DriveFileCounts before = driveFileCounts();
    std::uint8_t sector[512];
    for (int i = 0; i < quickFormatWrites; ++i) {
        std::fill(sector, sector + 512, std::uint8_t(i));
        ASSERT_EQ(writeBlock(std::uint32_t(i), sector).status, 0u) << "write " << i;
    }
    ASSERT_EQ(readBlock(quickFormatWrites - 1, sector).status, 0u);
    EXPECT_EQ(sector[0], std::uint8_t(quickFormatWrites - 1));
    ASSERT_EQ(testUnitReady().status, 0u);

    DriveFileCounts after = driveFileCounts();
    EXPECT_EQ(after.folderSetups - before.folderSetups, 0u) << "folders checked in full again";
    EXPECT_EQ(after.fileReads - before.fileReads, 0u) << "state or protection read again";
    EXPECT_EQ(after.fileOpens - before.fileOpens, 0u) << "lock, state, record or image opened again";
    EXPECT_EQ(after.fileReplacements - before.fileReplacements, 0u) << "unchanged state written";
}

// The same counters move when there is something to read: the count above
// is not stuck at zero.
TEST(UnchangedDrive, AChangeByQuibdriveIsReadOnce)
{
    warmUp();
    ASSERT_EQ(quibdrive({"format-time", "7"}).exitCode, 0);
    DriveFileCounts before = driveFileCounts();
    ASSERT_EQ(testUnitReady().status, 0u);
    ASSERT_EQ(testUnitReady().status, 0u);
    EXPECT_EQ(driveFileCounts().fileReads - before.fileReads, 1u);
}

// Only what a power loss clears anyway may be saved without flushing the
// rename; everything else must outlive a crash.
TEST(PoweredState, IsOnlyWhatAPowerLossClears)
{
    using Change = void (*)(DriveState&);
    const std::pair<Change, bool> cases[] = {
        {[](DriveState& s) { s.protectionMode = !s.protectionMode; }, true},
        {[](DriveState& s) { s.mediumChanged = !s.mediumChanged; }, true},
        {[](DriveState& s) { s.pendingSense = SenseData{0x70}; }, true},
        {[](DriveState& s) { s.plugged = !s.plugged; }, false},
        {[](DriveState& s) { s.disk = "disk2"; }, false},
        {[](DriveState& s) { s.formatTimeMs = 3000; }, false},
        {[](DriveState& s) { s.formatting = true; }, false},
        {[](DriveState& s) { s.formatStartMs = 1; }, false},
        {[](DriveState& s) { s.formatDurationMs = 1; }, false},
        {[](DriveState& s) { s.mountFolder = "Storage Card3"; }, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        DriveState before, after;
        before.disk = "disk1";
        after = before;
        cases[i].first(after);
        EXPECT_EQ(differsOnlyInPoweredState(before, after), cases[i].second) << "case " << i;
    }
}

struct ChangeCase {
    const char* name;
    void (*change)();
    std::uint32_t status;   // of the next write
    std::uint8_t senseCode; // when the status is 2
};

// The byte at block 1 of an image under drive/, or -1 when there is none.
int markOf(const std::string& image)
{
    std::ifstream file(drivePath(image), std::ios::binary);
    char byte = 0;
    return file.seekg(512) && file.read(&byte, 1) ? static_cast<unsigned char>(byte) : -1;
}

void run(const std::vector<std::string>& arguments) { ASSERT_EQ(quibdrive(arguments).exitCode, 0); }

// The state file reads back as written, and a sense line that is not
// exactly 18 two-digit hexadecimal numbers is passed over.
TEST(StateFile, ReadsBackWhatWasWrittenAndPassesOverABadSense)
{
    DriveState written;
    written.disk = "disk2";
    written.protectionMode = true;
    written.formatStartMs = 1234;
    written.mountFolder = "Storage Card2";
    written.pendingSense = SenseData{0x70, 0, 6, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x28, 0, 0, 0, 0, 0xFF};
    written.generation = 77;
    std::string path = testHostFolder() + "/state-copy";
    ASSERT_TRUE(saveDriveState(path, written));
    EXPECT_EQ(loadDriveState(path), written);

    const std::string good = "70 00 06 00 00 00 00 0a 00 00 00 00 28 00 00 00 00 ff";
    const std::pair<std::string, bool> senses[] = {
        {good, true},
        {"  " + good + "\t", true},
        {good + " 00", false},          // 19 numbers
        {good.substr(0, good.size() - 3), false}, // 17
        {"7 " + good.substr(3), false},  // one digit
        {"g0" + good.substr(2), false},  // not hexadecimal
        {"+7" + good.substr(2), false},
    };
    for (const auto& [line, read] : senses) {
        DriveState state = parseDriveState("sense " + line + "\n");
        EXPECT_EQ(state.pendingSense.has_value(), read) << line;
        if (read) {
            EXPECT_EQ(state.pendingSense, written.pendingSense) << line;
        }
    }
    // The last line needs no line end; lines that cannot be understood are
    // passed over.
    DriveState last = parseDriveState("plugged no\nnonsense\n#disk x\ndisk disk3");
    EXPECT_FALSE(last.plugged);
    EXPECT_EQ(last.disk, "disk3");
}

// The tool switches the protection mode on and off around every status
// query: that must cost no file written and no flush, and still be seen by
// quibdrive at once.
TEST(PoweredState, SwitchingTheProtectionModeWritesNoFile)
{
    warmUp();
    DriveFileCounts before = driveFileCounts();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(switchProtectionMode(true).status, 0u);
        ASSERT_EQ(switchProtectionMode(false).status, 0u);
    }
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    DriveFileCounts after = driveFileCounts();
    EXPECT_EQ(after.fileReplacements - before.fileReplacements, 0u);
    EXPECT_EQ(after.fileReads - before.fileReads, 0u);
    ProgramRun run = quibdrive({"status"});
    EXPECT_NE(run.output.find("Protection mode:  on\n"), std::string::npos) << run.output;
}

// The powered fields live at the start of the lock file. One that a crash
// tore, or that belongs to an earlier state file, must never be believed:
// the drive then reads as just powered on (protection mode off, the disk
// reported as possibly changed).
struct RecordCase {
    const char* name;
    void (*damage)();
    bool poweredOn; // expected to read as a drive just powered on
};

void patchLock(std::streamoff at, const std::string& bytes)
{
    std::fstream lock(drivePath("lock"), std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(lock.seekp(at) && lock.write(bytes.data(), std::streamsize(bytes.size())));
}

const RecordCase recordCases[] = {
    {"Untouched", [] {}, false},
    {"TornInTheMiddle", [] { patchLock(16, std::string(1, '\0')); }, true}, // the mode byte, without its checksum
    {"Zeroed", [] { patchLock(0, std::string(48, '\0')); }, true},
    {"OfAnEarlierStateFile",
     [] {
         ASSERT_EQ(system(("cp -p '" + drivePath("state") + "' '" + drivePath("old-state") + "'").c_str()), 0);
         run({"format-time", "7"});
         ASSERT_EQ(std::rename(drivePath("old-state").c_str(), drivePath("state").c_str()), 0);
     },
     true},
};

class PoweredRecord : public testing::TestWithParam<RecordCase> {};

TEST_P(PoweredRecord, IsBelievedOnlyWhenWholeAndOfThisStateFile)
{
    const RecordCase& c = GetParam();
    warmUp();
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    c.damage();
    if (HasFatalFailure())
        return;
    DriveAnswer next = testUnitReady();
    EXPECT_EQ(next.status, c.poweredOn ? 2u : 0u);
    if (c.poweredOn) {
        EXPECT_EQ(next.senseCode, 0x28);
    }
    ProgramRun run = quibdrive({"status"});
    EXPECT_NE(run.output.find(c.poweredOn ? "Protection mode:  off\n" : "Protection mode:  on\n"), std::string::npos)
        << run.output;
}

INSTANTIATE_TEST_SUITE_P(Table, PoweredRecord, testing::ValuesIn(recordCases),
                         [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

const ChangeCase changeCases[] = {
    {"EjectByQuibdrive", [] { run({"eject"}); }, 2, 0x3A},
    {"UnplugByQuibdrive", [] { run({"unplug"}); }, 5, 0},
    {"ReinsertByQuibdrive", [] { run({"eject"}); run({"insert", "disk1"}); }, 2, 0x28},
    {"UnplugAndPlugByQuibdrive", [] { run({"unplug"}); run({"plug"}); }, 2, 0x28},
    {"ProtectionRecordRemoved", [] { ASSERT_EQ(std::remove(drivePath("disks/disk1.protection").c_str()), 0); }, 2,
     0x27},
    {"ProtectionRecordRewrittenInPlace",
     [] { std::ofstream(drivePath("disks/disk1.protection"), std::ios::trunc) << "state 2\n"; }, 2, 0x27},
    {"ImageRemoved", [] { ASSERT_EQ(std::remove(drivePath("disks/disk1.img").c_str()), 0); }, 2, 0x3A},
    {"ImageReplacedByALink",
     [] {
         ASSERT_EQ(std::rename(drivePath("disks/disk1.img").c_str(), drivePath("elsewhere.img").c_str()), 0);
         ASSERT_EQ(symlink(drivePath("elsewhere.img").c_str(), drivePath("disks/disk1.img").c_str()), 0);
     },
     2, 0x3A},
    {"DisksFolderReplacedByALink",
     [] {
         ASSERT_EQ(std::rename(drivePath("disks").c_str(), drivePath("real-disks").c_str()), 0);
         ASSERT_EQ(symlink(drivePath("real-disks").c_str(), drivePath("disks").c_str()), 0);
     },
     14, 0},
    {"DriveFolderOpenedToOthers", [] { ASSERT_EQ(chmod(drivePath("").c_str(), 0777), 0); }, 14, 0},
    {"DisksFolderOpenedToTheGroup", [] { ASSERT_EQ(chmod(drivePath("disks").c_str(), 0770), 0); }, 14, 0},
    // A first use again: a plugged drive with a new blank disk, which the
    // write reaches (checked below), not the image that was removed.
    {"DriveFolderRemoved", [] { ASSERT_EQ(system(("rm -rf '" + drivePath("") + "'").c_str()), 0); }, 0, 0},
};

class ChangesBetweenRequests : public testing::TestWithParam<ChangeCase> {};

TEST_P(ChangesBetweenRequests, AreSeenByTheNextRequest)
{
    const ChangeCase& c = GetParam();
    warmUp();
    std::uint8_t before[512] = {0x5A};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(writeBlock(1, before).status, 0u);
    c.change();
    if (HasFatalFailure())
        return;

    std::uint8_t after[512] = {0xA5};
    DriveAnswer next = writeBlock(1, after);
    EXPECT_EQ(next.status, c.status);
    if (c.status == 2) {
        EXPECT_EQ(next.senseCode, c.senseCode);
    }
    if (c.status == 0) {
        EXPECT_EQ(markOf("disks/disk1.img"), 0xA5);
    }
    // Nothing reaches the image that was moved away behind a link.
    EXPECT_NE(markOf("elsewhere.img"), 0xA5);
    EXPECT_NE(markOf("real-disks/disk1.img"), 0xA5);
}

INSTANTIATE_TEST_SUITE_P(Table, ChangesBetweenRequests, testing::ValuesIn(changeCases),
                         [](const testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

} // namespace
