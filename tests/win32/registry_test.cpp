// The registry on Windows is the system's, under HKEY_LOCAL_MACHINE\SOFTWARE\
// QuibTools: values
// keep their type and size, a buffer too small says how much is needed,
// names compare without regard to case, a key goes with its sub-keys; and
// where the system refuses a write (a user without administrator rights,
// which Wine never refuses, so the system's calls are stood in for here)
// the call fails with the status refused.
#include "os/registry.h"
#include "os/win32/registry_calls.h"

#include <gtest/gtest.h>

#include <string>
#include <windows.h>

namespace {

std::u16string testKeyPath()
{
    std::string number = std::to_string(GetCurrentProcessId());
    return u"Software\\QuibToolsTest-" + std::u16string(number.begin(), number.end());
}

class Registry : public testing::Test {
protected:
    void TearDown() override
    {
        replaceRegistryCalls(nullptr);
        deleteRegistryKey(path.c_str());
    }
    std::u16string path = testKeyPath();
};

TEST_F(Registry, ValuesKeepTypeAndSizeAndTooSmallABufferSaysSo)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey((path + u"\\Settings").c_str(), &key));
    std::uint32_t number = 7;
    ASSERT_TRUE(setRegistryValue(key, u"FolderNum", registryTypeNumber, &number, 4));
    const char16_t folder[] = u"メモリ カード";
    ASSERT_TRUE(setRegistryValue(key, u"Folder", registryTypeString, folder, sizeof folder));

    std::uint32_t type = 0, read = 0, size = 4;
    ASSERT_TRUE(queryRegistryValue(key, u"foldernum", &type, &read, &size)); // any case
    EXPECT_EQ(type, registryTypeNumber);
    EXPECT_EQ(read, 7u);
    char16_t small[3];
    size = sizeof small;
    EXPECT_FALSE(queryRegistryValue(key, u"Folder", &type, small, &size));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::moreData);
    EXPECT_EQ(size, sizeof folder);
    EXPECT_FALSE(queryRegistryValue(key, u"Missing", &type, &read, &size));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::notFound);
    closeRegistryKey(key);

    RegistryKey parent = nullptr;
    ASSERT_TRUE(openRegistryKey(path.c_str(), registryAllAccess, &parent));
    char16_t name[registryMaxName];
    ASSERT_TRUE(enumRegistrySubKey(parent, 0, name, registryMaxName));
    EXPECT_EQ(std::u16string(name), u"Settings");
    EXPECT_FALSE(enumRegistrySubKey(parent, 1, name, registryMaxName));
    closeRegistryKey(parent);

    ASSERT_TRUE(deleteRegistryKey(path.c_str()));
    EXPECT_FALSE(openRegistryKey((path + u"\\Settings").c_str(), registryAllAccess, &key));
    EXPECT_FALSE(deleteRegistryKey(u"")); // never the root
}

LSTATUS WINAPI refuseCreate(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD)
{
    return ERROR_ACCESS_DENIED;
}
LSTATUS WINAPI refuseSet(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }

TEST_F(Registry, AWriteTheSystemRefusesFailsAsRefused)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(path.c_str(), &key));
    const RegistryCalls refusing = {refuseCreate, RegOpenKeyExW, refuseSet, RegDeleteValueW, RegDeleteTreeW};
    replaceRegistryCalls(&refusing);

    RegistryKey refused = nullptr;
    EXPECT_FALSE(createRegistryKey((path + u"\\New").c_str(), &refused));
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::refused);
    std::uint32_t number = 5;
    EXPECT_FALSE(setRegistryValue(key, u"FolderNum", registryTypeNumber, &number, 4));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::refused);

    // Nothing was written meanwhile, and the refusal is still known after
    // the reads that follow it.
    replaceRegistryCalls(nullptr);
    std::uint32_t size = 4;
    EXPECT_FALSE(queryRegistryValue(key, u"FolderNum", nullptr, &number, &size));
    EXPECT_TRUE(registryRefusedAWrite());
    closeRegistryKey(key);
}

LSTATUS WINAPI openForReadingOnly(HKEY parent, LPCWSTR path, DWORD options, REGSAM access, PHKEY key)
{
    if (access & KEY_SET_VALUE)
        return ERROR_ACCESS_DENIED;
    return RegOpenKeyExW(parent, path, options, access, key);
}

// A user whom the system lets read the settings but not write them (a copy
// that was not installed) still reads them; a write fails as refused.
TEST_F(Registry, AUserWhoMayOnlyReadStillReadsTheSettings)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(path.c_str(), &key));
    std::uint32_t number = 7;
    ASSERT_TRUE(setRegistryValue(key, u"FolderNum", registryTypeNumber, &number, 4));
    closeRegistryKey(key);
    const RegistryCalls readingOnly = {refuseCreate, openForReadingOnly, refuseSet, RegDeleteValueW, RegDeleteTreeW};
    replaceRegistryCalls(&readingOnly);

    ASSERT_TRUE(openRegistryKey(path.c_str(), registryAllAccess, &key));
    std::uint32_t read = 0, size = 4;
    EXPECT_TRUE(queryRegistryValue(key, u"FolderNum", nullptr, &read, &size));
    EXPECT_EQ(read, 7u);
    number = 8;
    EXPECT_FALSE(setRegistryValue(key, u"FolderNum", registryTypeNumber, &number, 4));
    EXPECT_EQ(lastRegistryStatus(), RegistryStatus::refused);
    closeRegistryKey(key);
}

} // namespace
