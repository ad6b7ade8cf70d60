// A request on a drive that nobody changed makes no system call beyond its
// own work: it reads no file, makes no folder, opens nothing and looks at
// no path. What the drive's own programs change between two requests is
// seen by the next request; what a hand changes in the drive's files is
// seen when the drive's programs next change the drive, or when a program
// starts, and never leads a write outside the disk in the slot.
#include "drive/drive_files.h"
#include "drive/drive_lock.h"
#include "drive/drive_state.h"
#include "drive/virtual_drive.h"
#include "tests/drive/drive_client.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The quick format's count of WRITE(10) requests.
constexpr int quickFormatWrites = 219;

std::string drivePath(const std::string& name) { return testHostFolder() + "/drive/" + name; }
std::string hostPath(const std::string& name) { return testHostFolder() + "/" + name; }

// Sets the drive up and takes the report of the first disk, so the next
// requests run on the steady path.
void warmUp()
{
    std::uint8_t sense[18];
    ASSERT_EQ(requestSense(sense).status, 0u);
    std::uint8_t sector[512] = {};
    ASSERT_EQ(writeBlock(0, sector).status, 0u);
}

// The quick format's writes, each sector filled with its own number.
bool writeQuickFormatSectors()
{
    std::uint8_t sector[512];
    for (int i = 0; i < quickFormatWrites; ++i) {
        std::fill(sector, sector + 512, std::uint8_t(i));
        if (writeBlock(std::uint32_t(i), sector).status != 0)
            return false;
    }
    return true;
}

// getppid marks where the counted work starts and ends: nothing on the
// drive's path calls it.
void markForTheTracer() { syscall(SYS_getppid); }

// The system calls a child process makes between its two marks, counted by
// tracing it as strace does; -1 when this machine does not allow tracing
// (an emulator, or a container that forbids ptrace), -2 when the child's
// work failed.
long systemCallsOf(bool (*work)())
{
    pid_t child = fork();
    if (child == 0) {
        // The child starts as a new program: the fork let go of what the
        // drive kept, so it sets the drive up afresh before the first mark.
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(3);
        raise(SIGSTOP);
        warmUp();
        markForTheTracer();
        bool done = work();
        markForTheTracer();
        _exit(done && !testing::Test::HasFailure() ? 0 : 4);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 3 ? -1 : -2;
    ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    long counted = 0;
    int marks = 0;
    int passOn = 0;
    for (;;) {
        if (ptrace(PTRACE_SYSCALL, child, nullptr, reinterpret_cast<void*>(long(passOn))) != 0)
            return -1;
        passOn = 0;
        if (waitpid(child, &status, 0) != child)
            return -1;
        if (WIFEXITED(status) || WIFSIGNALED(status))
            break;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            passOn = WSTOPSIG(status); // a signal of the child's own
            continue;
        }
        __ptrace_syscall_info info{};
        if (ptrace(PTRACE_GET_SYSCALL_INFO, child, reinterpret_cast<void*>(sizeof info), &info) <= 0) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        if (info.op != PTRACE_SYSCALL_INFO_ENTRY)
            continue;
        if (info.entry.nr == SYS_getppid)
            ++marks;
        else if (marks == 1)
            ++counted;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || marks != 2)
        return -2;
    return counted;
}

TEST(UnchangedDrive, AQuickFormatsWritesTakeAtMostTwoSystemCallsEach)
{
    long calls = systemCallsOf(writeQuickFormatSectors);
    if (calls == -1)
        GTEST_SKIP() << "this machine does not let a process trace another (ptrace)";
    ASSERT_GE(calls, 0) << "the writes failed in the traced child";
    std::printf("%ld system calls for %d WRITE(10) requests\n", calls, quickFormatWrites);
    EXPECT_LE(calls, 2 * quickFormatWrites);
    EXPECT_GE(calls, quickFormatWrites) << "each write is at least its pwrite";
}

TEST(UnchangedDrive, CostsTheWritesOfAQuickFormatNoFileWork)
{
    warmUp();
    DriveFileCounts before = driveFileCounts();
    ASSERT_TRUE(writeQuickFormatSectors());
    std::uint8_t sector[512];
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
// is not stuck at zero. A change by quibdrive is read by the next request,
// and only by that one.
TEST(UnchangedDrive, AChangeByQuibdriveIsReadOnce)
{
    warmUp();
    ASSERT_EQ(quibdrive({"format-time", "7"}).exitCode, 0);
    DriveFileCounts before = driveFileCounts();
    ASSERT_EQ(testUnitReady().status, 0u);
    DriveFileCounts between = driveFileCounts();
    ASSERT_EQ(testUnitReady().status, 0u);
    EXPECT_GT(between.fileReads - before.fileReads, 0u);
    EXPECT_EQ(driveFileCounts().fileReads - between.fileReads, 0u);
}

// A program that dies in the middle of a request, holding the drive's
// lock, must not leave the drive locked for every other program.
TEST(DriveLock, IsGivenUpByAProgramThatDiedHoldingIt)
{
    warmUp();
    pid_t holder = fork();
    if (holder == 0) {
        // A new program (the fork let go of what the drive kept) that
        // takes the lock and ends without giving it up.
        new DriveSession;
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(holder, &status, 0), holder);
    ASSERT_TRUE(WIFEXITED(status));

    // The next request, from another new program, within a few seconds.
    pid_t next = fork();
    if (next == 0)
        _exit(testUnitReady().status == 0 ? 0 : 1);
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
        ended = waitpid(next, &status, WNOHANG) == next;
        if (!ended)
            usleep(50000);
    }
    if (!ended) {
        kill(next, SIGKILL);
        waitpid(next, &status, 0);
    }
    ASSERT_TRUE(ended) << "the drive stayed locked by a program that had died";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // And this program's own next request too.
    EXPECT_EQ(testUnitReady().status, 0u);
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

// The byte at block 1 of an image under the host folder, or -1 when there
// is none.
int markOf(const std::string& image)
{
    std::ifstream file(hostPath(image), std::ios::binary);
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
    int folder = open(testHostFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_TRUE(saveDriveStateIn(folder, "state-copy", written));
    EXPECT_EQ(loadDriveStateIn(folder, "state-copy"), written);
    close(folder);

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
    // The mode byte, without its checksum.
    {"TornInTheMiddle", [] { patchLock(poweredRecordOffset + 16, std::string(1, '\0')); }, true},
    {"Zeroed", [] { patchLock(poweredRecordOffset, std::string(48, '\0')); }, true},
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

struct ChangeCase {
    const char* name;
    void (*change)();
    std::uint32_t status;   // of the next write
    std::uint8_t senseCode; // when the status is 2
};

// What quibdrive does, seen by the very next request.
const ChangeCase changesByTheDrive[] = {
    {"Eject", [] { run({"eject"}); }, 2, 0x3A},
    {"Unplug", [] { run({"unplug"}); }, 5, 0},
    {"Reinsert", [] { run({"eject"}); run({"insert", "disk1"}); }, 2, 0x28},
    {"UnplugAndPlug", [] { run({"unplug"}); run({"plug"}); }, 2, 0x28},
    {"EjectAndInsertAnother", [] { run({"create", "disk2"}); run({"eject"}); run({"insert", "disk2"}); }, 2, 0x28},
};

class ChangesByTheDrive : public testing::TestWithParam<ChangeCase> {};

TEST_P(ChangesByTheDrive, AreSeenByTheNextRequest)
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
    EXPECT_EQ(markOf("drive/disks/disk1.img"), 0x5A);
}

INSTANTIATE_TEST_SUITE_P(Table, ChangesByTheDrive, testing::ValuesIn(changesByTheDrive),
                         [](const testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

// A folder outside the drive holding a decoy of the same name (block 1
// marked 0x77), for links planted in the drive's place.
std::string decoyFolder(const std::string& name, const std::string& image)
{
    std::string folder = hostPath(name);
    EXPECT_EQ(system(("mkdir -p '" + folder + "/" + image.substr(0, image.rfind('/') + 1) + "'").c_str()), 0);
    std::ofstream decoy(folder + "/" + image, std::ios::binary);
    std::string bytes(1024, '\x77');
    decoy.write(bytes.data(), std::streamsize(bytes.size()));
    return folder;
}

void moveAndLink(const std::string& from, const std::string& to, const std::string& linkTarget)
{
    ASSERT_EQ(std::rename(hostPath(from).c_str(), hostPath(to).c_str()), 0);
    ASSERT_EQ(symlink(linkTarget.c_str(), hostPath(from).c_str()), 0);
}

// What a hand changes in the drive's files. The disk in the slot is the
// disk that was inserted: until the drive's programs change the drive, or
// a program starts, the next write still reaches that disk's image (kept
// open, wherever the hand moved it), and nothing reaches a file a planted
// link points at. A program that starts then sees the change.
struct HandChange {
    const char* name;
    void (*change)();
    const char* keptImage;   // where the image of the disk in the slot is now, under the host folder
    std::uint32_t status;    // of a write by a program started after the change
    std::uint8_t senseCode;  // when the status is 2
    bool seenAtInsert;       // also seen after quibdrive ejects and inserts the disk again
};

const HandChange handChanges[] = {
    {"ProtectionRecordRemoved", [] { ASSERT_EQ(std::remove(drivePath("disks/disk1.protection").c_str()), 0); },
     "drive/disks/disk1.img", 2, 0x27, true},
    {"ProtectionRecordRewrittenInPlace",
     [] { std::ofstream(drivePath("disks/disk1.protection"), std::ios::trunc) << "state 2\n"; },
     "drive/disks/disk1.img", 2, 0x27, true},
    {"ImageRemoved", [] { ASSERT_EQ(std::rename(drivePath("disks/disk1.img").c_str(), hostPath("gone.img").c_str()), 0); },
     "gone.img", 2, 0x3A, true},
    {"ImageReplacedByALink",
     [] { moveAndLink("drive/disks/disk1.img", "drive/kept.img", decoyFolder("outside", "disk1.img") + "/disk1.img"); },
     "drive/kept.img", 2, 0x3A, true},
    {"DisksFolderReplacedByALink",
     [] { moveAndLink("drive/disks", "drive/real-disks", decoyFolder("outside", "disk1.img")); },
     "drive/real-disks/disk1.img", 14, 0, false},
    {"DriveFolderReplacedByALink",
     [] { moveAndLink("drive", "real-drive", decoyFolder("outside", "disks/disk1.img")); },
     "real-drive/disks/disk1.img", 14, 0, false},
    {"DriveFolderOpenedToOthers", [] { ASSERT_EQ(chmod(drivePath("").c_str(), 0777), 0); },
     "drive/disks/disk1.img", 14, 0, false},
    {"DisksFolderOpenedToTheGroup", [] { ASSERT_EQ(chmod(drivePath("disks").c_str(), 0770), 0); },
     "drive/disks/disk1.img", 14, 0, false},
    // A program starting then finds a first use again: a plugged drive with
    // a new blank disk, which its write reaches.
    {"DriveFolderRemoved", [] { ASSERT_EQ(std::rename(drivePath("").c_str(), hostPath("removed-drive").c_str()), 0); },
     "removed-drive/disks/disk1.img", 0, 0, false},
};

class ChangesByHand : public testing::TestWithParam<HandChange> {};

TEST_P(ChangesByHand, KeepTheDiskInTheSlotUntilAProgramStarts)
{
    const HandChange& c = GetParam();
    warmUp();
    std::uint8_t before[512] = {0x5A};
    ASSERT_EQ(writeBlock(1, before).status, 0u);
    c.change();
    if (HasFatalFailure())
        return;

    std::uint8_t after[512] = {0xA5};
    EXPECT_EQ(writeBlock(1, after).status, 0u) << "the disk in the slot left it without an eject";
    EXPECT_EQ(markOf(c.keptImage), 0xA5) << "the write did not reach the disk that was inserted";
    EXPECT_NE(markOf("outside/disk1.img"), 0xA5) << "written through a planted link";
    EXPECT_NE(markOf("outside/disks/disk1.img"), 0xA5) << "written through a planted link";

    if (c.seenAtInsert) {
        quibdrive({"eject"});
        quibdrive({"insert", "disk1"});
        DriveAnswer attention = testUnitReady(); // takes the report of the insert, if any
        std::uint8_t sector[512] = {0x3C};
        DriveAnswer next = writeBlock(1, sector);
        EXPECT_EQ(next.status, c.status) << "after eject and insert";
        EXPECT_EQ(next.senseCode, c.senseCode) << "after eject and insert (" << int(attention.senseCode) << " first)";
    }

    startAsANewProgram();
    std::uint8_t fresh[512] = {0xC3};
    DriveAnswer next = writeBlock(1, fresh);
    if (next.status == 2 && next.senseCode == 0x28)
        next = writeBlock(1, fresh); // an insert's report, taken
    EXPECT_EQ(next.status, c.status) << "in a program started after the change";
    if (c.status == 2) {
        EXPECT_EQ(next.senseCode, c.senseCode);
    }
    if (c.status == 0) {
        EXPECT_EQ(markOf("drive/disks/disk1.img"), 0xC3);
    }
    EXPECT_NE(markOf(c.keptImage), 0xC3) << "a program started after the change wrote to the old disk";
    EXPECT_NE(markOf("outside/disk1.img"), 0xC3);
    EXPECT_NE(markOf("outside/disks/disk1.img"), 0xC3);
}

INSTANTIATE_TEST_SUITE_P(Table, ChangesByHand, testing::ValuesIn(handChanges),
                         [](const testing::TestParamInfo<HandChange>& info) { return std::string(info.param.name); });

} // namespace
