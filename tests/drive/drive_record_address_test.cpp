// The record on a host with 32-bit addresses (the armhf build): the virtual
// drive finds the data buffer from bytes 0 to 3 alone, whatever bytes 28 to
// 31 hold. A tool built for such a host leaves those bytes unset, so they
// may carry anything, and the drive must still read and write the right
// memory.
#include "tests/drive/drive_client.h"

#include "os/code_page.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct HighHalfCase {
    const char* name;
    std::uint32_t bytes28To31;
};

const HighHalfCase highHalfCases[] = {
    {"Zero", 0},
    {"LeftOver", 0xA5A5A5A5},
    {"AllOnes", 0xFFFFFFFF},
};

class BufferFromTheLowHalf : public testing::TestWithParam<HighHalfCase> {
protected:
    void SetUp() override
    {
        if (sizeof(void*) != 4)
            GTEST_SKIP() << "addresses are " << sizeof(void*) * 8 << " bits wide here: the drive needs bytes 28 to 31";
    }

    // Sends record with bytes 28 to 31 replaced by the case's value.
    DriveAnswer send(std::uint32_t code, DriverRequest record)
    {
        std::uint32_t high = GetParam().bytes28To31;
        std::memcpy(reinterpret_cast<std::uint8_t*>(&record) + 28, &high, 4);
        return sendRecord(code, record);
    }
};

TEST_P(BufferFromTheLowHalf, ReadsAndWritesTheRightMemory)
{
    std::uint8_t written[512];
    for (std::size_t i = 0; i < sizeof written; ++i)
        written[i] = std::uint8_t(i * 7 + 3);
    CommandBlock write = {0x2A, 0, 0, 0, 0, 9, 0, 0, 1};
    EXPECT_EQ(send(RequestCommand, commandRecord(write, written, 512, false)).status, statusSuccess);

    std::uint8_t read[512];
    std::memset(read, 0xCC, sizeof read);
    CommandBlock readCommand = {0x28, 0, 0, 0, 0, 9, 0, 0, 1};
    EXPECT_EQ(send(RequestCommand, commandRecord(readCommand, read, 512, true)).status, statusSuccess);
    EXPECT_EQ(std::memcmp(read, written, 512), 0);

    // What was written went to the disk, as a plain read shows.
    std::uint8_t check[512] = {};
    ASSERT_EQ(readBlock(9, check).status, statusSuccess);
    EXPECT_EQ(std::memcmp(check, written, 512), 0);
}

TEST_P(BufferFromTheLowHalf, AnswersTheMountFolderIntoTheBuffer)
{
    char16_t name[20];
    std::memset(name, 0xCC, sizeof name);
    ASSERT_EQ(send(RequestMountFolder, mountFolderRecord(name)).status, statusSuccess);
    name[16] = u'\0';
    char utf8[80];
    ASSERT_TRUE(wideToUtf8(name, utf8, sizeof utf8));
    EXPECT_EQ(std::string(utf8), mountFolder());
    EXPECT_NE(std::string(utf8), "");
}

INSTANTIATE_TEST_SUITE_P(Table, BufferFromTheLowHalf, testing::ValuesIn(highHalfCases),
                         [](const testing::TestParamInfo<HighHalfCase>& info) { return info.param.name; });

} // namespace
