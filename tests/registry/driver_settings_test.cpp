// The driver's registry settings: the four small operations and the
// start-up check, in both languages, down to the stored bytes.
#include "settings/driver_settings.h"

#include "os/registry.h"
#include "tests/registry/store_files.h"
#include "tests/support/host_folder_fixture.h"
#include "ui/framework/message_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct StoredValue {
    bool present = false;
    std::uint32_t type = 0;
    std::string bytes;
};

StoredValue stored(const char16_t* keyPath, const char16_t* name)
{
    StoredValue v;
    RegistryKey key = nullptr;
    if (!openRegistryKey(keyPath, registryAllAccess, &key))
        return v;
    char data[64];
    std::uint32_t size = sizeof data;
    v.present = queryRegistryValue(key, name, &v.type, data, &size);
    if (v.present)
        v.bytes.assign(data, size);
    closeRegistryKey(key);
    return v;
}

bool keyExists(const char16_t* keyPath)
{
    RegistryKey key = nullptr;
    bool opened = openRegistryKey(keyPath, registryAllAccess, &key);
    closeRegistryKey(key);
    return opened;
}

void store(const char16_t* keyPath, const char16_t* name, std::uint32_t type, const void* data, std::uint32_t size)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(keyPath, &key));
    ASSERT_TRUE(setRegistryValue(key, name, type, data, size));
    closeRegistryKey(key);
}

std::string numberBytes(std::uint32_t n)
{
    const char little[4] = {char(n & 0xFF), char(n >> 8 & 0xFF), char(n >> 16 & 0xFF), char(n >> 24)};
    return std::string(little, 4);
}

std::string stringBytes(const char16_t* text)
{
    std::string bytes;
    for (const char16_t* c = text;; ++c) {
        bytes += char(*c & 0xFF);
        bytes += char(*c >> 8);
        if (*c == u'\0')
            return bytes;
    }
}

void expectNumber(const char16_t* name, std::uint32_t n)
{
    StoredValue v = stored(DriverSettingsKey, name);
    ASSERT_TRUE(v.present);
    EXPECT_EQ(v.type, registryTypeNumber);
    EXPECT_EQ(v.bytes, numberBytes(n));
}

struct Language {
    const char* name;
    std::uint16_t id;
    const char16_t* folder;
    std::size_t folderBytes;
};

const Language languages[] = {
    {"English", 1033, u"Storage Card3", 28},
    {"Japanese", 1041, u"\uFF92\uFF93\uFF98 \uFF76\uFF70\uFF84\uFF9E3", 20},
};

class StartupCheck : public testing::TestWithParam<Language> {
protected:
    void SetUp() override { selectCatalogue(GetParam().id); }
    void TearDown() override { selectCatalogue(1033); }
};

TEST_P(StartupCheck, FirstRunWritesEveryDefaultAndASecondRunNothing)
{
    ensureDriverSettings();
    expectNumber(u"Fixed", 1);
    expectNumber(u"FolderNum", 3);
    StoredValue folder = stored(DriverSettingsKey, u"Folder");
    ASSERT_TRUE(folder.present);
    EXPECT_EQ(folder.type, registryTypeString);
    EXPECT_EQ(folder.bytes.size(), GetParam().folderBytes);
    EXPECT_EQ(folder.bytes, stringBytes(GetParam().folder));
    StoredValue dll = stored(DriverLoadKey, u"DLL");
    ASSERT_TRUE(dll.present);
    EXPECT_EQ(dll.type, registryTypeString);
    EXPECT_EQ(dll.bytes.size(), 24u);
    EXPECT_EQ(dll.bytes, stringBytes(u"zoveviv.dll"));

    std::string first = fileBytes(registryFile());
    ensureDriverSettings();
    EXPECT_EQ(fileBytes(registryFile()), first);
}

TEST_P(StartupCheck, FixedAsAStringCountsAsMissing)
{
    store(DriverSettingsKey, u"Fixed", registryTypeString, u"1", 4);
    std::uint32_t twelve = 12;
    store(DriverSettingsKey, u"FolderNum", registryTypeNumber, &twelve, 4);
    store(DriverSettingsKey, u"Folder", registryTypeString, u"Mine", 10);
    ensureDriverSettings();
    expectNumber(u"Fixed", 1);
    expectNumber(u"FolderNum", 3);
    EXPECT_EQ(stored(DriverSettingsKey, u"Folder").bytes, stringBytes(GetParam().folder));
    EXPECT_EQ(stored(DriverLoadKey, u"DLL").bytes, stringBytes(u"zoveviv.dll"));
}

TEST_P(StartupCheck, SettingsKeyWithoutValuesGetsTheDefaults)
{
    ASSERT_TRUE(createRegistryKey(DriverSettingsKey));
    ensureDriverSettings();
    expectNumber(u"Fixed", 1);
    EXPECT_EQ(stored(DriverSettingsKey, u"Folder").bytes, stringBytes(GetParam().folder));
    EXPECT_TRUE(stored(DriverLoadKey, u"DLL").present);
}

INSTANTIATE_TEST_SUITE_P(Languages, StartupCheck, testing::ValuesIn(languages),
                         [](const testing::TestParamInfo<Language>& info) { return info.param.name; });

TEST(StartupCheckMarker, FixedAsANumberLeavesEverythingAlone)
{
    selectCatalogue(1033);
    std::uint32_t seven = 7;
    store(DriverSettingsKey, u"Fixed", registryTypeNumber, &seven, 4);
    std::string before = fileBytes(registryFile());
    ensureDriverSettings();
    expectNumber(u"Fixed", 7);
    EXPECT_FALSE(stored(DriverSettingsKey, u"FolderNum").present);
    EXPECT_FALSE(stored(DriverSettingsKey, u"Folder").present);
    EXPECT_FALSE(keyExists(DriverLoadKey));
    EXPECT_EQ(fileBytes(registryFile()), before);
}

TEST(StartupCheckMarker, StoredFolderStaysWhenTheLanguageChanges)
{
    selectCatalogue(1033);
    ensureDriverSettings();
    selectCatalogue(1041);
    ensureDriverSettings();
    selectCatalogue(1033);
    EXPECT_EQ(stored(DriverSettingsKey, u"Folder").bytes, stringBytes(u"Storage Card3"));
}

struct NumberCase {
    const char* name;
    std::uint32_t type;
    const char* data;
    std::uint32_t size;
    bool readable;
};

class ReadNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumber, OnlyAWhole32BitNumberReads)
{
    const NumberCase& c = GetParam();
    store(DriverSettingsKey, u"FolderNum", c.type, c.data, c.size);
    std::uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(readRegistryNumber(u"FolderNum", &value, DriverSettingsKey), c.readable);
    std::uint32_t expected = 0xDEADBEEF;
    if (c.readable)
        std::memcpy(&expected, c.data, 4);
    EXPECT_EQ(value, expected);
}

const NumberCase numberCases[] = {
    {"Twelve", registryTypeNumber, "\x0C\0\0\0", 4, true},
    {"Largest", registryTypeNumber, "\xFF\xFF\xFF\xFF", 4, true},
    {"StringHoldingOne", registryTypeString, "1\0\0", 4, false},
    {"EightBytes", registryTypeNumber, "\x01\0\0\0\0\0\0\0", 8, false},
    {"TwoBytes", registryTypeNumber, "\x01\0", 2, false},
    {"OtherType", 3, "\x01\0\0\0", 4, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReadNumber, testing::ValuesIn(numberCases),
                         [](const testing::TestParamInfo<NumberCase>& info) { return info.param.name; });

TEST(RegistryOperations, MissingKeyOrValueReadsNothingAndWritesNeverCreate)
{
    std::uint32_t value = 5;
    EXPECT_FALSE(readRegistryNumber(u"Fixed", &value, DriverSettingsKey));
    EXPECT_FALSE(writeRegistryNumber(u"Fixed", 1, DriverSettingsKey));
    EXPECT_FALSE(writeRegistryString(u"Folder", u"Storage Card3", DriverSettingsKey));
    EXPECT_FALSE(keyExists(DriverSettingsKey));

    EXPECT_TRUE(createRegistryKey(DriverSettingsKey));
    EXPECT_TRUE(createRegistryKey(DriverSettingsKey)); // existing: opened and closed
    EXPECT_FALSE(readRegistryNumber(u"Fixed", &value, DriverSettingsKey));
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(writeRegistryNumber(u"Fixed", 2, DriverSettingsKey));
    EXPECT_TRUE(readRegistryNumber(u"fixed", &value, DriverSettingsKey));
    EXPECT_EQ(value, 2u);
    EXPECT_TRUE(writeRegistryString(u"Folder", u"Storage Card9", DriverSettingsKey));
    StoredValue folder = stored(DriverSettingsKey, u"Folder");
    EXPECT_EQ(folder.type, registryTypeString);
    EXPECT_EQ(folder.bytes, stringBytes(u"Storage Card9"));
}

class DamagedSettings : public testing::TestWithParam<std::string> {};

TEST_P(DamagedSettings, EveryOperationFailsAndTheFileStaysAsItWas)
{
    std::string bytes = damagedStore(GetParam());
    writeFile(registryFile(), bytes);
    std::vector<std::string> before = folderEntries(testHostFolder());
    std::uint32_t value = 0;
    EXPECT_FALSE(readRegistryNumber(u"Fixed", &value, DriverSettingsKey));
    EXPECT_FALSE(writeRegistryNumber(u"Fixed", 1, DriverSettingsKey));
    EXPECT_FALSE(writeRegistryString(u"Folder", u"Storage Card3", DriverSettingsKey));
    EXPECT_FALSE(createRegistryKey(DriverLoadKey));
    ensureDriverSettings();
    EXPECT_EQ(fileBytes(registryFile()), bytes);
    EXPECT_EQ(folderEntries(testHostFolder()), before);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedSettings, testing::ValuesIn(damageKinds()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace
