// An attacker who swaps the drive's folders for links while the tool
// formats: drive/disks, or drive/ itself, is exchanged again and again
// (renameat2 with RENAME_EXCHANGE) with a link to a folder outside the
// drive that holds files of the same names. The drive reaches its files
// only through the folders it checked and holds open, so nothing outside
// is ever written, and a format the tool reports completed wrote the whole
// file system onto the disk in the slot.
#include "tests/support/host_folder_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string hostPath(const std::string& name) { return testHostFolder() + "/" + name; }

std::string contentOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every file under folder with its content, to see that nothing changed.
std::map<std::string, std::string> snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string()] = contentOf(entry.path().string());
    return files;
}

// Exchanges two names of one folder, over and over at random moments,
// until stopped; an even number of times, so both are back where they were.
class Swapper {
public:
    Swapper(int folder, std::string a, std::string b, unsigned seed)
        : thread([this, folder, a, b, seed] {
              std::mt19937 random(seed);
              bool swapped = false;
              while (!stop || swapped) {
                  if (renameat2(folder, a.c_str(), folder, b.c_str(), RENAME_EXCHANGE) == 0)
                      swapped = !swapped;
                  std::this_thread::sleep_for(std::chrono::microseconds(random() % 1500));
              }
          })
    {
    }
    ~Swapper()
    {
        stop = true;
        thread.join();
    }

private:
    std::atomic<bool> stop{false};
    std::thread thread;
};

// The file system of partition slot 4 of the image passes fsck.fat and
// carries the label.
::testing::AssertionResult holdsFileSystem(const std::string& image, const std::string& label)
{
    std::string disk = contentOf(image);
    if (disk.size() < 512)
        return ::testing::AssertionFailure() << "no image";
    auto little32 = [&](std::size_t at) {
        return std::uint32_t(std::uint8_t(disk[at])) | std::uint32_t(std::uint8_t(disk[at + 1])) << 8 |
               std::uint32_t(std::uint8_t(disk[at + 2])) << 16 | std::uint32_t(std::uint8_t(disk[at + 3])) << 24;
    };
    std::size_t start = std::size_t(little32(0x1EE + 8)) * 512, count = std::size_t(little32(0x1EE + 12)) * 512;
    if (count == 0 || start + count > disk.size())
        return ::testing::AssertionFailure() << "no partition in slot 4";
    if (disk.compare(start + 43, label.size(), label) != 0)
        return ::testing::AssertionFailure() << "the boot sector does not carry the label " << label;
    std::string partition = hostPath("partition.img");
    std::ofstream(partition, std::ios::binary).write(disk.data() + start, std::streamsize(count));
    for (const char* fsck : {"/usr/sbin/fsck.fat", "/sbin/fsck.fat"}) {
        if (access(fsck, X_OK) != 0)
            continue;
        ProgramRun check = runProgram(fsck, {"-n", partition});
        if (check.exitCode != 0)
            return ::testing::AssertionFailure() << "fsck.fat: " << check.output;
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "fsck.fat (dosfstools) is not installed";
}

struct Attack {
    const char* name;
    const char* swapped;  // the drive's folder exchanged, under the host folder
    const char* decoy;    // what the link points at: its copy of the drive's files
    int simpleRounds, longRounds;
};

class SwappedFolders : public testing::TestWithParam<Attack> {};

TEST_P(SwappedFolders, NeverLeadAWriteOutsideTheDrive)
{
    const Attack& attack = GetParam();
    ASSERT_EQ(runProgram(builtProgram("quibdrive"), {"format-time", "0.2"}).exitCode, 0);
    // The decoy: a copy of the drive's files as they are, outside the drive.
    std::string decoy = hostPath(attack.decoy);
    fs::copy(hostPath(attack.swapped), decoy, fs::copy_options::recursive);
    std::map<std::string, std::string> before = snapshot(decoy);
    std::string swapped = hostPath(attack.swapped);
    std::string link = swapped + "-link";
    ASSERT_EQ(symlink(decoy.c_str(), link.c_str()), 0);
    std::string parent = fs::path(swapped).parent_path().string();
    int parentFd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(parentFd, 0);

    int completed = 0, rounds = attack.simpleRounds + attack.longRounds;
    for (int round = 0; round < rounds; ++round) {
        char label[16];
        std::snprintf(label, sizeof label, "RACE%04d", round);
        std::vector<std::string> arguments = {"format", "--yes", "--label", label};
        if (round >= attack.simpleRounds)
            arguments.push_back("--long");
        ProgramRun run;
        {
            Swapper swapper(parentFd, fs::path(swapped).filename().string(), fs::path(link).filename().string(),
                            unsigned(round));
            run = runProgram(builtProgram("quibtools"), arguments);
        }
        ASSERT_TRUE(fs::is_directory(fs::symlink_status(swapped))) << "the swapper left the link in place";
        EXPECT_EQ(snapshot(decoy), before) << "round " << round << " wrote outside the drive";
        if (run.output.find("Format Completed.") != std::string::npos) {
            ++completed;
            EXPECT_TRUE(holdsFileSystem(hostPath("drive/disks/disk1.img"), label)) << "round " << round;
        }
    }
    close(parentFd);
    std::printf("%d of %d formats completed while %s was swapped\n", completed, rounds, attack.swapped);
}

const Attack attacks[] = {
    {"DisksFolder", "drive/disks", "outside-disks", 100, 8},
    {"DriveFolder", "drive", "outside-drive", 100, 8},
};

INSTANTIATE_TEST_SUITE_P(Table, SwappedFolders, testing::ValuesIn(attacks),
                         [](const testing::TestParamInfo<Attack>& info) { return std::string(info.param.name); });

} // namespace
