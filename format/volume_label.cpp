#include "format/volume_label.h"

#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "os/code_page.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t sectorSize = 512;
// The partition's first sector in slot 4 of a boot record.
constexpr std::size_t slot4FirstSector = 0x1F6;
constexpr std::size_t labelOffset = 43;
constexpr std::size_t labelLength = 11;

bool hasSignature(const std::uint8_t* sector) { return sector[510] == 0x55 && sector[511] == 0xAA; }

// A boot sector begins with a short jump and a NOP, and ends with the signature.
bool isBootSector(const std::uint8_t* sector)
{
    return hasSignature(sector) && sector[0] == 0xEB && sector[2] == 0x90;
}

std::uint32_t read32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

} // namespace

bool readVolumeLabel(char16_t* text)
{
    text[0] = u'\0';
    std::uint8_t sector[sectorSize];
    if (!readBlock(driveIndex, sector, 0) || !hasSignature(sector))
        return false;
    if (!isBootSector(sector)) {
        std::uint32_t bootSector = read32(sector + slot4FirstSector);
        if (!readBlock(driveIndex, sector, bootSector) || !isBootSector(sector))
            return false;
    }
    // Only the label field is converted: a double-byte character never
    // runs on into the file-system type behind it.
    if (!codePageToWide(reinterpret_cast<const char*>(sector + labelOffset), labelLength, text, volumeLabelCapacity))
        text[0] = u'\0';
    text[labelLength] = u'\0';
    return true;
}
