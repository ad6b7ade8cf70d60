// The registry store: types and exact bytes, names without regard to case,
// the key tree, damaged files left alone, several processes at once.
#include "os/registry.h"
#include "tests/registry/store_files.h"
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr char16_t quibKey[] = u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver";

// A key handle closed at the end of the test, whatever happens.
struct OpenKey {
    RegistryKey key = nullptr;
    ~OpenKey() { closeRegistryKey(key); }
};

std::u16string enumName(RegistryKey key, std::uint32_t index, bool subKey)
{
    char16_t name[registryMaxName] = {};
    bool ok = subKey ? enumRegistrySubKey(key, index, name, registryMaxName)
                     : enumRegistryValue(key, index, name, registryMaxName, nullptr, nullptr, nullptr);
    return ok ? std::u16string(name) : u"<none>";
}

TEST(RegistryValues, KeepTypeSizeAndExactBytes)
{
    OpenKey k;
    ASSERT_TRUE(createRegistryKey(quibKey, &k.key));
    std::uint32_t number = 0x12345678;
    ASSERT_TRUE(setRegistryValue(k.key, u"FolderNum", registryTypeNumber, &number, 4));
    ASSERT_TRUE(setRegistryValue(k.key, u"DLL", registryTypeString, u"zoveviv.dll", 24));

    std::uint32_t type = 0, size = 4;
    unsigned char bytes[32] = {};
    ASSERT_TRUE(queryRegistryValue(k.key, u"FolderNum", &type, bytes, &size));
    EXPECT_EQ(type, registryTypeNumber);
    EXPECT_EQ(size, 4u);
    const unsigned char little[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(std::memcmp(bytes, little, 4), 0);

    size = sizeof bytes;
    ASSERT_TRUE(queryRegistryValue(k.key, u"DLL", &type, bytes, &size));
    EXPECT_EQ(type, registryTypeString);
    EXPECT_EQ(size, 24u);
    EXPECT_EQ(std::memcmp(bytes, u"zoveviv.dll", 24), 0);

    // Too small a buffer: nothing copied, the size needed is told.
    unsigned char small[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    size = sizeof small;
    EXPECT_FALSE(queryRegistryValue(k.key, u"DLL", &type, small, &size));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::moreData);
    EXPECT_EQ(size, 24u);
    EXPECT_EQ(type, registryTypeString);
    EXPECT_EQ(small[0], 0xAA);

    // No buffer: the size and type alone.
    size = 0;
    EXPECT_TRUE(queryRegistryValue(k.key, u"DLL", &type, nullptr, &size));
    EXPECT_EQ(size, 24u);

    // Another type replaces the value entirely.
    ASSERT_TRUE(setRegistryValue(k.key, u"FolderNum", registryTypeString, u"1", 4));
    size = sizeof bytes;
    ASSERT_TRUE(queryRegistryValue(k.key, u"FolderNum", &type, bytes, &size));
    EXPECT_EQ(type, registryTypeString);
    EXPECT_EQ(size, 4u);

    EXPECT_FALSE(queryRegistryValue(k.key, u"Missing", &type, bytes, &size));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::notFound);
}

TEST(RegistryValues, EmptyDataAndTheDefaultValue)
{
    OpenKey k;
    ASSERT_TRUE(createRegistryKey(u"Empty", &k.key));
    ASSERT_TRUE(setRegistryValue(k.key, u"", registryTypeString, u"default", 16));
    ASSERT_TRUE(setRegistryValue(k.key, u"Nothing", 3, nullptr, 0));
    std::uint32_t type = 0, size = 99;
    unsigned char bytes[16];
    ASSERT_TRUE(queryRegistryValue(k.key, u"Nothing", &type, bytes, &size));
    EXPECT_EQ(type, 3u);
    EXPECT_EQ(size, 0u);
    size = sizeof bytes;
    ASSERT_TRUE(queryRegistryValue(k.key, u"", &type, bytes, &size));
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(std::memcmp(bytes, u"default", 16), 0);
}

TEST(RegistryValues, StayAfterTheKeyIsOpenedAgainInAnotherProcess)
{
    {
        OpenKey k;
        ASSERT_TRUE(createRegistryKey(quibKey, &k.key));
        ASSERT_TRUE(setRegistryValue(k.key, u"Folder", registryTypeString, u"ﾒﾓﾘ ｶｰﾄﾞ3", 20));
    }
    pid_t child = fork();
    if (child == 0) {
        OpenKey k;
        char16_t text[16] = {};
        std::uint32_t type = 0, size = sizeof text;
        bool ok = openRegistryKey(quibKey, registryAllAccess, &k.key) &&
                  queryRegistryValue(k.key, u"FOLDER", &type, text, &size) && type == registryTypeString &&
                  size == 20 && std::memcmp(text, u"ﾒﾓﾘ ｶｰﾄﾞ3", 20) == 0;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

struct NameCase {
    const char* name;
    const char16_t* stored;
    const char16_t* asked;
    bool same;
};

class RegistryNames : public testing::TestWithParam<NameCase> {};

TEST_P(RegistryNames, CompareWithoutRegardToCase)
{
    const NameCase& c = GetParam();
    std::u16string storedPath = std::u16string(u"Names\\") + c.stored;
    std::u16string askedPath = std::u16string(u"NAMES\\") + c.asked;
    {
        OpenKey k;
        ASSERT_TRUE(createRegistryKey(storedPath.c_str(), &k.key));
        std::uint32_t one = 1;
        ASSERT_TRUE(setRegistryValue(k.key, c.stored, registryTypeNumber, &one, 4));
    }
    EXPECT_EQ(registryNamesEqual(c.stored, c.asked), c.same);

    OpenKey asked;
    EXPECT_EQ(openRegistryKey(askedPath.c_str(), registryAllAccess, &asked.key), c.same);
    if (!c.same)
        return;
    std::uint32_t type = 0, size = 4, value = 0;
    EXPECT_TRUE(queryRegistryValue(asked.key, c.asked, &type, &value, &size));
    // Setting it under the other spelling replaces it and keeps the stored name.
    std::uint32_t two = 2;
    ASSERT_TRUE(setRegistryValue(asked.key, c.asked, registryTypeNumber, &two, 4));
    EXPECT_EQ(enumName(asked.key, 0, false), c.stored);
    EXPECT_EQ(enumName(asked.key, 1, false), u"<none>");
    ASSERT_TRUE(queryRegistryValue(asked.key, c.stored, &type, &value, &size));
    EXPECT_EQ(value, 2u);

    OpenKey names;
    ASSERT_TRUE(openRegistryKey(u"names", registryAllAccess, &names.key));
    EXPECT_EQ(enumName(names.key, 0, true), c.stored);
    EXPECT_EQ(enumName(names.key, 1, true), u"<none>");
}

const NameCase nameCases[] = {
    {"AsciiLetters", u"USB_Quib_Driver", u"usb_QUIB_driver", true},
    {"DigitsAndSigns", u"8_6_80", u"8_6_80", true},
    {"LatinWithAccents", u"Ärger", u"äRGER", true},
    {"Greek", u"Δίσκος", u"δΊΣΚΟΣ", true},
    {"FullWidthLatin", u"Ｑｕｉｂ", u"ｑＵＩＢ", true},
    {"HalfWidthKatakana", u"ﾒﾓﾘ ｶｰﾄﾞ", u"ﾒﾓﾘ ｶｰﾄﾞ", true},
    {"HalfAndFullWidthKanaDiffer", u"ﾒﾓﾘ", u"メモリ", false},
    {"DifferentLetters", u"Folder", u"Folded", false},
    {"PrefixOnly", u"Folder", u"FolderNum", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, RegistryNames, testing::ValuesIn(nameCases),
                         [](const testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST(RegistryKeys, CreateMakesParentsAndDeleteTakesTheWholeTree)
{
    {
        OpenKey k;
        ASSERT_TRUE(createRegistryKey(quibKey, &k.key));
        std::uint32_t one = 1;
        ASSERT_TRUE(setRegistryValue(k.key, u"Fixed", registryTypeNumber, &one, 4));
    }
    OpenKey usb, quib;
    ASSERT_TRUE(openRegistryKey(u"Drivers\\USB", registryAllAccess, &usb.key));
    EXPECT_EQ(enumName(usb.key, 0, true), u"ClientDrivers");
    ASSERT_TRUE(openRegistryKey(quibKey, registryAllAccess, &quib.key));

    EXPECT_TRUE(deleteRegistryKey(u"drivers\\usb"));
    RegistryKey gone = nullptr;
    EXPECT_FALSE(openRegistryKey(quibKey, registryAllAccess, &gone));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::notFound);
    EXPECT_EQ(gone, nullptr);

    // A handle to a deleted key reads nothing and writes nothing.
    std::uint32_t value = 0, size = 4, type = 0;
    EXPECT_FALSE(queryRegistryValue(quib.key, u"Fixed", &type, &value, &size));
    EXPECT_FALSE(setRegistryValue(quib.key, u"Fixed", registryTypeNumber, &value, 4));
    // ...also once a key of the same path exists again.
    OpenKey again;
    ASSERT_TRUE(createRegistryKey(quibKey, &again.key));
    EXPECT_FALSE(setRegistryValue(quib.key, u"Fixed", registryTypeNumber, &value, 4));
    EXPECT_FALSE(queryRegistryValue(again.key, u"Fixed", &type, &value, &size));

    OpenKey drivers;
    ASSERT_TRUE(openRegistryKey(u"Drivers", registryAllAccess, &drivers.key));
    EXPECT_EQ(enumName(drivers.key, 0, true), u"USB");
    EXPECT_FALSE(deleteRegistryKey(u"Drivers\\Nothing"));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::notFound);
    EXPECT_FALSE(deleteRegistryKey(u""));
}

TEST(RegistryKeys, MalformedPathsAndNamesAreRefused)
{
    std::u16string longName(registryMaxName, u'x');
    std::u16string longest(registryMaxName - 1, u'x');
    const std::u16string bad[] = {u"\\Drivers", u"Drivers\\", u"Drivers\\\\USB", u"Drivers\\" + longName};
    for (const std::u16string& path : bad) {
        RegistryKey key = nullptr;
        EXPECT_FALSE(createRegistryKey(path.c_str(), &key));
        EXPECT_EQ(lastRegistryStatus(), RegistryStatus::invalid);
        EXPECT_EQ(key, nullptr);
    }
    OpenKey root;
    ASSERT_TRUE(openRegistryKey(u"", registryAllAccess, &root.key));
    EXPECT_EQ(enumName(root.key, 0, true), u"<none>"); // nothing was created

    OpenKey k;
    ASSERT_TRUE(createRegistryKey(longest.c_str(), &k.key));
    std::uint32_t one = 1;
    EXPECT_TRUE(setRegistryValue(k.key, longest.c_str(), registryTypeNumber, &one, 4));
    EXPECT_FALSE(setRegistryValue(k.key, longName.c_str(), registryTypeNumber, &one, 4));
    EXPECT_FALSE(setRegistryValue(k.key, u"NoData", registryTypeNumber, nullptr, 4));
}

TEST(RegistryFile, IsCreatedInTheHostFolderForItsOwnerOnly)
{
    OpenKey k;
    ASSERT_TRUE(createRegistryKey(quibKey, &k.key));
    struct stat info;
    ASSERT_EQ(stat(registryFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    char path[4096];
    ASSERT_TRUE(registryFilePath(path, sizeof path));
    EXPECT_EQ(std::string(path), registryFile());
}

TEST(RegistryFile, MovedAwayWhileInUseIsNotWrittenAnyMore)
{
    {
        OpenKey k;
        ASSERT_TRUE(createRegistryKey(u"Before", &k.key));
    }
    std::string moved = testHostFolder() + "/moved.db";
    fs::rename(registryFile(), moved);
    std::string kept = fileBytes(moved);
    {
        OpenKey k;
        ASSERT_TRUE(createRegistryKey(u"After", &k.key));
    }
    EXPECT_EQ(fileBytes(moved), kept);
    RegistryKey before = nullptr;
    EXPECT_FALSE(openRegistryKey(u"Before", registryAllAccess, &before));
}

TEST(RegistryFile, HandlesOfAnotherHostFolderAreNotUsedInThisOne)
{
    OpenKey first;
    ASSERT_TRUE(createRegistryKey(u"First", &first.key));
    std::string second = testHostFolder() + "/second";
    fs::create_directories(second);
    std::string home = testHostFolder();
    setenv("QUIB_HOME", second.c_str(), 1);
    OpenKey other;
    bool created = createRegistryKey(u"Other", &other.key);
    std::uint32_t one = 1;
    bool written = setRegistryValue(first.key, u"Stray", registryTypeNumber, &one, 4);
    setenv("QUIB_HOME", home.c_str(), 1);
    EXPECT_TRUE(created);
    EXPECT_FALSE(written);
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::invalid);
}

TEST(RegistryFile, HostFolderThatCannotBeCreatedFailsEveryCall)
{
    std::string blocker = testHostFolder() + "/a-file";
    writeFile(blocker, "in the way");
    std::string home = testHostFolder();
    setenv("QUIB_HOME", (blocker + "/quib").c_str(), 1);
    RegistryKey key = nullptr;
    bool opened = openRegistryKey(quibKey, registryAllAccess, &key);
    RegistryStatus openStatus = lastRegistryStatus();
    bool created = createRegistryKey(quibKey, &key);
    bool deleted = deleteRegistryKey(quibKey);
    char path[4096];
    bool located = registryFilePath(path, sizeof path);
    setenv("QUIB_HOME", home.c_str(), 1);
    EXPECT_FALSE(opened);
    EXPECT_EQ(openStatus, RegistryStatus::noStore);
    EXPECT_FALSE(created);
    EXPECT_FALSE(deleted);
    EXPECT_FALSE(located);
    EXPECT_EQ(key, nullptr);
}

TEST(RegistryFile, ReadOnlyHostFolderFailsWithoutACrash)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    std::string folder = testHostFolder() + "/locked";
    fs::create_directories(folder);
    chmod(folder.c_str(), 0500);
    std::string home = testHostFolder();
    setenv("QUIB_HOME", folder.c_str(), 1);
    RegistryKey key = nullptr;
    bool created = createRegistryKey(quibKey, &key);
    RegistryStatus why = lastRegistryStatus();
    setenv("QUIB_HOME", home.c_str(), 1);
    chmod(folder.c_str(), 0700);
    EXPECT_FALSE(created);
    EXPECT_EQ(why, RegistryStatus::noStore);
}

// A link planted where the store belongs is not followed: the store it
// points to is left byte for byte and every call fails.
TEST(RegistryFile, LinkInPlaceOfTheStoreIsNotFollowed)
{
    // A good store, made by another process so that this one holds no
    // connection to it, then moved away and linked to.
    pid_t child = fork();
    if (child == 0) {
        RegistryKey made = nullptr;
        bool ok = createRegistryKey(quibKey, &made);
        closeRegistryKey(made);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string target = testHostFolder() + "/elsewhere.db";
    fs::rename(registryFile(), target);
    fs::create_symlink(target, registryFile());
    std::string kept = fileBytes(target);

    RegistryKey key = nullptr;
    EXPECT_FALSE(createRegistryKey(u"Planted", &key));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::noStore);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(fileBytes(target), kept);
    EXPECT_TRUE(fs::is_symlink(registryFile()));
}

class DamagedRegistry : public testing::TestWithParam<std::string> {};

TEST_P(DamagedRegistry, FailsEveryCallAndIsLeftByteForByte)
{
    std::string bytes = damagedStore(GetParam());
    ASSERT_FALSE(bytes.empty());
    writeFile(registryFile(), bytes);
    std::vector<std::string> before = folderEntries(testHostFolder());

    RegistryKey key = nullptr;
    EXPECT_FALSE(openRegistryKey(quibKey, registryAllAccess, &key));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::damaged);
    EXPECT_FALSE(openRegistryKey(u"", registryAllAccess, &key));
    EXPECT_FALSE(createRegistryKey(quibKey, &key));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::damaged);
    EXPECT_FALSE(createRegistryKey(u"New", &key));
    EXPECT_FALSE(deleteRegistryKey(quibKey));
    EXPECT_EQ(key, nullptr);

    EXPECT_EQ(fileBytes(registryFile()), bytes);
    EXPECT_EQ(folderEntries(testHostFolder()), before); // no journal, no new file
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedRegistry, testing::ValuesIn(damageKinds()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// Its kind and layout are right and it is whole, so the store opens; the
// values' statements do not fit it, and every call on values says so.
TEST(RegistryFile, StoreWithoutItsValueTableIsDamagedWhereValuesAreUsed)
{
    std::string bytes = storeWithoutTable("registry_value");
    ASSERT_FALSE(bytes.empty());
    writeFile(registryFile(), bytes);

    for (bool write : {false, true}) {
        OpenKey opened;
        ASSERT_TRUE(openRegistryKey(quibKey, registryAllAccess, &opened.key)) << write;
        std::uint32_t number = 1, type = 0, size = sizeof number;
        EXPECT_FALSE(write ? setRegistryValue(opened.key, u"Fixed", registryTypeNumber, &number, sizeof number)
                           : queryRegistryValue(opened.key, u"Fixed", &type, &number, &size));
        EXPECT_EQ(lastRegistryStatus(), RegistryStatus::damaged) << write;
    }
    EXPECT_EQ(fileBytes(registryFile()), bytes);
}

TEST(RegistryFile, EmptyFileIsAFreshStore)
{
    writeFile(registryFile(), "");
    OpenKey k;
    EXPECT_TRUE(createRegistryKey(quibKey, &k.key));
}

// Each child writes its own values, one transaction each, into the same key
// while the other does the same; its exit status counts its failures.
int writeValues(char tag, int count)
{
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        OpenKey k;
        char16_t name[8] = {char16_t(tag), char16_t(u'0' + i / 100), char16_t(u'0' + i / 10 % 10),
                            char16_t(u'0' + i % 10)};
        std::uint32_t value = std::uint32_t(tag) * 1000 + std::uint32_t(i);
        if (!createRegistryKey(quibKey, &k.key) || !setRegistryValue(k.key, name, registryTypeNumber, &value, 4))
            ++failures;
    }
    return failures > 100 ? 100 : failures;
}

TEST(RegistryProcesses, TwoWritersAtOnceBothSurvive)
{
    constexpr int count = 100;
    {
        // The parent's own connection is open before the fork.
        OpenKey k;
        ASSERT_TRUE(createRegistryKey(quibKey, &k.key));
    }
    pid_t children[2];
    const char tags[2] = {'A', 'B'};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0)
            _exit(writeValues(tags[c], count));
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "failed writes in one child";
    }
    OpenKey k;
    ASSERT_TRUE(openRegistryKey(quibKey, registryAllAccess, &k.key));
    for (char tag : tags) {
        for (int i = 0; i < count; ++i) {
            char16_t name[8] = {char16_t(tag), char16_t(u'0' + i / 100), char16_t(u'0' + i / 10 % 10),
                                char16_t(u'0' + i % 10)};
            std::uint32_t value = 0, size = 4, type = 0;
            ASSERT_TRUE(queryRegistryValue(k.key, name, &type, &value, &size)) << char(tag) << i;
            EXPECT_EQ(value, std::uint32_t(tag) * 1000 + std::uint32_t(i));
        }
    }
    EXPECT_EQ(enumName(k.key, 2 * count, false), u"<none>");
}

} // namespace
