#include "format/quick_format.h"

#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "format/boot_record_image.h"
#include "format/boot_sector_image.h"
#include "os/clock.h"

#include <cstring>

namespace {

// The disk: 16 heads, 32 sectors per track, 154 cylinders, 78848 sectors.
// The partition starts at LBA 32; the image ends with the root directory,
// in front of the data area's first cluster at LBA 219.
constexpr std::uint32_t sectorSize = 512;
constexpr std::uint32_t imageSectors = 219;
constexpr std::uint32_t firstFiller = 1;
constexpr std::uint32_t lastFiller = 31;
constexpr std::uint32_t bootSectorLba = 32;
constexpr std::uint32_t firstFat = 33;
constexpr std::uint32_t secondFat = 110;
constexpr std::uint32_t fatSectors = 77;
constexpr std::uint32_t rootDirectory = 187;
constexpr std::uint32_t rootSectors = 32;

constexpr std::uint8_t fillerByte = 0x48;
constexpr std::uint8_t fatStart[4] = {0xF8, 0xFF, 0xFF, 0xFF};  // entries 0 and 1: media F8, end of chain

constexpr std::size_t labelSize = 11;
constexpr std::size_t serialOffset = 0x027;      // in the boot sector
constexpr std::size_t bootLabelOffset = 0x02B;   // in the boot sector

// The root directory's volume-label entry.
constexpr std::size_t entrySize = 32;
constexpr std::size_t attributeOffset = 11;
constexpr std::size_t stampOffset = 22;          // FAT time, then FAT date
constexpr std::uint8_t labelAttribute = 0x28;    // volume label and archive

void put32(std::uint8_t* at, std::uint32_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
    at[2] = std::uint8_t(value >> 16);
    at[3] = std::uint8_t(value >> 24);
}

bool writeSectors(const std::uint8_t* sector, std::uint32_t first, std::uint32_t last)
{
    for (std::uint32_t lba = first; lba <= last; ++lba)
        if (!writeBlock(driveIndex, sector, lba))
            return false;
    return true;
}

} // namespace

ClockStamps readClockStamps()
{
    const ClockReading now = readClock();
    const std::uint32_t year = now.year, month = now.month, day = now.day;
    const std::uint32_t hour = now.hour, minute = now.minute, second = now.second;
    ClockStamps stamps;
    stamps.serialNumber = (year + hour * 256 + minute) * 65536 + (month * 256 + day) +
                          (second * 256 + now.millisecond / 10u);
    // The FAT date counts years from 1980: (year - 1980) modulo 128 is what
    // (year + 68) leaves in the top 7 bits.
    stamps.dateTimeStamp = (year + 68) * (1u << 25) + month * (1u << 21) + day * (1u << 16) +
                           hour * (1u << 11) + minute * (1u << 5) + second / 2;
    return stamps;
}

bool quickFormat(const ProgressSink& sink, std::uint32_t unitsDone, std::uint32_t unitsTotal,
                 const std::uint8_t label[11])
{
    // A start beyond the total has nothing left to count: every report then
    // stays at the total.
    const std::uint32_t start = unitsDone < unitsTotal ? unitsDone : unitsTotal;
    const std::uint32_t unitsPerSector = (unitsTotal - start) / imageSectors;
    auto report = [&](std::uint32_t sectorsWritten) {
        sink.report(sink.context, start + sectorsWritten * unitsPerSector, unitsTotal);
    };

    report(0);

    // The boot record is the same on every disk and goes out as assembled;
    // the boot sector gets this disk's serial number and label.
    std::uint8_t bootSector[sectorSize];
    std::uint8_t labelEntry[entrySize] = {};
    std::uint8_t sector[sectorSize];
    std::memcpy(bootSector, bootSectorImage, sectorSize);

    const ClockStamps stamps = readClockStamps();
    put32(bootSector + serialOffset, stamps.serialNumber);
    put32(labelEntry + stampOffset, stamps.dateTimeStamp);

    std::memcpy(bootSector + bootLabelOffset, label, labelSize);
    std::memcpy(labelEntry, label, labelSize);
    labelEntry[attributeOffset] = labelAttribute;

    std::memset(sector, fillerByte, sectorSize);
    if (!writeSectors(sector, firstFiller, lastFiller))
        return false;
    report(31);                        // sectors written so far

    if (!writeBlock(driveIndex, bootRecordImage, 0) || !writeBlock(driveIndex, bootSector, bootSectorLba))
        return false;

    // The FAT copies' zero sectors first, their first sectors afterwards.
    std::memset(sector, 0, sectorSize);
    if (!writeSectors(sector, firstFat + 1, firstFat + fatSectors - 1))
        return false;
    report(109);
    if (!writeSectors(sector, secondFat + 1, secondFat + fatSectors - 1))
        return false;
    report(185);

    std::memcpy(sector, fatStart, sizeof fatStart);
    if (!writeBlock(driveIndex, sector, firstFat) || !writeBlock(driveIndex, sector, secondFat))
        return false;

    std::memset(sector, 0, sectorSize);
    if (label[0] != 0)
        std::memcpy(sector, labelEntry, entrySize);
    if (!writeBlock(driveIndex, sector, rootDirectory))
        return false;
    std::memset(sector, 0, entrySize);
    if (!writeSectors(sector, rootDirectory + 1, rootDirectory + rootSectors - 1))
        return false;
    report(imageSectors);
    return true;
}
