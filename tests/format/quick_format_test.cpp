// quickFormat on the test driver: the order and contents of the 219
// sectors, the progress reports, the clock stamps, the label, the stop at
// the first failed write, and no heap allocation while it runs.
#include "tests/format/quick_format_fixture.h"

#include <cctype>
#include <string>

namespace quick_format_test {

// operator new counts into allocations while countAllocations is set
// (quick_format_allocation_counter.cpp).
extern bool countAllocations;
extern std::size_t allocations;

namespace {

std::vector<std::uint32_t> range(std::uint32_t first, std::uint32_t last)
{
    std::vector<std::uint32_t> lbas;
    for (std::uint32_t lba = first; lba <= last; ++lba)
        lbas.push_back(lba);
    return lbas;
}

std::vector<std::uint32_t> expectedOrder()
{
    std::vector<std::uint32_t> order = range(1, 31);
    order.push_back(0);
    order.push_back(32);
    for (std::uint32_t lba : range(34, 109))
        order.push_back(lba);
    for (std::uint32_t lba : range(111, 186))
        order.push_back(lba);
    order.push_back(33);
    order.push_back(110);
    for (std::uint32_t lba : range(187, 218))
        order.push_back(lba);
    return order;
}

std::vector<std::uint32_t> lbasOf(const std::vector<WrittenSector>& sectors)
{
    std::vector<std::uint32_t> lbas;
    for (const WrittenSector& s : sectors)
        lbas.push_back(s.lba);
    return lbas;
}

bool allBytes(const std::uint8_t* data, std::size_t size, std::uint8_t value)
{
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] != value)
            return false;
    return true;
}

std::string textAt(const std::uint8_t* sector, std::size_t offset, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(sector) + offset, size);
}

std::uint32_t read32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

using QuickFormat = QuickFormatRun;

TEST_F(QuickFormat, WritesTheSectorsInOrderAndReportsFiveTimes)
{
    ASSERT_TRUE(format(0, 25700));
    std::vector<WrittenSector> sectors = writtenSectors();
    EXPECT_EQ(lbasOf(sectors), expectedOrder());
    EXPECT_EQ(log.all(), (std::vector<Report>{{0, 25700}, {3627, 25700}, {12753, 25700}, {21645, 25700}, {25623, 25700}}));
}

TEST_F(QuickFormat, WritesFillerFatsAndRootDirectory)
{
    ASSERT_TRUE(format(0, 25700));
    std::vector<WrittenSector> sectors = writtenSectors();
    ASSERT_EQ(sectors.size(), 219u);
    for (std::uint32_t lba = 1; lba <= 31; ++lba)
        EXPECT_TRUE(allBytes(sectorAt(sectors, lba), 512, 0x48)) << "filler LBA " << lba;
    for (std::uint32_t fat : {33u, 110u}) {
        const std::uint8_t* first = sectorAt(sectors, fat);
        const std::uint8_t start[4] = {0xF8, 0xFF, 0xFF, 0xFF};
        EXPECT_EQ(std::memcmp(first, start, 4), 0) << "FAT at LBA " << fat;
        EXPECT_TRUE(allBytes(first + 4, 508, 0)) << "FAT at LBA " << fat;
        for (std::uint32_t lba = fat + 1; lba < fat + 77; ++lba)
            EXPECT_TRUE(allBytes(sectorAt(sectors, lba), 512, 0)) << "FAT sector LBA " << lba;
    }
    const std::uint8_t* root = sectorAt(sectors, 187);
    EXPECT_EQ(textAt(root, 0, 11), "MYLABEL    ");
    EXPECT_EQ(root[11], 0x28);
    EXPECT_TRUE(allBytes(root + 12, 10, 0));
    EXPECT_TRUE(allBytes(root + 26, 6, 0));      // first cluster and size
    EXPECT_TRUE(allBytes(root + 32, 480, 0));
    for (std::uint32_t lba = 188; lba <= 218; ++lba)
        EXPECT_TRUE(allBytes(sectorAt(sectors, lba), 512, 0)) << "root LBA " << lba;
}

struct Field {
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> text(const char* s, bool withZero = true)
{
    std::vector<std::uint8_t> bytes(s, s + std::strlen(s));
    if (withZero)
        bytes.push_back(0);
    return bytes;
}

void expectFields(const std::uint8_t* sector, const std::vector<Field>& fields)
{
    for (const Field& f : fields)
        EXPECT_EQ(std::vector<std::uint8_t>(sector + f.offset, sector + f.offset + f.bytes.size()), f.bytes)
            << "at offset 0x" << std::hex << f.offset;
}

TEST_F(QuickFormat, BootRecordHoldsTextsMessageTableAndPartitionSlot4)
{
    ASSERT_TRUE(format(0, 25700));
    const std::uint8_t* record = sectorAt(writtenSectors(), 0);
    ASSERT_NE(record, nullptr);
    expectFields(record, {
        {0x000, {0xEB, 0x2E}},
        {0x0E9, text("Invalid partition table")},
        {0x101, text("Disk is not bootable")},
        {0x116, text("Error loading operating system")},
        {0x135, text("Missing operating system")},
        {0x14E, text("\r\nReplace and strike any key when ready\r\n")},
        {0x178, std::vector<std::uint8_t>(54, 0)},
        {0x1AE, {0x0E, 0x02}},
        {0x1B0, {0xE9, 0x00, 0x01, 0x01, 0x16, 0x01, 0x35, 0x01, 0x4E, 0x01}},
        {0x1BA, {0xDB, 0x9B, 0x7B, 0xE5}},
        {0x1BE, std::vector<std::uint8_t>(48, 0)},
        {0x1EE, {0x80, 0x01, 0x01, 0x00, 0x06, 0x0F, 0x20, 0x99, 0x20, 0x00, 0x00, 0x00, 0xE0, 0x33, 0x01, 0x00}},
        {0x1FE, {0x55, 0xAA}},
    });
    // A reader that takes EB xx 90 for a boot sector must follow slot 4 instead.
    EXPECT_TRUE(std::isalpha(record[2])) << "byte 2 is 0x" << std::hex << int(record[2]);
    EXPECT_EQ(read32(record + 0x1F6), 32u);
}

TEST_F(QuickFormat, BootSectorHoldsTheFieldsMessagesAndSystemFileNames)
{
    ASSERT_TRUE(format(0, 25700));
    const std::uint8_t* boot = sectorAt(writtenSectors(), 32);
    ASSERT_NE(boot, nullptr);
    expectFields(boot, {
        {0x000, {0xEB, 0x3E, 0x90}},
        {0x003, {0x28, 0x7E, 0x24, 0x5A, 0x3F, 0x49, 0x48, 0x43}},
        {0x00B, {0x00, 0x02}},                // bytes per sector
        {0x00D, {4}},                         // sectors per cluster
        {0x00E, {1, 0}},                      // reserved sectors
        {0x010, {2}},                         // FATs
        {0x011, {0x00, 0x02}},                // root directory entries
        {0x013, {0, 0}},                      // 16-bit total sectors
        {0x015, {0xF8}},
        {0x016, {77, 0}},                     // sectors per FAT
        {0x018, {32, 0}},                     // sectors per track
        {0x01A, {16, 0}},                     // heads
        {0x01C, {32, 0, 0, 0}},               // hidden sectors
        {0x020, {0xE0, 0x33, 0x01, 0x00}},    // 78816 sectors
        {0x024, {0x80, 0x00, 0x29}},
        {0x027, {0x71, 0x2C, 0x15, 0x15}},    // serial of 2024-07-15 13:45:37.987
        {0x02B, text("MYLABEL    ", false)},
        {0x036, text("FAT16   ", false)},
        {0x03E, {0xF1, 0x7D}},
        {0x180, {0x03, 0x18, 0x01, 0x27}},
        {0x184, text("\r\nInvalid system disk\xFF", false)},
        {0x19A, text("\r\nDisk I/O error\xFF", false)},
        {0x1AB, text("\r\nReplace the disk, and then press any key\r\n")},
        {0x1D8, text("IO      SYS", false)},
        {0x1E3, text("MSDOS   SYS", false)},
        {0x1EE, {0x80, 0x01, 0x00}},
        {0x1F1, text("WINBOOT SYS", false)},
        {0x1FC, {0x00, 0x00, 0x55, 0xAA}},
    });
}

// The loaders begin where the sectors' jumps land, each with its first
// instruction (cli), and reach their messages and names through the table,
// the link bytes and the name pointer.
TEST_F(QuickFormat, LoadersSitWhereTheJumpsLandAndFindTheirMessages)
{
    ASSERT_TRUE(format(0, 25700));
    std::vector<WrittenSector> sectors = writtenSectors();
    const std::uint8_t* record = sectorAt(sectors, 0);
    const std::uint8_t* boot = sectorAt(sectors, 32);
    ASSERT_NE(record, nullptr);
    ASSERT_NE(boot, nullptr);

    EXPECT_EQ(2 + record[1], 0x030);
    EXPECT_EQ(record[0x030], 0xFA);
    EXPECT_EQ(2 + boot[1], 0x040);
    EXPECT_EQ(boot[0x040], 0xFA);

    const char* recordTexts[] = {"Invalid partition table", "Disk is not bootable", "Error loading operating system",
                                 "Missing operating system", "\r\nReplace and strike any key when ready\r\n"};
    for (int i = 0; i < 5; ++i) {
        std::size_t at = record[0x1B0 + 2 * i] | record[0x1B1 + 2 * i] << 8;
        ASSERT_LT(at, 512u);
        EXPECT_STREQ(reinterpret_cast<const char*>(record + at), recordTexts[i]) << "message " << i;
    }

    const char* linkTexts[] = {"\r\nInvalid system disk\xFF", "\r\nDisk I/O error\xFF", "\r\nInvalid system disk\xFF",
                               "\r\nReplace the disk, and then press any key\r\n"};
    for (std::size_t link = 0x180; link < 0x184; ++link) {
        std::size_t at = link + 1 + boot[link];
        const char* expected = linkTexts[link - 0x180];
        EXPECT_EQ(textAt(boot, at, std::strlen(expected)), expected) << "link at 0x" << std::hex << link;
    }
    std::size_t name = (boot[0x03E] | boot[0x03F] << 8) - 0x7C00;
    EXPECT_EQ(textAt(boot, name, 11), "WINBOOT SYS");
}

struct ProgressCase {
    const char* name;
    std::uint32_t done, total;
    std::vector<std::uint32_t> reports;
};

void PrintTo(const ProgressCase& c, std::ostream* os) { *os << c.name; }

class Progress : public QuickFormatRun, public testing::WithParamInterface<ProgressCase> {};

TEST_P(Progress, ReportsFiveTimesWithTheTotal)
{
    const ProgressCase& c = GetParam();
    ASSERT_TRUE(format(c.done, c.total));
    std::vector<Report> expected;
    for (std::uint32_t done : c.reports)
        expected.push_back({done, c.total});
    EXPECT_EQ(log.all(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Progress,
    testing::Values(ProgressCase{"SimpleFormat", 0, 25700, {0, 3627, 12753, 21645, 25623}},
                    ProgressCase{"AfterLongFormatNoUnitPerSector", 25600, 25700, {25600, 25600, 25600, 25600, 25600}},
                    ProgressCase{"OneUnitPerSector", 1000, 1219, {1000, 1031, 1109, 1185, 1219}},
                    ProgressCase{"WholeScale", 0, 0xFFFFFFFFu, {0, 607963382, 2137677698, 3628168570, 4294967118u}},
                    ProgressCase{"StartAtTheTotal", 25700, 25700, {25700, 25700, 25700, 25700, 25700}},
                    ProgressCase{"StartBeyondTheTotal", 30000, 25700, {25700, 25700, 25700, 25700, 25700}}),
    [](const testing::TestParamInfo<ProgressCase>& info) { return info.param.name; });

struct ClockCase {
    const char* name;
    ClockReading reading;
    std::uint32_t serial, stamp;
};

void PrintTo(const ClockCase& c, std::ostream* os) { *os << c.name; }

class ClockStampsOf : public QuickFormatRun, public testing::WithParamInterface<ClockCase> {};

TEST_P(ClockStampsOf, SerialAndDateTimeStamp)
{
    const ClockCase& c = GetParam();
    fixedClock = c.reading;
    ClockStamps stamps = readClockStamps();
    EXPECT_EQ(stamps.serialNumber, c.serial) << std::hex << stamps.serialNumber;
    EXPECT_EQ(stamps.dateTimeStamp, c.stamp) << std::hex << stamps.dateTimeStamp;

    // The same reading goes into the boot sector and the label entry.
    ASSERT_TRUE(format(0, 25700));
    std::vector<WrittenSector> sectors = writtenSectors();
    EXPECT_EQ(read32(sectorAt(sectors, 32) + 0x027), c.serial);
    EXPECT_EQ(read32(sectorAt(sectors, 187) + 22), c.stamp);
}

INSTANTIATE_TEST_SUITE_P(Cases, ClockStampsOf,
    testing::Values(ClockCase{"Summer2024", {2024, 7, 15, 13, 45, 37, 987}, 0x15152C71, 0x58EF6DB2},
                    ClockCase{"LastSecondOf1999", {1999, 12, 31, 23, 59, 58, 999}, 0x1F0A4682, 0x279FBF7D},
                    // FAT years wrap modulo 128: 1979 is year 127, 2108 year 0; the serial keeps the full year.
                    ClockCase{"Year1979", {1979, 1, 1, 0, 0, 0, 0}, 0x07BB0101, 0xFE210000},
                    ClockCase{"Year2108", {2108, 3, 9, 8, 7, 6, 50}, 0x1043090E, 0x006940E3}),
    [](const testing::TestParamInfo<ClockCase>& info) { return info.param.name; });

TEST_F(QuickFormat, Year1979IsFatYear127)
{
    fixedClock = ClockReading{1979, 6, 30, 12, 0, 0, 0};
    EXPECT_EQ(readClockStamps().dateTimeStamp >> 25, 127u);
    EXPECT_EQ(readClockStamps().serialNumber >> 16, 1979u + 12 * 256);
}

struct LabelCase {
    const char* name;
    std::uint8_t label[11];
    bool entryWritten;
};

void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.name; }

class Labels : public QuickFormatRun, public testing::WithParamInterface<LabelCase> {};

TEST_P(Labels, GoUnchangedIntoBootSectorAndLabelEntry)
{
    const LabelCase& c = GetParam();
    ASSERT_TRUE(format(0, 25700, c.label));
    std::vector<WrittenSector> sectors = writtenSectors();
    EXPECT_EQ(std::memcmp(sectorAt(sectors, 32) + 0x02B, c.label, 11), 0);
    const std::uint8_t* root = sectorAt(sectors, 187);
    if (c.entryWritten) {
        EXPECT_EQ(std::memcmp(root, c.label, 11), 0);
        EXPECT_EQ(root[11], 0x28);
        EXPECT_EQ(read32(root + 22), 0x58EF6DB2u);
        EXPECT_TRUE(allBytes(root + 32, 480, 0));
    } else {
        EXPECT_TRUE(allBytes(root, 512, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Labels,
    testing::Values(LabelCase{"NoLabel", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
                    LabelCase{"ElevenBlanks", {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}, true},
                    LabelCase{"LowerCase", {'m', 'y', ' ', 'd', 'i', 's', 'k', ' ', ' ', ' ', ' '}, true},
                    LabelCase{"ZeroAfterFirstByte", {'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true}),
    [](const testing::TestParamInfo<LabelCase>& info) { return info.param.name; });

struct FailureCase {
    const char* name;
    std::uint32_t failingLba;
    std::size_t reports;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailedWrite : public QuickFormatRun, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailedWrite, EndsTheRunAtOnce)
{
    const FailureCase& c = GetParam();
    std::vector<std::uint32_t> order = expectedOrder();
    std::size_t failing = 0;
    while (order[failing] != c.failingLba)
        ++failing;
    TestDriverAnswer success;
    for (std::size_t i = 0; i < failing; ++i)
        testDriverQueueAnswer(&success);
    TestDriverAnswer failure;
    failure.status = 14;
    testDriverSetDefaultAnswer(&failure);

    EXPECT_FALSE(format(0, 25700));
    order.resize(failing + 1);   // the failed write is the last one sent
    EXPECT_EQ(lbasOf(writtenSectors()), order);
    std::vector<Report> all = {{0, 25700}, {3627, 25700}, {12753, 25700}, {21645, 25700}, {25623, 25700}};
    all.resize(c.reports);
    EXPECT_EQ(log.all(), all);
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedWrite,
    testing::Values(FailureCase{"FirstFiller", 1, 1},
                    FailureCase{"Lba40", 40, 2},
                    FailureCase{"BootRecord", 0, 2},
                    FailureCase{"BootSector", 32, 2},
                    FailureCase{"FirstSectorOfFat1", 33, 4},
                    FailureCase{"LabelEntry", 187, 4},
                    FailureCase{"LastRootSector", 218, 4}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(QuickFormat, AllocatesNothingWhileWriting)
{
    // The first run binds the driver and lets the test driver's record
    // store grow; the counted run then sees only quickFormat's own needs.
    ASSERT_TRUE(format(0, 25700));
    testDriverReset();
    log.count = 0;
    allocations = 0;
    countAllocations = true;
    bool written = format(0, 25700);
    countAllocations = false;
    EXPECT_TRUE(written);
    EXPECT_EQ(testDriverRequestCount(), 219u);
    EXPECT_EQ(allocations, 0u);
}

} // namespace
} // namespace quick_format_test
