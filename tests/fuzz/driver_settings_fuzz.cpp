// The driver's registry settings over any values: the input sets the
// values of the settings key (and the driver's load key), then the values
// are read as the tool reads them (readRegistryNumber), as the drive reads
// them to name its mount folder, and as the start-up check reads them
// before it puts the defaults back. The input is a list of values:
//   1 byte   which: "Fixed", "FolderNum", "Folder", "DLL" (load key), or
//            (for any other byte) no key is made for the values after it
//   1 byte   type: 1 (string), 4 (number), or the byte itself
//   1 byte   size in bytes, then that many bytes of data
// Only the first 12 entries count: each is a write to the store, and more
// of them only repeat what four names can hold.
#include "drive/drive_files.h"
#include "driverkit/mount_folder.h"
#include "drive/virtual_drive.h"
#include "os/code_page.h"
#include "os/registry.h"
#include "settings/driver_settings.h"
#include "tests/fuzz/fuzz_host_folder.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

struct ValueName {
    const char16_t* name;
    const char16_t* key;
};
constexpr ValueName values[] = {
    {u"Fixed", DriverSettingsKey},
    {u"FolderNum", DriverSettingsKey},
    {u"Folder", DriverSettingsKey},
    {u"DLL", DriverLoadKey},
};

constexpr std::size_t entriesPerInput = 12;

void setValues(const std::uint8_t* data, std::size_t size)
{
    bool makeKeys = true;
    for (std::size_t at = 0, n = 0; n < entriesPerInput && size - at >= 3; ++n) {
        std::uint8_t which = data[at];
        std::uint32_t type = data[at + 1] % 3 == 0 ? registryTypeString
                           : data[at + 1] % 3 == 1 ? registryTypeNumber : data[at + 1];
        std::size_t length = std::min<std::size_t>(data[at + 2], size - at - 3);
        const std::uint8_t* bytes = data + at + 3;
        at += 3 + length;
        if (which % 5 == 4) {
            makeKeys = false;
            continue;
        }
        const ValueName& value = values[which % 5];
        RegistryKey key = nullptr;
        bool open = makeKeys ? createRegistryKey(value.key, &key) : openRegistryKey(value.key, registryAllAccess, &key);
        if (!open)
            continue;
        setRegistryValue(key, value.name, type, bytes, std::uint32_t(length));
        closeRegistryKey(key);
    }
}

// A folder name is one line of valid UTF-8, never empty.
bool isFolderName(const std::string& name)
{
    char16_t wide[256];
    if (name.empty() || !utf8ToWide(name.c_str(), wide, std::size(wide)))
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzHostFolder();
    createDisk(firstDiskName); // blank: the linked name falls back to the generated one
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    deleteRegistryKey(DriverSettingsKey);
    deleteRegistryKey(DriverLoadKey);
    setValues(data, size);

    std::uint32_t number = 0;
    readRegistryNumber(u"Fixed", &number, DriverSettingsKey);
    readRegistryNumber(u"FolderNum", &number, DriverSettingsKey);
    int image = open(diskImagePath(firstDiskName).c_str(), O_RDONLY | O_CLOEXEC);
    bool named = isFolderName(chooseMountFolder(image));
    close(image);
    if (!named)
        std::abort();

    // Afterwards the set-up is complete: "Fixed" reads back as a number.
    ensureDriverSettings();
    if (!readRegistryNumber(u"Fixed", &number, DriverSettingsKey))
        std::abort();
    return 0;
}
