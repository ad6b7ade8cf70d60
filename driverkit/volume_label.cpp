#include "driverkit/volume_label.h"

#include "driverkit/disk_image.h"

namespace {

bool hasBootSignature(const std::uint8_t* sector) { return sector[510] == 0x55 && sector[511] == 0xAA; }

bool isBootSector(const std::uint8_t* sector)
{
    return hasBootSignature(sector) && sector[0] == 0xEB && sector[2] == 0x90;
}

} // namespace

std::string readVolumeLabelWith(const SectorReader& readSector)
{
    std::uint8_t sector[diskSectorSize];
    if (!readSector(0, sector) || !hasBootSignature(sector))
        return {};
    if (!isBootSector(sector)) {
        // A boot record: partition slot 4 names the boot sector.
        std::uint32_t bootSector = std::uint32_t(sector[0x1F6]) | std::uint32_t(sector[0x1F7]) << 8 |
                                   std::uint32_t(sector[0x1F8]) << 16 | std::uint32_t(sector[0x1F9]) << 24;
        if (bootSector >= diskSectorCount || !readSector(bootSector, sector) || !isBootSector(sector))
            return {};
    }
    std::string label(reinterpret_cast<const char*>(sector + 43), 11);
    std::string::size_type end = label.find_last_not_of(std::string(" \0", 2));
    label.erase(end == std::string::npos ? 0 : end + 1);
    // FAT's own word for a volume without a label.
    if (label == "NO NAME")
        return {};
    return label;
}
