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

class FreshHostFolder : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        static unsigned made = 0;
        std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("quibtest-" + std::to_string(GetCurrentProcessId()) + "-" +
                                        std::to_string(++made));
        std::error_code error;
        ASSERT_TRUE(std::filesystem::create_directory(folder, error)) << error.message();
        currentHome = folder.string();
        _putenv_s("QUIB_HOME", currentHome.c_str());
    }
    // One pass, deepest first: a file the virtual drive still holds open
    // (it lets go at its next request) stays until the system lets it go,
    // where remove_all would wait for it for ever.
    void OnTestEnd(const testing::TestInfo&) override
    {
        std::error_code ignored;
        std::vector<std::filesystem::path> found;
        for (auto it = std::filesystem::recursive_directory_iterator(currentHome, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
            found.push_back(it->path());
        for (auto path = found.rbegin(); path != found.rend(); ++path)
            std::filesystem::remove(*path, ignored);
        std::filesystem::remove(currentHome, ignored);
        currentHome.clear();
    }
};

} // namespace

const std::string& testHostFolder() { return currentHome; }

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshHostFolder);
    return RUN_ALL_TESTS();
}
