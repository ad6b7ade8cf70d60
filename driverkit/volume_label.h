// The volume label of a disk's FAT boot sector, read through whatever
// reaches the disk's sectors: an image file or a device.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Reads one 512-byte sector at block into out; false when it cannot.
using SectorReader = std::function<bool(std::uint32_t block, std::uint8_t* out)>;

// The label of the boot sector: sector 0 when it is a boot sector,
// otherwise the boot sector named by partition slot 4 of the boot record.
// The 11 label bytes in the code page, trailing blanks removed; empty when
// the disk has no boot sector or no label.
std::string readVolumeLabelWith(const SectorReader& readSector);
