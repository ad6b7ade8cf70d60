// The two loaders that quickFormat writes, run in the Unicorn CPU emulator
// (16-bit real mode, 1 MB of memory) with the BIOS services faked here: the
// disk is the written image, and each case changes what it needs. The cases
// check what the loaders print, what they read, and where they hand over.
#include "tests/format/quick_format_fixture.h"

#ifdef QUIB_HAVE_UNICORN
#include <unicorn/unicorn.h>
#endif

#include <array>
#include <map>
#include <string>

namespace quick_format_test {
namespace {

#ifndef QUIB_HAVE_UNICORN

TEST(Loaders, NeedTheUnicornEmulator)
{
    GTEST_SKIP() << "the Unicorn CPU emulator (Debian package libunicorn-dev) is not installed";
}

#else

using Sector = std::array<std::uint8_t, 512>;

constexpr std::uint32_t loadAddress = 0x7C00;
constexpr std::uint32_t systemStart = 0x0070 * 16 + 0x0200;   // 0070:0200
constexpr std::uint32_t warmStart = 0xF000 * 16 + 0xFFF0;     // F000:FFF0
constexpr std::uint32_t tableVector = 0x1E * 4;
constexpr std::uint32_t biosTable = 0xF000 * 16 + 0xEFC7;     // where the BIOS keeps its diskette table
constexpr std::uint8_t biosTableBytes[11] = {0xDF, 0x02, 0x25, 0x02, 0x09, 0x2A, 0xFF, 0x50, 0xF6, 0x19, 0x04};

constexpr std::uint32_t heads = 16;
constexpr std::uint32_t sectorsPerTrack = 32;
constexpr std::uint32_t rootDirectory = 187;
constexpr std::uint32_t firstDataSector = 219;

const std::string replaceRecordPrompt = "\r\nReplace and strike any key when ready\r\n";
const std::string replaceDiskPrompt = "\r\nReplace the disk, and then press any key\r\n";

enum class Ending { None, BootSectorStarted, SystemStarted, WarmStart, BootRestart, Unexpected };

struct DiskRead {
    std::uint8_t drive;
    std::uint32_t lba;
    bool failed;
};

struct Registers {
    std::uint16_t cs, ds, ss, si, dl;
};

// The emulated PC: memory, the disk behind int 13h, the screen behind
// int 10h, a keyboard whose key is always there, and where the run ended.
struct Machine {
    uc_engine* uc = nullptr;
    std::map<std::uint32_t, Sector> disk;   // sectors not in it read as zeros
    int readsToFail = 0;                    // the next this many reads fail
    std::uint32_t failingFrom = 0xFFFFFFFF; // reads from this LBA on fail
    bool stopAtBootSector = true;           // end the run when the boot record hands over
    std::vector<DiskRead> reads;
    int resets = 0;
    int keys = 0;
    std::string screen;
    bool teletypePageAndColourRight = true;
    int startsAt7C00 = 0;
    Ending ending = Ending::None;
    std::string unexpected;
    Registers atEnding{};
    std::uint32_t vectorAtRestart = 0;
    int keysAtRestart = 0;
};

std::uint16_t reg(uc_engine* uc, int id)
{
    std::uint32_t value = 0;
    uc_reg_read(uc, id, &value);
    return std::uint16_t(value);
}

void setReg(uc_engine* uc, int id, std::uint32_t value) { uc_reg_write(uc, id, &value); }

void setCarry(uc_engine* uc, bool carry)
{
    std::uint32_t flags = 0;
    uc_reg_read(uc, UC_X86_REG_EFLAGS, &flags);
    flags = carry ? flags | 1u : flags & ~1u;
    uc_reg_write(uc, UC_X86_REG_EFLAGS, &flags);
}

std::uint32_t read32At(uc_engine* uc, std::uint32_t address)
{
    std::uint8_t b[4] = {};
    uc_mem_read(uc, address, b, 4);
    return b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
}

void end(Machine& m, Ending ending)
{
    m.ending = ending;
    m.atEnding = {reg(m.uc, UC_X86_REG_CS), reg(m.uc, UC_X86_REG_DS), reg(m.uc, UC_X86_REG_SS),
                  reg(m.uc, UC_X86_REG_SI), std::uint16_t(reg(m.uc, UC_X86_REG_DX) & 0xFF)};
    uc_emu_stop(m.uc);
}

void readDisk(Machine& m)
{
    std::uint16_t ax = reg(m.uc, UC_X86_REG_AX), bx = reg(m.uc, UC_X86_REG_BX);
    std::uint16_t cx = reg(m.uc, UC_X86_REG_CX), dx = reg(m.uc, UC_X86_REG_DX);
    std::uint16_t es = reg(m.uc, UC_X86_REG_ES);
    std::uint32_t cylinder = (cx >> 8) | (cx & 0xC0) << 2;
    std::uint32_t sector = cx & 0x3F;
    std::uint32_t head = dx >> 8;
    std::uint32_t count = ax & 0xFF;
    std::uint32_t lba = (cylinder * heads + head) * sectorsPerTrack + sector - 1;
    bool fail = m.readsToFail > 0 || lba >= m.failingFrom || sector == 0 || head >= heads || count == 0;
    m.reads.push_back({std::uint8_t(dx), lba, fail});
    if (fail) {
        if (m.readsToFail > 0)
            --m.readsToFail;
        setReg(m.uc, UC_X86_REG_AX, 0x0400);   // sector not found
        setCarry(m.uc, true);
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        Sector data{};
        auto found = m.disk.find(lba + i);
        if (found != m.disk.end())
            data = found->second;
        std::uint32_t address = std::uint32_t(es) * 16 + bx + i * 512;
        uc_mem_write(m.uc, address, data.data(), 512);
        // Code translated from the old contents must not run again (the
        // boot record reads the boot sector over its own first copy).
        uc_ctl_remove_cache(m.uc, address, address + 512);
    }
    setReg(m.uc, UC_X86_REG_AX, count);
    setCarry(m.uc, false);
}

void onInterrupt(uc_engine* uc, std::uint32_t number, void* context)
{
    Machine& m = *static_cast<Machine*>(context);
    std::uint8_t function = reg(uc, UC_X86_REG_AX) >> 8;
    if (number == 0x10 && function == 0x0E) {
        m.screen += char(reg(uc, UC_X86_REG_AX) & 0xFF);
        if (reg(uc, UC_X86_REG_BX) != 0x0007)
            m.teletypePageAndColourRight = false;
    } else if (number == 0x13 && function == 0x02) {
        readDisk(m);
    } else if (number == 0x13 && function == 0x00) {
        ++m.resets;
        setReg(uc, UC_X86_REG_AX, 0);
        setCarry(uc, false);
    } else if (number == 0x16 && function == 0x00) {
        ++m.keys;
        setReg(uc, UC_X86_REG_AX, 0x1C0D);   // Enter
    } else if (number == 0x19) {
        m.vectorAtRestart = read32At(uc, tableVector);
        m.keysAtRestart = m.keys;
        end(m, Ending::BootRestart);
    } else {
        m.unexpected = "int " + std::to_string(number) + " function " + std::to_string(function);
        end(m, Ending::Unexpected);
    }
}

void onLoadAddress(uc_engine*, std::uint64_t, std::uint32_t, void* context)
{
    Machine& m = *static_cast<Machine*>(context);
    if (++m.startsAt7C00 > 1 && m.stopAtBootSector)
        end(m, Ending::BootSectorStarted);
}

void onSystemStart(uc_engine*, std::uint64_t, std::uint32_t, void* context)
{
    end(*static_cast<Machine*>(context), Ending::SystemStarted);
}

void onWarmStart(uc_engine*, std::uint64_t, std::uint32_t, void* context)
{
    end(*static_cast<Machine*>(context), Ending::WarmStart);
}

class Loaders : public QuickFormatRun {
protected:
    void SetUp() override
    {
        QuickFormatRun::SetUp();
        ASSERT_TRUE(format(0, 25700));
        for (const WrittenSector& s : writtenSectors()) {
            Sector data;
            std::memcpy(data.data(), s.data, 512);
            m.disk[s.lba] = data;
        }
        ASSERT_EQ(m.disk.size(), 219u);
        ASSERT_EQ(uc_open(UC_ARCH_X86, UC_MODE_16, &m.uc), UC_ERR_OK);
        ASSERT_EQ(uc_mem_map(m.uc, 0, 1u << 20, UC_PROT_ALL), UC_ERR_OK);
        uc_hook hook;
        uc_hook_add(m.uc, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(onInterrupt), &m, 1, 0);
        uc_hook_add(m.uc, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(onLoadAddress), &m, loadAddress, loadAddress);
        uc_hook_add(m.uc, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(onSystemStart), &m, systemStart, systemStart);
        uc_hook_add(m.uc, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(onWarmStart), &m, warmStart, warmStart);
    }
    void TearDown() override
    {
        if (m.uc != nullptr)
            uc_close(m.uc);
        QuickFormatRun::TearDown();
    }

    Sector& sector(std::uint32_t lba) { return m.disk[lba]; }

    // Starts the machine on the sector at lba, loaded to 0000:7C00 as the
    // BIOS or the boot record would, with DL the boot drive.
    void boot(std::uint32_t lba, std::uint8_t drive = 0x80)
    {
        Sector first = m.disk.count(lba) ? m.disk[lba] : Sector{};
        uc_mem_write(m.uc, loadAddress, first.data(), 512);
        std::uint8_t vector[4] = {0xC7, 0xEF, 0x00, 0xF0};   // F000:EFC7
        uc_mem_write(m.uc, tableVector, vector, 4);
        uc_mem_write(m.uc, biosTable, biosTableBytes, sizeof biosTableBytes);
        for (int id : {UC_X86_REG_CS, UC_X86_REG_DS, UC_X86_REG_ES, UC_X86_REG_SS})
            setReg(m.uc, id, id == UC_X86_REG_CS ? 0 : 0x1234);
        setReg(m.uc, UC_X86_REG_SP, 0x0400);
        setReg(m.uc, UC_X86_REG_DX, drive);
        setReg(m.uc, UC_X86_REG_SI, 0x7FEE);
        uc_err result = uc_emu_start(m.uc, loadAddress, 1u << 20, 0, 2'000'000);
        ASSERT_EQ(result, UC_ERR_OK) << uc_strerror(result);
        ASSERT_NE(m.ending, Ending::Unexpected) << m.unexpected;
        ASSERT_NE(m.ending, Ending::None) << "the loader neither handed over nor stopped";
    }

    std::vector<std::uint32_t> readLbas() const
    {
        std::vector<std::uint32_t> lbas;
        for (const DiskRead& r : m.reads)
            lbas.push_back(r.lba);
        return lbas;
    }

    Sector memory(std::uint32_t address)
    {
        Sector data{};
        uc_mem_read(m.uc, address, data.data(), 512);
        return data;
    }

    // A root directory entry for a file whose first cluster is cluster.
    void addFile(std::uint32_t lba, int index, const char* name, std::uint16_t cluster)
    {
        std::uint8_t* entry = sector(lba).data() + index * 32;
        std::memset(entry, 0, 32);
        std::memcpy(entry, name, 11);
        entry[11] = 0x20;
        entry[26] = std::uint8_t(cluster);
        entry[27] = std::uint8_t(cluster >> 8);
        entry[28] = 0x00;
        entry[29] = 0x10;   // 4096 bytes
    }

    // The cluster's 4 sectors, each marked with its cluster and number; the
    // file's signatures at its start and at offset 512 on request.
    void fillCluster(std::uint16_t cluster, bool mz = true, bool bj = true)
    {
        for (std::uint32_t i = 0; i < 4; ++i) {
            Sector& data = sector(firstDataSector + (cluster - 2u) * 4 + i);
            data.fill(std::uint8_t(0xA0 + i));
            data[2] = std::uint8_t(cluster);
            data[3] = std::uint8_t(cluster >> 8);
        }
        if (mz) {
            sector(firstDataSector + (cluster - 2u) * 4)[0] = 'M';
            sector(firstDataSector + (cluster - 2u) * 4)[1] = 'Z';
        }
        if (bj) {
            sector(firstDataSector + (cluster - 2u) * 4 + 1)[0] = 'B';
            sector(firstDataSector + (cluster - 2u) * 4 + 1)[1] = 'J';
        }
    }

    void expectClusterLoaded(std::uint16_t cluster)
    {
        for (std::uint32_t i = 0; i < 4; ++i)
            EXPECT_EQ(memory(0x0700 + i * 512), sector(firstDataSector + (cluster - 2u) * 4 + i)) << "sector " << i;
    }

    void expectRestartAfterKey(const std::string& message)
    {
        EXPECT_EQ(m.ending, Ending::BootRestart);
        EXPECT_EQ(m.screen, message + replaceDiskPrompt);
        EXPECT_TRUE(m.teletypePageAndColourRight);
        EXPECT_EQ(m.keysAtRestart, 1);
        EXPECT_EQ(m.vectorAtRestart, 0xF000EFC7u) << "vector 1Eh not put back";
    }

    Machine m;
};

// ---- The boot record's loader ----

TEST_F(Loaders, BootRecordReadsTheActivePartitionAndJumpsWithSiAtItsEntry)
{
    boot(0);
    EXPECT_EQ(m.ending, Ending::BootSectorStarted);
    EXPECT_EQ(m.screen, "");
    ASSERT_EQ(m.reads.size(), 1u);
    EXPECT_EQ(m.reads[0].lba, 32u);
    EXPECT_EQ(m.reads[0].drive, 0x80);
    EXPECT_EQ(m.atEnding.cs, 0);
    EXPECT_EQ(m.atEnding.dl, 0x80);
    // SI points at slot 4 in the loader's moved copy at 0000:7E00.
    EXPECT_EQ(m.atEnding.si, 0x7E00 + 0x1EE);
    std::uint8_t entry[16];
    uc_mem_read(m.uc, m.atEnding.si, entry, 16);
    EXPECT_EQ(std::memcmp(entry, sector(0).data() + 0x1EE, 16), 0);
    EXPECT_EQ(memory(loadAddress), sector(32));
}

TEST_F(Loaders, BootRecordFindsAnActiveEntryInAnySlot)
{
    Sector& record = sector(0);
    std::memcpy(record.data() + 0x1BE + 16, record.data() + 0x1EE, 16);   // slot 2
    std::memset(record.data() + 0x1EE, 0, 16);
    record[0x1BE + 16 + 1] = 2;   // start head 2: LBA 64
    sector(64) = sector(32);
    boot(0);
    EXPECT_EQ(m.ending, Ending::BootSectorStarted);
    EXPECT_EQ(readLbas(), (std::vector<std::uint32_t>{64}));
    EXPECT_EQ(m.atEnding.si, 0x7E00 + 0x1BE + 16);
}

TEST_F(Loaders, BootRecordRetriesFourFailedReads)
{
    m.readsToFail = 4;
    boot(0);
    EXPECT_EQ(m.ending, Ending::BootSectorStarted);
    EXPECT_EQ(m.reads.size(), 5u);
    EXPECT_EQ(m.resets, 4);
    EXPECT_EQ(m.screen, "");
}

struct RecordFailure {
    const char* name;
    void (*damage)(Sector& record, Sector& bootSector, int& readsToFail);
    std::string message;
    std::size_t reads;
};

void PrintTo(const RecordFailure& c, std::ostream* os) { *os << c.name; }

class BootRecordFailure : public Loaders, public testing::WithParamInterface<RecordFailure> {};

TEST_P(BootRecordFailure, ShowsItsMessageWaitsForAKeyAndWarmStarts)
{
    const RecordFailure& c = GetParam();
    c.damage(sector(0), sector(32), m.readsToFail);
    boot(0);
    EXPECT_EQ(m.ending, Ending::WarmStart);
    EXPECT_EQ(m.screen, c.message + replaceRecordPrompt);
    EXPECT_TRUE(m.teletypePageAndColourRight);
    EXPECT_EQ(m.keys, 1);
    EXPECT_EQ(m.reads.size(), c.reads);
    std::uint8_t flag[2] = {};
    uc_mem_read(m.uc, 0x0472, flag, 2);
    EXPECT_EQ(flag[0] | flag[1] << 8, 0x1234);
}

INSTANTIATE_TEST_SUITE_P(Cases, BootRecordFailure,
    testing::Values(
        RecordFailure{"NoActivePartition", [](Sector& r, Sector&, int&) { r[0x1EE] = 0; }, "Disk is not bootable", 0},
        RecordFailure{"TwoActivePartitions", [](Sector& r, Sector&, int&) { r[0x1BE] = 0x80; },
                      "Invalid partition table", 0},
        RecordFailure{"FiveFailedReads", [](Sector&, Sector&, int& fail) { fail = 5; },
                      "Error loading operating system", 5},
        RecordFailure{"BootSectorWithout55AA", [](Sector&, Sector& b, int&) { b[511] = 0; },
                      "Missing operating system", 1}),
    [](const testing::TestParamInfo<RecordFailure>& info) { return info.param.name; });

TEST_F(Loaders, FiveFailedReadsResetTheDiskAfterEachTry)
{
    m.readsToFail = 5;
    boot(0);
    EXPECT_EQ(m.resets, 5);
}

// ---- The boot sector's loader ----

TEST_F(Loaders, BootSectorLoadsIoSysAndJumpsTo0070_0200)
{
    addFile(rootDirectory, 1, "IO      SYS", 2);
    fillCluster(2);
    boot(32);
    EXPECT_EQ(m.ending, Ending::SystemStarted);
    EXPECT_EQ(m.screen, "");
    EXPECT_EQ(m.atEnding.cs, 0x0070);
    EXPECT_EQ(m.atEnding.dl, 0x80);
    expectClusterLoaded(2);
    // WINBOOT.SYS is looked for first, through the whole (one-entry) directory.
    EXPECT_EQ(readLbas(), (std::vector<std::uint32_t>{187, 187, 219, 220, 221, 222}));
    for (const DiskRead& r : m.reads)
        EXPECT_EQ(r.drive, 0x80);

    // The diskette parameter table is copied to 0000:0522 with head settle
    // 15 and 32 sectors per track, and vector 1Eh points at the copy.
    std::uint8_t copy[11];
    uc_mem_read(m.uc, 0x0522, copy, 11);
    std::uint8_t expected[11];
    std::memcpy(expected, biosTableBytes, 11);
    expected[4] = 32;
    expected[9] = 15;
    EXPECT_EQ(std::memcmp(copy, expected, 11), 0);
    EXPECT_EQ(read32At(m.uc, tableVector), 0x00000522u);
    EXPECT_EQ(m.resets, 0) << "a hard disk needs no reset";
}

TEST_F(Loaders, BootSectorPrefersWinbootSys)
{
    addFile(rootDirectory, 1, "IO      SYS", 2);
    addFile(rootDirectory, 2, "WINBOOT SYS", 6);
    fillCluster(2);
    fillCluster(6);
    boot(32);
    EXPECT_EQ(m.ending, Ending::SystemStarted);
    expectClusterLoaded(6);
    EXPECT_EQ(readLbas(), (std::vector<std::uint32_t>{187, 235, 236, 237, 238}));
}

TEST_F(Loaders, BootSectorSearchesEveryRootSectorAndReachesHighClusters)
{
    // In the last root sector, with a cluster whose sectors lie above LBA 65535.
    // Deleted entries everywhere else, so that no entry ends the directory early.
    for (std::uint32_t lba = rootDirectory; lba < rootDirectory + 32; ++lba)
        for (int i = (lba == rootDirectory ? 1 : 0); i < 16; ++i)
            sector(lba)[i * 32] = 0xE5;
    addFile(rootDirectory + 31, 15, "IO      SYS", 19000);
    fillCluster(19000);
    boot(32);
    EXPECT_EQ(m.ending, Ending::SystemStarted);
    expectClusterLoaded(19000);
    std::vector<std::uint32_t> lbas = readLbas();
    ASSERT_EQ(lbas.size(), 32u + 32u + 4u);
    EXPECT_EQ(lbas[31], rootDirectory + 31);
    EXPECT_EQ(lbas[64], firstDataSector + 18998u * 4);
}

TEST_F(Loaders, BootSectorPassesOverAVolumeLabelNamedLikeTheSystemFile)
{
    std::memcpy(sector(rootDirectory).data(), "IO      SYS", 11);   // the label entry, attribute 0x28
    addFile(rootDirectory, 1, "IO      SYS", 2);
    fillCluster(2);
    boot(32);
    EXPECT_EQ(m.ending, Ending::SystemStarted);
    expectClusterLoaded(2);
}

TEST_F(Loaders, BootSectorResetsADisketteDriveFirst)
{
    addFile(rootDirectory, 1, "IO      SYS", 2);
    fillCluster(2);
    boot(32, 0x00);
    EXPECT_EQ(m.ending, Ending::SystemStarted);
    EXPECT_EQ(m.resets, 1);
    ASSERT_FALSE(m.reads.empty());
    EXPECT_EQ(m.reads[0].drive, 0);
}

struct SectorFailure {
    const char* name;
    const char* fileName;          // put into root entry 1, or null
    bool mz, bj;
    std::uint32_t failingFrom;
    std::string message;
};

void PrintTo(const SectorFailure& c, std::ostream* os) { *os << c.name; }

constexpr std::uint32_t none = 0xFFFFFFFF;

class BootSectorFailure : public Loaders, public testing::WithParamInterface<SectorFailure> {};

TEST_P(BootSectorFailure, ShowsItsMessageWaitsForAKeyAndRestartsTheBoot)
{
    const SectorFailure& c = GetParam();
    if (c.fileName != nullptr) {
        addFile(rootDirectory, 1, c.fileName, 2);
        fillCluster(2, c.mz, c.bj);
    }
    m.failingFrom = c.failingFrom;
    boot(32);
    expectRestartAfterKey(c.message);
}

INSTANTIATE_TEST_SUITE_P(Cases, BootSectorFailure,
    testing::Values(SectorFailure{"NoSystemFile", nullptr, true, true, none, "\r\nInvalid system disk"},
                    SectorFailure{"IoSysWithoutMZ", "IO      SYS", false, true, none, "\r\nInvalid system disk"},
                    SectorFailure{"IoSysWithoutBJ", "IO      SYS", true, false, none, "\r\nInvalid system disk"},
                    SectorFailure{"OnlyMsdosSys", "MSDOS   SYS", true, true, none, "\r\nInvalid system disk"},
                    SectorFailure{"RootDirectoryUnreadable", "IO      SYS", true, true, rootDirectory, "\r\nDisk I/O error"},
                    SectorFailure{"SystemFileUnreadable", "IO      SYS", true, true, firstDataSector, "\r\nDisk I/O error"}),
    [](const testing::TestParamInfo<SectorFailure>& info) { return info.param.name; });

// ---- The whole chain ----

TEST_F(Loaders, FromTheBootRecordThroughTheBootSectorToWinbootSys)
{
    addFile(rootDirectory, 1, "WINBOOT SYS", 3);
    fillCluster(3);
    m.stopAtBootSector = false;
    boot(0);
    EXPECT_EQ(m.ending, Ending::SystemStarted);
    EXPECT_EQ(m.screen, "");
    expectClusterLoaded(3);
    EXPECT_EQ(readLbas(), (std::vector<std::uint32_t>{32, 187, 223, 224, 225, 226}));
}

#endif

} // namespace
} // namespace quick_format_test
