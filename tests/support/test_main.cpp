// Every test runs with a fresh, empty host folder of its own, so tests never
// touch a person's files and test programs can run side by side.
#include "tests/support/host_folder_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string currentHome;

class FreshHostFolder : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        char pattern[] = "/tmp/quibtest.XXXXXX";
        const char* made = mkdtemp(pattern);
        ASSERT_NE(made, nullptr);
        currentHome = made;
        setenv("QUIB_HOME", made, 1);
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
