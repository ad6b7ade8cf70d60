// Re-mount (101) and mount folder (102): the folder is named by the
// registry's folder-name settings when the disk is mounted.
#include "tests/drive/drive_client.h"

#include "os/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>

namespace {

constexpr const char16_t* settingsKey = u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver";

void setNumber(const char16_t* name, std::uint32_t value)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(settingsKey, &key));
    EXPECT_TRUE(setRegistryValue(key, name, registryTypeNumber, &value, sizeof value));
    closeRegistryKey(key);
}

void setText(const char16_t* name, const std::u16string& text)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(settingsKey, &key));
    EXPECT_TRUE(setRegistryValue(key, name, registryTypeString, text.c_str(),
                                 std::uint32_t((text.size() + 1) * sizeof(char16_t))));
    closeRegistryKey(key);
}

// Descriptors of this process open on the registry's database file.
int openRegistryFiles()
{
    int found = 0;
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr)
        return -1;
    const std::string name = std::string("/") + registryFileName;
    while (dirent* entry = readdir(folder)) {
        char target[4096];
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        std::string path(target, std::size_t(n));
        if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0)
            ++found;
    }
    closedir(folder);
    return found;
}

// A FAT boot sector carrying an 11-byte label.
void writeBootSector(std::uint32_t block, const char* label11)
{
    std::uint8_t sector[512] = {0xEB, 0x3C, 0x90};
    std::memcpy(sector + 43, label11, 11);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    ASSERT_EQ(writeBlock(block, sector).status, 0u);
}

// A boot record whose partition slot 4 points at the boot sector at 32.
void writeBootRecordAndBootSector(const char* label11)
{
    std::uint8_t record[512] = {0xEB, 0x2E, 'Q'};
    record[0x1F6] = 32;
    record[510] = 0x55;
    record[511] = 0xAA;
    ASSERT_EQ(writeBlock(0, record).status, 0u);
    writeBootSector(32, label11);
}

struct FolderCase {
    const char* name;
    void (*settings)();
    void (*disk)();
    const char* folder;
};

const FolderCase folderCases[] = {
    {"WithoutSettingsTheNameIsGenerated", [] {}, [] {}, "Storage Card"},
    {"AutomatedIsTheGeneratedName", [] { setNumber(u"Fixed", 0); setText(u"Folder", u"Mine"); }, [] {}, "Storage Card"},
    {"FixedIsTheFolderValue", [] { setNumber(u"Fixed", 1); setText(u"Folder", u"Storage Card3"); }, [] {}, "Storage Card3"},
    {"FixedInJapanese", [] { setNumber(u"Fixed", 1); setText(u"Folder", u"ﾒﾓﾘ ｶｰﾄﾞ3"); }, [] {}, "ﾒﾓﾘ ｶｰﾄﾞ3"},
    {"FixedWithoutAFolderValue", [] { setNumber(u"Fixed", 1); }, [] {}, "Storage Card"},
    {"FixedWithAnEmptyFolderValue", [] { setNumber(u"Fixed", 1); setText(u"Folder", u""); }, [] {}, "Storage Card"},
    {"LinkedFollowsSlot4ToTheLabel", [] { setNumber(u"Fixed", 2); }, [] { writeBootRecordAndBootSector("MYLABEL    "); },
     "MYLABEL"},
    {"LinkedReadsABootSectorAtSector0", [] { setNumber(u"Fixed", 2); }, [] { writeBootSector(0, "DATA       "); }, "DATA"},
    {"LinkedKeepsInnerBlanks", [] { setNumber(u"Fixed", 2); }, [] { writeBootSector(0, "MY DISK    "); }, "MY DISK"},
    {"LinkedOnABlankDisk", [] { setNumber(u"Fixed", 2); }, [] {}, "Storage Card"},
    {"LinkedWithAnEmptyLabel", [] { setNumber(u"Fixed", 2); }, [] { writeBootSector(0, "           "); }, "Storage Card"},
    {"LinkedWithFatsNoNameLabel", [] { setNumber(u"Fixed", 2); }, [] { writeBootSector(0, "NO NAME    "); }, "Storage Card"},
    {"AnUnknownModeIsAutomated", [] { setNumber(u"Fixed", 7); setText(u"Folder", u"Mine"); }, [] {}, "Storage Card"},
    {"AModeStoredAsTextCannotBeRead", [] { setText(u"Fixed", u"1"); setText(u"Folder", u"Mine"); }, [] {}, "Storage Card"},
    {"ALongFolderIsCutToFifteenCharacters", [] { setNumber(u"Fixed", 1); setText(u"Folder", u"Storage Card Number 3"); },
     [] {}, "Storage Card Nu"},
};

class MountFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(MountFolder, IsNamedBySettingsWhenRemounted)
{
    const FolderCase& c = GetParam();
    c.settings();
    c.disk();
    DriveAnswer a = remount(0x00);
    EXPECT_EQ(a.status, 0u);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(mountFolder(), c.folder);

    // A disk that cannot be read gets no folder.
    EXPECT_EQ(remount(0xFF).status, 0u);
    DriveAnswer folder;
    EXPECT_EQ(mountFolder(&folder), "");
    EXPECT_EQ(folder.status, 0u);
}

INSTANTIATE_TEST_SUITE_P(Settings, MountFolder, testing::ValuesIn(folderCases),
                         [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(MountFolderLifecycle, FollowsTheDiskInAndOutOfTheDrive)
{
    EXPECT_EQ(mountFolder(), "Storage Card"); // the first-use disk is mounted

    setNumber(u"Fixed", 1);
    setText(u"Folder", u"Storage Card5");
    EXPECT_EQ(mountFolder(), "Storage Card"); // settings apply at the next mount

    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    EXPECT_EQ(mountFolder(), "");
    DriveAnswer noDisk = remount(0x00);
    EXPECT_EQ(noDisk.status, 2u);
    EXPECT_EQ(noDisk.senseCode, 0x3A);

    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    EXPECT_EQ(mountFolder(), "Storage Card5"); // inserting mounts

    ASSERT_EQ(quibdrive({"unplug"}).exitCode, 0);
    DriveAnswer unplugged;
    mountFolder(&unplugged);
    EXPECT_EQ(unplugged.status, 5u);
    EXPECT_EQ(remount(0x00).status, 5u);
    ASSERT_EQ(quibdrive({"plug"}).exitCode, 0);
    EXPECT_EQ(mountFolder(), "Storage Card5");
}

TEST(MountFolderLifecycle, AReadProtectedDiskIsInsertedWithoutAFolder)
{
    ASSERT_EQ(switchProtectionMode(true).status, 0u);
    ASSERT_EQ(sendProtection(5, "pw").status, 0u);
    ASSERT_EQ(quibdrive({"eject"}).exitCode, 0);
    ASSERT_EQ(quibdrive({"insert", "disk1"}).exitCode, 0);
    EXPECT_EQ(mountFolder(), "");
}

TEST(Remount, RefusesAFlagOtherThanReadableOrNot)
{
    DriveAnswer a = remount(0x01);
    EXPECT_EQ(a.status, 2u);
    EXPECT_EQ(a.senseCode, 0x24);
    EXPECT_EQ(mountFolder(), "Storage Card"); // the mount is left alone
}

} // namespace

// The test program offers its registry as quibtools does: the library reads
// the folder settings through the program's own connection, so the process
// holds the store open once, and a setting the program changes is what the
// next re-mount reads.
TEST(SharedRegistry, TheLibraryReadsThroughTheProgramsConnection)
{
    setNumber(u"Fixed", 1);
    setText(u"Folder", u"First");
    ASSERT_EQ(openRegistryFiles(), 1);
    ASSERT_EQ(remount(0x00).status, 0u);
    EXPECT_EQ(mountFolder(), "First");
    EXPECT_EQ(openRegistryFiles(), 1) << "the driver library opened a connection of its own";

    setText(u"Folder", u"Second");
    ASSERT_EQ(remount(0x00).status, 0u);
    EXPECT_EQ(mountFolder(), "Second");
    EXPECT_EQ(openRegistryFiles(), 1);
}
