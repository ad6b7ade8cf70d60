// Binding ZOVEVIV.DLL: a missing library, one that appears later, and one
// without the entry. This program's run path is its own folder only, so each
// case decides what the search finds there.
#include "device/driver_transport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path ownFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }
fs::path installedDriver() { return ownFolder() / "ZOVEVIV.DLL"; }

void install(const char* which)
{
    fs::copy_file(fs::path(QUIB_TEST_BIN_DIR) / which / "ZOVEVIV.DLL", installedDriver(),
                  fs::copy_options::overwrite_existing);
}

class Binding : public testing::Test {
protected:
    void SetUp() override
    {
        releaseDriverBinding();
        fs::remove(installedDriver());
    }
    void TearDown() override
    {
        releaseDriverBinding();
        fs::remove(installedDriver());
    }
};

TEST_F(Binding, NoLibraryMeansNoDriveUntilTheLibraryAppears)
{
    std::uint8_t sense[2] = {0, 0};
    EXPECT_FALSE(probeDrive(0, sense));
    EXPECT_EQ(sense[0], 0xFF);
    EXPECT_EQ(sense[1], 0xFF);
    char16_t name[mountFolderCapacity] = u"kept?";
    EXPECT_FALSE(queryMountFolder(0, name));
    EXPECT_EQ(name[0], u'\0');
    EXPECT_FALSE(sendRemount(0, true));

    DriverRequest r{};
    r.status = 0;
    EXPECT_FALSE(executeCommand(r));
    EXPECT_EQ(r.status, 14u);

    install("test_driver"); // the next request binds it
    EXPECT_TRUE(probeDrive(0, sense));
    EXPECT_EQ(sense[0], 0);
}

TEST_F(Binding, LibraryWithoutTheEntryIsNotKeptLoaded)
{
    install("driver_without_entry");
    std::uint8_t sense[2];
    EXPECT_FALSE(probeDrive(0, sense));
    EXPECT_EQ(sense[0], 0xFF);
    EXPECT_FALSE(bindDriver());
    // Released after each failed binding: not among the loaded objects.
    EXPECT_EQ(dlopen(installedDriver().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

} // namespace
