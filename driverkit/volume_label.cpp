#include "driverkit/volume_label.h"

#include "device/boot_sector.h"
#include "driverkit/disk_image.h"

std::string readVolumeLabelWith(const SectorReader& readSector)
{
    using namespace bootSector;
    std::uint8_t sector[diskSectorSize];
    if (!readSector(0, sector) || !hasSignature(sector))
        return {};
    if (!isBootSector(sector)) {
        std::uint32_t start = slot4Start(sector);
        if (start >= diskSectorCount || !readSector(start, sector) || !isBootSector(sector))
            return {};
    }
    std::string label(reinterpret_cast<const char*>(sector + labelOffset), labelLength);
    std::string::size_type end = label.find_last_not_of(std::string(" \0", 2));
    label.erase(end == std::string::npos ? 0 : end + 1);
    // FAT's own word for a volume without a label.
    if (label == "NO NAME")
        return {};
    return label;
}
