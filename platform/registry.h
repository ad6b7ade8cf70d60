// The registry: a hierarchical key/value store under the local-machine
// root, kept in one SQLite database in the host folder ("registry.db").
//
// Key paths are backslash-separated without a leading backslash; key and
// value names compare without regard to case. Values keep their type:
// registryTypeNumber (a 32-bit number, 4 bytes little-endian) or
// registryTypeString (UTF-16 text stored with its NUL). Every write is one
// transaction, and several processes may use the store at once.
// Every call reports success as true/false; a store that cannot be opened
// (a damaged file, a host folder that cannot be written) makes every call
// return false and is never overwritten or deleted.
#pragma once

#include <cstdint>

struct RegistryKeyHandle;
using RegistryKey = RegistryKeyHandle*;

constexpr std::uint32_t registryTypeString = 1;
constexpr std::uint32_t registryTypeNumber = 4;
constexpr std::uint32_t registryAllAccess = 0xF003F;

// Opens an existing key. False when it does not exist or the store fails.
bool openRegistryKey(const char16_t* path, std::uint32_t access, RegistryKey* key);

// Creates the key (and any missing parent), or opens it when it exists.
bool createRegistryKey(const char16_t* path, RegistryKey* key);

// Reads a value: *type receives its type; data receives at most *size bytes
// and *size the stored size. False when the value is missing, or when data
// is given and the stored size is larger than *size (nothing is copied then).
bool queryRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t* type, void* data, std::uint32_t* size);

// Sets a value with its type and size (a string's size includes its NUL).
bool setRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t type, const void* data, std::uint32_t size);

// Closes a key handle; a null handle is ignored.
void closeRegistryKey(RegistryKey key);
