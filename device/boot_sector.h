// Where a disk's volume label lies, as the quick format writes the disk
// and as FAT reads it: the boot sector is sector 0, or the partition that
// slot 4 of the boot record in sector 0 names. The program's label reader
// and the drivers' mount-folder naming both find it so.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bootSector {

constexpr std::size_t sectorSize = 512;
// The partition's first sector in slot 4 of a boot record (little-endian).
constexpr std::size_t slot4FirstSector = 0x1F6;
// The label in the boot sector.
constexpr std::size_t labelOffset = 43;
constexpr std::size_t labelLength = 11;

// Sector 0 and the boot sector both end with 55 AA.
inline bool hasSignature(const std::uint8_t* sector) { return sector[510] == 0x55 && sector[511] == 0xAA; }

// A boot sector begins with a short jump and a NOP, and ends with the signature.
inline bool isBootSector(const std::uint8_t* sector)
{
    return hasSignature(sector) && sector[0] == 0xEB && sector[2] == 0x90;
}

// The boot sector that slot 4 of a boot record names.
inline std::uint32_t slot4Start(const std::uint8_t* bootRecord)
{
    const std::uint8_t* p = bootRecord + slot4FirstSector;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

} // namespace bootSector
