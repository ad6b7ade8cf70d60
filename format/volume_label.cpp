#include "format/volume_label.h"

#include "device/boot_sector.h"
#include "device/drive_commands.h"
#include "device/driver_transport.h"
#include "os/code_page.h"

#include <cstddef>
#include <cstdint>

bool readVolumeLabel(char16_t* text)
{
    text[0] = u'\0';
    using namespace bootSector;
    std::uint8_t sector[sectorSize];
    if (!readBlock(driveIndex, sector, 0) || !hasSignature(sector))
        return false;
    if (!isBootSector(sector) && (!readBlock(driveIndex, sector, slot4Start(sector)) || !isBootSector(sector)))
        return false;
    // Only the label field is converted: a double-byte character never
    // runs on into the file-system type behind it.
    if (!codePageToWide(reinterpret_cast<const char*>(sector + labelOffset), labelLength, text, volumeLabelCapacity))
        text[0] = u'\0';
    text[labelLength] = u'\0';
    return true;
}
