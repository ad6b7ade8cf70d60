// The driver's registry settings: its registration with the platform and
// how it names the folder under which it mounts the disk. These operations
// are the tool's only contact with the registry; each opens its key anew
// under the local-machine root and closes it before it returns.
#pragma once

#include <cstdint>

// The folder-name settings: "Fixed" (the FolderNameMode), "FolderNum" and "Folder".
inline constexpr char16_t DriverSettingsKey[] = u"Drivers\\USB\\ClientDrivers\\USB_Quib_Driver";
// The platform's USB client registration of the driver library ("DLL"): any
// vendor and product, interfaces of class 8, subclass 6, protocol 80.
inline constexpr char16_t DriverLoadKey[] = u"Drivers\\USB\\LoadClients\\Default\\Default\\8_6_80\\USB_Quib_Driver";

// How the driver names the mount folder, as stored in "Fixed".
enum FolderNameMode : std::uint32_t {
    FolderNameAutomated = 0,
    FolderNameFixed = 1,
    FolderNameLinked = 2,
};

// True only when the value exists as a 32-bit number (type 4, 4 bytes);
// *value is left alone otherwise.
bool readRegistryNumber(const char16_t* valueName, std::uint32_t* value, const char16_t* keyPath);

// Sets a 32-bit number (type 4) in an existing key; never creates the key.
bool writeRegistryNumber(const char16_t* valueName, std::uint32_t value, const char16_t* keyPath);

// Sets a string (type 1, stored with its NUL) in an existing key.
bool writeRegistryString(const char16_t* valueName, const char16_t* text, const char16_t* keyPath);

// Creates the key, or opens it when it exists, and closes it again.
bool createRegistryKey(const char16_t* keyPath);

// Start-up check: creates the entries with their defaults (the folder name
// in the current language) unless "Fixed" reads back as a number.
void ensureDriverSettings();
