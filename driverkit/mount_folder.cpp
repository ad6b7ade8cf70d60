#include "driverkit/mount_folder.h"

#include "driverkit/disk_image.h"
#include "os/code_page.h"
#include "os/registry.h"

#include <cstdint>

namespace {

constexpr const char16_t* driverSettingsKey = u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver";

constexpr std::uint32_t folderNameAutomated = 0;
constexpr std::uint32_t folderNameFixed = 1;
constexpr std::uint32_t folderNameLinked = 2;

// The text as UTF-8 without control characters (a name is one line);
// empty when there is nothing left.
std::string folderFromWide(const char16_t* text)
{
    char16_t cleaned[64];
    std::size_t used = 0;
    for (std::size_t i = 0; text[i] != u'\0' && used + 1 < std::size(cleaned); ++i)
        if (text[i] >= 0x20 && text[i] != 0x7F)
            cleaned[used++] = text[i];
    cleaned[used] = u'\0';
    char utf8[256];
    if (used == 0 || !wideToUtf8(cleaned, utf8, sizeof utf8))
        return {};
    return utf8;
}

std::uint32_t readFolderNameMode(RegistryKey key)
{
    std::uint32_t type = 0, value = folderNameAutomated, size = sizeof value;
    if (!queryRegistryValue(key, u"Fixed", &type, &value, &size) || type != registryTypeNumber || size != sizeof value)
        return folderNameAutomated;
    return value;
}

std::string readFixedFolder(RegistryKey key)
{
    char16_t text[128] = {};
    std::uint32_t type = 0, size = sizeof text - sizeof(char16_t); // keep room for an ending NUL
    if (!queryRegistryValue(key, u"Folder", &type, text, &size) || type != registryTypeString)
        return {};
    return folderFromWide(text);
}

std::string labelFolder(const SectorReader& readSector)
{
    std::string label = readVolumeLabelWith(readSector);
    char16_t text[12];
    if (label.empty() || !codePageToWide(label.data(), label.size(), text, std::size(text)))
        return {};
    return folderFromWide(text);
}

} // namespace

std::string chooseMountFolder(FileHandle image)
{
    return chooseMountFolderWith(
        [image](std::uint32_t block, std::uint8_t* out) { return readSectorsFrom(image, block, 1, out); });
}

std::string chooseMountFolderWith(const SectorReader& readSector)
{
    std::uint32_t mode = folderNameAutomated;
    std::string name;
    RegistryKey key = nullptr;
    if (openRegistryKey(driverSettingsKey, registryAllAccess, &key)) {
        mode = readFolderNameMode(key);
        if (mode == folderNameFixed)
            name = readFixedFolder(key);
        closeRegistryKey(key);
    }
    if (mode == folderNameLinked)
        name = labelFolder(readSector);
    return name.empty() ? generatedFolderName : name;
}
