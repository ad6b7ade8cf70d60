// The volume label reader on the test driver library, with one small sector
// fixture for each layout it must tell apart: which sectors it reads, the
// text it delivers and its result.
#include "format/quick_format.h"
#include "format/volume_label.h"
#include "tests/support/test_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Sector = std::vector<std::uint8_t>;

constexpr std::size_t labelOffset = 43;

void put32(Sector& sector, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        sector[offset + i] = std::uint8_t(value >> (8 * i));
}

Sector signed512()
{
    Sector sector(512, 0);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

// A FAT boot sector: a short jump and a NOP, the label at 43 and the
// file-system type behind it at 54.
Sector bootSector(const char* label11)
{
    Sector sector = signed512();
    sector[0] = 0xEB;
    sector[1] = 0x3C;
    sector[2] = 0x90;
    std::memcpy(sector.data() + 3, "MSWIN4.1", 8);
    std::memcpy(sector.data() + labelOffset, label11, 11);
    std::memcpy(sector.data() + 54, "FAT16   ", 8);
    return sector;
}

// A boot record as the quick format writes it: its loader's jump EB 2E
// followed by code (a letter at byte 2), the partition's first sector in
// slot 4 (0x1F6), and the signature.
Sector bootRecordWithSlot4(std::uint32_t firstSector)
{
    Sector sector = signed512();
    sector[0] = 0xEB;
    sector[1] = 0x2E;
    sector[2] = 'Q';
    sector[0x1EE + 4] = 0x06;   // slot 4's partition type
    put32(sector, 0x1F6, firstSector);
    return sector;
}

struct Answer {
    Sector sector;            // empty: the read fails with no disk
};

struct LabelCase {
    const char* name;
    std::vector<Answer> answers;            // for the reads, in order
    std::vector<std::uint32_t> reads;       // block addresses asked for
    bool result;
    std::u16string text;
    friend void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.name; }
};

Sector withByte(Sector sector, std::size_t offset, std::uint8_t value)
{
    sector[offset] = value;
    return sector;
}

Sector slot1Only()
{
    Sector sector = bootRecordWithSlot4(0);
    put32(sector, 0x1C6, 32);   // slot 1's first sector
    return sector;
}

void queueRead(const Answer& answer)
{
    TestDriverAnswer a;
    if (answer.sector.empty()) {
        a.status = 2;
        a.senseCode = 0x3A;
    } else {
        std::memcpy(a.data, answer.sector.data(), 512);
        a.dataLength = 512;
    }
    testDriverQueueAnswer(&a);
}

// The block addresses of the READ(10) requests the driver received.
std::vector<std::uint32_t> blocksRead()
{
    std::vector<std::uint32_t> blocks;
    for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
        const TestDriverRecord& r = *testDriverRequest(i);
        const std::uint8_t* command = r.record + 13;
        EXPECT_EQ(command[0], 0x28) << "request " << i << " is not READ(10)";
        EXPECT_EQ(r.record[42] | r.record[43] << 8, 0) << "request " << i << " is not for drive 0";
        blocks.push_back(std::uint32_t(command[2]) << 24 | command[3] << 16 | command[4] << 8 | command[5]);
    }
    return blocks;
}

class VolumeLabel : public testing::TestWithParam<LabelCase> {
protected:
    void SetUp() override { testDriverReset(); }
};

TEST_P(VolumeLabel, ReadsTheLabelOfTheBootSector)
{
    const LabelCase& c = GetParam();
    for (const Answer& answer : c.answers)
        queueRead(answer);
    // Whatever the buffer held before, the text is replaced.
    char16_t text[20];
    std::fill(std::begin(text), std::end(text), u'#');
    EXPECT_EQ(readVolumeLabel(text), c.result);
    EXPECT_EQ(std::u16string(text), c.text);
    EXPECT_EQ(blocksRead(), c.reads);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, VolumeLabel,
    testing::Values(
        LabelCase{"QuickFormatLayoutKeepsTrailingSpaces",
                  {{bootRecordWithSlot4(32)}, {bootSector("MYLABEL    ")}}, {0, 32}, true, u"MYLABEL    "},
        LabelCase{"QuickFormatLayoutWithoutLabel",
                  {{bootRecordWithSlot4(32)}, {bootSector("\0\0\0\0\0\0\0\0\0\0\0")}}, {0, 32}, true, u""},
        LabelCase{"Slot4AddressIsLittleEndian",
                  {{bootRecordWithSlot4(0x01020304)}, {bootSector("FAR AWAY   ")}}, {0, 0x01020304}, true,
                  u"FAR AWAY   "},
        LabelCase{"Sector0IsTheBootSector", {{bootSector("NO TABLE   ")}}, {0}, true, u"NO TABLE   "},
        LabelCase{"ElevenNonBlankCharactersStopBeforeTheFileSystemType",
                  {{bootSector("ABCDEFGHIJK")}}, {0}, true, u"ABCDEFGHIJK"},
        LabelCase{"LabelEndsAtAZeroByte", {{bootSector("AB\0DEFGHIJK")}}, {0}, true, u"AB"},
        // Slot 4 empty: sector 0 is read again and is no boot sector.
        LabelCase{"PartitionInSlot1Only", {{slot1Only()}, {slot1Only()}}, {0, 0}, false, u""},
        LabelCase{"Sector0WithoutSignature", {{withByte(bootSector("SIGNATURE  "), 511, 0x00)}}, {0}, false, u""},
        LabelCase{"Sector0SignatureBytesSwapped",
                  {{withByte(withByte(bootSector("SIGNATURE  "), 510, 0xAA), 511, 0x55)}}, {0}, false, u""},
        LabelCase{"SecondSectorWithoutJump",
                  {{bootRecordWithSlot4(32)}, {withByte(bootSector("BAD JUMP   "), 0, 0xE9)}}, {0, 32}, false, u""},
        LabelCase{"SecondSectorWithoutNop",
                  {{bootRecordWithSlot4(32)}, {withByte(bootSector("BAD NOP    "), 2, 0x00)}}, {0, 32}, false, u""},
        LabelCase{"SecondSectorWithoutSignature",
                  {{bootRecordWithSlot4(32)}, {withByte(bootSector("BAD SIGN   "), 510, 0x00)}}, {0, 32}, false,
                  u""},
        LabelCase{"NoDisk", {{}}, {0}, false, u""},
        LabelCase{"SecondReadFails", {{bootRecordWithSlot4(32)}, {}}, {0, 32}, false, u""},
        // 0x81 0x7F is no character in the code page of either language.
        LabelCase{"LabelThatCannotBeConvertedIsEmpty", {{bootSector("\x81\x7F" "CDEFGHIJK")}}, {0}, true, u""}),
    [](const testing::TestParamInfo<LabelCase>& info) { return std::string(info.param.name); });

void ignoreProgress(void*, std::uint32_t, std::uint32_t) {}

// The quick format's own image read back: what it wrote to sectors 0 and 32
// is answered to the reader's reads.
TEST(VolumeLabelOfAFreshDisk, IsTheLabelTheQuickFormatWrote)
{
    for (const char* label : {"MYLABEL    ", "\0\0\0\0\0\0\0\0\0\0\0"}) {
        testDriverReset();
        ProgressSink sink{ignoreProgress, nullptr};
        ASSERT_TRUE(quickFormat(sink, 0, 100, reinterpret_cast<const std::uint8_t*>(label)));
        Sector written[33];
        for (std::size_t i = 0; i < testDriverRequestCount(); ++i) {
            const TestDriverRecord& r = *testDriverRequest(i);
            const std::uint8_t* command = r.record + 13;
            std::uint32_t lba = std::uint32_t(command[2]) << 24 | command[3] << 16 | command[4] << 8 | command[5];
            if (lba <= 32)
                written[lba].assign(r.data, r.data + 512);
        }
        ASSERT_EQ(written[0].size(), 512u);
        ASSERT_EQ(written[32].size(), 512u);

        testDriverReset();
        queueRead({written[0]});
        queueRead({written[32]});
        char16_t text[20];
        EXPECT_TRUE(readVolumeLabel(text));
        EXPECT_EQ(std::u16string(text), label[0] == 0 ? u"" : u"MYLABEL    ");
        EXPECT_EQ(blocksRead(), (std::vector<std::uint32_t>{0, 32}));
    }
}

} // namespace
