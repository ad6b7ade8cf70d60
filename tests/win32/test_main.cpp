// Every test of the Windows build runs with a fresh, empty host folder of its
// own (QUIB_HOME), as on Linux, so tests never touch a person's files.
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::string currentHome;
// Folders a test left because the virtual drive still held a file of them;
// it lets go at its next request, so they are removed at the end.
std::vector<std::string> leftBehind;

// One pass, deepest first: a file the virtual drive still holds open stays
// until the system lets it go, where remove_all would wait for it for ever.
bool removeWhatCanGo(const std::string& folder)
{
    std::error_code ignored;
    std::vector<std::filesystem::path> found;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        found.push_back(it->path());
    for (auto path = found.rbegin(); path != found.rend(); ++path)
        std::filesystem::remove(*path, ignored);
    return std::filesystem::remove(folder, ignored);
}

class FreshHostFolder : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        // A name nobody has: process ids come round again, and a folder a
        // test program left (a file still open at its end) may bear one.
        static unsigned made = 0;
        std::filesystem::path folder;
        std::error_code error;
        bool created = false;
        for (int tries = 0; !created && tries < 100; ++tries) {
            folder = std::filesystem::temp_directory_path() /
                     ("quibtest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
                      "-" + std::to_string(++made));
            created = std::filesystem::create_directory(folder, error);
        }
        ASSERT_TRUE(created) << folder.string() << ": " << error.message();
        currentHome = folder.string();
        _putenv_s("QUIB_HOME", currentHome.c_str());
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        if (!removeWhatCanGo(currentHome))
            leftBehind.push_back(currentHome);
        currentHome.clear();
    }
};

} // namespace

const std::string& testHostFolder() { return currentHome; }

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshHostFolder);
    int result = RUN_ALL_TESTS();
    for (const std::string& folder : leftBehind)
        removeWhatCanGo(folder);
    return result;
}
