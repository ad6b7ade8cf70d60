// Every test of the Windows build runs with a fresh, empty host folder of its
// own (QUIB_HOME), as on Linux, so tests never touch a person's files.
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
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
    void OnTestEnd(const testing::TestInfo&) override
    {
        std::error_code ignored;
        std::filesystem::remove_all(currentHome, ignored);
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
