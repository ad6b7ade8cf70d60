// The volume label reader in a Japanese run, where labels are CP932 text:
// double-byte characters give fewer wide characters than bytes, and only
// the 11 bytes of the label field are read.
#include "format/volume_label.h"
#include "tests/support/environment.h"
#include "tests/support/test_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

namespace {

// The code page goes with the language and is fixed at the first
// conversion, so the run is made Japanese before any test starts.
const int japaneseRun = setTestEnvironment("QUIB_LANGID", "1041");

void queueBootSector(const char* label11, const char* fileSystemType)
{
    TestDriverAnswer a;
    a.data[0] = 0xEB;
    a.data[1] = 0x3C;
    a.data[2] = 0x90;
    std::memcpy(a.data + 43, label11, 11);
    std::memcpy(a.data + 54, fileSystemType, 8);
    a.data[510] = 0x55;
    a.data[511] = 0xAA;
    a.dataLength = 512;
    testDriverQueueAnswer(&a);
}

struct JapaneseCase {
    const char* name;
    const char* label11;
    const char* fileSystemType;
    std::u16string text;
    friend void PrintTo(const JapaneseCase& c, std::ostream* os) { *os << c.name; }
};

class JapaneseLabel : public testing::TestWithParam<JapaneseCase> {};

TEST_P(JapaneseLabel, ConvertsTheLabelFieldAlone)
{
    ASSERT_EQ(japaneseRun, 0);
    testDriverReset();
    const JapaneseCase& c = GetParam();
    queueBootSector(c.label11, c.fileSystemType);
    char16_t text[20];
    EXPECT_TRUE(readVolumeLabel(text));
    EXPECT_EQ(std::u16string(text), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JapaneseLabel,
    testing::Values(
        // "日本" takes four bytes: 11 bytes give 9 characters.
        JapaneseCase{"DoubleByteCharacters", "\x93\xfa\x96\x7b" "ABC    ", "FAT16   ", u"日本ABC    "},
        JapaneseCase{"HalfWidthKatakana", "\xd2\xd3\xd8 \xb6\xb0\xc4\xde   ", "FAT16   ", u"ﾒﾓﾘ ｶｰﾄﾞ   "},
        // A double-byte character cut by the end of the field does not run
        // on into the file-system type: the label cannot be read.
        JapaneseCase{"CharacterCutAtTheEndOfTheField", "ABCDEFGHIJ\x93", "\xfa" "AT16   ", u""}),
    [](const testing::TestParamInfo<JapaneseCase>& info) { return std::string(info.param.name); });

} // namespace
