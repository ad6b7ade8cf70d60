#include "settings/driver_settings.h"

#include "os/registry.h"
#include "os/wide_format.h"
#include "ui/framework/message_catalogue.h"

namespace {

constexpr std::uint32_t defaultFolderNumber = 3;
constexpr char16_t driverLibraryName[] = u"zoveviv.dll";

// The longest folder name, "Storage Card" and one digit, with its NUL fits.
constexpr std::size_t folderNameCapacity = 16;

bool writeValue(const char16_t* valueName, std::uint32_t type, const void* data, std::uint32_t size,
                const char16_t* keyPath)
{
    RegistryKey key = nullptr;
    if (!openRegistryKey(keyPath, registryAllAccess, &key))
        return false;
    bool written = setRegistryValue(key, valueName, type, data, size);
    closeRegistryKey(key);
    return written;
}

} // namespace

bool readRegistryNumber(const char16_t* valueName, std::uint32_t* value, const char16_t* keyPath)
{
    RegistryKey key = nullptr;
    if (!openRegistryKey(keyPath, registryAllAccess, &key))
        return false;
    std::uint32_t type = 0;
    std::uint32_t number = 0;
    std::uint32_t size = sizeof number;
    bool read = queryRegistryValue(key, valueName, &type, &number, &size);
    closeRegistryKey(key);
    // A shorter number would leave bytes unset: only a whole 32-bit number counts.
    if (!read || type != registryTypeNumber || size != sizeof number)
        return false;
    *value = number;
    return true;
}

bool writeRegistryNumber(const char16_t* valueName, std::uint32_t value, const char16_t* keyPath)
{
    return writeValue(valueName, registryTypeNumber, &value, sizeof value, keyPath);
}

bool writeRegistryString(const char16_t* valueName, const char16_t* text, const char16_t* keyPath)
{
    std::uint32_t size = std::uint32_t((wideLength(text) + 1) * sizeof(char16_t));
    return writeValue(valueName, registryTypeString, text, size, keyPath);
}

bool createRegistryKey(const char16_t* keyPath)
{
    RegistryKey key = nullptr;
    if (!createRegistryKey(keyPath, &key))
        return false;
    closeRegistryKey(key);
    return true;
}

void ensureDriverSettings()
{
    RegistryKey key = nullptr;
    if (openRegistryKey(DriverSettingsKey, registryAllAccess, &key))
        closeRegistryKey(key);
    else
        createRegistryKey(DriverSettingsKey);

    // "Fixed" marks a completed set-up; while it reads back, nothing is touched.
    std::uint32_t mode = 0;
    if (readRegistryNumber(u"Fixed", &mode, DriverSettingsKey))
        return;

    char16_t folderName[folderNameCapacity];
    formatWide(folderName, folderNameCapacity, messageCatalogue.storageCardFormat, int(defaultFolderNumber));

    writeRegistryNumber(u"Fixed", FolderNameFixed, DriverSettingsKey);
    writeRegistryNumber(u"FolderNum", defaultFolderNumber, DriverSettingsKey);
    writeRegistryString(u"Folder", folderName, DriverSettingsKey);
    createRegistryKey(DriverLoadKey);
    writeRegistryString(u"DLL", driverLibraryName, DriverLoadKey);
}
