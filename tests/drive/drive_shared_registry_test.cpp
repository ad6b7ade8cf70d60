// The driver library in a program that offers its registry (as quibtools
// does): the library reads the folder settings through the program's own
// connection, so the process holds the store open once, and a setting the
// program changes is what the next re-mount reads.
#include "tests/drive/drive_client.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <unistd.h>

namespace {

constexpr const char16_t* settingsKey = u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver";

// Descriptors of this process open on the registry's database file.
int openRegistryFiles()
{
    int found = 0;
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr)
        return -1;
    while (dirent* entry = readdir(folder)) {
        char target[4096];
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        std::string path(target, std::size_t(n));
        const std::string name = std::string("/") + registryFileName;
        if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0)
            ++found;
    }
    closedir(folder);
    return found;
}

void setFixedFolder(const std::u16string& folder)
{
    RegistryKey key = nullptr;
    ASSERT_TRUE(createRegistryKey(settingsKey, &key));
    std::uint32_t fixed = 1;
    EXPECT_TRUE(setRegistryValue(key, u"Fixed", registryTypeNumber, &fixed, sizeof fixed));
    EXPECT_TRUE(setRegistryValue(key, u"Folder", registryTypeString, folder.c_str(),
                                 std::uint32_t((folder.size() + 1) * sizeof(char16_t))));
    closeRegistryKey(key);
}

} // namespace

TEST(SharedRegistry, TheLibraryReadsThroughTheProgramsConnection)
{
    setFixedFolder(u"First");
    ASSERT_EQ(openRegistryFiles(), 1);
    ASSERT_EQ(remount(0x00).status, 0u);
    EXPECT_EQ(mountFolder(), "First");
    EXPECT_EQ(openRegistryFiles(), 1) << "the driver library opened a connection of its own";

    setFixedFolder(u"Second");
    ASSERT_EQ(remount(0x00).status, 0u);
    EXPECT_EQ(mountFolder(), "Second");
    EXPECT_EQ(openRegistryFiles(), 1);
}
