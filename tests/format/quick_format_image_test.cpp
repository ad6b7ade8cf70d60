// The image that quickFormat writes, checked by the host's own disk tools:
// the 219 written sectors are laid into a 78848-sector image file in the
// test's host folder, and sfdisk, fsck.fat and mtools look at it.
#include "tests/format/quick_format_fixture.h"
#include "tests/support/host_folder_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace quick_format_test {
namespace {

constexpr std::uint64_t diskSectors = 78848;
constexpr std::uint64_t partitionStart = 32;
constexpr std::uint64_t partitionSectors = 78816;

// The tool's full path, looked up on PATH and in the system folders that a
// user's PATH may leave out; empty when it is not installed.
std::string toolPath(const std::string& name)
{
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        std::filesystem::path candidate = std::filesystem::path(path.substr(start, end - start)) / name;
        std::error_code ignored;
        if (end > start && std::filesystem::is_regular_file(candidate, ignored))
            return candidate.string();
        start = end + 1;
    }
    return {};
}

struct Outcome {
    int status;
    std::string output;   // standard output and standard error
};

Outcome run(const std::string& command)
{
    Outcome outcome{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return outcome;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        outcome.output.append(chunk, n);
    int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string shellQuoted(const std::string& path) { return "'" + path + "'"; }

class WrittenImage : public QuickFormatRun {
protected:
    void SetUp() override
    {
        QuickFormatRun::SetUp();
        image = testHostFolder() + "/disk.img";
        partition = testHostFolder() + "/partition.img";
    }

    // Runs quickFormat and lays the written sectors into a fresh image file.
    void formatImage(const std::uint8_t label[11] = myLabel)
    {
        ASSERT_TRUE(format(0, 25700, label));
        std::vector<WrittenSector> sectors = writtenSectors();
        ASSERT_EQ(sectors.size(), 219u);
        {
            std::ofstream file(image, std::ios::binary | std::ios::trunc);
            ASSERT_TRUE(file.good());
        }
        std::filesystem::resize_file(image, diskSectors * 512);
        std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
        for (const WrittenSector& s : sectors) {
            file.seekp(std::streamoff(s.lba) * 512);
            file.write(reinterpret_cast<const char*>(s.data), 512);
        }
        ASSERT_TRUE(file.good());
    }

    // Copies the partition out of the image, as a block device of its own.
    void extractPartition()
    {
        if (toolPath("dd").empty())
            GTEST_SKIP() << "dd is not installed";
        Outcome dd = run("dd if=" + shellQuoted(image) + " of=" + shellQuoted(partition) + " bs=512 skip=" +
                         std::to_string(partitionStart) + " count=" + std::to_string(partitionSectors));
        ASSERT_EQ(dd.status, 0) << dd.output;
        ASSERT_EQ(std::filesystem::file_size(partition), partitionSectors * 512);
    }

    void expectCleanFileSystem()
    {
        std::string fsck = toolPath("fsck.fat");
        if (fsck.empty())
            GTEST_SKIP() << "fsck.fat (dosfstools) is not installed";
        extractPartition();
        if (testing::Test::IsSkipped() || testing::Test::HasFatalFailure())
            return;
        Outcome check = run(fsck + " -n " + shellQuoted(partition));
        EXPECT_EQ(check.status, 0) << check.output;
    }

    // The mtools image argument: the partition at its byte offset in the image.
    std::string mtoolsImage() const { return shellQuoted(image + "@@" + std::to_string(partitionStart * 512)); }

    static bool haveMtools()
    {
        return !toolPath("mlabel").empty() && !toolPath("minfo").empty() && !toolPath("mcopy").empty() &&
               !toolPath("mdir").empty();
    }

    std::string image;
    std::string partition;
};

TEST_F(WrittenImage, PartitionTableShowsOneActiveFat16PartitionAt32)
{
    std::string sfdisk = toolPath("sfdisk");
    if (sfdisk.empty())
        GTEST_SKIP() << "sfdisk (fdisk) is not installed";
    formatImage();
    Outcome dump = run(sfdisk + " -d " + shellQuoted(image));
    ASSERT_EQ(dump.status, 0) << dump.output;
    EXPECT_NE(dump.output.find("label: dos"), std::string::npos) << dump.output;

    std::regex entry(R"(start=\s*(\d+),\s*size=\s*(\d+),\s*type=([0-9a-fA-F]+)(,\s*bootable)?)");
    std::vector<std::smatch> partitions;
    for (auto it = std::sregex_iterator(dump.output.begin(), dump.output.end(), entry); it != std::sregex_iterator(); ++it)
        partitions.push_back(*it);
    ASSERT_EQ(partitions.size(), 1u) << dump.output;
    EXPECT_EQ(partitions[0][1].str(), "32");
    EXPECT_EQ(partitions[0][2].str(), "78816");
    EXPECT_EQ(partitions[0][3].str(), "6");
    EXPECT_TRUE(partitions[0][4].matched) << "not active:\n" << dump.output;
    // The partition sits in slot 4; slots 1 to 3 are empty.
    EXPECT_NE(dump.output.find("disk.img4 :"), std::string::npos) << dump.output;
}

TEST_F(WrittenImage, FileSystemCheckFindsNoError)
{
    formatImage();
    expectCleanFileSystem();
}

TEST_F(WrittenImage, MtoolsShowLabelAndSerialAtThePartitionsOffset)
{
    if (!haveMtools())
        GTEST_SKIP() << "mtools is not installed";
    formatImage();
    Outcome label = run(toolPath("mlabel") + " -s -i " + mtoolsImage() + " ::");
    ASSERT_EQ(label.status, 0) << label.output;
    EXPECT_NE(label.output.find("Volume label is MYLABEL"), std::string::npos) << label.output;

    Outcome info = run(toolPath("minfo") + " -i " + mtoolsImage() + " ::");
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("serial number: 15152C71"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("label=\"MYLABEL    \""), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("disk type=\"FAT16   \""), std::string::npos) << info.output;
}

TEST_F(WrittenImage, MtoolsCopyAFileOntoItAndBack)
{
    if (!haveMtools())
        GTEST_SKIP() << "mtools is not installed";
    formatImage();
    // Three clusters' worth, so that the file needs a cluster chain in both FATs.
    std::string original = testHostFolder() + "/notes.txt";
    std::string content;
    for (int i = 0; content.size() < 5000; ++i)
        content += "line " + std::to_string(i) + " of the copied file\n";
    std::ofstream(original, std::ios::binary) << content;

    Outcome copy = run(toolPath("mcopy") + " -i " + mtoolsImage() + " " + shellQuoted(original) + " ::/NOTES.TXT");
    ASSERT_EQ(copy.status, 0) << copy.output;
    Outcome listing = run(toolPath("mdir") + " -i " + mtoolsImage() + " ::");
    ASSERT_EQ(listing.status, 0) << listing.output;
    EXPECT_NE(listing.output.find("NOTES    TXT"), std::string::npos) << listing.output;
    EXPECT_NE(listing.output.find("Volume in drive : is MYLABEL"), std::string::npos) << listing.output;

    std::string back = testHostFolder() + "/back.txt";
    Outcome copyBack = run(toolPath("mcopy") + " -i " + mtoolsImage() + " ::/NOTES.TXT " + shellQuoted(back));
    ASSERT_EQ(copyBack.status, 0) << copyBack.output;
    std::ifstream in(back, std::ios::binary);
    std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, content);

    // The file system is still sound with the file in it.
    expectCleanFileSystem();
}

struct ToolLabelCase {
    const char* name;
    std::uint8_t label[11];
    const char* shown;   // what mlabel -s says
};

void PrintTo(const ToolLabelCase& c, std::ostream* os) { *os << c.name; }

class WrittenImageLabels : public WrittenImage, public testing::WithParamInterface<ToolLabelCase> {};

TEST_P(WrittenImageLabels, AreReadBackByTheTools)
{
    const ToolLabelCase& c = GetParam();
    formatImage(c.label);
    expectCleanFileSystem();
    if (!haveMtools())
        GTEST_SKIP() << "mtools is not installed";
    Outcome label = run(toolPath("mlabel") + " -s -i " + mtoolsImage() + " ::");
    ASSERT_EQ(label.status, 0) << label.output;
    EXPECT_NE(label.output.find(c.shown), std::string::npos) << label.output;
}

INSTANTIATE_TEST_SUITE_P(Cases, WrittenImageLabels,
    testing::Values(ToolLabelCase{"LowerCase", {'m', 'y', ' ', 'd', 'i', 's', 'k', ' ', ' ', ' ', ' '},
                                  "Volume label is my disk"},
                    ToolLabelCase{"TwoWords", {'Q', 'U', 'I', 'B', ' ', 'D', 'I', 'S', 'K', ' ', ' '},
                                  "Volume label is QUIB DISK"}),
    [](const testing::TestParamInfo<ToolLabelCase>& info) { return info.param.name; });

// Without a label the boot sector's label field holds 11 zero bytes (the
// label reader shows an empty label for them). fsck.fat takes that field for
// an invalid label, and that must be its only remark.
TEST_F(WrittenImage, WithoutLabelOnlyTheEmptyBootSectorLabelIsRemarked)
{
    const std::uint8_t none[11] = {};
    formatImage(none);
    std::string fsck = toolPath("fsck.fat");
    if (fsck.empty())
        GTEST_SKIP() << "fsck.fat (dosfstools) is not installed";
    extractPartition();
    Outcome check = run(fsck + " -n " + shellQuoted(partition));
    EXPECT_TRUE(check.status == 0 || check.status == 1) << check.output;
    std::istringstream lines(check.output);
    std::string line;
    while (std::getline(lines, line)) {
        bool expected = line.empty() || line.rfind("fsck.fat ", 0) == 0 ||
                        line == "Label '' stored in boot sector is not valid." ||
                        line == "  Auto-removing label from boot sector." || line == "Leaving filesystem unchanged." ||
                        line.find("partition.img: 0 files, 0/19657 clusters") != std::string::npos;
        EXPECT_TRUE(expected) << "unexpected remark: " << line << "\n" << check.output;
    }
    if (!haveMtools())
        GTEST_SKIP() << "mtools is not installed";
    Outcome label = run(toolPath("mlabel") + " -s -i " + mtoolsImage() + " ::");
    ASSERT_EQ(label.status, 0) << label.output;
    EXPECT_NE(label.output.find("Volume has no label"), std::string::npos) << label.output;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every build writes the same image for the same label, serial number and
// time, whatever the width of its addresses. Each build keeps its image in
// its own test folder; a build configured with QUIB_REFERENCE_BUILD (the
// armhf cross build names the native 64-bit build) compares its image with
// that build's, byte for byte.
TEST_F(WrittenImage, IsByteForByteTheReferenceBuildsImage)
{
    formatImage();
    if (HasFatalFailure())
        return;
    std::string own = fileBytes(image);
    ASSERT_EQ(own.size(), diskSectors * 512);
    const std::string kept = std::string(QUIB_TEST_BIN_DIR) + "/quick_format_image_tests/quick_format.img";
    std::ofstream(kept, std::ios::binary | std::ios::trunc) << own;
#ifndef QUIB_REFERENCE_IMAGE
    GTEST_SKIP() << "no reference build to compare with; this build's image is kept in " << kept;
#else
    std::string reference = fileBytes(QUIB_REFERENCE_IMAGE);
    ASSERT_EQ(reference.size(), own.size())
        << "no image of the reference build in " QUIB_REFERENCE_IMAGE "; run its quick_format_image_tests first";
    auto differ = std::mismatch(own.begin(), own.end(), reference.begin());
    EXPECT_TRUE(differ.first == own.end())
        << "first difference at byte " << (differ.first - own.begin()) << " (sector " << (differ.first - own.begin()) / 512
        << ")";
#endif
}

} // namespace
} // namespace quick_format_test
